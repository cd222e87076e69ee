#pragma once

#include "core/platform/drives.h"

#include <QComboBox>

namespace corvane {

// A drive list: the mounted filesystems, "/" first. driveChanged() reports
// a drive the user picks that differs from the one shown before; setting
// the drive from code reports nothing.
class DriveList final : public QComboBox {
    Q_OBJECT
public:
    explicit DriveList(QWidget *parent = nullptr);
    Q_DISABLE_COPY_MOVE(DriveList)

    // Fills the list from the system's mounted filesystems; the list is
    // read again each time it opens, so newly mounted media show up.
    void refreshDrives();
    // Shows a fixed set of drives instead (tests).
    void setDrives(const QList<Drive> &drives);

    // The mount point shown.
    QString drive() const { return m_drive; }
    QStringList mountPoints() const;

    // Shows the drive that holds the folder.
    void showFolder(const QString &folder);

signals:
    void driveChanged(const QString &drive);

protected:
    void showPopup() override;
    void paintEvent(QPaintEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void fill(const QList<Drive> &drives);
    void showDrive(const QString &drive);

    QString m_drive;
    bool m_systemDrives = true;
};

} // namespace corvane
