#include "core/platform/output_file.h"
#include "core/files/file_name.h"
#include "core/platform/file_ops.h"
#include "core/platform/posix/file_ops.h"

#include <QFile>

#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <unistd.h>

namespace corvane {

OutputFile::~OutputFile()
{
    close();
}

bool OutputFile::openForAppend(const QString &path, QString *reason)
{
    close();
    m_handle = OpenForAppend(path, reason);
    return isOpen();
}

bool OutputFile::openTemporary(const QString &folder, QString *reason)
{
    close();
    const QByteArray nativeFolder = EncodeFileName(folder);
    // A file without a name where the file system has them: nothing to
    // remove, whatever becomes of Corvane.
    int fd = ::open(nativeFolder.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        QByteArray name = nativeFolder + "/.corvane-output-XXXXXX";
        fd = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd >= 0)
            ::unlink(name.constData());
    }
    if (fd < 0) {
        *reason = ErrorText(errno);
        return false;
    }
    m_handle = fd;
    return true;
}

bool OutputFile::append(const char *bytes, qint64 size, QString *reason)
{
    if (const int error = WriteAll(int(m_handle), bytes, size_t(size))) {
        *reason = ErrorText(error);
        return false;
    }
    return true;
}

qint64 OutputFile::read(qint64 offset, char *bytes, qint64 size)
{
    for (;;) {
        const ssize_t count = ::pread(int(m_handle), bytes, size_t(size), off_t(offset));
        if (count < 0 && errno == EINTR)
            continue;
        return count;
    }
}

void OutputFile::close()
{
    if (isOpen())
        ::close(int(m_handle));
    m_handle = kNoHandle;
}

} // namespace corvane
