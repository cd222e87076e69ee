#include "argv_record.h"
#include "batch_folders.h"
#include "core/batch/batch_run.h"
#include "core/files/file_name.h"
#include "core/files/paths.h"
#include "core/launch/launcher.h"
#include "core/platform/data_folder.h"
#include "core/platform/folder_listing.h"
#include "core/settings/active_tool.h"
#include "core/settings/settings_file.h"
#include "corvane_helpers.h"
#include "fake_batch_host.h"
#include "message_recorder.h"
#include "test_files.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <tuple>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace corvane;
using corvane::test::FakeHost;
using corvane::test::readFile;
using corvane::test::writeFile;

class TestBatchRun final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void emptyJobListChangesNothing();
    void entriesRunOneAfterAnotherInDestination();
    void controlsFollowTheBatch();
    void oldReportDeletedWithoutCapture();
    void captureCollectsOutputInOrder();
    void toolSwitchTakesEffectFromNextEntry();
    void entryAppendedDuringBatchIsNotRun();
    void removedEntriesAreSkippedOthersKeepTheirTurns();
    void modalWindowHoldsBackNextEntry();
    void outcomesRecorded();
    void stopEndsCommandAndWhatItStarted();
    void unusableDestination_data();
    void unusableDestination();
    void unusableReport_data();
    void unusableReport();
    void reportCutShortIsSaid();
    void commandThatCannotStartStopsBatch_data();
    void commandThatCannotStartStopsBatch();
    void namesReachProgramAsData_data();
    void namesReachProgramAsData();
    void namesAreTheBytesOnDisk_data();
    void namesAreTheBytesOnDisk();
    void severalAtOnce_data();
    void severalAtOnce();
    void stopEndsEveryRunningCommand();
    void exitLeavesCommandsRunning_data();
    void exitLeavesCommandsRunning();

private:
    void setTool(int index, const QString &program, const QString &commandLine, bool capture,
                 int jobs = 1);
    // Begins a batch and waits for its end; false when it did not end.
    bool runToEnd();
    void addJobs(const QStringList &names);

    std::unique_ptr<test::BatchFolders> m_folders;
    std::unique_ptr<FakeHost> m_host;
    std::unique_ptr<Launcher> m_launcher;
    std::unique_ptr<BatchRun> m_batch;
};

void TestBatchRun::init()
{
    m_folders = std::make_unique<test::BatchFolders>();
    QVERIFY(m_folders->isValid());
    m_host = std::make_unique<FakeHost>();
    m_host->destination = m_folders->destination;
    m_launcher = CreateLauncher();
    m_batch = std::make_unique<BatchRun>(*m_host, *m_launcher, m_folders->tool, m_folders->data);
    // What goes wrong is shown as the window shows it.
    connect(m_batch.get(), &BatchRun::failed, this,
            [this](const Message &message) { m_folders->desktop.showMessage(message); });
}

void TestBatchRun::cleanup()
{
    m_batch.reset();
    m_launcher.reset();
    m_host.reset();
    m_folders.reset();
}

void TestBatchRun::setTool(int index, const QString &program, const QString &commandLine,
                           bool capture, int jobs)
{
    const SettingsFile &settings = m_folders->settings;
    QVERIFY(settings.writeString(ToolKey(ToolField::Program, index), program));
    QVERIFY(settings.writeString(ToolKey(ToolField::CommandTemplate, index), commandLine));
    QVERIFY(settings.writeInt(ToolKey(ToolField::CaptureOutput, index), capture ? 1 : 0));
    QVERIFY(settings.writeInt(ToolKey(ToolField::Jobs, index), jobs));
    m_folders->tool.select(index);
}

bool TestBatchRun::runToEnd()
{
    QSignalSpy finished(m_batch.get(), &BatchRun::finished);
    m_batch->run();
    return !finished.isEmpty() || finished.wait(60000);
}

void TestBatchRun::addJobs(const QStringList &names)
{
    for (const QString &name : names)
        m_host->add(name, m_folders->source);
}

void TestBatchRun::emptyJobListChangesNothing()
{
    const QString report = JoinPath(m_folders->data, QStringLiteral("report.txt"));
    writeFile(report, "old");
    test::MessageRecorder messages(m_folders->desktop);
    QSignalSpy finished(m_batch.get(), &BatchRun::finished);
    m_batch->run();
    QVERIFY(finished.isEmpty());
    QVERIFY(m_host->log.isEmpty());
    QCOMPARE(readFile(report), QByteArray("old"));
    QCOMPARE(m_batch->reportPath(), QString());
    QCOMPARE(messages.count(), 0);
}

