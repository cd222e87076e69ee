#include "batch_folders.h"
#include "core/batch/batch_run.h"
#include "core/batch/headless_run.h"
#include "core/batch/report_writer.h"
#include "core/files/paths.h"
#include "core/launch/launcher.h"
#include "corvane_helpers.h"
#include "fake_batch_host.h"
#include "message_recorder.h"
#include "test_files.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>
#include <QTextStream>

using namespace corvane;
using corvane::test::readFile;

// Batches run from the command line: exit statuses, what they print, their
// report, and the report's lock between batches.
class TestHeadlessRun final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void exitStatus_data();
    void exitStatus();
    void entryLinesAndSummary();
    void reportAsTheWindowWritesIt();
    void reportInUseRefusesSecondBatch_data();
    void reportInUseRefusesSecondBatch();

private:
    void setTool(int index, const QString &name, const QString &program,
                 const QString &commandTemplate, bool capture, int jobs = 1);
    // Runs from the source folder into the destination; out and err get
    // what it printed.
    int run(HeadlessRequest request, QString *out, QString *err = nullptr);
    // A batch in the window's way with the same data folder.
    std::unique_ptr<BatchRun> windowBatch(test::FakeHost &host, Launcher &launcher, int tool);

    std::unique_ptr<test::BatchFolders> m_folders;
};

void TestHeadlessRun::init()
{
    m_folders = std::make_unique<test::BatchFolders>();
    QVERIFY(m_folders->isValid());
    // Tool 0 (the active one) and 5 exit with the number that the file name
    // begins with; 3 and 4 share a name; 2 is empty.
    const QString exitCode = QStringLiteral(CORVANE_HELPER_EXIT_CODE);
    setTool(0, QStringLiteral("退出码"), exitCode, QStringLiteral("$SName$"), true);
    setTool(1, QString(), m_folders->path(QStringLiteral("missing/program")), QString(), false);
    setTool(3, QStringLiteral("同名"), exitCode, QString(), false);
    setTool(4, QStringLiteral("同名"), exitCode, QString(), false);
    setTool(5, QString(), exitCode, QStringLiteral("$SName$"), false);
    setTool(6, QString(), QStringLiteral(CORVANE_HELPER_PRINT_BOTH),
            QStringLiteral("out:$SName$ err:$Index$ bulk:3000"), true, 3);
    setTool(7, QString(), QStringLiteral(CORVANE_HELPER_SLEEP), QStringLiteral("60000"), true);
    for (const char *name : {"0.txt", "3.txt", "more/0.b", "more/0.a", "more/sub/3"}) {
        const QString path = QDir(m_folders->source).filePath(QString::fromUtf8(name));
        QVERIFY(QDir().mkpath(QFileInfo(path).path()) && test::writeBytes(path, "x"));
    }
}

void TestHeadlessRun::cleanup()
{
    m_folders.reset();
}

void TestHeadlessRun::setTool(int index, const QString &name, const QString &program,
                              const QString &commandTemplate, bool capture, int jobs)
{
    const SettingsFile &settings = m_folders->settings;
    QVERIFY(settings.writeString(ToolKey(ToolField::Name, index), name));
    QVERIFY(settings.writeString(ToolKey(ToolField::Program, index), program));
    QVERIFY(settings.writeString(ToolKey(ToolField::CommandTemplate, index), commandTemplate));
    QVERIFY(settings.writeInt(ToolKey(ToolField::CaptureOutput, index), capture ? 1 : 0));
    QVERIFY(settings.writeInt(ToolKey(ToolField::Jobs, index), jobs));
}

int TestHeadlessRun::run(HeadlessRequest request, QString *out, QString *err)
{
    QDir::setCurrent(m_folders->source);
    request.dataFolder = m_folders->data;
    if (request.destination.isEmpty())
        request.destination = m_folders->destination;
    QString ignored;
    QTextStream outStream(out);
    QTextStream errStream(err ? err : &ignored);
    return RunHeadless(request, outStream, errStream);
}

std::unique_ptr<BatchRun> TestHeadlessRun::windowBatch(test::FakeHost &host, Launcher &launcher,
                                                       int tool)
{
    host.destination = m_folders->destination;
    host.add(QStringLiteral("0.txt"), m_folders->source);
    m_folders->tool.select(tool);
    auto batch = std::make_unique<BatchRun>(host, launcher, m_folders->tool, m_folders->data);
    connect(batch.get(), &BatchRun::failed, this,
            [this](const Message &message) { m_folders->desktop.showMessage(message); });
    return batch;
}

