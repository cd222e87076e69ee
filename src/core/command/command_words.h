#pragma once

#include "core/command/command_line.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace corvane {

// Space and tab: the only characters that separate the words of a command line.
bool IsCommandBlank(QChar c);

// When the typed text begins with the word "cmd" followed by the word "/c"
// (any letter case, blanks before and between them), the pieces after the
// blanks that follow "/c": the user asked for a shell. A value never counts
// towards the prefix. Any other command gives nothing.
std::optional<QList<CommandPiece>> ShellCommandPieces(const QList<CommandPiece> &pieces);

// Splits a command into the program and its arguments. In typed text,
// blanks separate words; a double quote starts or ends a quoted part and is
// removed (so "a"b gives ab and "" an empty word); \" stands for a literal
// double quote, in or out of a quoted part. Every other character is
// ordinary: single quotes, $, *, ~, ;, |, > and backslashes not followed by
// a double quote. A quoted part left open runs to the end of the line. A
// value goes into the word it stands in as it is: it never starts, ends or
// joins a word, and a word made only of empty values is no word.
QStringList SplitCommandWords(const QList<CommandPiece> &pieces);

} // namespace corvane
