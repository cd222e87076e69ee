#include "argv_record.h"
#include "core/files/drive_of_folder.h"
#include "core/files/paths.h"
#include "core/platform/hand_over.h"
#include "main_window_fixture.h"

#include <QClipboard>

#include <fcntl.h>
#include <unistd.h>

using namespace corvane;
using namespace corvane::test;

// The main window on POSIX systems: the root folder "/", batches of /bin/sh
// command lines, and a second start of the real program.
class TestMainWindowPosix final : public MainWindowFixture {
    Q_OBJECT

private slots:
    void startState();
    void secondInstanceOfRealProgram();
    void secondStartHandsFilesOver();
    void programWithoutWindow_data();
    void programWithoutWindow();

    void entriesFromRootFolder();
    void batchFromTheWindow_data();
    void batchFromTheWindow();
    void copiedLinesRunAsTheyRan_data();
    void copiedLinesRunAsTheyRan();

    void driveShowsItsLastFolder_data();
    void driveShowsItsLastFolder();
    void assistiveTechnologySeesEntriesAndConsole();
};

void TestMainWindowPosix::startState()
{
    QVERIFY(load());
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Corvane:  -  "));
    QCOMPARE(m_folders->tool.index(), 0);
    auto *file1 = control<FileList>("File1");
    QCOMPARE(file1->pattern(), QStringLiteral("*.*"));
    QCOMPARE(file1->path(), m_folders->source);
    QCOMPARE(fileRows(file1), strings({"a.bmp", "b.wav", "c.txt"}));
    QCOMPARE(control<FolderList>("Dir1")->path(), m_folders->source);
    QCOMPARE(control<FolderList>("Dir2")->path(), m_folders->source);
    auto *drive1 = control<DriveList>("Drive1");
    QCOMPARE(drive1->drive(), DriveOfFolder(m_folders->source, drive1->mountPoints()));
    QCOMPARE(control<DriveList>("Drive2")->drive(), drive1->drive());
    QCOMPARE(drive1->itemData(0).toString(), QStringLiteral("/"));
    QCOMPARE(m_form->jobList().count(), 0);
    QCOMPARE(control<QLabel>("Label3")->text(), QStringLiteral("..."));
    QCOMPARE(control<QProgressBar>("ProgressBar1")->value(), 0);
    QVERIFY(!control<QTimer>("Timer1")->isActive());
    // Reading settings creates no file.
    QVERIFY(!QFileInfo::exists(m_folders->configPath()));
    QCOMPARE(m_messages->count(), 0);
}

void TestMainWindowPosix::secondInstanceOfRealProgram()
{
    // A copy of the program with a config.ini of its own, started as a user
    // starts it; this test then starts as the second instance.
    const QString app = m_folders->path(QStringLiteral("app"));
    const QString runtime = m_folders->path(QStringLiteral("runtime"));
    QVERIFY(QDir().mkpath(app));
    QVERIFY(QDir().mkpath(runtime));
    QVERIFY(QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    const QString program = app + QStringLiteral("/corvane");
    QVERIFY(QFile::copy(QStringLiteral(CORVANE_PROGRAM), program));
    const QByteArray config("[IntegerSection]\nCurrentTool=2\n");
    writeFile(app + QStringLiteral("/config.ini"), config);

    QProcess first;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    first.setProcessEnvironment(environment);
    first.setWorkingDirectory(m_folders->source);
    first.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    first.start(program, {});
    QVERIFY(first.waitForStarted());

    const QString lockPath = InstanceLockPath(runtime, QFileInfo(program).canonicalFilePath());
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(lockPath), 30000);
    QCOMPARE(first.state(), QProcess::Running);

    SingleInstance second(lockPath);
    MainWindow form(m_folders->desktop, m_folders->settings, m_folders->tool);
    QVERIFY(!form.loadOnStartup(second));
    QCOMPARE(m_messages->count(), 1);
    QVERIFY(m_messages->messages().first().text.endsWith(QStringLiteral("已运行！")));
    QVERIFY(!QFileInfo::exists(m_folders->configPath()));

    // The first instance ends without giving the lock back, as after a
    // crash: the next start is not blocked.
    first.kill();
    QVERIFY(first.waitForFinished());
    QVERIFY(QFileInfo::exists(lockPath));
    SingleInstance next(lockPath);
    QVERIFY(next.tryAcquire());
    QCOMPARE(readFile(app + QStringLiteral("/config.ini")), config);
}

