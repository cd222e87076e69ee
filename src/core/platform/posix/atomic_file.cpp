#include "core/platform/atomic_file.h"
#include "core/files/file_name.h"
#include "core/files/paths.h"
#include "core/files/save_flushes.h"
#include "core/platform/posix/file_ops.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane {

namespace {

int flushToDisk(int fd)
{
    CountAtomicSaveFlush();
    return ::fsync(fd);
}

} // namespace

bool WriteFileAtomically(const QString &path, const QByteArray &bytes)
{
    const QFileInfo info(path);
    const QByteArray folder = EncodeFileName(info.absolutePath());
    const QByteArray name = EncodeFileName(info.fileName());
    const QByteArray temporary =
        EncodeFileName(QFileInfo(AtomicWriteTemporaryName(path)).fileName());

    const FileDescriptor folderFd(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folderFd.isValid())
        return false;

    struct stat old {};
    const bool exists = ::fstatat(folderFd.get(), name.constData(), &old, AT_SYMLINK_NOFOLLOW) == 0;
    // Another user's file is never replaced: it is not this user's to change.
    if (exists && (!S_ISREG(old.st_mode) || !OwnedByUserOrRoot(old)))
        return false;

    // An unnamed file first: if the process dies before it is linked into
    // the folder, nothing is left behind. Without O_TMPFILE support the
    // temporary gets its name at once.
    FileDescriptor fd;
    bool named = false;
#ifdef O_TMPFILE
    fd.reset(::openat(folderFd.get(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
#endif
    if (!fd.isValid()) {
        ::unlinkat(folderFd.get(), temporary.constData(), 0);
        fd.reset(::openat(folderFd.get(), temporary.constData(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (!fd.isValid())
            return false;
        named = true;
    }

    bool ok = WriteAll(fd.get(), bytes.constData(), size_t(bytes.size())) == 0;
    if (ok && exists) {
        // Owner first: a change of owner clears set-id bits that fchmod puts back.
        if (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) {
            if (::fchown(fd.get(), old.st_uid, old.st_gid) != 0) {
                // Only root may give a file away; otherwise it stays ours.
            }
        }
        ok = ::fchmod(fd.get(), old.st_mode & 07777) == 0;
    }
    ok = ok && flushToDisk(fd.get()) == 0;

    if (ok && !named) {
        ::unlinkat(folderFd.get(), temporary.constData(), 0);
        const QByteArray procPath = "/proc/self/fd/" + QByteArray::number(fd.get());
        named = ::linkat(AT_FDCWD, procPath.constData(), folderFd.get(), temporary.constData(),
                         AT_SYMLINK_FOLLOW) == 0;
        ok = named;
    }
    ok = ok &&
         ::renameat(folderFd.get(), temporary.constData(), folderFd.get(), name.constData()) == 0;
    if (!ok) {
        if (named)
            ::unlinkat(folderFd.get(), temporary.constData(), 0);
        return false;
    }
    // Makes the rename itself last through a power cut.
    flushToDisk(folderFd.get());
    return true;
}

} // namespace corvane
