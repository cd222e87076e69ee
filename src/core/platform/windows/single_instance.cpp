#include "core/platform/single_instance.h"

#include "core/files/paths.h"
#include "core/platform/windows/file_ops.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>

namespace corvane {

// A named mutex in the session's namespace: Windows removes it with the
// last handle, so an instance that crashed leaves nothing behind, and a
// process id used again by another program cannot look like an instance.
class SingleInstance::Lock final {
public:
    explicit Lock(const QString &lockPath)
    {
        // Mutex names allow no backslash; paths differ only in letter case
        // name the same lock.
        const QByteArray key =
            QCryptographicHash::hash(QDir::cleanPath(lockPath).toLower().toUtf8(),
                                     QCryptographicHash::Sha256)
                .toHex()
                .left(32);
        name = (QStringLiteral("Local\\Corvane-") + QLatin1String(key)).toStdWString();
    }

    WinHandle mutex;
    std::wstring name;
};

SingleInstance::SingleInstance(const QString &lockPath)
    : m_path(lockPath), m_lock(std::make_unique<Lock>(lockPath))
{
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::tryAcquire()
{
    if (m_lock->mutex.isValid())
        return true;
    WinHandle mutex(::CreateMutexW(nullptr, FALSE, m_lock->name.c_str()));
    // Another holder, in this process or another: a second instance. A mutex
    // that cannot be made at all lets the program start rather than refuse.
    if (mutex.isValid() && ::GetLastError() == ERROR_ALREADY_EXISTS)
        return false;
    m_lock->mutex = std::move(mutex);
    return true;
}

void SingleInstance::release()
{
    m_lock->mutex.reset();
}

QString DefaultInstanceLockPath()
{
    // The temporary folder is the user's own (%TEMP%), and paths differ
    // only in letter case name the same program.
    return InstanceLockPath(QDir::tempPath(), QCoreApplication::applicationFilePath().toLower());
}

} // namespace corvane
