#include "core/startup/hand_over_paths.h"

#include "core/hand_over/hand_over_message.h"
#include "core/platform/hand_over.h"

#include <QDir>
#include <QThread>

namespace corvane {

namespace {

// How long a later start keeps trying to hand its files over.
constexpr int kHandOverTries = 30;
constexpr int kHandOverPauseMs = 100;

} // namespace

bool HandOverPaths(const QString &address, const QStringList &paths, QString *error)
{
    const QByteArray message = HandOverMessage(paths);
    if (message.isEmpty()) {
        if (error)
            *error = QStringLiteral("路径太多，超出了一次交接的上限");
        return false;
    }
    return SendHandOverMessage(address, message, error);
}

bool HandOverToRunningInstance(const QStringList &paths)
{
    const QDir current = QDir::current();
    QStringList absolute;
    for (const QString &path : paths)
        absolute << QDir::cleanPath(current.absoluteFilePath(path));
    const QString address = DefaultHandOverAddress();
    for (int i = 0; i < kHandOverTries; ++i) {
        if (HandOverPaths(address, absolute))
            return true;
        QThread::msleep(kHandOverPauseMs);
    }
    return false;
}

} // namespace corvane
