#pragma once

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

// Gives a window and its controls that look.
void UseFormLook(QWidget *window);

} // namespace corvane
