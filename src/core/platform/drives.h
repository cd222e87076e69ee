#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace corvane {

// One entry of a drive list: a mounted filesystem the user can browse.
struct Drive final {
    QString path;  // the mount point
    QString label; // the volume's name, may be empty
};

// The mounted filesystems a user browses: "/" first, then the other mount
// points that are valid, ready folders, in path order.
QList<Drive> MountedDrives();

// The drive of a folder: the longest mount point that contains it; "/" when
// none does.
QString DriveOfFolder(const QString &folder, const QStringList &mountPoints);

// Whether the folder exists and its entries can be read.
bool CanOpenFolder(const QString &folder);

} // namespace corvane
