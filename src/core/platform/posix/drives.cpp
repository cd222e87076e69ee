#include "core/platform/drives.h"
#include "core/files/file_name.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include <algorithm>

#include <dirent.h>

namespace corvane {

namespace {
const QString &rootFolder()
{
    static const QString root = QStringLiteral("/");
    return root;
}
} // namespace

QList<Drive> MountedDrives()
{
    QList<Drive> drives;
    drives.append(Drive{rootFolder(), QStorageInfo::root().name()});
    QList<Drive> others;
    const QList<QStorageInfo> volumes = QStorageInfo::mountedVolumes();
    for (const QStorageInfo &volume : volumes) {
        const QString path = QDir::cleanPath(volume.rootPath());
        // Single files bind-mounted into a container are no drives.
        if (path == rootFolder() || !volume.isValid() || !volume.isReady() ||
            !QFileInfo(path).isDir())
            continue;
        const bool known = std::any_of(others.cbegin(), others.cend(),
                                       [&path](const Drive &drive) { return drive.path == path; });
        if (!known)
            others.append(Drive{path, volume.name()});
    }
    std::sort(others.begin(), others.end(),
              [](const Drive &a, const Drive &b) { return a.path < b.path; });
    drives.append(others);
    return drives;
}

bool CanOpenFolder(const QString &folder)
{
    if (folder.isEmpty())
        return false;
    DIR *handle = ::opendir(EncodeFileName(folder).constData());
    if (!handle)
        return false;
    ::closedir(handle);
    return true;
}

} // namespace corvane
