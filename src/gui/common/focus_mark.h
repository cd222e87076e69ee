#pragma once

class QPaintDevice;
class QRect;
class QWidget;

namespace corvane {

// Draws the mark of the keyboard focus, a frame in the selection colour,
// just inside rect on device: for controls whose style shows no focus of its
// own (a drive list, a folder list).
void DrawFocusMark(QPaintDevice *device, const QWidget *control, const QRect &rect);

} // namespace corvane