void TestMainWindowPosix::secondStartHandsFilesOver()
{
    // This test is the running instance of a copy of the program; the copy,
    // started with files, hands them over and ends.
    const QString runtime = m_folders->path(QStringLiteral("runtime"));
    QVERIFY(QDir().mkpath(runtime));
    QVERIFY(QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    const QString program = m_folders->path(QStringLiteral("corvane"));
    QVERIFY(QFile::copy(QStringLiteral(CORVANE_PROGRAM), program));
    const QString canonical = QFileInfo(program).canonicalFilePath();
    SingleInstance running(InstanceLockPath(runtime, canonical));
    QVERIFY(running.tryAcquire());
    HandOverServer server;
    QVERIFY(server.listen(HandOverSocketPath(runtime, canonical)));
    QVERIFY(loadAndShow());
    connect(&server, &HandOverServer::pathsReceived, m_form.get(),
            [this](const QStringList &paths) {
                m_form->addPathsFromOutside(paths, MainWindow::PathsFrom::HandOver);
            });

    QProcess second;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    second.setProcessEnvironment(environment);
    second.setWorkingDirectory(m_folders->source);
    second.start(program,
                 {QStringLiteral("c.txt"), QStringLiteral("."), QStringLiteral("gone.wav")});
    QVERIFY(second.waitForStarted());
    QTRY_COMPARE_WITH_TIMEOUT(second.state(), QProcess::NotRunning, 30000);
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(second.readAll(), QByteArray());

    // Relative to the second start's folder; the folder as a drop adds it.
    QCOMPARE(jobRows().names, strings({"c.txt", "a.bmp", "b.wav", "c.txt"}));
    QCOMPARE(jobRows().folders, QStringList(4, m_folders->source));
    QTRY_COMPARE(m_messages->count(), 1);
    QVERIFY(m_messages->messages().first().text.endsWith(m_folders->source +
                                                         QStringLiteral("/gone.wav")));
}

void TestMainWindowPosix::programWithoutWindow_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("display");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("output"); // the start of what it prints
    QTest::newRow("help, no display")
        << QStringList({QStringLiteral("--help")}) << false << 0 << QByteArray("用法：corvane");
    QTest::newRow("version") << QStringList({QStringLiteral("--version")}) << true << 0
                             << QByteArray("Corvane 1.");
    QTest::newRow("unknown option") << QStringList({QStringLiteral("--colour")}) << true << 2
                                    << QByteArray("corvane：未知选项：--colour");
    QTest::newRow("no display") << QStringList() << false << 1
                                << QByteArray("corvane：无法打开窗口");
}

// Nothing here opens a window or writes a file, not even a lock.
void TestMainWindowPosix::programWithoutWindow()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, display);
    QFETCH(int, status);
    QFETCH(QByteArray, output);
    const QString app = m_folders->path(QStringLiteral("app"));
    const QString runtime = m_folders->path(QStringLiteral("runtime"));
    QVERIFY(QDir().mkpath(app));
    QVERIFY(QDir().mkpath(runtime));
    QVERIFY(QFile::copy(QStringLiteral(CORVANE_PROGRAM), app + QStringLiteral("/corvane")));
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        environment.remove(QLatin1String(name));
    if (display)
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    program.setProcessEnvironment(environment);
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start(app + QStringLiteral("/corvane"), arguments);
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), status);
    const QByteArray printed = program.readAll();
    QVERIFY2(printed.startsWith(output), printed.constData());
    if (status != 0)
        QCOMPARE(printed.count('\n'), 1);
    QCOMPARE(QDir(app).entryList(QDir::Files | QDir::Hidden),
             QStringList(QStringLiteral("corvane")));
    QCOMPARE(QDir(runtime).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList());
}

void TestMainWindowPosix::entriesFromRootFolder()
{
    QVERIFY(load());
    auto *dir1 = control<FolderList>("Dir1");
    QVERIFY(dir1->setPath(QStringLiteral("/")));
    auto *file1 = control<FileList>("File1");
    QCOMPARE(file1->path(), QStringLiteral("/"));
    if (file1->count() == 0)
        QSKIP("the root folder holds no plain file here");
    QTest::mouseClick(control<QPushButton>("Command5"), Qt::LeftButton);
    const Rows rows = jobRows();
    QCOMPARE(rows.names, fileRows(file1));
    QCOMPARE(rows.folders, QStringList(file1->count(), QStringLiteral("/")));
}

