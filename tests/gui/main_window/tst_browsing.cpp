#include "core/files/drive_of_folder.h"
#include "gui/main_window/drive_list.h"
#include "gui/main_window/file_list.h"
#include "gui/main_window/folder_list.h"
#include "test_strings.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>

using namespace corvane;

namespace {

using test::strings;
void touch(const QString &path)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
}

QStringList rows(const FileList &list)
{
    QStringList names;
    for (int i = 0; i < list.count(); ++i)
        names.append(list.fileName(i));
    return names;
}

QStringList rows(const FolderList &list)
{
    QStringList texts;
    for (int i = 0; i < list.count(); ++i)
        texts.append(list.item(i)->text());
    return texts;
}
} // namespace

class TestBrowsing final : public QObject {
    Q_OBJECT

private slots:
    void init();

    void fileListShowsPlainVisibleFilesByName();
    void fileListPattern_data();
    void fileListPattern();
    void fileListKeepsFolderOnFailure();
    void fileListSelectionAndCurrent();
    void fileListRootFolder();

    void folderListShowsAncestorsThenSubfolders();
    void folderListOpensOnActivation();
    void folderListBackspaceOpensParent();
    void folderListSetPathReportsChangesOnly();
    void folderListRefusesWhatCannotBeOpened();
    void folderListsShowTheStylesFolderPictures();

    void driveListReportsUserPicksOnly();
    void driveListShowsDriveOfFolder();
    void driveListFromSystemStartsWithRoot();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_root;
};

void TestBrowsing::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_root = QDir::cleanPath(m_dir->path());
    QDir root(m_root);
    QVERIFY(root.mkpath(QStringLiteral("music/live")));
    QVERIFY(root.mkpath(QStringLiteral("music/.cache")));
    QVERIFY(root.mkpath(QStringLiteral("music/Albums")));
    for (const char *name : {"b.wav", "A.WAV", "c.bmp", "readme", ".hidden.wav", "d.Bin"})
        touch(root.filePath(QStringLiteral("music/") + QLatin1String(name)));
    QVERIFY(QFile::link(root.filePath(QStringLiteral("music/b.wav")),
                        root.filePath(QStringLiteral("music/link.wav"))));
    QVERIFY(QFile::link(root.filePath(QStringLiteral("music/none")),
                        root.filePath(QStringLiteral("music/broken.wav"))));
}

void TestBrowsing::fileListShowsPlainVisibleFilesByName()
{
    FileList list;
    QVERIFY(list.setPath(m_root + QStringLiteral("/music/")));
    QCOMPARE(list.path(), m_root + QStringLiteral("/music"));
    QCOMPARE(rows(list), strings({"A.WAV", "b.wav", "c.bmp", "d.Bin", "link.wav", "readme"}));
}

void TestBrowsing::fileListPattern_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QStringList>("expectedInLive");

    const QStringList all = strings({"A.WAV", "b.wav", "c.bmp", "d.Bin", "link.wav", "readme"});
    const QStringList live = strings({"e.wav", "notes"});
    QTest::newRow("designer text") << QStringLiteral("*.*") << all << live;
    QTest::newRow("empty") << QString() << all << live;
    QTest::newRow("wav any case") << QStringLiteral("*.wav")
                                  << strings({"A.WAV", "b.wav", "link.wav"}) << strings({"e.wav"});
    QTest::newRow("list") << QStringLiteral("*.bmp;*.bin") << strings({"c.bmp", "d.Bin"})
                          << QStringList();
    QTest::newRow("nothing") << QStringLiteral("*.mp3") << QStringList() << QStringList();
    QTest::newRow("one character")
        << QStringLiteral("?.*") << strings({"A.WAV", "b.wav", "c.bmp", "d.Bin"})
        << strings({"e.wav"});
    QTest::newRow("no extension") << QStringLiteral("*.") << strings({"readme"})
                                  << strings({"notes"});
}

void TestBrowsing::fileListPattern()
{
    QFETCH(QString, pattern);
    QFETCH(QStringList, expected);
    QFETCH(QStringList, expectedInLive);
    FileList list;
    QVERIFY(list.setPath(m_root + QStringLiteral("/music")));
    list.setPattern(pattern);
    QCOMPARE(list.pattern(), pattern);
    QCOMPARE(rows(list), expected);
    // The pattern stays for the next folder.
    touch(m_root + QStringLiteral("/music/live/e.wav"));
    touch(m_root + QStringLiteral("/music/live/notes"));
    QVERIFY(list.setPath(m_root + QStringLiteral("/music/live")));
    QCOMPARE(rows(list), expectedInLive);
}

