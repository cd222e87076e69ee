#pragma once

#include <QChar>
#include <QList>
#include <QString>

#include <optional>

namespace corvane {

// The five placeholders of a command-line template, in the order in which
// they are replaced.
enum class Placeholder { SourcePath, SourceName, DestinationPath, NameWithoutExtension, Index };

// One piece of an expanded command: text as the user typed it in the
// template, or the value that a placeholder stands for. A value is data: it
// is never read as blanks, quotes or shell syntax, whatever it holds.
struct CommandPiece final {
    QString text;
    // Which placeholder the value replaced; unset for typed text.
    std::optional<Placeholder> placeholder;

    bool isValue() const { return placeholder.has_value(); }
    friend bool operator==(const CommandPiece &a, const CommandPiece &b)
    {
        return a.text == b.text && a.placeholder == b.placeholder;
    }
};

// What one job entry runs: the program box as typed and the template with
// each placeholder's value in its place, kept apart from the typed text.
struct ToolCommand final {
    QString program;
    QList<CommandPiece> arguments;

    // The line as a person reads it: the program, one space, then the
    // template with the values pasted in.
    QString text() const;
};

// Expands a tool's command-line template for one job entry:
//   $SPath$   source folder, with a trailing separator
//   $SName$   file name
//   $DPath$   destination folder, with a trailing separator
//   $SNameNo$ file name without its last extension
//   $Index$   zero-based position in the job list
// replaced in exactly that order, all occurrences, case-sensitive. A value
// is never scanned again, so a name that holds "$Index$" keeps it. The
// separator is '/' on Linux and '\\' on Windows.
ToolCommand ExpandCommand(const QString &program, const QString &commandTemplate,
                          const QString &fileName, const QString &sourceFolder, int index,
                          const QString &destination, QChar separator = QLatin1Char('/'));

// The line that the user reads for one entry (console title, messages):
// the expanded command, and with capture set "cmd /c LINE >>REPORT 2>&1".
// No quoting is added: the template quotes what it needs.
QString BuildCommandLine(const QString &program, const QString &commandTemplate, bool capture,
                         const QString &fileName, const QString &sourceFolder, int index,
                         const QString &destination, const QString &reportPath,
                         QChar separator = QLatin1Char('/'));

// The capture wrapper around a line: "cmd /c LINE >>REPORT 2>&1".
QString CaptureWrapped(const QString &line, const QString &reportPath);

// All characters of the file name before its last '.'; the whole name when
// it has no '.' at all.
QString NameWithoutExtension(const QString &fileName);

// The folder with the separator appended unless it already ends in one.
QString WithTrailingSeparator(const QString &folder, QChar separator);

} // namespace corvane
