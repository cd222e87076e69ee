#include "core/platform/single_instance.h"

#include <QCryptographicHash>
#include <QDir>

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

} // namespace corvane
