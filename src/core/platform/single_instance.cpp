#include "core/platform/single_instance.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QStandardPaths>

#include <unistd.h>

namespace corvane {

SingleInstance::SingleInstance(const QString &lockPath) : m_path(lockPath), m_lock(lockPath)
{
    // The lock is held for the whole run: only a dead owner makes it stale,
    // never its age.
    m_lock.setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::tryAcquire()
{
    if (m_lock.isLocked())
        return true;
    if (m_lock.tryLock(0))
        return true;
    return m_lock.error() != QLockFile::LockFailedError;
}

void SingleInstance::release()
{
    m_lock.unlock();
}

QString InstanceLockPath(const QString &runtimeFolder, const QString &executablePath)
{
    const QByteArray key =
        QCryptographicHash::hash(QFile::encodeName(executablePath), QCryptographicHash::Sha256)
            .toHex()
            .left(16);
    return QDir(runtimeFolder).filePath(QStringLiteral("corvane-%1.lock").arg(QLatin1String(key)));
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
