#pragma once

#include "core/command/command_line.h"
#include "core/launch/launcher.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace corvane {

// An argument as it is written into a Windows command line, so that both
// CommandLineToArgvW and the C runtime's startup code give it back exactly:
// bare when it holds no blank and no double quote (and is not empty),
// otherwise in double quotes, with each double quote written as \" and the
// backslashes in front of a double quote, or of the closing quote, doubled.
QString QuoteWindowsArgument(const QString &word);

// The command line of a program and its arguments. The program name
// (argv[0]) follows its own rule: no backslash escapes, only quotes around
// it when it holds a blank; a program name with a double quote in it cannot
// be written, and gives nothing.
std::optional<QString> WindowsCommandLine(const QStringList &words);

// The text after "cmd /c" for cmd.exe /v:on /d /s /c "TEXT": the typed text
// as it stands, and in place of each value a delayed reference to the
// environment variable that holds it (!CORVANE_SNAME!). cmd.exe expands such
// a reference after it has read the line's commands, operators and quotes,
// and reads nothing in the value it puts there, so &, |, ^, %, !, (, ) and
// blanks in a name stay data. Outside the typed text's double quotes a
// value is put in double quotes of its own, which stay open over the typed
// characters and values that follow it up to the next blank or operator, so
// that it stays within its word. Before a double quote that directly
// follows a value, the value's trailing backslashes are doubled, so that a
// folder such as D:\Out\ does not escape the quote for the program that
// reads the line. The index is only digits and stays bare.
QString CmdShellText(const QList<CommandPiece> &pieces);

// The Windows launcher: CreateProcessW with one command line made from the
// same words as on Linux; a program name without a folder looked for in
// Corvane's own folder, the system folder, the Windows folder and PATH, never
// in the current folder; a line beginning with "cmd /c", and a batch file
// (.bat, .cmd), through cmd.exe with the values in environment variables;
// standard input from NUL; the output, when captured or shown, read from a
// pipe and appended to the report by Corvane; the command and everything it
// starts in one job object.
std::unique_ptr<Launcher> CreateWindowsLauncher();

} // namespace corvane