void TestMainWindowPosix::batchFromTheWindow_data()
{
    QTest::addColumn<bool>("capture");
    QTest::newRow("capture off") << false;
    QTest::newRow("capture on") << true;
}

void TestMainWindowPosix::batchFromTheWindow()
{
    QFETCH(bool, capture);
    const QString record = m_folders->path(QStringLiteral("record.txt"));
    const QByteArray savedRecord = qgetenv(CORVANE_ARGV_RECORD_VARIABLE);
    if (!capture)
        qputenv(CORVANE_ARGV_RECORD_VARIABLE, QFile::encodeName(record));
    else
        qunsetenv(CORVANE_ARGV_RECORD_VARIABLE);
    // The program box names a path with blanks, unquoted, as a browse puts it.
    const QString program = m_folders->path(QStringLiteral("my tools/argv recorder"));
    QVERIFY(QDir().mkpath(QFileInfo(program).path()));
    QVERIFY(QFile::link(QStringLiteral(CORVANE_HELPER_ARGV_RECORDER), program));
    writeFile(m_folders->configPath(),
              QByteArray("[IntegerSection]\nCurrentTool=0\nCheck1(1)=") + (capture ? "1" : "0") +
                  "\n[StringSection]\nText1(1)=Record\nText2(1)=" + program.toUtf8() +
                  "\nText3(1)=$SPath$$SName$ $DPath$$SNameNo$.out $Index$\n");
    writeFile(m_folders->data + QStringLiteral("/report.txt"), "old report\n");

    QVERIFY(loadAndShow());
    // As a user does it: the tool from the menu, all files, a destination.
    control<QAction>("Tools_1")->trigger();
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Corvane:  -  Record"));
    QTest::mouseClick(control<QPushButton>("Command5"), Qt::LeftButton);
    QVERIFY(control<FolderList>("Dir2")->setPath(m_folders->destination));
    QSignalSpy finished(&m_form->batchRun(), &BatchRun::entryFinished);
    QVERIFY(runBatchToEnd(
        [&] { QTest::mouseClick(control<QPushButton>("Command3"), Qt::LeftButton); }));
    qputenv(CORVANE_ARGV_RECORD_VARIABLE, savedRecord);

    QCOMPARE(finished.count(), 3);
    const QList<test::ArgvRecord> records = test::ParseArgvRecords(
        readFile(capture ? m_folders->data + QStringLiteral("/report.txt") : record));
    QCOMPARE(records.size(), 3);
    const QStringList names = strings({"a.bmp", "b.wav", "c.txt"});
    for (int i = 0; i < 3; ++i) {
        const QString stem = QFileInfo(names.at(i)).completeBaseName();
        QCOMPARE(records.at(i).arguments.mid(1),
                 QList<QByteArray>(
                     {QFile::encodeName(m_folders->source + QLatin1Char('/') + names.at(i)),
                      QFile::encodeName(m_folders->destination + QLatin1Char('/') + stem +
                                        QStringLiteral(".out")),
                      QByteArray::number(i)}));
        QCOMPARE(records.at(i).workingDirectory, QFile::encodeName(m_folders->destination));
    }
    auto *bar = control<QProgressBar>("ProgressBar1");
    QCOMPARE(bar->maximum(), 3);
    QCOMPARE(bar->value(), 3);
    QCOMPARE(control<QLabel>("Label3")->text(), QStringLiteral("完成"));
    QVERIFY(control<QPushButton>("Command3")->isEnabled());

    auto *timer = control<QTimer>("Timer1");
    if (!capture) {
        QVERIFY(!timer->isActive());
        QVERIFY(!QFileInfo::exists(m_folders->data + QStringLiteral("/report.txt")));
        return;
    }
    QVERIFY(timer->isActive());
    QVERIFY(!readFile(m_folders->data + QStringLiteral("/report.txt")).contains("old report"));
    QTRY_COMPARE_WITH_TIMEOUT(m_folders->desktop.opened,
                              QStringList({m_folders->data + QStringLiteral("/report.txt")}),
                              10000);
    QVERIFY(!timer->isActive());
    // Once: the timer stops at its first tick.
    QTest::qWait(1200);
    QCOMPARE(m_folders->desktop.opened.size(), 1);
}

