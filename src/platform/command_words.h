#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace corvane {

// Space and tab: the only characters that separate the words of a command line.
bool IsCommandBlank(QChar c);

// When the line begins with the word "cmd" followed by the word "/c" (any
// letter case, blanks before and between them), the text after the blanks
// that follow "/c": the user asked for a shell, and this text is handed to
// /bin/sh -c. Any other line gives nothing.
std::optional<QString> ShellCommandText(const QString &line);

// Splits a command line into the program and its arguments. Blanks separate
// words; a double quote starts or ends a quoted part and is removed (so "a"b
// gives ab and "" an empty word); \" stands for a literal double quote, in
// or out of a quoted part. Every other character is ordinary: single
// quotes, $, *, ~, ;, |, > and backslashes not followed by a double quote.
// A quoted part left open runs to the end of the line. An empty or blank
// line gives no words.
QStringList SplitCommandWords(const QString &line);

} // namespace corvane
