#pragma once

#include <QHash>
#include <QObject>
#include <QString>

namespace corvane {

class DriveList;
class FolderList;

// One side of the window that browses folders: its drive list and folder
// list. Per drive it keeps the folder it last showed there, so that picking
// that drive again goes back to it.
class BrowsingSide final : public QObject {
    Q_OBJECT
public:
    BrowsingSide(DriveList *drives, FolderList *folders, QObject *parent = nullptr);
    Q_DISABLE_COPY_MOVE(BrowsingSide)

    // Shows the drives and the folder, as a new window's lists start at the
    // process's current folder; reports no change of folder.
    void startAt(const QString &folder);

signals:
    // A drive was picked whose root does not open.
    void driveUnavailable();

private:
    // Shows the drive just picked: the folder last shown on it on this
    // side, its root at first. A folder that has gone since gives way to
    // the nearest parent that opens. False when even the drive's root does
    // not open.
    bool showPickedDrive();
    void remember(const QString &folder);

    DriveList *m_drives;
    FolderList *m_folders;
    QHash<QString, QString> m_lastFolders;
};

} // namespace corvane
