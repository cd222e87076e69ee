#pragma once

#include <QIcon>

namespace corvane {

// The program icon (48, 32 and 16 pixels) that every window carries.
QIcon ProgramIcon();

} // namespace corvane
