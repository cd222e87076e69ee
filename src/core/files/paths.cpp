#include "core/files/paths.h"

#include "core/files/file_name.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

namespace corvane {

QString ProgramFolder()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath());
}

QString JoinPath(const QString &folder, const QString &name)
{
    if (folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

QString InstanceLockPath(const QString &runtimeFolder, const QString &executablePath)
{
    const QByteArray key =
        QCryptographicHash::hash(EncodeFileName(executablePath), QCryptographicHash::Sha256)
            .toHex()
            .left(16);
    return QDir(runtimeFolder).filePath(QStringLiteral("corvane-%1.lock").arg(QLatin1String(key)));
}

QString AtomicWriteTemporaryName(const QString &path)
{
    const QFileInfo info(path);
    return info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".saving");
}

QString ReportLockPath(const QString &reportPath)
{
    const QFileInfo info(reportPath);
    return info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".lock");
}

} // namespace corvane
