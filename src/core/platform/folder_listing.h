#pragma once

#include <QString>
#include <QStringList>

namespace corvane {

enum class EntryKind { Files, Folders };

// The names of the plain files, or of the subfolders, of a folder, sorted by
// name with letter case ignored. Names beginning with '.' (hidden on this
// system) are left out; a symbolic link counts as what it points to, and
// broken links, devices, FIFOs and sockets are left out. An unreadable
// folder gives an empty list.
QStringList ListFolder(const QString &folder, EntryKind kind);

} // namespace corvane
