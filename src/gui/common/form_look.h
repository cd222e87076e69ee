#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>

class QWidget;

namespace corvane {

// The look the fixed layouts are made for, whatever the desktop's theme and
// font size: black text on light grey, in a 9-point font. The controls sit
// at fixed places in twips, so a larger font would cut text off and a dark
// theme would put its light text on the windows' fixed grey. High-density
// screens still get everything scaled alike by Qt.
QPalette FormPalette();
QFont FormFont();

// The main window's background, its labels' and its progress bar's empty
// part: grey 224, 224, 224.
inline const QColor kFormGrey{0xE0, 0xE0, 0xE0};

// Gives a window and its controls that look.
void UseFormLook(QWidget *window);

} // namespace corvane