void TestHeadlessRun::exitStatus_data()
{
    QTest::addColumn<QString>("tool");
    QTest::addColumn<QStringList>("paths");
    QTest::addColumn<QString>("destination");
    QTest::addColumn<int>("jobs"); // -1: the tool's own
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said"); // on standard error; nothing runs when set

    const QStringList good = {QStringLiteral("0.txt"), QStringLiteral("more")};
    const QString none;
    QTest::newRow("every entry succeeds") << none << good << none << -1 << 0 << none;
    QTest::newRow("one fails, two at once")
        << QStringLiteral("0") << QStringList({QStringLiteral("0.txt"), QStringLiteral("3.txt")})
        << none << 2 << 1 << none;
    QTest::newRow("tool by name") << QStringLiteral("退出码") << good << none << 64 << 0 << none;
    QTest::newRow("empty tool") << QStringLiteral("2") << good << none << -1 << 1
                                << QStringLiteral("工具 2 是空的");
    QTest::newRow("tool number out of range")
        << QStringLiteral("8") << good << none << -1 << 2 << QStringLiteral("没有编号为 8 的工具");
    QTest::newRow("no tool of that name") << QStringLiteral("无此工具") << good << none << -1 << 2
                                          << QStringLiteral("没有名为“无此工具”的工具");
    QTest::newRow("two tools of that name") << QStringLiteral("同名") << good << none << -1 << 2
                                            << QStringLiteral("有 2 个工具都叫“同名”");
    QTest::newRow("program missing")
        << QStringLiteral("1") << good << none << -1 << 1 << QStringLiteral("missing/program");
    QTest::newRow("destination missing") << none << good << QStringLiteral("missing") << -1 << 1
                                         << QStringLiteral("无法进入文件存储路径");
    QTest::newRow("jobs 0") << none << good << none << 0 << 2 << QStringLiteral("1 到 64");
    QTest::newRow("jobs 65") << none << good << none << 65 << 2 << QStringLiteral("1 到 64");
    QTest::newRow("no paths") << none << QStringList() << none << -1 << 2
                              << QStringLiteral("没有给出");
    QTest::newRow("no file among the paths")
        << none << QStringList({QStringLiteral("gone.txt")}) << none << -1 << 1
        << QStringLiteral("找不到“gone.txt”，已跳过\n没有要处理的文件");
}

void TestHeadlessRun::exitStatus()
{
    QFETCH(QString, tool);
    QFETCH(QStringList, paths);
    QFETCH(QString, destination);
    QFETCH(int, jobs);
    QFETCH(int, status);
    QFETCH(QString, said);
    const QString report = ReportPathIn(m_folders->data);
    test::writeFile(report, "old");
    HeadlessRequest request{paths, tool, QString(), std::nullopt, QString(), QString()};
    if (!destination.isEmpty())
        request.destination = m_folders->path(destination);
    if (jobs >= 0)
        request.jobs = jobs;
    QString out;
    QString err;
    QCOMPARE(run(request, &out, &err), status);
    QVERIFY2(err.contains(said), qPrintable(err));
    // A batch that ran replaced the old report.
    QCOMPARE(readFile(report) == "old", !said.isEmpty());
    QCOMPARE(out.isEmpty(), !said.isEmpty());
}

void TestHeadlessRun::entryLinesAndSummary()
{
    HeadlessRequest request;
    request.tool = QStringLiteral("5");
    request.paths = QStringList{QStringLiteral("3.txt"), QStringLiteral("more"),
                                QStringLiteral("gone.txt"), QStringLiteral("0.txt")};
    QString out;
    QString err;
    QCOMPARE(run(request, &out, &err), 1);
    // The folder's files in name order, without its subfolder; the missing
    // path skipped.
    const auto line = [](int position, const char *outcome, const char *file) {
        return QStringLiteral("[%1/4] %2：%3 %4")
            .arg(position)
            .arg(QString::fromUtf8(outcome), QStringLiteral(CORVANE_HELPER_EXIT_CODE),
                 QString::fromUtf8(file));
    };
    const QStringList lines = out.split(QLatin1Char('\n'));
    QCOMPARE(lines.mid(0, 4),
             QStringList({line(1, "失败，退出码 3", "3.txt"), line(2, "成功，退出码 0", "0.a"),
                          line(3, "成功，退出码 0", "0.b"), line(4, "成功，退出码 0", "0.txt")}));
    QVERIFY2(lines.at(4).startsWith(QStringLiteral("完成。4 个条目中 1 个未成功：失败 1。共用时 ")),
             qPrintable(out));
    QCOMPARE(lines.size(), 6);
    QVERIFY(err.contains(QStringLiteral("找不到“gone.txt”，已跳过\n")));
}

