#include "platform/data_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <optional>

#include <unistd.h>

namespace corvane {

namespace {
std::optional<QString> &fixedDataFolder()
{
    static std::optional<QString> folder;
    return folder;
}

bool isWritableFolder(const QString &folder)
{
    const QByteArray native = QFile::encodeName(folder);
    return QFileInfo(folder).isDir() && ::access(native.constData(), W_OK) == 0;
}
} // namespace

QString ProgramFolder()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath());
}

QString ChooseDataFolder(const QString &programFolder, const QString &userConfigFolder)
{
    if (isWritableFolder(programFolder))
        return QDir::cleanPath(programFolder);
    const QString folder = QDir::cleanPath(userConfigFolder);
    QDir().mkpath(folder);
    return folder;
}

QString DataFolder()
{
    std::optional<QString> &folder = fixedDataFolder();
    if (!folder) {
        const QString userConfig = JoinPath(
            QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation),
            QStringLiteral("Corvane"));
        folder = ChooseDataFolder(ProgramFolder(), userConfig);
    }
    return *folder;
}

void SetDataFolder(const QString &folder)
{
    fixedDataFolder() = QDir::cleanPath(folder);
}

QString JoinPath(const QString &folder, const QString &name)
{
    if (folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

} // namespace corvane
