#include "batch/command_line.h"

namespace corvane {

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

QString BuildCommandLine(const QString &program, const QString &commandTemplate, bool capture,
                         const QString &fileName, const QString &sourceFolder, int index,
                         const QString &destination, const QString &reportPath, QChar separator)
{
    const QString nameNoExtension = NameWithoutExtension(fileName);

    // QString::replace scans left to right, never overlaps matches and does
    // not rescan the text it inserts, which is the expansion rule; the fixed
    // order below decides which later replacements see inserted text.
    QString expanded = commandTemplate;
    expanded.replace(QStringLiteral("$SPath$"), WithTrailingSeparator(sourceFolder, separator));
    expanded.replace(QStringLiteral("$SName$"), fileName);
    expanded.replace(QStringLiteral("$DPath$"), WithTrailingSeparator(destination, separator));
    expanded.replace(QStringLiteral("$SNameNo$"), nameNoExtension);
    expanded.replace(QStringLiteral("$Index$"), QString::number(index));

    const QString line = program + QLatin1Char(' ') + expanded;
    if (!capture)
        return line;
    return QStringLiteral("cmd /c ") + line + QStringLiteral(" >>") + reportPath +
           QStringLiteral(" 2>&1");
}

} // namespace corvane
