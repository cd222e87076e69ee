#include "core/platform/data_folder.h"

#include <QCoreApplication>
#include <QDir>

#include <optional>

namespace corvane {

namespace {
std::optional<QString> &fixedDataFolder()
{
    static std::optional<QString> folder;
    return folder;
}
} // namespace

QString ProgramFolder()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath());
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

} // namespace corvane
