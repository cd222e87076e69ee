#include "core/platform/single_instance.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

#include <unistd.h>

namespace corvane {

QString DefaultInstanceLockPath()
{
    const QString executable = QCoreApplication::applicationFilePath();
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtime.isEmpty())
        return InstanceLockPath(runtime, executable);
    // The temporary folder is shared by all users: the user id joins the key.
    return InstanceLockPath(QDir::tempPath(), executable + QStringLiteral("#%1").arg(::getuid()));
}

} // namespace corvane
