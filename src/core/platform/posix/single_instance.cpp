#include "core/platform/single_instance.h"
#include "core/files/paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

#include <unistd.h>

namespace corvane {

class SingleInstance::Lock final : public QLockFile {
public:
    using QLockFile::QLockFile;
};

SingleInstance::SingleInstance(const QString &lockPath)
    : m_path(lockPath), m_lock(std::make_unique<Lock>(lockPath))
{
    // The lock is held for the whole run: only a dead owner makes it stale,
    // never its age.
    m_lock->setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::tryAcquire()
{
    if (m_lock->isLocked())
        return true;
    if (m_lock->tryLock(0))
        return true;
    return m_lock->error() != QLockFile::LockFailedError;
}

void SingleInstance::release()
{
    m_lock->unlock();
}

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