void TestBatchRun::entriesRunOneAfterAnotherInDestination()
{
    // Each command notes its start, sleeps, notes its end: overlapping
    // processes would interleave the lines.
    setTool(0, QStringLiteral("cmd /c"),
            QStringLiteral("echo start $SName$ $Index$ $(pwd) >> ../order.log; sleep 0.05; "
                           "echo end $SName$ >> ../order.log"),
            false);
    addJobs({QStringLiteral("c.txt"), QStringLiteral("a.txt"), QStringLiteral("b.txt")});
    QVERIFY(runToEnd());

    const QString log = QString::fromUtf8(readFile(m_folders->path(QStringLiteral("order.log"))));
    const QString expected = QStringLiteral("start c.txt 0 %1\nend c.txt\n"
                                            "start a.txt 1 %1\nend a.txt\n"
                                            "start b.txt 2 %1\nend b.txt\n")
                                 .arg(m_folders->destination);
    QCOMPARE(log, expected);
    QCOMPARE(QDir::currentPath(), m_folders->destination);
}

void TestBatchRun::controlsFollowTheBatch()
{
    setTool(0, QStringLiteral("cmd /c"), QStringLiteral("true"), false);
    addJobs({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")});
    QVERIFY(runToEnd());
    const QStringList expected = {
        QStringLiteral("status ..."), QStringLiteral("disabled"), QStringLiteral("min 0"),
        QStringLiteral("max 3"),      QStringLiteral("value 0"),  QStringLiteral("value 1"),
        QStringLiteral("value 2"),    QStringLiteral("value 3"),  QStringLiteral("status 完成"),
        QStringLiteral("enabled"),
    };
    QCOMPARE(m_host->log, expected);
    QCOMPARE(m_batch->reportPath(), JoinPath(m_folders->data, QStringLiteral("report.txt")));
}

void TestBatchRun::oldReportDeletedWithoutCapture()
{
    const QString report = JoinPath(m_folders->data, QStringLiteral("report.txt"));
    writeFile(report, "from an earlier batch");
    setTool(0, QStringLiteral("cmd /c"), QStringLiteral("echo hi"), false);
    addJobs({QStringLiteral("x")});
    QVERIFY(runToEnd());
    QVERIFY(!QFile::exists(report));
    QVERIFY(!QFile::exists(JoinPath(m_folders->destination, QStringLiteral("report.txt"))));
    QVERIFY(!m_host->log.contains(QStringLiteral("timer on")));
}

void TestBatchRun::captureCollectsOutputInOrder()
{
    const QString report = JoinPath(m_folders->data, QStringLiteral("report.txt"));
    writeFile(report, "from an earlier batch\n");
    setTool(0, QStringLiteral("cmd /c"),
            QStringLiteral("echo out $SName$; echo err $SName$ >&2; echo more $Index$"), true);
    addJobs({QStringLiteral("one"), QStringLiteral("two")});
    QVERIFY(runToEnd());

    QCOMPARE(readFile(report), QByteArray("out one\nerr one\nmore 0\nout two\nerr two\nmore 1\n"));
    QVERIFY(!QFile::exists(JoinPath(m_folders->destination, QStringLiteral("report.txt"))));
    // The window opens it on the timer's tick, not during the batch.
    QCOMPARE(m_host->log.last(), QStringLiteral("timer on"));
    QCOMPARE(m_batch->reportPath(), report);
}

void TestBatchRun::toolSwitchTakesEffectFromNextEntry()
{
    setTool(1, QStringLiteral("cmd /c"), QStringLiteral("echo second $SName$ >> ../tools.log"),
            false);
    setTool(0, QStringLiteral("cmd /c"),
            QStringLiteral("echo first $SName$ >> ../tools.log; sleep 0.1"), false);
    addJobs({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    connect(m_batch.get(), &BatchRun::entryStarted, this, [this](int index) {
        if (index == 0) {
            m_folders->tool.select(1);
        }
    });
    QVERIFY(runToEnd());
    QCOMPARE(readFile(m_folders->path(QStringLiteral("tools.log"))),
             QByteArray("first a\nsecond b\nsecond c\n"));
}

void TestBatchRun::entryAppendedDuringBatchIsNotRun()
{
    setTool(0, QStringLiteral("cmd /c"), QStringLiteral("echo $SName$ >> ../ran.log"), false);
    addJobs({QStringLiteral("a"), QStringLiteral("b")});
    connect(m_batch.get(), &BatchRun::entryStarted, this,
            [this](int) { m_host->add(QStringLiteral("late"), m_folders->source); });
    QVERIFY(runToEnd());
    QCOMPARE(readFile(m_folders->path(QStringLiteral("ran.log"))), QByteArray("a\nb\n"));
    QCOMPARE(m_batch->lastResults().size(), 2);
    QCOMPARE(m_host->jobs.size(), 4);
}

void TestBatchRun::removedEntriesAreSkippedOthersKeepTheirTurns()
{
    setTool(0, QStringLiteral("cmd /c"), QStringLiteral("echo $SName$ $Index$ >> ../ran.log"),
            false);
    addJobs({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")});
    // While b runs, a (done) and c (not yet run) leave the list.
    connect(m_batch.get(), &BatchRun::entryStarted, this,
            [this](int, const QString &, quint64 key) {
                if (key == m_host->jobs.at(1).key && m_host->jobs.size() == 4) {
                    m_host->jobs.removeAt(2);
                    m_host->jobs.removeAt(0);
                }
            });
    test::MessageRecorder messages(m_folders->desktop);
    QVERIFY(runToEnd());
    // d still runs, at the position it has by then.
    QCOMPARE(readFile(m_folders->path(QStringLiteral("ran.log"))), QByteArray("a 0\nb 1\nd 1\n"));
    QCOMPARE(messages.count(), 0);
    QCOMPARE(m_host->status, QStringLiteral("完成"));
    QCOMPARE(m_host->progress, 3);
    QStringList outcomes;
    for (const BatchEntryResult &result : m_batch->lastResults())
        outcomes << QStringLiteral("%1:%2").arg(result.key).arg(int(result.outcome));
    QCOMPARE(outcomes,
             QStringList({QStringLiteral("1:0"), QStringLiteral("2:0"), QStringLiteral("4:0")}));
}

void TestBatchRun::modalWindowHoldsBackNextEntry()
{
    setTool(0, QStringLiteral("cmd /c"), QStringLiteral("echo done > ../marker$Index$"), false);
    addJobs({QStringLiteral("a"), QStringLiteral("b")});
    QStringList events;
    connect(m_batch.get(), &BatchRun::entryStarted, this, [&](int index) {
        events.append(QStringLiteral("start %1").arg(index));
        if (index != 0)
            return;
        // A modal window opens while entry 0 runs and stays open until well
        // after the command has ended.
        m_host->modalOpen = true;
        events.append(QStringLiteral("modal open"));
        auto *poll = new QTimer(this);
        connect(poll, &QTimer::timeout, this, [&, poll] {
            if (!QFile::exists(m_folders->path(QStringLiteral("marker0"))))
                return;
            poll->deleteLater();
            QTimer::singleShot(300, this, [&] {
                events.append(QStringLiteral("modal closed"));
                m_host->modalOpen = false;
                m_batch->resume();
            });
        });
        poll->start(20);
    });
    QVERIFY(runToEnd());
    QCOMPARE(events, QStringList({QStringLiteral("start 0"), QStringLiteral("modal open"),
                                  QStringLiteral("modal closed"), QStringLiteral("start 1")}));
    QVERIFY(QFile::exists(m_folders->path(QStringLiteral("marker1"))));
}

void TestBatchRun::outcomesRecorded()
{
    setTool(0, QStringLiteral("cmd /c"),
            QStringLiteral("case $Index$ in 1) exit 3;; 2) kill -9 $$;; esac"), false);
    addJobs({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d"),
             QStringLiteral("e")});
    // Entry 3 cannot start: the program is gone by then; entry 4 never runs.
    connect(m_batch.get(), &BatchRun::entryStarted, this, [this](int index) {
        if (index == 2)
            m_folders->changeProgram(QStringLiteral("corvane-no-such-program"));
    });
    QSignalSpy finished(m_batch.get(), &BatchRun::entryFinished);
    test::MessageRecorder messages(m_folders->desktop);
    QVERIFY(runToEnd());
    QCOMPARE(messages.count(), 1);

    using Outcome = BatchEntryResult::Outcome;
    const QList<std::tuple<Outcome, int, int>> expected = {{Outcome::Succeeded, 0, 0},
                                                           {Outcome::Failed, 3, 0},
                                                           {Outcome::Signalled, -1, SIGKILL},
                                                           {Outcome::NotStarted, -1, 0},
                                                           {Outcome::NotRun, -1, 0}};
    const QList<BatchEntryResult> &results = m_batch->lastResults();
    QCOMPARE(results.size(), expected.size());
    QCOMPARE(finished.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        QCOMPARE(results.at(i).index, i);
        QCOMPARE(results.at(i).outcome, std::get<0>(expected.at(i)));
        QCOMPARE(results.at(i).exitCode, std::get<1>(expected.at(i)));
        QCOMPARE(results.at(i).signal, std::get<2>(expected.at(i)));
        QCOMPARE(finished.at(i).first().value<BatchEntryResult>().index, i);
    }
    QCOMPARE(SignalName(SIGKILL), QStringLiteral("SIGKILL"));
    QCOMPARE(m_host->progress, 3);
}

void TestBatchRun::stopEndsCommandAndWhatItStarted()
{
    // The command and the child it starts both ignore SIGTERM.
    setTool(0, QStringLiteral("cmd /c"),
            QStringLiteral("trap '' TERM; sleep 60 & echo $$ $! > ../pids; echo $Index$ >> ../ran; "
                           "wait"),
            false);
    addJobs({QStringLiteral("a"), QStringLiteral("b")});
    const QString pids = m_folders->path(QStringLiteral("pids"));
    connect(m_batch.get(), &BatchRun::entryStarted, this, [&] {
        QTimer::singleShot(0, this, [&] {
            QTRY_VERIFY(QFileInfo(pids).size() > 0);
            m_batch->stop();
        });
    });
    test::MessageRecorder messages(m_folders->desktop);
    QVERIFY(runToEnd());

    QVERIFY(m_batch->wasStopped());
    QCOMPARE(messages.count(), 0);
    QCOMPARE(m_host->status, QStringLiteral("已停止"));
    QVERIFY(m_host->processEnabled);
    QCOMPARE(readFile(m_folders->path(QStringLiteral("ran"))), QByteArray("0\n"));
    const QList<BatchEntryResult> &results = m_batch->lastResults();
    QCOMPARE(results.size(), 2);
    QCOMPARE(results.at(0).outcome, BatchEntryResult::Outcome::Signalled);
    QCOMPARE(results.at(0).signal, SIGKILL);
    QCOMPARE(results.at(1).outcome, BatchEntryResult::Outcome::NotRun);
    // Both processes are gone (or dead and waiting to be reaped by init).
    const QList<QByteArray> started = readFile(pids).trimmed().split(' ');
    QCOMPARE(started.size(), 2);
    for (const QByteArray &pid : started) {
        const QString stat = QStringLiteral("/proc/%1/stat").arg(QLatin1String(pid));
        QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(stat) || readFile(stat).contains(") Z "), 2000);
    }
}

void TestBatchRun::unusableDestination_data()
{
    QTest::addColumn<QString>("destination");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing") << QStringLiteral("missing") << QStringLiteral("不存在");
    QTest::newRow("a file") << QStringLiteral("plain.txt") << QStringLiteral("不是文件夹");
}

void TestBatchRun::unusableDestination()
{
    QFETCH(QString, destination);
    QFETCH(QString, reason);
    writeFile(m_folders->path(QStringLiteral("plain.txt")), "x");
    const QString report = JoinPath(m_folders->data, QStringLiteral("report.txt"));
    writeFile(report, "keep");
    const QString folder = m_folders->path(destination);
    m_host->destination = folder;
    setTool(0, QStringLiteral("cmd /c"), QStringLiteral("echo ran >> ../ran.log"), false);
    addJobs({QStringLiteral("a")});

    test::MessageRecorder messages(m_folders->desktop);
    QVERIFY(runToEnd());
    QCOMPARE(messages.count(), 1);
    QVERIFY2(messages.messages().first().text.contains(folder),
             qPrintable(messages.messages().first().text));
    QVERIFY(messages.messages().first().text.contains(reason));
    QVERIFY(!QFile::exists(m_folders->path(QStringLiteral("ran.log"))));
    QCOMPARE(readFile(report), QByteArray("keep"));
    // The window is ready again, as before the press: no "..." is left.
    QVERIFY(m_host->processEnabled);
    QVERIFY(!m_batch->isRunning());
    QCOMPARE(m_host->status, QStringLiteral("..."));
    m_host->destination = m_folders->destination;
    QVERIFY(runToEnd());
    m_host->destination = folder;
    QVERIFY(runToEnd());
    QCOMPARE(m_host->status, QStringLiteral("完成"));
    QVERIFY(m_host->processEnabled);
}

void TestBatchRun::unusableReport_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("read-only") << QStringLiteral("read-only") << QStringLiteral("文件只读");
    QTest::newRow("dangling link") << QStringLiteral("link") << QStringLiteral("是符号链接");
    QTest::newRow("FIFO") << QStringLiteral("fifo") << QStringLiteral("不是普通文件");
    QTest::newRow("folder") << QStringLiteral("folder") << QStringLiteral("是文件夹");
    QTest::newRow("in a folder of another user (as root)")
        << QStringLiteral("other user") << QStringLiteral("文件夹不属于当前用户");
}

void TestBatchRun::unusableReport()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    const QString report = JoinPath(m_folders->data, QStringLiteral("report.txt"));
    const QString outside = m_folders->path(QStringLiteral("outside.txt"));
    if (kind == QLatin1String("read-only")) {
        writeFile(report, "locked");
        QVERIFY(QFile::setPermissions(report, QFile::ReadOwner | QFile::ReadGroup));
    } else if (kind == QLatin1String("link")) {
        QVERIFY(QFile::link(outside, report));
    } else if (kind == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(QFile::encodeName(report).constData(), 0644), 0);
    } else if (kind == QLatin1String("other user")) {
        if (::geteuid() != 0)
            QSKIP("only root can give a folder to another user");
        QCOMPARE(::chown(QFile::encodeName(m_folders->data).constData(), 65534, 65534), 0);
    } else {
        QVERIFY(QDir().mkdir(report));
    }
    setTool(0, QStringLiteral("cmd /c"), QStringLiteral("echo ran >> ../ran.log"), true);
    addJobs({QStringLiteral("a")});

    // No entry runs, nothing blocks, nothing is written through the link.
    test::MessageRecorder messages(m_folders->desktop);
    QVERIFY(runToEnd());
    QCOMPARE(messages.count(), 1);
    QVERIFY(messages.messages().first().text.contains(report));
    QVERIFY2(messages.messages().first().text.contains(reason),
             qPrintable(messages.messages().first().text));
    QVERIFY(!QFile::exists(m_folders->path(QStringLiteral("ran.log"))));
    QVERIFY(!QFile::exists(outside));
    if (kind == QLatin1String("read-only"))
        QCOMPARE(readFile(report), QByteArray("locked"));
    QVERIFY(m_host->processEnabled);
    QVERIFY(!m_host->log.contains(QStringLiteral("timer on")));
}

void TestBatchRun::reportCutShortIsSaid()
{
    // A file size limit stands for a full disk: writes past it fail.
    rlimit saved{};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit limited = saved;
    limited.rlim_cur = 64 * 1024;
    const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    const auto restoreLimit = [&] {
        ::setrlimit(RLIMIT_FSIZE, &saved);
        ::signal(SIGXFSZ, oldHandler);
    };
    auto restore = qScopeGuard(restoreLimit);

    setTool(0, QStringLiteral("cmd /c"), QStringLiteral("head -c 300000 /dev/zero"), true);
    addJobs({QStringLiteral("a"), QStringLiteral("b")});
    test::MessageRecorder messages(m_folders->desktop);
    QVERIFY(runToEnd());
    restore.dismiss();
    restoreLimit();

    // The batch went on to the end; one message, then the report opens.
    QCOMPARE(m_host->progress, 2);
    QCOMPARE(messages.count(), 1);
    const QString report = JoinPath(m_folders->data, QStringLiteral("report.txt"));
    QCOMPARE(messages.messages().first().text,
             QStringLiteral("输出报告不完整：%1（文件太大）").arg(report));
    QCOMPARE(QFileInfo(report).size(), qint64(64 * 1024));
    QVERIFY(m_host->log.endsWith(QStringLiteral("timer on")));
}

void TestBatchRun::commandThatCannotStartStopsBatch_data()
{
    QTest::addColumn<int>("jobs");
    QTest::addColumn<bool>("destinationGone");
    QTest::newRow("program gone, one at a time") << 1 << false;
    QTest::newRow("program gone, three at once") << 3 << false;
    QTest::newRow("destination removed, three at once") << 3 << true;
}

void TestBatchRun::commandThatCannotStartStopsBatch()
{
    QFETCH(int, jobs);
    QFETCH(bool, destinationGone);
    const QString log = m_folders->path(QStringLiteral("ran.log"));
    setTool(0, QStringLiteral("cmd /c"),
            QStringLiteral("sleep 0.$Index$; echo $SName$ >> '%1'").arg(log), false, jobs);
    addJobs({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d"),
             QStringLiteral("e")});
    // Once the last entry that can start has started, the program or the
    // destination folder goes.
    connect(m_batch.get(), &BatchRun::entryStarted, this, [&](int index) {
        if (index != jobs - 1)
            return;
        if (destinationGone)
            QVERIFY(QDir(m_folders->destination).removeRecursively());
        else
            m_folders->changeProgram(QStringLiteral("corvane-no-such-program"));
    });
    test::MessageRecorder messages(m_folders->desktop);
    QVERIFY(runToEnd());
    QCOMPARE(messages.count(), 1);
    const QString expectedText =
        destinationGone ? m_folders->destination : QStringLiteral("corvane-no-such-program");
    QVERIFY2(messages.messages().first().text.contains(expectedText),
             qPrintable(messages.messages().first().text));
    // What had started ran to its end with its outcome; the entry that could
    // not start says so; the rest did not run.
    QByteArray ran;
    QList<BatchEntryResult::Outcome> outcomes(5, BatchEntryResult::Outcome::NotRun);
    for (int i = 0; i < jobs; ++i) {
        ran += QByteArray(1, char('a' + i)) + '\n';
        outcomes[i] = BatchEntryResult::Outcome::Succeeded;
    }
    outcomes[jobs] = BatchEntryResult::Outcome::NotStarted;
    QCOMPARE(readFile(log), ran);
    QList<BatchEntryResult::Outcome> seen(5, BatchEntryResult::Outcome::NotRun);
    for (const BatchEntryResult &result : m_batch->lastResults())
        seen[result.index] = result.outcome;
    QCOMPARE(seen, outcomes);
    QCOMPARE(m_batch->lastResults().size(), 5);
    QCOMPARE(m_host->progress, jobs);
    QCOMPARE(m_host->status, QStringLiteral("完成"));
    QVERIFY(m_host->processEnabled);
}

void TestBatchRun::namesReachProgramAsData_data()
{
    QTest::addColumn<QString>("commandTemplate");
    QTest::addColumn<bool>("capture");

    // Quoted or not, every name is one argument, exactly as it is.
    QTest::newRow("unquoted, capture off") << QStringLiteral("$SName$") << false;
    QTest::newRow("unquoted, capture on") << QStringLiteral("$SName$") << true;
    QTest::newRow("quoted, capture off") << QStringLiteral("\"$SName$\"") << false;
    QTest::newRow("quoted, capture on") << QStringLiteral("\"$SName$\"") << true;
}

void TestBatchRun::namesReachProgramAsData()
{
    QFETCH(QString, commandTemplate);
    QFETCH(bool, capture);

    const QStringList names = {
        QStringLiteral("a;b.txt"),
        QStringLiteral("$(touch pwned).txt"),
        QStringLiteral("`touch pwned`.txt"),
        QStringLiteral("x|y.txt"),
        QStringLiteral("&&.txt"),
        QStringLiteral(">out.txt"),
        QStringLiteral("it's.txt"),
        QStringLiteral("a b.txt"),
        QStringLiteral("*.txt"),
        QStringLiteral("~"),
        QStringLiteral("\"q\".txt"),
        QStringLiteral("中文 名.txt"),
    };
    const QString records = m_folders->path(QStringLiteral("records"));
    qputenv(CORVANE_ARGV_RECORD_VARIABLE, QFile::encodeName(records));
    auto unset = qScopeGuard([] { qunsetenv(CORVANE_ARGV_RECORD_VARIABLE); });

    setTool(0, QStringLiteral(CORVANE_HELPER_ARGV_RECORDER), commandTemplate, capture);
    addJobs(names);
    test::MessageRecorder messages(m_folders->desktop);
    QVERIFY(runToEnd());
    QCOMPARE(messages.count(), 0);

    const QList<test::ArgvRecord> seen = test::ReadArgvRecords(records);
    QCOMPARE(seen.size(), names.size());
    for (qsizetype i = 0; i < seen.size(); ++i) {
        QCOMPARE(seen.at(i).arguments.mid(1), QList<QByteArray>{names.at(i).toUtf8()});
        QCOMPARE(seen.at(i).workingDirectory, QFile::encodeName(m_folders->destination));
        QCOMPARE(seen.at(i).standardInput, QByteArray("eof"));
    }

    // Only what the program itself wrote exists: no file from a name.
    QCOMPARE(QDir(m_folders->destination)
                 .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList());
    QCOMPARE(
        QDir(m_folders->source).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList());
    const QStringList dataFiles =
        QDir(m_folders->data).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    QCOMPARE(dataFiles,
             capture ? QStringList({QStringLiteral("config.ini"), QStringLiteral("report.txt")})
                     : QStringList({QStringLiteral("config.ini")}));
    QCOMPARE(
        QDir(m_folders->root).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList({QStringLiteral("data"), QStringLiteral("destination"),
                     QStringLiteral("records"), QStringLiteral("source")}));
    QVERIFY(!QFile::exists(QDir::home().filePath(QStringLiteral("pwned"))));
}

namespace {
QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// Processes of this test program other than this one that have not ended.
int otherLiveCopies()
{
    const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    int count = 0;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &entry : entries) {
        bool isPid = false;
        const qint64 pid = entry.toLongLong(&isPid);
        if (!isPid || pid == QCoreApplication::applicationPid())
            continue;
        const QString exe = QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget();
        const QByteArray stat = readFile(QStringLiteral("/proc/%1/stat").arg(pid));
        if (exe == self && !stat.contains(") Z "))
            ++count;
    }
    return count;
}

class DiscardingView final : public ConsoleView {
public:
    void appendOutput(const QByteArray &) override {}
    void commandFinished() override {}
};
} // namespace

void TestBatchRun::namesAreTheBytesOnDisk_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<bool>("capture");
    const QString recorder = QStringLiteral(CORVANE_HELPER_ARGV_RECORDER);
    QTest::newRow("program") << recorder << false;
    QTest::newRow("program, captured") << recorder << true;
    QTest::newRow("cmd /c") << QStringLiteral("cmd /c ") + recorder << false;
}

