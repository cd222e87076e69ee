#include "gui/main_window/drive_list.h"

#include "core/files/drive_of_folder.h"
#include "gui/common/focus_mark.h"

#include <QDir>

namespace corvane {

DriveList::DriveList(QWidget *parent) : QComboBox(parent)
{
    setEditable(false);
    connect(this, &QComboBox::activated, this, [this](int index) {
        const QString picked = itemData(index).toString();
        if (picked == m_drive)
            return;
        m_drive = picked;
        emit driveChanged(m_drive);
    });
}

void DriveList::refreshDrives()
{
    m_systemDrives = true;
    fill(MountedDrives());
}

void DriveList::setDrives(const QList<Drive> &drives)
{
    m_systemDrives = false;
    fill(drives);
}

void DriveList::fill(const QList<Drive> &drives)
{
    const QSignalBlocker blocker(this);
    clear();
    for (const Drive &entry : drives) {
        const QString path = QDir::toNativeSeparators(entry.path);
        const QString text =
            entry.label.isEmpty() ? path : QStringLiteral("%1  [%2]").arg(path, entry.label);
        addItem(text, entry.path);
    }
    if (!m_drive.isEmpty())
        showDrive(m_drive);
}

QStringList DriveList::mountPoints() const
{
    QStringList points;
    for (int i = 0; i < count(); ++i)
        points.append(itemData(i).toString());
    return points;
}

void DriveList::showFolder(const QString &folder)
{
    showDrive(DriveOfFolder(folder, mountPoints()));
}

void DriveList::showDrive(const QString &drive)
{
    const QSignalBlocker blocker(this);
    int index = findData(drive);
    // A drive that has gone away since stays listed while it is shown.
    if (index < 0) {
        addItem(QDir::toNativeSeparators(drive), drive);
        index = count() - 1;
    }
    setCurrentIndex(index);
    m_drive = drive;
}

void DriveList::showPopup()
{
    if (m_systemDrives)
        refreshDrives();
    QComboBox::showPopup();
}

void DriveList::paintEvent(QPaintEvent *event)
{
    QComboBox::paintEvent(event);
    if (hasFocus())
        DrawFocusMark(this, this, rect());
}

void DriveList::focusInEvent(QFocusEvent *event)
{
    QComboBox::focusInEvent(event);
    update();
}

void DriveList::focusOutEvent(QFocusEvent *event)
{
    QComboBox::focusOutEvent(event);
    update();
}

} // namespace corvane
