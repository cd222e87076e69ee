#pragma once

#include <QString>
#include <QtGlobal>

#include <cstddef>
#include <utility>

#include <unistd.h>

#include <sys/stat.h>

namespace corvane {

// Owns one file descriptor and closes it when it goes.
class FileDescriptor final {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() { reset(); }
    FileDescriptor(FileDescriptor &&other) noexcept : m_fd(other.release()) {}
    FileDescriptor &operator=(FileDescriptor &&other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    Q_DISABLE_COPY(FileDescriptor)

    int get() const { return m_fd; }
    bool isValid() const { return m_fd >= 0; }
    int release() { return std::exchange(m_fd, -1); }
    void reset(int fd = -1)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd = -1;
};

// Whether a file or folder belongs to the user running Corvane, or to root.
bool OwnedByUserOrRoot(const struct stat &status);

// Opens the file at path for appending, creating it when missing, as a
// close-on-exec descriptor: never through a symbolic link, never blocking on
// a FIFO, only a regular file, and only in a folder that belongs to the user
// running Corvane (or to root). -1 with reason set otherwise.
int OpenForAppend(const QString &path, QString *reason);

// Writes all bytes to the descriptor, going on after interruptions; 0, or
// the errno of the write that failed. Uses write() alone, so that a process
// just forked may call it too.
int WriteAll(int fd, const char *bytes, size_t size);

} // namespace corvane
