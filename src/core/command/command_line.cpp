#include "core/command/command_line.h"

#include <array>
#include <utility>

namespace corvane {

namespace {

struct Replacement {
    Placeholder placeholder;
    QString token;
    QString value;
};

// Replaces every occurrence of the token in the typed text of the pieces;
// values already in place are left alone.
QList<CommandPiece> replaced(const QList<CommandPiece> &pieces, const Replacement &replacement)
{
    QList<CommandPiece> result;
    for (const CommandPiece &piece : pieces) {
        if (piece.isValue()) {
            result.append(piece);
            continue;
        }
        qsizetype from = 0;
        for (qsizetype at = piece.text.indexOf(replacement.token); at >= 0;
             at = piece.text.indexOf(replacement.token, from)) {
            if (at > from)
                result.append(CommandPiece{piece.text.mid(from, at - from), std::nullopt});
            result.append(CommandPiece{replacement.value, replacement.placeholder});
            from = at + replacement.token.size();
        }
        if (from < piece.text.size())
            result.append(CommandPiece{piece.text.mid(from), std::nullopt});
    }
    return result;
}

} // namespace

QString ToolCommand::text() const
{
    QString line = program + QLatin1Char(' ');
    for (const CommandPiece &piece : arguments)
        line += piece.text;
    return line;
}

QString NameWithoutExtension(const QString &fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    // A name without any dot keeps the whole name: "Makefile" stays
    // "Makefile" rather than turning into an empty word on the command line.
    if (dot < 0)
        return fileName;
    return fileName.left(dot);
}

QString WithTrailingSeparator(const QString &folder, QChar separator)
{
    if (folder.endsWith(separator))
        return folder;
    return folder + separator;
}

ToolCommand ExpandCommand(const QString &program, const QString &commandTemplate,
                          const QString &fileName, const QString &sourceFolder, int index,
                          const QString &destination, QChar separator)
{
    const std::array<Replacement, 5> order = {{
        {Placeholder::SourcePath, QStringLiteral("$SPath$"),
         WithTrailingSeparator(sourceFolder, separator)},
        {Placeholder::SourceName, QStringLiteral("$SName$"), fileName},
        {Placeholder::DestinationPath, QStringLiteral("$DPath$"),
         WithTrailingSeparator(destination, separator)},
        {Placeholder::NameWithoutExtension, QStringLiteral("$SNameNo$"),
         NameWithoutExtension(fileName)},
        {Placeholder::Index, QStringLiteral("$Index$"), QString::number(index)},
    }};
    // Each replacement scans the typed text left to right without overlaps;
    // the fixed order decides which placeholder wins where two could match.
    QList<CommandPiece> pieces;
    if (!commandTemplate.isEmpty())
        pieces.append(CommandPiece{commandTemplate, std::nullopt});
    for (const Replacement &replacement : order)
        pieces = replaced(pieces, replacement);
    return ToolCommand{program, std::move(pieces)};
}

QString CaptureWrapped(const QString &line, const QString &reportPath)
{
    return QStringLiteral("cmd /c ") + line + QStringLiteral(" >>") + reportPath +
           QStringLiteral(" 2>&1");
}

QString BuildCommandLine(const QString &program, const QString &commandTemplate, bool capture,
                         const QString &fileName, const QString &sourceFolder, int index,
                         const QString &destination, const QString &reportPath, QChar separator)
{
    const QString line = ExpandCommand(program, commandTemplate, fileName, sourceFolder, index,
                                       destination, separator)
                             .text();
    return capture ? CaptureWrapped(line, reportPath) : line;
}

} // namespace corvane
