#include "core/files/drive_of_folder.h"

#include <QDir>

namespace corvane {

namespace {
// The root of an absolute folder: "C:/" for a folder on a drive letter, "/"
// otherwise.
QString rootOf(const QString &folder)
{
    if (folder.size() >= 2 && folder.at(1) == QLatin1Char(':') && folder.at(0).isLetter())
        return folder.left(2) + QLatin1Char('/');
    return QStringLiteral("/");
}

// Whether the folder lies on the mount point. A root ("/", "C:/") is the
// only mount point that ends in a separator.
bool folderContains(const QString &mountPoint, const QString &folder)
{
    if (mountPoint.endsWith(QLatin1Char('/')))
        return folder.startsWith(mountPoint) || folder == mountPoint.chopped(1);
    return folder == mountPoint ||
           (folder.startsWith(mountPoint) && folder.at(mountPoint.size()) == QLatin1Char('/'));
}
} // namespace

QString DriveOfFolder(const QString &folder, const QStringList &mountPoints)
{
    const QString clean = QDir::cleanPath(folder);
    QString best = rootOf(clean);
    for (const QString &mountPoint : mountPoints) {
        const QString point = QDir::cleanPath(mountPoint);
        if (point.size() > best.size() && folderContains(point, clean))
            best = point;
    }
    return best;
}

} // namespace corvane
