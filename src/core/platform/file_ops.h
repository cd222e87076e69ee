#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <optional>

namespace corvane {

// Makes the folder the process's working directory. On failure returns false
// and sets reason to a short text for the user.
bool SetCurrentFolder(const QString &folder, QString *reason);

// Whether an ordinary file (not a folder, not a hidden file) exists at path.
bool PlainFileExists(const QString &path);

// Whether the file or folder at path exists and has no write permission bit
// at all. Such a file is read-only to Corvane even when the system would let
// it write (as root), like a file with the read-only attribute on Windows.
bool IsReadOnly(const QString &path);

// Whether Corvane may write the file or folder at path: it has a write
// permission bit and the system grants write access.
bool IsWritable(const QString &path);

// Deletes the file at path. A file without any write permission bit counts
// as read-only and is not deleted, even for root, as on Windows.
bool DeleteFile(const QString &path, QString *reason);

// Whose files ReadRegularFile reads.
enum class FileOwner {
    Anyone,
    // POSIX: the user running Corvane or root; a file of another user reads
    // as missing. Windows checks no owner: there the folder's access list
    // decides who may put files in it.
    UserOrRoot,
};

// The bytes of the regular file at path (symbolic links followed), or
// nothing when there is no such file, it is not a regular file (a FIFO, a
// device, a folder), it is larger than maxSize or its owner is not one that
// owner accepts. Never blocks on a FIFO or a device.
std::optional<QByteArray> ReadRegularFile(const QString &path, qint64 maxSize, FileOwner owner);

// The path of a local file's URL (one dropped from a file manager), with
// its name as the bytes on disk: percent-encoded bytes that are no UTF-8 stay
// those bytes (see DecodeFileName).
QString LocalFilePath(const QUrl &url);

// What is at a path, links followed.
enum class PathKind { Missing, File, Folder, Other };
PathKind KindOfPath(const QString &path);

// Whether the program that a command names by a path (one with a folder
// separator) is there to be started, a relative path taken from the working
// folder: the file itself, or on Windows also the name with ".exe" added
// when it has no extension, as the launcher finds it.
bool ProgramPathExists(const QString &program, const QString &workingFolder);

// A short text for the user that explains a system error number: an errno
// value on POSIX systems, a GetLastError() code on Windows.
QString ErrorText(int errorNumber);

} // namespace corvane
