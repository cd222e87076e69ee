#include "gui/main_window/browsing_side.h"

#include "core/files/drive_of_folder.h"
#include "gui/main_window/drive_list.h"
#include "gui/main_window/folder_list.h"

#include <QFileInfo>
#include <QSignalBlocker>

namespace corvane {

BrowsingSide::BrowsingSide(DriveList *drives, FolderList *folders, QObject *parent)
    : QObject(parent), m_drives(drives), m_folders(folders)
{
    connect(m_folders, &FolderList::pathChanged, this, &BrowsingSide::remember);
    connect(m_drives, &DriveList::driveChanged, this, [this] {
        if (!showPickedDrive())
            emit driveUnavailable();
    });
}

void BrowsingSide::startAt(const QString &folder)
{
    m_drives->refreshDrives();
    m_drives->showFolder(folder);
    const QSignalBlocker blocker(m_folders);
    m_folders->setPath(folder);
    remember(folder);
}

bool BrowsingSide::showPickedDrive()
{
    const QString drive = m_drives->drive();
    QString folder = m_lastFolders.value(drive, drive);
    while (!m_folders->setPath(folder)) {
        const QString parent = QFileInfo(folder).path();
        if (folder == drive || parent == folder)
            return false;
        folder = parent;
    }
    return true;
}

void BrowsingSide::remember(const QString &folder)
{
    m_lastFolders.insert(DriveOfFolder(folder, m_drives->mountPoints()), folder);
}

} // namespace corvane
