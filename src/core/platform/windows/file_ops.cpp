#include "core/platform/windows/file_ops.h"
#include "core/platform/file_ops.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

// windows.h names the wide-character function DeleteFile.
#undef DeleteFile

namespace corvane {

namespace {
// Bytes read at a time.
constexpr size_t kReadSize = 64 * 1024;
// Attributes of the file or folder at path; INVALID_FILE_ATTRIBUTES when
// there is none.
DWORD attributesOf(const QString &path)
{
    const NoDriveErrorDialogs quiet;
    return ::GetFileAttributesW(NativePath(path).c_str());
}

bool isFolder(DWORD attributes)
{
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

QString joined(const QString &folder, const QString &name)
{
    return folder.endsWith(QLatin1Char('/')) || folder.endsWith(QLatin1Char('\\'))
               ? folder + name
               : folder + QLatin1Char('/') + name;
}

// Whether a file can be created in the folder: the one sure answer on
// Windows, where access lists, not attribute bits, decide. The probe file
// is gone again when its handle closes.
bool canCreateIn(const QString &folder)
{
    const QString probe = joined(folder, QStringLiteral(".corvane-probe-%1-%2")
                                             .arg(::GetCurrentProcessId())
                                             .arg(::GetCurrentThreadId()));
    const WinHandle file(
        ::CreateFileW(NativePath(probe).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                      FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    return file.isValid();
}
} // namespace

std::wstring NativePath(const QString &path)
{
    QString native = QDir::toNativeSeparators(path);
    const bool driveAbsolute =
        native.size() >= 3 && native.at(1) == QLatin1Char(':') && native.at(2) == QLatin1Char('\\');
    if (driveAbsolute && native.size() >= MAX_PATH - 12)
        native = QStringLiteral("\\\\?\\") + QDir::toNativeSeparators(QDir::cleanPath(path));
    return native.toStdWString();
}

QString ErrorText(int errorNumber)
{
    switch (DWORD(errorNumber)) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
        return QStringLiteral("不存在");
    case ERROR_DIRECTORY:
        return QStringLiteral("不是文件夹");
    case ERROR_ACCESS_DENIED:
        return QStringLiteral("没有权限");
    case ERROR_WRITE_PROTECT:
        return QStringLiteral("只读文件系统");
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return QStringLiteral("正在使用");
    case ERROR_BAD_EXE_FORMAT:
    case ERROR_EXE_MACHINE_TYPE_MISMATCH:
        return QStringLiteral("不是可执行的程序");
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return QStringLiteral("磁盘已满");
    case ERROR_NOT_READY:
        return QStringLiteral("设备未就绪");
    case ERROR_FILE_TOO_LARGE:
        return QStringLiteral("文件太大");
    default:
        break;
    }
    wchar_t *text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, DWORD(errorNumber), 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    QString message = length > 0 ? QString::fromWCharArray(text, int(length)).trimmed()
                                 : QStringLiteral("错误 %1").arg(DWORD(errorNumber));
    if (text)
        ::LocalFree(text);
    return message;
}

DWORD WriteAll(HANDLE file, const char *bytes, qint64 size)
{
    while (size > 0) {
        const DWORD chunk = DWORD(std::min<qint64>(size, 1 << 30));
        DWORD written = 0;
        if (!::WriteFile(file, bytes, chunk, &written, nullptr))
            return ::GetLastError();
        if (written == 0)
            return ERROR_WRITE_FAULT;
        bytes += written;
        size -= written;
    }
    return 0;
}

std::optional<QByteArray> ReadRegularFile(const QString &path, qint64 maxSize, FileOwner)
{
    const NoDriveErrorDialogs quiet;
    const WinHandle file(::CreateFileW(NativePath(path).c_str(), GENERIC_READ,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.isValid() || ::GetFileType(file.get()) != FILE_TYPE_DISK)
        return std::nullopt;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart > maxSize)
        return std::nullopt;
    QByteArray bytes;
    bytes.reserve(qsizetype(size.QuadPart));
    char buffer[kReadSize];
    for (;;) {
        DWORD count = 0;
        if (!::ReadFile(file.get(), buffer, sizeof buffer, &count, nullptr))
            return std::nullopt;
        if (count == 0)
            return bytes;
        // The file may grow while it is read.
        if (bytes.size() + qint64(count) > maxSize)
            return std::nullopt;
        bytes.append(buffer, qsizetype(count));
    }
}

WinHandle OpenReportForAppend(const QString &path, QString *reason)
{
    const DWORD attributes = attributesOf(path);
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            *reason = QStringLiteral("是符号链接");
            return {};
        }
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
            *reason = QStringLiteral("是文件夹");
            return {};
        }
    }
    const NoDriveErrorDialogs quiet;
    // The link test above and the open below are two steps: opening the
    // reparse point itself, never its target, closes the gap between them.
    WinHandle file(::CreateFileW(NativePath(path).c_str(), FILE_APPEND_DATA | SYNCHRONIZE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
                                 nullptr));
    if (!file.isValid()) {
        *reason = ErrorText(int(::GetLastError()));
        return {};
    }
    BY_HANDLE_FILE_INFORMATION information{};
    if (::GetFileType(file.get()) != FILE_TYPE_DISK ||
        !::GetFileInformationByHandle(file.get(), &information) ||
        (information.dwFileAttributes &
         (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY))) {
        *reason = QStringLiteral("不是普通文件");
        return {};
    }
    return file;
}

