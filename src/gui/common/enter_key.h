#pragma once

#include <QList>

class QPushButton;

namespace corvane {

// Return and the keypad's Enter press each of these buttons while it has the
// keyboard focus, as Space does, and do nothing else: no button becomes a
// default button that Enter would press from elsewhere.
void PressOnEnterWhenFocused(const QList<QPushButton *> &buttons);

} // namespace corvane
