#include "core/platform/single_instance.h"

#include <QCoreApplication>
#include <QDir>

namespace corvane {

QString DefaultInstanceLockPath()
{
    // The temporary folder is the user's own (%TEMP%), and paths differ
    // only in letter case name the same program.
    return InstanceLockPath(QDir::tempPath(), QCoreApplication::applicationFilePath().toLower());
}

} // namespace corvane
