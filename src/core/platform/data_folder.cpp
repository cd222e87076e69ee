#include "core/platform/data_folder.h"

#include "core/platform/file_ops.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

#include <optional>

namespace corvane {

namespace {
std::optional<QString> &fixedDataFolder()
{
    static std::optional<QString> folder;
    return folder;
}

bool isWritableFolder(const QString &folder)
{
    return QFileInfo(folder).isDir() && IsWritable(folder);
}

// The program folders of the FHS and the per-user ones that Debian's
// ~/.profile puts on PATH. A program there is installed beside others, so
// the folder is not its own, even for a user (or root) who may write there.
bool isSharedProgramFolder(const QString &folder)
{
    const QString home = QDir::homePath();
    const QStringList shared = {
        QStringLiteral("/bin"),
        QStringLiteral("/sbin"),
        QStringLiteral("/usr/bin"),
        QStringLiteral("/usr/sbin"),
        QStringLiteral("/usr/games"),
        QStringLiteral("/usr/local/bin"),
        QStringLiteral("/usr/local/sbin"),
        QStringLiteral("/usr/local/games"),
        JoinPath(home, QStringLiteral("bin")),
        JoinPath(home, QStringLiteral(".local/bin")),
    };
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    if (canonical.isEmpty())
        return false;
    for (const QString &candidate : shared) {
        if (QFileInfo(candidate).canonicalFilePath() == canonical)
            return true;
    }
    return false;
}

// Creates the folder and any missing parent with mode 0700, as the XDG base
// directory rules ask for: report.txt may hold private command output.
bool makePrivateFolder(const QString &folder)
{
    if (QFileInfo(folder).isDir())
        return true;
    const QString parent = QFileInfo(folder).path();
    if (parent == folder || !makePrivateFolder(parent))
        return false;
    return QDir().mkdir(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}
} // namespace

QString ProgramFolder()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath());
}

QString UserConfigFolder()
{
    return JoinPath(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation),
                    QStringLiteral("Corvane"));
}

QString ChooseDataFolder(const QString &programFolder, const QString &userConfigFolder)
{
    if (isWritableFolder(programFolder) && !isSharedProgramFolder(programFolder))
        return QDir::cleanPath(programFolder);
    const QString folder = QDir::cleanPath(userConfigFolder);
    makePrivateFolder(folder);
    return folder;
}

QString DataFolder()
{
    std::optional<QString> &folder = fixedDataFolder();
    if (!folder)
        folder = ChooseDataFolder(ProgramFolder(), UserConfigFolder());
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