void TestHeadlessRun::reportAsTheWindowWritesIt()
{
    // Three at once, each printing far more than a pipe holds.
    test::FakeHost host;
    const std::unique_ptr<Launcher> launcher = CreateLauncher();
    const std::unique_ptr<BatchRun> window = windowBatch(host, *launcher, 6);
    host.add(QStringLiteral("3.txt"), m_folders->source);
    host.add(QStringLiteral("0.txt"), m_folders->source);
    QSignalSpy finished(window.get(), &BatchRun::finished);
    window->run();
    QVERIFY(finished.wait(60000));
    const QByteArray windowReport = readFile(ReportPathIn(m_folders->data));
    QVERIFY(windowReport.contains("3.txt\n1\nbulk 0000000\n"));

    HeadlessRequest request;
    request.tool = QStringLiteral("6");
    request.paths =
        QStringList{QStringLiteral("0.txt"), QStringLiteral("3.txt"), QStringLiteral("0.txt")};
    request.reportPath = m_folders->path(QStringLiteral("elsewhere.txt"));
    QString out;
    QCOMPARE(run(request, &out), 0);
    QVERIFY(readFile(request.reportPath) == windowReport);
    QVERIFY(readFile(ReportPathIn(m_folders->data)) == windowReport);
}

void TestHeadlessRun::reportInUseRefusesSecondBatch_data()
{
    QTest::addColumn<QString>("second");
    QTest::addColumn<int>("status"); // of a headless second batch
    QTest::newRow("in the window") << QStringLiteral("window") << 1;
    QTest::newRow("headless") << QStringLiteral("0") << 1;
    // It runs beside the first and leaves the report alone.
    QTest::newRow("headless, not captured") << QStringLiteral("5") << 0;
}

void TestHeadlessRun::reportInUseRefusesSecondBatch()
{
    QFETCH(QString, second);
    QFETCH(int, status);
    // The first batch captures and sleeps until it is stopped.
    test::FakeHost firstHost;
    const std::unique_ptr<Launcher> launcher = CreateLauncher();
    const std::unique_ptr<BatchRun> first = windowBatch(firstHost, *launcher, 7);
    QSignalSpy started(first.get(), &BatchRun::entryStarted);
    first->run();
    QVERIFY(!started.isEmpty() || started.wait(10000));
    const QString report = ReportPathIn(m_folders->data);
    const QString refusal = ReportInUseText(report);

    if (second == QLatin1String("window")) {
        test::FakeHost host;
        const std::unique_ptr<BatchRun> window = windowBatch(host, *launcher, 0);
        test::MessageRecorder messages(m_folders->desktop);
        window->run();
        QCOMPARE(messages.count(), 1);
        QCOMPARE(messages.messages().first().text, refusal);
        // Ready again, and nothing ran.
        QVERIFY(host.processEnabled && !window->isRunning() && window->lastResults().isEmpty());
    } else {
        HeadlessRequest request;
        request.tool = second;
        request.paths = QStringList{QDir(m_folders->source).filePath(QStringLiteral("0.txt"))};
        QString out;
        QString err;
        QCOMPARE(run(request, &out, &err), status);
        QCOMPARE(err, status == 0 ? QString() : refusal + u'\n');
    }
    QVERIFY(QFile::exists(report) && first->isRunning());
    QSignalSpy finished(first.get(), &BatchRun::finished);
    first->stop();
    QVERIFY(finished.wait(10000));
    QVERIFY(!QFile::exists(ReportLockPath(report)));
}

QTEST_GUILESS_MAIN(TestHeadlessRun)
#include "tst_headless_run.moc"
