#include "platform/command_words.h"

namespace corvane {

namespace {
// Skips blanks from position i and returns the first position after them.
qsizetype skipBlanks(const QString &line, qsizetype i)
{
    while (i < line.size() && IsCommandBlank(line.at(i)))
        ++i;
    return i;
}

// Whether the word at position i is exactly `word` (any letter case) and is
// followed by a blank or by the end of the line.
bool wordAt(const QString &line, qsizetype i, QLatin1String word)
{
    const qsizetype end = i + word.size();
    if (end > line.size())
        return false;
    if (QStringView(line).mid(i, word.size()).compare(word, Qt::CaseInsensitive) != 0)
        return false;
    return end == line.size() || IsCommandBlank(line.at(end));
}
} // namespace

bool IsCommandBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

std::optional<QString> ShellCommandText(const QString &line)
{
    const QLatin1String cmd("cmd");
    const QLatin1String slashC("/c");
    qsizetype i = skipBlanks(line, 0);
    if (!wordAt(line, i, cmd))
        return std::nullopt;
    i = skipBlanks(line, i + cmd.size());
    if (!wordAt(line, i, slashC))
        return std::nullopt;
    return line.mid(skipBlanks(line, i + slashC.size()));
}

QStringList SplitCommandWords(const QString &line)
{
    const QChar quote = QLatin1Char('"');
    const QChar backslash = QLatin1Char('\\');
    QStringList words;
    QString word;
    bool inWord = false;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (c == backslash && i + 1 < line.size() && line.at(i + 1) == quote) {
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
    if (inWord)
        words << word;
    return words;
}

} // namespace corvane
