#include "core/platform/single_instance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

namespace corvane {

QString InstanceLockPath(const QString &runtimeFolder, const QString &executablePath)
{
    const QByteArray key =
        QCryptographicHash::hash(QFile::encodeName(executablePath), QCryptographicHash::Sha256)
            .toHex()
            .left(16);
    return QDir(runtimeFolder).filePath(QStringLiteral("corvane-%1.lock").arg(QLatin1String(key)));
}

} // namespace corvane
