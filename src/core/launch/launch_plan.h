#pragma once

#include "core/command/command_line.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace corvane {

// What one command comes down to, the same on every system: either a line
// for the system's shell (the user typed "cmd /c" in front) or a program
// and its arguments.
struct LaunchPlan final {
    // Set for a shell line: the pieces after "cmd /c", values still apart
    // from the typed text.
    std::optional<QList<CommandPiece>> shellPieces;
    // Otherwise the program (words[0]) and its arguments; empty when the
    // command names no program.
    QStringList words;
};

// Splits the command. A line beginning with "cmd /c" goes to the shell,
// whatever files exist. Otherwise a program box that as a whole is an
// absolute path (or starts with "~/", the home folder) of an existing file,
// blanks and all, is the program; else the program box and the template are
// split together into the program and its arguments. A path relative to the
// working folder never counts as a whole: that folder is the destination,
// where others may be able to put files.
LaunchPlan PlanLaunch(const ToolCommand &command);

// Whether the program word is a path (it holds a folder separator) rather
// than a name to look up.
bool IsProgramPath(const QString &program);

// The environment variable that carries a placeholder's value into a shell
// line, so that the shell reads the value as data, never as source.
const char *PlaceholderVariable(Placeholder placeholder);

} // namespace corvane