void TestMainWindowPosix::copiedLinesRunAsTheyRan_data()
{
    QTest::addColumn<bool>("shell");
    QTest::addColumn<bool>("capture");
    QTest::newRow("program") << false << false;
    QTest::newRow("program, captured") << false << true;
    QTest::newRow("cmd /c") << true << false;
}

// "复制命令行" gives lines that sh runs as the batch ran them: the same
// arguments, bytes and all, in the same folder.
void TestMainWindowPosix::copiedLinesRunAsTheyRan()
{
    QFETCH(bool, shell);
    QFETCH(bool, capture);
    makeFiles(m_folders->source, {QStringLiteral("it's $HOME \"q\" `x` ~.txt")});
    // A name that is not UTF-8.
    const QByteArray oddName = QFile::encodeName(m_folders->source) + "/\xff\xfe.bin";
    const int file = ::open(oddName.constData(), O_CREAT | O_WRONLY, 0644);
    QVERIFY(file >= 0);
    ::close(file);
    // QTemporaryDir cannot remove a name it cannot spell.
    const auto removeOddName = qScopeGuard([&] { ::unlink(oddName.constData()); });
    const QString recorder = m_folders->path(QStringLiteral("my tools/argv recorder"));
    QVERIFY(QDir().mkpath(QFileInfo(recorder).path()));
    QVERIFY(QFile::link(QStringLiteral(CORVANE_HELPER_ARGV_RECORDER), recorder));
    const QByteArray program = shell ? "cmd /c" : recorder.toUtf8();
    const QByteArray commandTemplate = QByteArray(shell ? "'" + recorder.toUtf8() + "' " : "") +
                                       "$SPath$$SName$ $DPath$$SNameNo$.out $Index$";
    writeFile(m_folders->configPath(),
              QByteArray("[IntegerSection]\nCurrentTool=0\nCheck1(0)=") + (capture ? "1" : "0") +
                  "\n[StringSection]\nText1(0)=Record\nText2(0)=" + program +
                  "\nText3(0)=" + commandTemplate + "\n");
    const QString record = capture ? m_folders->data + QStringLiteral("/report.txt")
                                   : m_folders->path(QStringLiteral("record.txt"));
    const QByteArray savedRecord = qgetenv(CORVANE_ARGV_RECORD_VARIABLE);
    const auto restore = qScopeGuard([&] { qputenv(CORVANE_ARGV_RECORD_VARIABLE, savedRecord); });
    if (capture)
        qunsetenv(CORVANE_ARGV_RECORD_VARIABLE);
    else
        qputenv(CORVANE_ARGV_RECORD_VARIABLE, QFile::encodeName(record));

    QVERIFY(loadAndShow());
    QTest::mouseClick(control<QPushButton>("Command5"), Qt::LeftButton);
    QVERIFY(control<FolderList>("Dir2")->setPath(m_folders->destination));
    QVERIFY(runBatchToEnd(
        [&] { QTest::mouseClick(control<QPushButton>("Command3"), Qt::LeftButton); }));
    const QList<ArgvRecord> ran = ParseArgvRecords(readFile(record));
    QCOMPARE(ran.size(), 5);

    auto *jobs = control<QListView>("List1");
    jobs->selectAll();
    control<QAction>("CopyCommandLines")->trigger();
    const QStringList lines = QGuiApplication::clipboard()->text().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 5);
    for (const QString &line : lines) {
        QProcess sh;
        sh.setWorkingDirectory(m_folders->source);
        sh.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), line});
        QVERIFY(sh.waitForFinished(10000));
        QVERIFY2(sh.exitCode() == 0, qPrintable(line + QString::fromLocal8Bit(sh.readAll())));
    }
    const QList<ArgvRecord> rerun = ParseArgvRecords(readFile(record)).mid(5);
    QCOMPARE(rerun.size(), 5);
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(rerun.at(i).arguments.mid(1), ran.at(i).arguments.mid(1));
        QCOMPARE(rerun.at(i).workingDirectory, ran.at(i).workingDirectory);
        QCOMPARE(rerun.at(i).standardInputIsDevNull, ran.at(i).standardInputIsDevNull);
    }
}

void TestMainWindowPosix::driveShowsItsLastFolder_data()
{
    QTest::addColumn<QString>("side");
    QTest::addColumn<QString>("otherSide");
    QTest::newRow("source") << QStringLiteral("1") << QStringLiteral("2");
    QTest::newRow("destination") << QStringLiteral("2") << QStringLiteral("1");
}

