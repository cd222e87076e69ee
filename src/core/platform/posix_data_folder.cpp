#include "core/platform/data_folder.h"

#include "core/platform/file_name.h"
#include "core/platform/file_ops.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

#include <cstring>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane {

namespace {
bool isWritableFolder(const QString &folder)
{
    return QFileInfo(folder).isDir() && IsWritable(folder);
}

// Whether a file or folder belongs to the user running Corvane, or to root.
bool ownedByUserOrRoot(const struct stat &status)
{
    return status.st_uid == ::geteuid() || status.st_uid == 0;
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

// Whether no one but the user running Corvane (and root) can change what
// lies in the folder: another user's config.ini there would choose the tool
// that this user runs.
bool isPrivateToUser(const QString &folder)
{
    struct stat status {};
    if (::stat(EncodeFileName(folder).constData(), &status) != 0 || !ownedByUserOrRoot(status))
        return false;
    if (status.st_mode & S_IWOTH)
        return false;
    if ((status.st_mode & S_IWGRP) && !isPrivateGroup(status.st_gid))
        return false;
    struct stat config {};
    const QByteArray configPath = EncodeFileName(JoinPath(folder, QStringLiteral("config.ini")));
    if (::lstat(configPath.constData(), &config) == 0 && !ownedByUserOrRoot(config))
        return false;
    return true;
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
    const QString folder = QDir::cleanPath(userConfigFolder);
    makePrivateFolder(folder);
    return folder;
}

} // namespace corvane
