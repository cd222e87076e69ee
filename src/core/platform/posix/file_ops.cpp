#include "core/platform/posix/file_ops.h"
#include "core/files/file_name.h"
#include "core/platform/file_ops.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane {

namespace {
// Bytes read at a time.
constexpr size_t kReadSize = 64 * 1024;
} // namespace

QString ErrorText(int errorNumber)
{
    switch (errorNumber) {
    case ENOENT:
        return QStringLiteral("不存在");
    case ENOTDIR:
        return QStringLiteral("不是文件夹");
    case EISDIR:
        return QStringLiteral("是文件夹");
    case EACCES:
    case EPERM:
        return QStringLiteral("没有权限");
    case EROFS:
        return QStringLiteral("只读文件系统");
    case EBUSY:
        return QStringLiteral("正在使用");
    case ENOEXEC:
        return QStringLiteral("不是可执行的程序");
    case ENOSPC:
        return QStringLiteral("磁盘已满");
    case EDQUOT:
        return QStringLiteral("超出磁盘配额");
    case EFBIG:
        return QStringLiteral("文件太大");
    default:
        return QString::fromLocal8Bit(std::strerror(errorNumber));
    }
}

bool OwnedByUserOrRoot(const struct stat &status)
{
    return status.st_uid == ::geteuid() || status.st_uid == 0;
}

std::optional<QByteArray> ReadRegularFile(const QString &path, qint64 maxSize, FileOwner owner)
{
    // Non-blocking, so that opening a FIFO with no writer returns at once;
    // the type is then checked on what was actually opened.
    const int fd = ::open(EncodeFileName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    const auto closeFile = qScopeGuard([fd] { ::close(fd); });
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size > maxSize)
        return std::nullopt;
    // Checked on what was opened: a file swapped in since any earlier look
    // is caught here.
    if (owner == FileOwner::UserOrRoot && !OwnedByUserOrRoot(status))
        return std::nullopt;
    QByteArray bytes;
    bytes.reserve(qsizetype(status.st_size));
    char buffer[kReadSize];
    for (;;) {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return std::nullopt;
        if (count == 0)
            return bytes;
        // The file may grow while it is read.
        if (bytes.size() + count > maxSize)
            return std::nullopt;
        bytes.append(buffer, count);
    }
}

int OpenForAppend(const QString &path, QString *reason)
{
    // The folder is opened first and the file in what was opened, so that
    // the folder whose owner was checked is the one the file lands in
    // (O_PATH: without needing the right to list the folder).
    const QFileInfo info(path);
    const int folder =
        ::open(EncodeFileName(info.absolutePath()).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) {
        *reason = ErrorText(errno);
        return -1;
    }
    const auto closeFolder = qScopeGuard([folder] { ::close(folder); });
    struct stat folderStatus {};
    if (::fstat(folder, &folderStatus) != 0 || !OwnedByUserOrRoot(folderStatus)) {
        // Another user could read, replace or remove the file.
        *reason = QStringLiteral("文件夹不属于当前用户");
        return -1;
    }
    const int fd =
        ::openat(folder, EncodeFileName(info.fileName()).constData(),
                 O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    const QString notRegular = QStringLiteral("不是普通文件");
    if (fd < 0) {
        // O_NOFOLLOW refuses a link with ELOOP; a FIFO without a reader
        // refuses a non-blocking open with ENXIO.
        if (errno == ELOOP)
            *reason = QStringLiteral("是符号链接");
        else
            *reason = errno == ENXIO ? notRegular : ErrorText(errno);
        return -1;
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        *reason = notRegular;
        ::close(fd);
        return -1;
    }
    // Writes to a regular file block as usual.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

int WriteAll(int fd, const char *bytes, size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, bytes, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return errno;
        if (written == 0)
            return EIO;
        bytes += written;
        size -= size_t(written);
    }
    return 0;
}

QString LocalFilePath(const QUrl &url)
{
    return DecodeFileName(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
}

PathKind KindOfPath(const QString &path)
{
    struct stat status {};
    if (::stat(EncodeFileName(path).constData(), &status) != 0)
        return PathKind::Missing;
    if (S_ISREG(status.st_mode))
        return PathKind::File;
    return S_ISDIR(status.st_mode) ? PathKind::Folder : PathKind::Other;
}

bool ProgramPathExists(const QString &program, const QString &workingFolder)
{
    return KindOfPath(QDir(workingFolder).absoluteFilePath(program)) != PathKind::Missing;
}

bool SetCurrentFolder(const QString &folder, QString *reason)
{
    if (folder.isEmpty()) {
        if (reason)
            *reason = ErrorText(ENOENT);
        return false;
    }
    if (::chdir(EncodeFileName(folder).constData()) != 0) {
        if (reason)
            *reason = ErrorText(errno);
        return false;
    }
    return true;
}

bool PlainFileExists(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() && !info.fileName().startsWith(QLatin1Char('.'));
}

bool IsReadOnly(const QString &path)
{
    struct stat status {};
    return ::stat(EncodeFileName(path).constData(), &status) == 0 &&
           (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

bool IsWritable(const QString &path)
{
    // access() also answers for read-only mounts and for the caller's groups.
    return !IsReadOnly(path) && ::access(EncodeFileName(path).constData(), W_OK) == 0;
}

bool DeleteFile(const QString &path, QString *reason)
{
    if (IsReadOnly(path)) {
        if (reason)
            *reason = QStringLiteral("文件只读");
        return false;
    }
    if (::unlink(EncodeFileName(path).constData()) != 0) {
        if (reason)
            *reason = ErrorText(errno);
        return false;
    }
    return true;
}

} // namespace corvane
