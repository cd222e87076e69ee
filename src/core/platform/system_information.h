#pragma once

#include <QString>
#include <QStringList>

namespace corvane {

// The desktop's own program that shows information about the system, for
// the About box's "系统信息" when the registry names none.

// The names looked for, in order: programs that show the system's
// information in a window of their own and take no arguments. Empty where
// the registry is the only place to look (Windows).
QStringList SystemInformationCandidates();

// The full path of the first of those names that is an executable file in a
// folder of PATH, looked up now; empty when there is none.
QString SystemInformationProgram();

} // namespace corvane
