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

namespace {

// Copies of the program at different paths are different programs.
QString programFileName(const QString &executablePath, const char *suffix)
{
    const QByteArray key =
        QCryptographicHash::hash(EncodeFileName(executablePath), QCryptographicHash::Sha256)
            .toHex()
            .left(16);
    return QStringLiteral("corvane-%1%2").arg(QLatin1String(key), QLatin1String(suffix));
}

} // namespace

QString InstanceLockPath(const QString &runtimeFolder, const QString &executablePath)
{
    return QDir(runtimeFolder).filePath(programFileName(executablePath, ".lock"));
}

QString HandOverSocketPath(const QString &runtimeFolder, const QString &executablePath)
{
    return QDir(runtimeFolder).filePath(programFileName(executablePath, ".socket"));
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