QString LocalFilePath(const QUrl &url)
{
    return url.toLocalFile();
}

PathKind KindOfPath(const QString &path)
{
    const DWORD attributes = attributesOf(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return PathKind::Missing;
    return isFolder(attributes) ? PathKind::Folder : PathKind::File;
}

QString ProgramFileOfPath(const QString &word, const QString &workingDirectory)
{
    const QString path = QDir::cleanPath(QDir(workingDirectory).absoluteFilePath(word));
    if (!QFileInfo(path).exists() && QFileInfo(path).suffix().isEmpty() &&
        QFileInfo(path + QStringLiteral(".exe")).isFile())
        return path + QStringLiteral(".exe");
    return path;
}

bool ProgramPathExists(const QString &program, const QString &workingFolder)
{
    return KindOfPath(ProgramFileOfPath(program, workingFolder)) != PathKind::Missing;
}

bool SetCurrentFolder(const QString &folder, QString *reason)
{
    if (folder.isEmpty()) {
        if (reason)
            *reason = ErrorText(ERROR_PATH_NOT_FOUND);
        return false;
    }
    const NoDriveErrorDialogs quiet;
    if (!::SetCurrentDirectoryW(NativePath(folder).c_str())) {
        if (reason)
            *reason = ErrorText(int(::GetLastError()));
        return false;
    }
    return true;
}

bool PlainFileExists(const QString &path)
{
    const DWORD attributes = attributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES &&
           !(attributes &
             (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
}

bool IsReadOnly(const QString &path)
{
    // A folder's read-only attribute says nothing about writing in it.
    const DWORD attributes = attributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !isFolder(attributes) &&
           (attributes & FILE_ATTRIBUTE_READONLY);
}

bool IsWritable(const QString &path)
{
    const DWORD attributes = attributesOf(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    if (isFolder(attributes))
        return canCreateIn(path);
    if (attributes & FILE_ATTRIBUTE_READONLY)
        return false;
    const WinHandle file(::CreateFileW(NativePath(path).c_str(), GENERIC_WRITE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.isValid();
}

bool DeleteFile(const QString &path, QString *reason)
{
    if (IsReadOnly(path)) {
        if (reason)
            *reason = QStringLiteral("文件只读");
        return false;
    }
    if (!::DeleteFileW(NativePath(path).c_str())) {
        if (reason)
            *reason = ErrorText(int(::GetLastError()));
        return false;
    }
    return true;
}

} // namespace corvane
