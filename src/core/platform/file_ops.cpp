#include "core/platform/file_ops.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace corvane {

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
    default:
        return QString::fromLocal8Bit(std::strerror(errorNumber));
    }
}

bool SetCurrentFolder(const QString &folder, QString *reason)
{
    if (folder.isEmpty()) {
        if (reason)
            *reason = ErrorText(ENOENT);
        return false;
    }
    if (::chdir(QFile::encodeName(folder).constData()) != 0) {
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
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 &&
           (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

bool IsWritable(const QString &path)
{
    // access() also answers for read-only mounts and for the caller's groups.
    return !IsReadOnly(path) && ::access(QFile::encodeName(path).constData(), W_OK) == 0;
}

bool DeleteFile(const QString &path, QString *reason)
{
    if (IsReadOnly(path)) {
        if (reason)
            *reason = QStringLiteral("文件只读");
        return false;
    }
    if (::unlink(QFile::encodeName(path).constData()) != 0) {
        if (reason)
            *reason = ErrorText(errno);
        return false;
    }
    return true;
}

} // namespace corvane
