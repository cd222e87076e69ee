#include "core/files/drive_of_folder.h"
#include "core/platform/drives.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace corvane;

class TestDrives final : public QObject {
    Q_OBJECT

private slots:
    void driveOfFolder_data();
    void driveOfFolder();
    void mountedDrivesStartWithRoot();
    void canOpenFolder();
};

void TestDrives::driveOfFolder_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QStringList>("mountPoints");
    QTest::addColumn<QString>("expected");

    const QStringList mounts = {QStringLiteral("/"), QStringLiteral("/media/usb"),
                                QStringLiteral("/media/usb/inner"), QStringLiteral("/home")};
    QTest::newRow("root") << QStringLiteral("/") << mounts << QStringLiteral("/");
    QTest::newRow("folder on root")
        << QStringLiteral("/usr/share") << mounts << QStringLiteral("/");
    QTest::newRow("mount point itself")
        << QStringLiteral("/media/usb") << mounts << QStringLiteral("/media/usb");
    QTest::newRow("below a mount point")
        << QStringLiteral("/media/usb/music") << mounts << QStringLiteral("/media/usb");
    QTest::newRow("longest wins") << QStringLiteral("/media/usb/inner/x") << mounts
                                  << QStringLiteral("/media/usb/inner");
    QTest::newRow("same prefix, other folder")
        << QStringLiteral("/media/usb2/x") << mounts << QStringLiteral("/");
    QTest::newRow("home") << QStringLiteral("/home/user") << mounts << QStringLiteral("/home");
    QTest::newRow("no mount points at all")
        << QStringLiteral("/home/user") << QStringList() << QStringLiteral("/");
    QTest::newRow("trailing slash")
        << QStringLiteral("/media/usb/") << mounts << QStringLiteral("/media/usb");
}

void TestDrives::driveOfFolder()
{
    QFETCH(QString, folder);
    QFETCH(QStringList, mountPoints);
    QFETCH(QString, expected);
    QCOMPARE(DriveOfFolder(folder, mountPoints), expected);
}

void TestDrives::mountedDrivesStartWithRoot()
{
    const QList<Drive> drives = MountedDrives();
    QVERIFY(!drives.isEmpty());
    QCOMPARE(drives.first().path, QStringLiteral("/"));
    QStringList seen;
    for (const Drive &drive : drives) {
        QVERIFY2(QFileInfo(drive.path).isDir(), qPrintable(drive.path));
        QVERIFY2(!seen.contains(drive.path), qPrintable(drive.path));
        seen.append(drive.path);
    }
    QStringList rest = seen.mid(1);
    QStringList sorted = rest;
    std::sort(sorted.begin(), sorted.end());
    QCOMPARE(rest, sorted);
}

void TestDrives::canOpenFolder()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(CanOpenFolder(dir.path()));
    QVERIFY(CanOpenFolder(QStringLiteral("/")));
    QVERIFY(!CanOpenFolder(dir.filePath(QStringLiteral("missing"))));
    QVERIFY(!CanOpenFolder(QString()));
    QFile file(dir.filePath(QStringLiteral("file")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY(!CanOpenFolder(file.fileName()));
}

QTEST_GUILESS_MAIN(TestDrives)
#include "tst_drives.moc"
