#pragma once
#include "core/files/name_order.h"

#include <QString>
#include <QStringList>

namespace corvane {

enum class EntryKind { Files, Folders };

// The names of the plain files, or of the subfolders, of a folder, sorted by
// name with letter case ignored (SortedByName). Hidden names are left out: those beginning
// with '.' on POSIX systems, those with the hidden or the system attribute
// on Windows. A symbolic link counts as what it points to, and broken
// links, devices, FIFOs and sockets are left out. An unreadable folder gives
// an empty list.
QStringList ListFolder(const QString &folder, EntryKind kind);

} // namespace corvane