void TestBrowsing::fileListKeepsFolderOnFailure()
{
    FileList list;
    QVERIFY(list.setPath(m_root + QStringLiteral("/music")));
    QVERIFY(!list.setPath(m_root + QStringLiteral("/missing")));
    QCOMPARE(list.path(), m_root + QStringLiteral("/music"));
    QCOMPARE(list.count(), 6);
}

void TestBrowsing::fileListSelectionAndCurrent()
{
    FileList list;
    QVERIFY(list.setPath(m_root + QStringLiteral("/music")));
    QCOMPARE(list.currentFileName(), QString());
    QCOMPARE(list.selectionFlags(), QList<bool>(6, false));
    QCOMPARE(list.selectionMode(), QAbstractItemView::ExtendedSelection);
    list.selectionModel()->select(list.model()->index(1, 0), QItemSelectionModel::Select);
    list.selectionModel()->select(list.model()->index(4, 0), QItemSelectionModel::Select);
    list.selectionModel()->setCurrentIndex(list.model()->index(2, 0),
                                           QItemSelectionModel::NoUpdate);
    QCOMPARE(list.currentFileName(), QStringLiteral("c.bmp"));
    QList<bool> flags = list.selectionFlags();
    QCOMPARE(flags.count(true), 2);
    QVERIFY(flags.at(1));
    QVERIFY(flags.at(4));
}

void TestBrowsing::fileListRootFolder()
{
    FileList list;
    QVERIFY(list.setPath(QStringLiteral("/")));
    QCOMPARE(list.path(), QStringLiteral("/"));
    QVERIFY(list.setPath(QStringLiteral("/usr/../")));
    QCOMPARE(list.path(), QStringLiteral("/"));
}

void TestBrowsing::folderListShowsAncestorsThenSubfolders()
{
    FolderList list;
    QVERIFY(list.setPath(m_root + QStringLiteral("/music")));
    QCOMPARE(list.path(), m_root + QStringLiteral("/music"));

    QStringList expectedFolders;
    QString folder = m_root + QStringLiteral("/music");
    while (folder != QLatin1String("/")) {
        expectedFolders.prepend(folder);
        folder = QFileInfo(folder).path();
    }
    expectedFolders.prepend(QStringLiteral("/"));
    const int current = int(expectedFolders.size()) - 1;
    expectedFolders << m_root + QStringLiteral("/music/Albums")
                    << m_root + QStringLiteral("/music/live");

    QCOMPARE(list.count(), int(expectedFolders.size()));
    for (int row = 0; row < list.count(); ++row)
        QCOMPARE(list.folderAt(row), expectedFolders.at(row));
    QCOMPARE(list.currentFolderRow(), current);
    QCOMPARE(list.currentRow(), current);
    QCOMPARE(list.item(0)->text(), QStringLiteral("/"));
    QCOMPARE(rows(list).mid(current), strings({"music", "Albums", "live"}));
}

void TestBrowsing::folderListOpensOnActivation()
{
    FolderList list;
    QVERIFY(list.setPath(m_root + QStringLiteral("/music")));
    QSignalSpy changed(&list, &FolderList::pathChanged);
    const int live = list.count() - 1;
    QCOMPARE(list.folderAt(live), m_root + QStringLiteral("/music/live"));

    // A single click only selects.
    list.setCurrentRow(live);
    QCOMPARE(changed.count(), 0);

    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    const QPoint point = list.visualItemRect(list.item(live)).center();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, point);
    QCOMPARE(changed.count(), 0);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, point);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.first().first().toString(), m_root + QStringLiteral("/music/live"));
    QCOMPARE(list.path(), m_root + QStringLiteral("/music/live"));

    // Enter on an ancestor opens it.
    list.setCurrentRow(list.currentFolderRow() - 1);
    QTest::keyClick(&list, Qt::Key_Return);
    QCOMPARE(list.path(), m_root + QStringLiteral("/music"));
    QCOMPARE(changed.count(), 2);
}

void TestBrowsing::folderListBackspaceOpensParent()
{
    FolderList list;
    QVERIFY(list.setPath(m_root + QStringLiteral("/music/live")));
    QTest::keyClick(&list, Qt::Key_Backspace);
    QCOMPARE(list.path(), m_root + QStringLiteral("/music"));
    QVERIFY(list.setPath(QStringLiteral("/")));
    QTest::keyClick(&list, Qt::Key_Backspace);
    QCOMPARE(list.path(), QStringLiteral("/"));
}