void TestBatchRun::namesAreTheBytesOnDisk()
{
    QFETCH(QString, program);
    QFETCH(bool, capture);
    // A Latin-1 name from an old archive beside the name that a lossy
    // decoding would make of it.
    const QList<QByteArray> onDisk = {QByteArray("caf\xe9.txt"), QByteArray("caf\xef\xbf\xbd.txt")};
    for (const QByteArray &name : onDisk) {
        const QByteArray path = QFile::encodeName(m_folders->source) + '/' + name;
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        QVERIFY(fd >= 0);
        ::close(fd);
    }
    const QString records = m_folders->path(QStringLiteral("records"));
    qputenv(CORVANE_ARGV_RECORD_VARIABLE, QFile::encodeName(records));
    auto unset = qScopeGuard([] { qunsetenv(CORVANE_ARGV_RECORD_VARIABLE); });
    setTool(0, program, QStringLiteral("$SPath$$SName$"), capture);
    // As the file list shows them.
    addJobs(ListFolder(m_folders->source, EntryKind::Files));
    test::MessageRecorder messages(m_folders->desktop);
    QVERIFY(runToEnd());
    QCOMPARE(messages.count(), 0);

    const QList<test::ArgvRecord> seen = test::ReadArgvRecords(records);
    QCOMPARE(seen.size(), 2);
    QList<QByteArray> arguments;
    for (const test::ArgvRecord &record : seen)
        arguments << record.arguments.value(1);
    std::sort(arguments.begin(), arguments.end());
    QCOMPARE(arguments,
             (QList<QByteArray>{QFile::encodeName(m_folders->source) + '/' + onDisk.at(0),
                                QFile::encodeName(m_folders->source) + '/' + onDisk.at(1)}));
}

