#include "core/command/command_words.h"

namespace corvane {

namespace {
// Skips blanks from position i and returns the first position after them.
qsizetype skipBlanks(QStringView text, qsizetype i)
{
    while (i < text.size() && IsCommandBlank(text.at(i)))
        ++i;
    return i;
}

// Whether the word at position i is exactly `word` (any letter case) and is
// followed by a blank, or by the end of the text when nothing follows it.
bool wordAt(QStringView text, qsizetype i, QLatin1String word, bool somethingFollows)
{
    const qsizetype end = i + word.size();
    if (end > text.size())
        return false;
    if (text.mid(i, word.size()).compare(word, Qt::CaseInsensitive) != 0)
        return false;
    return end == text.size() ? !somethingFollows : IsCommandBlank(text.at(end));
}

// Where the shell's text starts in the typed prefix, or -1 when the prefix
// does not begin with "cmd /c".
qsizetype shellTextStart(QStringView prefix, bool somethingFollows)
{
    const QLatin1String cmd("cmd");
    const QLatin1String slashC("/c");
    qsizetype i = skipBlanks(prefix, 0);
    if (!wordAt(prefix, i, cmd, somethingFollows))
        return -1;
    i = skipBlanks(prefix, i + cmd.size());
    if (!wordAt(prefix, i, slashC, somethingFollows))
        return -1;
    return skipBlanks(prefix, i + slashC.size());
}

} // namespace

bool IsCommandBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

std::optional<QList<CommandPiece>> ShellCommandPieces(const QList<CommandPiece> &pieces)
{
    QString prefix;
    qsizetype firstValue = 0;
    while (firstValue < pieces.size() && !pieces.at(firstValue).isValue())
        prefix += pieces.at(firstValue++).text;
    const qsizetype start = shellTextStart(prefix, firstValue < pieces.size());
    if (start < 0)
        return std::nullopt;
    QList<CommandPiece> rest;
    if (start < prefix.size())
        rest.append(CommandPiece{prefix.mid(start), std::nullopt});
    rest.append(pieces.mid(firstValue));
    return rest;
}

QStringList SplitCommandWords(const QList<CommandPiece> &pieces)
{
    const QChar quote = QLatin1Char('"');
    const QChar backslash = QLatin1Char('\\');
    QStringList words;
    QString word;
    bool inWord = false;
    bool quoted = false;
    for (const CommandPiece &piece : pieces) {
        if (piece.isValue()) {
            if (!piece.text.isEmpty()) {
                word += piece.text;
                inWord = true;
            }
            continue;
        }
        const QString &text = piece.text;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text.at(i);
            if (c == backslash && i + 1 < text.size() && text.at(i + 1) == quote) {
                word += quote;
                inWord = true;
                ++i;
            } else if (c == quote) {
                // A quote makes a word even when nothing stands between the quotes.
                quoted = !quoted;
                inWord = true;
            } else if (!quoted && IsCommandBlank(c)) {
                if (inWord)
                    words << word;
                word.clear();
                inWord = false;
            } else {
                word += c;
                inWord = true;
            }
        }
    }
    if (inWord)
        words << word;
    return words;
}

} // namespace corvane
