#pragma once

#include <QString>

namespace corvane {

// Makes the folder the process's working directory. On failure returns false
// and sets reason to a short text for the user.
bool SetCurrentFolder(const QString &folder, QString *reason);

// Whether an ordinary file (not a folder, not a hidden file) exists at path.
bool PlainFileExists(const QString &path);

// Deletes the file at path. A file without any write permission bit counts
// as read-only and is not deleted, even for root, as on Windows.
bool DeleteFile(const QString &path, QString *reason);

// A short text for the user that explains an errno value.
QString ErrorText(int errorNumber);

} // namespace corvane
