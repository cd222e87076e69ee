#include "core/platform/data_folder.h"

#include "core/files/file_name.h"
#include "core/files/paths.h"
#include "core/platform/file_ops.h"
#include "core/platform/posix/file_ops.h"

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QStringList>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace corvane {

namespace {
bool isWritableFolder(const QString &folder)
{
    return QFileInfo(folder).isDir() && IsWritable(folder);
}

// Whether the group is the user's private group: the user's own group, of
// the user's name, with no other member. A folder writable by that group is
// still the user's alone (Debian's umask 002 makes such folders).
bool isPrivateGroup(gid_t group)
{
    if (group != ::getegid())
        return false;
    const struct group *entry = ::getgrgid(group);
    const struct passwd *user = ::getpwuid(::geteuid());
    if (!entry || !user || std::strcmp(entry->gr_name, user->pw_name) != 0)
        return false;
    for (char **member = entry->gr_mem; *member; ++member) {
        if (std::strcmp(*member, user->pw_name) != 0)
            return false;
    }
    return true;
}

// The access ACL as Linux keeps it in an extended attribute: a 32-bit
// version (2), then per entry a 16-bit tag, 16 permission bits and a 32-bit
// user or group id, all little-endian. Read directly, so that no ACL
// library is needed.
constexpr char kAclAttribute[] = "system.posix_acl_access";
constexpr quint32 kAclVersion = 2;
constexpr quint16 kAclNamedUser = 0x02;
constexpr quint16 kAclNamedGroup = 0x08;
constexpr quint16 kAclMask = 0x10;
constexpr quint16 kAclWrite = 0x02;

quint32 littleEndian(const QByteArray &bytes, qsizetype at, int size)
{
    quint32 value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | quint8(bytes[at + i]);
    return value;
}

// Whether the folder's ACL lets a user other than this one (or root), or a
// group other than this user's private group, write in it: an entry of its
// own with write permission that the ACL's mask leaves in force. The
// owner, the owning group and everyone else are the permission bits,
// checked on their own.
bool aclLetsOthersWrite(int folder)
{
    const ssize_t size = ::fgetxattr(folder, kAclAttribute, nullptr, 0);
    if (size < 0)
        return errno != ENODATA && errno != ENOTSUP;
    QByteArray acl(size, '\0');
    if (::fgetxattr(folder, kAclAttribute, acl.data(), size_t(size)) != size || size < 4 ||
        (size - 4) % 8 != 0 || littleEndian(acl, 0, 4) != kAclVersion)
        return true; // changed meanwhile, or a form not known here: not private
    quint32 mask = 07;
    for (qsizetype at = 4; at < size; at += 8) {
        if (littleEndian(acl, at, 2) == kAclMask)
            mask = littleEndian(acl, at + 2, 2);
    }
    for (qsizetype at = 4; at < size; at += 8) {
        const quint32 tag = littleEndian(acl, at, 2);
        const quint32 id = littleEndian(acl, at + 4, 4);
        if (!(littleEndian(acl, at + 2, 2) & mask & kAclWrite))
            continue;
        if (tag == kAclNamedUser && id != ::geteuid() && id != 0)
            return true;
        if (tag == kAclNamedGroup && !isPrivateGroup(gid_t(id)))
            return true;
    }
    return false;
}

// Whether the folder belongs to the user running Corvane (or to root) and no
// other user can change what lies in it, by its permission bits or its ACL:
// another user's config.ini there would choose the tool that this user
// runs.
bool isPrivateFolder(const QString &folder)
{
    const int fd = ::open(EncodeFileName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const auto closeFolder = qScopeGuard([fd] { ::close(fd); });
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !OwnedByUserOrRoot(status))
        return false;
    if (status.st_mode & S_IWOTH)
        return false;
    if ((status.st_mode & S_IWGRP) && !isPrivateGroup(status.st_gid))
        return false;
    return !aclLetsOthersWrite(fd);
}

// A private folder whose config.ini, if any, belongs to the user (or root).
bool isPrivateToUser(const QString &folder)
{
    if (!isPrivateFolder(folder))
        return false;
    struct stat config {};
    const QByteArray configPath = EncodeFileName(JoinPath(folder, QLatin1String(kConfigFileName)));
    return ::lstat(configPath.constData(), &config) != 0 || OwnedByUserOrRoot(config);
}

// Whether no other user can rename or replace what lies in the folder: it
// is private, or it is a sticky folder of the user's or root's (such as
// /tmp), where only an entry's owner may move the entry.
bool keepsEntriesInPlace(const QString &folder)
{
    struct stat status {};
    if (::stat(EncodeFileName(folder).constData(), &status) != 0)
        return false;
    return isPrivateFolder(folder) || ((status.st_mode & S_ISVTX) && OwnedByUserOrRoot(status));
}

// Whether the per-user folder is the user's own: when it exists, it is
// private to the user, as a program folder has to be; when it is missing,
// the nearest folder above it, where it would be made, is private. In
// either case no other user may move that folder away. XDG_CONFIG_HOME or
// HOME may point into another user's home (sudo -E, su without -).
bool isUsersOwnFolder(const QString &folder)
{
    QString existing = folder;
    while (!QFileInfo::exists(existing)) {
        const QString parent = QFileInfo(existing).path();
        if (parent == existing)
            return false;
        existing = parent;
    }
    existing = QFileInfo(existing).canonicalFilePath();
    if (existing.isEmpty())
        return false;
    const bool own = existing == QFileInfo(folder).canonicalFilePath() ? isPrivateToUser(existing)
                                                                       : isPrivateFolder(existing);
    return own && keepsEntriesInPlace(QFileInfo(existing).path());
}

// ~/.config/Corvane of the user running Corvane, from the password database
// rather than HOME; the given folder when the user has no entry there.
QString ownUserConfigFolder(const QString &otherwise)
{
    const struct passwd *user = ::getpwuid(::geteuid());
    if (!user || !user->pw_dir || !*user->pw_dir)
        return otherwise;
    return JoinPath(DecodeFileName(user->pw_dir), QStringLiteral(".config/Corvane"));
}

// The program folders of the FHS and the per-user ones that Debian's
// ~/.profile puts on PATH. A program there is installed beside others, so
// the folder is not its own, even for a user (or root) who may write there.
bool isSharedProgramFolder(const QString &folder)
{
    const QString home = QDir::homePath();
    const QStringList shared = {
        QStringLiteral("/bin"),
        QStringLiteral("/sbin"),
        QStringLiteral("/usr/bin"),
        QStringLiteral("/usr/sbin"),
        QStringLiteral("/usr/games"),
        QStringLiteral("/usr/local/bin"),
        QStringLiteral("/usr/local/sbin"),
        QStringLiteral("/usr/local/games"),
        JoinPath(home, QStringLiteral("bin")),
        JoinPath(home, QStringLiteral(".local/bin")),
    };
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    if (canonical.isEmpty())
        return false;
    for (const QString &candidate : shared) {
        if (QFileInfo(candidate).canonicalFilePath() == canonical)
            return true;
    }
    return false;
}

// Creates the folder and any missing parent with mode 0700, as the XDG base
// directory rules ask for: report.txt may hold private command output.
bool makePrivateFolder(const QString &folder)
{
    if (QFileInfo(folder).isDir())
        return true;
    const QString parent = QFileInfo(folder).path();
    if (parent == folder || !makePrivateFolder(parent))
        return false;
    return QDir().mkdir(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}
} // namespace

QString UserConfigFolder()
{
    return JoinPath(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation),
                    QStringLiteral("Corvane"));
}

QString ChooseDataFolder(const QString &programFolder, const QString &userConfigFolder)
{
    if (isWritableFolder(programFolder) && !isSharedProgramFolder(programFolder) &&
        isPrivateToUser(programFolder))
        return QDir::cleanPath(programFolder);
    QString folder = QDir::cleanPath(userConfigFolder);
    if (!isUsersOwnFolder(folder))
        folder = QDir::cleanPath(ownUserConfigFolder(folder));
    makePrivateFolder(folder);
    return folder;
}

} // namespace corvane
