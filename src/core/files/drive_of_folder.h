#pragma once

#include <QString>
#include <QStringList>

namespace corvane {

// The drive of a folder: the longest mount point that contains it; the
// folder's root ("/" or its drive letter's root) when none does.
QString DriveOfFolder(const QString &folder, const QStringList &mountPoints);

} // namespace corvane
