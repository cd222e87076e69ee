#include "core/platform/output_file.h"
#include "core/platform/file_ops.h"
#include "core/platform/windows/file_ops.h"

#include <QDir>

#include <atomic>

namespace corvane {

namespace {
HANDLE handleOf(qintptr handle)
{
    return reinterpret_cast<HANDLE>(handle);
}
} // namespace

OutputFile::~OutputFile()
{
    close();
}

bool OutputFile::openForAppend(const QString &path, QString *reason)
{
    close();
    WinHandle file = OpenReportForAppend(path, reason);
    if (!file.isValid())
        return false;
    m_handle = reinterpret_cast<qintptr>(file.release());
    return true;
}

bool OutputFile::openTemporary(const QString &folder, QString *reason)
{
    close();
    static std::atomic<unsigned> serial{0};
    const QString name = QDir(folder).filePath(QStringLiteral(".corvane-output-%1-%2-%3")
                                                   .arg(::GetCurrentProcessId())
                                                   .arg(::GetTickCount64())
                                                   .arg(++serial));
    // Nobody else may open it, and it goes with the last handle, ours or
    // the relay's.
    const NoDriveErrorDialogs quiet;
    HANDLE file = ::CreateFileW(
        NativePath(name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
        FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        *reason = ErrorText(int(::GetLastError()));
        return false;
    }
    m_handle = reinterpret_cast<qintptr>(file);
    return true;
}

bool OutputFile::append(const char *bytes, qint64 size, QString *reason)
{
    if (const DWORD error = WriteAll(handleOf(m_handle), bytes, size)) {
        *reason = ErrorText(int(error));
        return false;
    }
    return true;
}

qint64 OutputFile::read(qint64 offset, char *bytes, qint64 size)
{
    // A read at an offset moves the file pointer: the next append goes to
    // the end again.
    OVERLAPPED at{};
    at.Offset = DWORD(quint64(offset) & 0xFFFFFFFFu);
    at.OffsetHigh = DWORD(quint64(offset) >> 32);
    DWORD count = 0;
    const BOOL read =
        ::ReadFile(handleOf(m_handle), bytes, DWORD(std::min<qint64>(size, 1 << 30)), &count, &at);
    LARGE_INTEGER end{};
    ::SetFilePointerEx(handleOf(m_handle), end, nullptr, FILE_END);
    if (!read)
        return ::GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
    return qint64(count);
}

void OutputFile::close()
{
    if (isOpen())
        ::CloseHandle(handleOf(m_handle));
    m_handle = kNoHandle;
}

} // namespace corvane
