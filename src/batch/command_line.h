#pragma once

#include <QChar>
#include <QString>

namespace corvane {

// Expands a tool's command-line template for one job entry and puts the
// program in front:
//   $SPath$   source folder, with a trailing separator
//   $SName$   file name
//   $DPath$   destination folder, with a trailing separator
//   $SNameNo$ file name without its last extension
//   $Index$   zero-based position in the job list
// replaced in exactly that order, all occurrences, case-sensitive. With
// capture set the line becomes "cmd /c LINE >>REPORT 2>&1". No quoting is
// added: the template quotes what it needs. The separator is '/' on Linux
// and '\\' on Windows.
QString BuildCommandLine(const QString &program, const QString &commandTemplate, bool capture,
                         const QString &fileName, const QString &sourceFolder, int index,
                         const QString &destination, const QString &reportPath,
                         QChar separator = QLatin1Char('/'));

// All characters of the file name before its last '.'; the whole name when
// it has no '.' at all.
QString NameWithoutExtension(const QString &fileName);

// The folder with the separator appended unless it already ends in one.
QString WithTrailingSeparator(const QString &folder, QChar separator);

} // namespace corvane
