#pragma once

#include <QString>

#include <functional>

namespace corvane {

// Starts the program at path, without arguments, in a normal window that
// gets the focus, and does not wait for it. False when it cannot be started
// (an empty path, no such file, not a program). Tests install a starter that
// records the paths instead.
bool StartProgram(const QString &path);

using ProgramStarter = std::function<bool(const QString &path)>;

// Installs the starter used by StartProgram and returns the previous one; an
// empty starter goes back to starting real programs.
ProgramStarter SetProgramStarter(ProgramStarter starter);

// Starts a real program; what StartProgram does without an installed starter.
bool StartProgramDetached(const QString &path);

} // namespace corvane
