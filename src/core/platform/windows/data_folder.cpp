#include "core/platform/data_folder.h"

#include "core/files/paths.h"
#include "core/platform/file_ops.h"

#include <QDir>
#include <QFileInfo>

#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

namespace corvane {

QString UserConfigFolder()
{
    // %APPDATA%: the user's roaming application data.
    QString appData;
    wchar_t *path = nullptr;
    if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_RoamingAppData, KF_FLAG_DEFAULT, nullptr, &path)))
        appData = QDir::fromNativeSeparators(QString::fromWCharArray(path));
    ::CoTaskMemFree(path);
    if (appData.isEmpty())
        appData = QDir::fromNativeSeparators(qEnvironmentVariable("APPDATA"));
    return JoinPath(appData, QStringLiteral("Corvane"));
}

QString ChooseDataFolder(const QString &programFolder, const QString &userConfigFolder)
{
    // Whether this user may create files there is decided by the folder's
    // access list (C:\Program Files is closed to users), so ask by trying.
    if (QFileInfo(programFolder).isDir() && IsWritable(programFolder))
        return QDir::cleanPath(programFolder);
    const QString folder = QDir::cleanPath(userConfigFolder);
    QDir().mkpath(folder);
    return folder;
}

} // namespace corvane
