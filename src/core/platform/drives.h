#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace corvane {

// One entry of a drive list: a mounted filesystem the user can browse.
struct Drive final {
    QString path;  // the mount point ("/", "/media/usb", "C:/")
    QString label; // the volume's name, may be empty
};

// The drives a user browses. POSIX: "/" first, then the other mount points
// that are valid, ready folders, in path order. Windows: every drive letter
// in order, ready or not ("A:/", "C:/", ...); a drive that is not ready
// fails CanOpenFolder when it is picked.
QList<Drive> MountedDrives();

// Whether the folder exists and its entries can be read.
bool CanOpenFolder(const QString &folder);

} // namespace corvane
