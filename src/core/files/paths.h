#pragma once

#include <QString>

namespace corvane {

// The folder that holds the executable, without a trailing '/' (only a
// root folder, "/" or "C:/", ends in one).
QString ProgramFolder();

// The files Corvane keeps in its data folder: the settings and the last
// batch's report.
inline constexpr char kConfigFileName[] = "config.ini";
inline constexpr char kReportFileName[] = "report.txt";

// Joins a folder and a file name with exactly one '/' between them.
QString JoinPath(const QString &folder, const QString &name);

// The lock file of the program at executablePath in the given runtime folder.
QString InstanceLockPath(const QString &runtimeFolder, const QString &executablePath);

// The socket by which a later start of that program hands its paths over,
// keyed like the lock.
QString HandOverSocketPath(const QString &runtimeFolder, const QString &executablePath);

// The name of the temporary file that an atomic save of path writes first
// (".<name>.saving" in the same folder).
QString AtomicWriteTemporaryName(const QString &path);

// The lock file that a batch holds while it writes the report at path
// (".<name>.lock" in the same folder).
QString ReportLockPath(const QString &reportPath);

} // namespace corvane