void TestBatchRun::severalAtOnce_data()
{
    QTest::addColumn<int>("jobs");
    QTest::newRow("one at a time") << 1;
    QTest::newRow("three at once") << 3;
}

void TestBatchRun::severalAtOnce()
{
    QFETCH(int, jobs);
    // Each command writes lines to both streams with pauses between, so
    // that commands running together interleave; entry 1 writes far more
    // than a waiting block keeps in memory. Its exit status is its index.
    setTool(0, QStringLiteral("cmd /c"),
            QStringLiteral("echo start $Index$ >> ../order.log; i=0; while [ $i -lt 4 ]; do "
                           "echo \"$SName$ out $i\"; echo \"$SName$ err $i\" >&2; sleep 0.02; "
                           "i=$((i+1)); done; if [ $Index$ = 1 ]; then head -c 300000 /dev/zero "
                           "| tr '\\0' x; fi; echo end $Index$ >> ../order.log; exit $Index$"),
            true, jobs);
    const QStringList names = {QStringLiteral("n0"), QStringLiteral("n1"), QStringLiteral("n2"),
                               QStringLiteral("n3"), QStringLiteral("n4")};
    addJobs(names);
    QList<quint64> startedKeys;
    connect(m_batch.get(), &BatchRun::entryStarted, this,
            [&](int, const QString &, quint64 key) { startedKeys << key; });
    test::MessageRecorder messages(m_folders->desktop);
    QVERIFY(runToEnd());
    QCOMPARE(messages.count(), 0);

    QByteArray expected;
    for (int i = 0; i < names.size(); ++i) {
        for (int line = 0; line < 4; ++line)
            expected += QStringLiteral("n%1 out %2\nn%1 err %2\n").arg(i).arg(line).toUtf8();
        if (i == 1)
            expected += QByteArray(300000, 'x');
    }
    const QByteArray report = readFile(JoinPath(m_folders->data, QStringLiteral("report.txt")));
    QCOMPARE(report.size(), expected.size());
    QVERIFY(report == expected);
    // Started in job-list order; with three at once the first three start
    // before any ends.
    QCOMPARE(startedKeys, (QList<quint64>{1, 2, 3, 4, 5}));
    const QList<QByteArray> order =
        readFile(m_folders->path(QStringLiteral("order.log"))).split('\n');
    const qsizetype firstEnd =
        std::find_if(order.cbegin(), order.cend(),
                     [](const QByteArray &line) { return line.startsWith("end"); }) -
        order.cbegin();
    QCOMPARE(firstEnd, qsizetype(jobs == 1 ? 1 : 3));
    // Each outcome on its own entry.
    QCOMPARE(m_batch->lastResults().size(), names.size());
    for (const BatchEntryResult &result : m_batch->lastResults()) {
        QCOMPARE(result.exitCode, int(result.key) - 1);
        QCOMPARE(result.index, int(result.key) - 1);
    }
    QCOMPARE(m_host->progress, 5);
    // No temporary file is left beside the report.
    QCOMPARE(filesIn(m_folders->data),
             QStringList({QStringLiteral("config.ini"), QStringLiteral("report.txt")}));
}

