#pragma once

#include <QString>
#include <QStringList>

namespace corvane {

// The program's arguments as given, the program's path first, before Qt has
// seen them. POSIX: each argument's bytes as a file name (a name that is no
// UTF-8 keeps its bytes, see file_name.h). Windows: the wide command line.
QStringList ProgramArguments(int argc, char **argv);

// Why no window can be opened here, in one line; empty when one can. POSIX:
// no DISPLAY nor WAYLAND_DISPLAY (as over SSH), or a local X display whose
// socket is not there; a platform chosen with QT_QPA_PLATFORM is trusted.
// Windows: always empty.
QString DisplayProblem();

// Lets a program with windows print to the console it was started from
// (Windows, where such a program has none of its own); nothing on POSIX.
void UseParentConsole();

} // namespace corvane