void TestMainWindowPosix::driveShowsItsLastFolder()
{
    QFETCH(QString, side);
    QFETCH(QString, otherSide);
    const QString mount = m_folders->path(QStringLiteral("mnt"));
    const QString deep = mount + QStringLiteral("/a/b");
    QVERIFY(QDir().mkpath(deep));
    const QString root = QStringLiteral("/");
    QVERIFY(loadAndShow());
    auto *drive = control<DriveList>(qPrintable(QStringLiteral("Drive") + side));
    auto *dir = control<FolderList>(qPrintable(QStringLiteral("Dir") + side));
    auto *otherDrive = control<DriveList>(qPrintable(QStringLiteral("Drive") + otherSide));
    auto *otherDir = control<FolderList>(qPrintable(QStringLiteral("Dir") + otherSide));
    for (DriveList *list : {drive, otherDrive}) {
        list->setDrives({Drive{root, QString()}, Drive{mount, QString()}});
        list->showFolder(m_folders->source);
    }

    pickDrive(drive, mount); // not shown before: its root
    QCOMPARE(dir->path(), mount);
    QVERIFY(dir->setPath(deep));
    pickDrive(drive, root); // the drive of the start folder
    QCOMPARE(dir->path(), m_folders->source);
    pickDrive(drive, mount);
    QCOMPARE(dir->path(), deep);
    // The other side keeps its own folders.
    pickDrive(otherDrive, mount);
    QCOMPARE(otherDir->path(), mount);
    // A folder gone since gives way to its nearest parent.
    pickDrive(drive, root);
    QVERIFY(QDir(deep).removeRecursively());
    pickDrive(drive, mount);
    QCOMPARE(dir->path(), mount + QStringLiteral("/a"));
    QCOMPARE(m_messages->count(), 0);
}

void TestMainWindowPosix::assistiveTechnologySeesEntriesAndConsole()
{
    // A tool that shows its output live; its command line holds a "[*]".
    writeFile(m_folders->configPath(),
              "[IntegerSection]\nCheck2(0)=1\n[StringSection]\nText2(0)=cmd /c\n"
              "Text3(0)=echo [*] $SName$; while [ ! -e go ]; do sleep 0.01; done\n");
    QVERIFY(loadAndShow());
    QTest::mouseClick(control<QPushButton>("Command5"), Qt::LeftButton);
    QTest::mouseClick(control<QPushButton>("Command5"), Qt::LeftButton);

    // The job list: one item per entry, its file name.
    QAccessibleInterface *list = QAccessible::queryAccessibleInterface(control<QListView>("List1"));
    QCOMPARE(list->role(), QAccessible::List);
    QStringList items;
    for (int i = 0; i < list->childCount(); ++i)
        items << list->child(i)->text(QAccessible::Name);
    QCOMPARE(items, strings({"a.bmp", "b.wav", "c.txt", "a.bmp", "b.wav", "c.txt"}));

    // The console window: a window titled with the command line as typed,
    // with the output inside.
    QTest::mouseClick(control<QPushButton>("Command6"), Qt::LeftButton);
    selectRows(control<FileList>("File1"), {0});
    QTest::mouseClick(control<QPushButton>("Command1"), Qt::LeftButton);
    bool seen = false;
    connect(&m_form->batchRun(), &BatchRun::entryStarted, this, [&](int, const QString &line) {
        QWidget *console = nullptr;
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (window->objectName() == QLatin1String("ConsoleWindow") && window->isVisible())
                console = window;
        }
        QVERIFY(console);
        QAccessibleInterface *window = QAccessible::queryAccessibleInterface(console);
        QCOMPARE(window->role(), QAccessible::Window);
        QVERIFY(line.contains(QStringLiteral("[*]")));
        QCOMPARE(window->text(QAccessible::Name), line);
        QTRY_COMPARE(textInside(window), QStringLiteral("[*] a.bmp\n"));
        seen = true;
        writeFile(QDir(m_folders->source).filePath(QStringLiteral("go")), "");
    });
    QVERIFY(runBatchToEnd(
        [&] { QTest::mouseClick(control<QPushButton>("Command3"), Qt::LeftButton); }));
    QVERIFY(seen);
}

QTEST_MAIN(TestMainWindowPosix)
#include "tst_main_window_posix.moc"