void TestBatchRun::stopEndsEveryRunningCommand()
{
    // The shell and its child take SIGTERM as it comes: only a stop that
    // reaches the whole process group ends the child before the SIGKILL
    // five seconds later.
    setTool(0, QStringLiteral("cmd /c"),
            QStringLiteral("sleep 60 & echo $! > ../child$Index$; wait"), false, 3);
    addJobs({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")});
    const auto childFile = [this](int i) {
        return m_folders->path(QStringLiteral("child%1").arg(i));
    };
    QTimer::singleShot(0, this, [&] {
        QTRY_VERIFY(QFileInfo(childFile(0)).size() > 0 && QFileInfo(childFile(1)).size() > 0 &&
                    QFileInfo(childFile(2)).size() > 0);
        m_batch->stop();
    });
    QElapsedTimer clock;
    clock.start();
    QVERIFY(runToEnd());
    for (int i = 0; i < 3; ++i) {
        const QString stat = QStringLiteral("/proc/%1/stat")
                                 .arg(QString::fromLatin1(readFile(childFile(i)).trimmed()));
        QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(stat) || readFile(stat).contains(") Z "), 2000);
    }
    QVERIFY2(clock.elapsed() < 4000, "the children outlived SIGTERM");
    QCOMPARE(m_host->status, QStringLiteral("已停止"));
    QStringList outcomes;
    for (const BatchEntryResult &result : m_batch->lastResults())
        outcomes << (result.signal ? SignalName(result.signal)
                                   : QStringLiteral("%1").arg(int(result.outcome)));
    QCOMPARE(outcomes, QStringList({QStringLiteral("SIGTERM"), QStringLiteral("SIGTERM"),
                                    QStringLiteral("SIGTERM"), QStringLiteral("4")}));
    QVERIFY(!QFile::exists(childFile(3)));
}

void TestBatchRun::exitLeavesCommandsRunning_data()
{
    QTest::addColumn<bool>("capture");
    QTest::newRow("captured, two at once") << true;
    QTest::newRow("shown only") << false;
}

void TestBatchRun::exitLeavesCommandsRunning()
{
    QFETCH(bool, capture);
    // Each command prints, waits for the go the test gives once Corvane has
    // gone, prints a lot more and notes that it got to its end.
    setTool(0, QStringLiteral("cmd /c"),
            QStringLiteral("echo first $Index$; while [ ! -e ../go ]; do sleep 0.02; done; "
                           "head -c 200000 /dev/zero | tr '\\0' $Index$; echo; echo last $Index$; "
                           "echo ended > ../ended$Index$"),
            capture, 2);
    QVERIFY(m_folders->settings.writeInt(ToolKey(ToolField::ShowConsole, 0), capture ? 0 : 1));
    m_folders->tool.reload();
    m_launcher->setConsoleFactory(
        [](const QString &) { return std::make_unique<DiscardingView>(); });
    addJobs({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    int started = 0;
    connect(m_batch.get(), &BatchRun::entryStarted, this, [&] { ++started; });
    m_batch->run();
    QTRY_COMPARE(started, 2);
    const QString report = JoinPath(m_folders->data, QStringLiteral("report.txt"));
    if (capture)
        QTRY_COMPARE(readFile(report), QByteArray("first 0\n"));
    QTest::qWait(100);

    // Corvane ends; the commands do not.
    m_batch.reset();
    QVERIFY(test::writeBytes(m_folders->path(QStringLiteral("go")), ""));
    for (int i = 0; i < 2; ++i)
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_folders->path(QStringLiteral("ended%1").arg(i))),
                                 10000);
    QVERIFY(!QFile::exists(m_folders->path(QStringLiteral("ended2"))));
    if (capture) {
        QByteArray expected;
        for (const char index : {'0', '1'})
            expected += QByteArray("first ") + index + '\n' + QByteArray(200000, index) +
                        "\nlast " + index + '\n';
        QTRY_COMPARE_WITH_TIMEOUT(readFile(report).size(), expected.size(), 10000);
        QVERIFY(readFile(report) == expected);
    }
    // Nothing is left: no relay, no temporary file.
    QTRY_COMPARE_WITH_TIMEOUT(otherLiveCopies(), 0, 10000);
    QCOMPARE(filesIn(m_folders->data),
             capture ? QStringList({QStringLiteral("config.ini"), QStringLiteral("report.txt")})
                     : QStringList({QStringLiteral("config.ini")}));
}

QTEST_GUILESS_MAIN(TestBatchRun)
#include "tst_batch_run.moc"
