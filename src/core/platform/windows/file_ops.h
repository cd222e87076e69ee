#pragma once

// Helpers shared by the Windows implementations of the platform layer.

#include <QString>
#include <QtGlobal>

#include <string>
#include <utility>

#include <windows.h>

namespace corvane {

// Owns one kernel handle and closes it when it goes. Both null and
// INVALID_HANDLE_VALUE count as no handle.
class WinHandle final {
public:
    WinHandle() = default;
    explicit WinHandle(HANDLE handle) : m_handle(handle) {}
    ~WinHandle() { reset(); }
    WinHandle(WinHandle &&other) noexcept : m_handle(other.release()) {}
    WinHandle &operator=(WinHandle &&other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    WinHandle(const WinHandle &) = delete;
    WinHandle &operator=(const WinHandle &) = delete;

    HANDLE get() const { return m_handle; }
    bool isValid() const { return m_handle != nullptr && m_handle != INVALID_HANDLE_VALUE; }
    HANDLE release() { return std::exchange(m_handle, nullptr); }
    void reset(HANDLE handle = nullptr)
    {
        if (isValid())
            ::CloseHandle(m_handle);
        m_handle = handle;
    }

private:
    HANDLE m_handle = nullptr;
};

// A path as the wide-character file functions take it: backslashes, and
// the \\?\ prefix for an absolute path too long for MAX_PATH.
std::wstring NativePath(const QString &path);

// The program of a word that is a path: relative to the working folder,
// with ".exe" added when the name has no extension and only that exists, as
// CreateProcessW does for a name it looks up.
QString ProgramFileOfPath(const QString &word, const QString &workingDirectory);

// Opens the report for appending as the launcher writes it: created when
// missing, only a regular file, never through a symbolic link or other
// reparse point. An invalid handle with reason set otherwise.
WinHandle OpenReportForAppend(const QString &path, QString *reason);

// Writes all bytes to a file opened for synchronous writing; 0, or the
// error of the write that failed.
DWORD WriteAll(HANDLE file, const char *bytes, qint64 size);

// Keeps Windows from asking the user to insert a disk while it lives: a
// drive without a medium then fails at once.
class NoDriveErrorDialogs final {
public:
    NoDriveErrorDialogs() { ::SetThreadErrorMode(SEM_FAILCRITICALERRORS, &m_previous); }
    ~NoDriveErrorDialogs() { ::SetThreadErrorMode(m_previous, nullptr); }
    NoDriveErrorDialogs(const NoDriveErrorDialogs &) = delete;
    NoDriveErrorDialogs &operator=(const NoDriveErrorDialogs &) = delete;

private:
    DWORD m_previous = 0;
};

} // namespace corvane