void TestBrowsing::folderListSetPathReportsChangesOnly()
{
    FolderList list;
    QSignalSpy changed(&list, &FolderList::pathChanged);
    QVERIFY(list.setPath(m_root));
    QCOMPARE(changed.count(), 1);
    QVERIFY(list.setPath(m_root + QLatin1Char('/')));
    QCOMPARE(changed.count(), 1);
    // A folder that appeared meanwhile shows after setting the same path.
    QVERIFY(QDir(m_root).mkdir(QStringLiteral("new")));
    QVERIFY(list.setPath(m_root));
    QVERIFY(rows(list).contains(QStringLiteral("new")));
    QCOMPARE(changed.count(), 1);
}

void TestBrowsing::folderListRefusesWhatCannotBeOpened()
{
    FolderList list;
    QVERIFY(list.setPath(m_root + QStringLiteral("/music")));
    const QStringList before = rows(list);
    QSignalSpy changed(&list, &FolderList::pathChanged);
    QVERIFY(!list.setPath(m_root + QStringLiteral("/gone")));
    QVERIFY(!list.setPath(m_root + QStringLiteral("/music/readme")));
    QCOMPARE(list.path(), m_root + QStringLiteral("/music"));
    QCOMPARE(rows(list), before);
    QCOMPARE(changed.count(), 0);
}

void TestBrowsing::folderListsShowTheStylesFolderPictures()
{
    FolderList source;
    FolderList destination;
    QVERIFY(source.setPath(m_root + QStringLiteral("/music")));
    QVERIFY(destination.setPath(m_root));
    QVERIFY(source.setPath(m_root + QStringLiteral("/music/live")));
    QVERIFY(source.setPath(m_root + QStringLiteral("/music")));

    // Open folders up to the current one, closed ones below it: the style's
    // pictures, looked up once and shared by every list and every fill.
    QStyle *style = source.style();
    const QImage open = style->standardIcon(QStyle::SP_DirOpenIcon).pixmap(16).toImage();
    const QImage closed = style->standardIcon(QStyle::SP_DirClosedIcon).pixmap(16).toImage();
    const qint64 openKey = source.item(0)->icon().cacheKey();
    const qint64 closedKey = source.item(source.count() - 1)->icon().cacheKey();
    QVERIFY(openKey != closedKey);
    for (const FolderList *list : {&source, &destination}) {
        for (int row = 0; row < list->count(); ++row) {
            const QIcon icon = list->item(row)->icon();
            const bool isOpen = row <= list->currentFolderRow();
            QCOMPARE(icon.cacheKey(), isOpen ? openKey : closedKey);
            QCOMPARE(icon.pixmap(16).toImage(), isOpen ? open : closed);
        }
    }
}

void TestBrowsing::driveListReportsUserPicksOnly()
{
    DriveList list;
    list.setDrives({Drive{QStringLiteral("/"), QString()}, Drive{m_root, QStringLiteral("STICK")}});
    QSignalSpy changed(&list, &DriveList::driveChanged);
    list.showFolder(m_root + QStringLiteral("/music"));
    QCOMPARE(list.drive(), m_root);
    QCOMPARE(list.currentText(), m_root + QStringLiteral("  [STICK]"));
    QCOMPARE(changed.count(), 0);

    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    list.setFocus();
    QTest::keyClick(&list, Qt::Key_Up);
    QCOMPARE(list.drive(), QStringLiteral("/"));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.first().first().toString(), QStringLiteral("/"));
    QTest::keyClick(&list, Qt::Key_Up);
    QCOMPARE(changed.count(), 1);
}

void TestBrowsing::driveListShowsDriveOfFolder()
{
    DriveList list;
    list.setDrives({Drive{QStringLiteral("/"), QString()}, Drive{m_root, QString()}});
    list.showFolder(QStringLiteral("/usr"));
    QCOMPARE(list.drive(), QStringLiteral("/"));
    QCOMPARE(list.currentIndex(), 0);
    list.showFolder(m_root);
    QCOMPARE(list.currentIndex(), 1);
    QCOMPARE(list.mountPoints(), QStringList({QStringLiteral("/"), m_root}));
}

void TestBrowsing::driveListFromSystemStartsWithRoot()
{
    DriveList list;
    list.refreshDrives();
    QVERIFY(list.count() >= 1);
    QCOMPARE(list.itemData(0).toString(), QStringLiteral("/"));
}

QTEST_MAIN(TestBrowsing)
#include "tst_browsing.moc"
