#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>

class QWidget;

namespace corvane {

// The look the fixed layouts are made for, whatever the desktop's theme:
// black text on light grey, in a 9-point font, grown with the whole layout
// on a desktop with a larger default font (LayoutScale()). A dark theme
// would put its light text on the windows' fixed grey. High-density screens
// still get everything scaled alike by Qt.
QPalette FormPalette();
QFont FormFont();

// The main window's background, its labels' and its progress bar's empty
// part: grey 224, 224, 224.
inline const QColor kFormGrey{0xE0, 0xE0, 0xE0};

// The colours of what a batch came to: an entry's badge and, for a batch
// with an entry that did not succeed, the progress bar.
inline const QColor kSucceededColor{0x2E, 0x7D, 0x32}; // green
inline const QColor kRunningColor{0x15, 0x65, 0xC0};   // blue
inline const QColor kFailedColor{0xC6, 0x28, 0x28};    // red

// Gives a window and its controls that look.
void UseFormLook(QWidget *window);

} // namespace corvane
