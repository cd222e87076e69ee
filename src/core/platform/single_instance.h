#pragma once
#include "core/files/paths.h"

#include <QString>

#include <memory>

namespace corvane {

// Recognises a second start of the same program by the same user, keyed by
// a lock path named after the executable's path. POSIX: a lock file there
// (QLockFile); a lock left behind by an instance that crashed (its process
// is gone) does not block the next start. Windows: a named mutex of the
// user's session, named after the lock path, which goes with the process
// that holds it, however it ends.
class SingleInstance final {
public:
    explicit SingleInstance(const QString &lockPath);
    ~SingleInstance();
    Q_DISABLE_COPY_MOVE(SingleInstance)

    // Takes the lock. False only when another running instance holds it; a
    // lock that cannot be created at all (no runtime folder, no space) lets
    // the program start rather than refuse.
    bool tryAcquire();
    void release();

    const QString &lockPath() const { return m_path; }

private:
    class Lock; // one per operating system
    QString m_path;
    std::unique_ptr<Lock> m_lock;
};

// The lock file of this program. POSIX: in $XDG_RUNTIME_DIR (the temporary
// folder, with the user id in the name, when there is none). Windows: in the
// user's temporary folder.
QString DefaultInstanceLockPath();

} // namespace corvane
