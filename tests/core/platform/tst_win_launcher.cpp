#include "argv_record.h"
#include "batch_folders.h"
#include "core/batch/batch_run.h"
#include "core/command/command_line.h"
#include "core/files/paths.h"
#include "core/platform/data_folder.h"
#include "core/platform/windows/launcher.h"
#include "core/settings/active_tool.h"
#include "core/settings/settings_file.h"
#include "corvane_helpers.h"
#include "fake_batch_host.h"
#include "message_recorder.h"
#include "test_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>

#include <memory>

#include <windows.h>

#include <shellapi.h>
#include <tlhelp32.h>

using namespace corvane;
using corvane::test::ArgvRecord;
using corvane::test::FakeHost;
using corvane::test::ReadArgvRecords;
using corvane::test::readFile;
using corvane::test::writeFile;

namespace {

QString helperPath(const char *path)
{
    return QDir::toNativeSeparators(QString::fromUtf8(path));
}

QStringList decoded(const QList<QByteArray> &bytes)
{
    QStringList list;
    for (const QByteArray &item : bytes)
        list << QString::fromUtf8(item);
    return list;
}

// How CommandLineToArgvW, the other reader of command lines, splits one.
QStringList shellSplit(const QString &line)
{
    int count = 0;
    wchar_t **words = ::CommandLineToArgvW(reinterpret_cast<const wchar_t *>(line.utf16()), &count);
    QStringList list;
    for (int i = 0; i < count; ++i)
        list << QString::fromWCharArray(words[i]);
    ::LocalFree(words);
    return list;
}

// How many processes of that program image are running.
int runningCopies(const QString &image)
{
    const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return -1;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = ::Process32FirstW(snapshot, &entry); more;
         more = ::Process32NextW(snapshot, &entry)) {
        if (QString::fromWCharArray(entry.szExeFile).compare(image, Qt::CaseInsensitive) == 0)
            ++count;
    }
    ::CloseHandle(snapshot);
    return count;
}

// Under Wine, whose cmd.exe differs from Windows' in one respect (below).
bool runsUnderWine()
{
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
}

// Pieces of a command whose arguments are values, one word each; an empty
// word is typed as "", since empty values make no word.
QList<CommandPiece> valueWords(const QStringList &values)
{
    QList<CommandPiece> pieces;
    for (const QString &value : values) {
        pieces.append(CommandPiece{QStringLiteral(" "), std::nullopt});
        if (value.isEmpty())
            pieces.append(CommandPiece{QStringLiteral("\"\""), std::nullopt});
        else
            pieces.append(CommandPiece{value, Placeholder::SourceName});
    }
    return pieces;
}

// The names that must reach a program as data, through cmd.exe too: each
// holds characters that cmd.exe reads as operators, escapes, variable
// references or separators.
const QStringList &hostileNames()
{
    static const QStringList names = {
        QStringLiteral("a&b.txt"),
        QStringLiteral("50%.wav"),
        QStringLiteral("x^y.txt"),
        QStringLiteral("100% ^ & ! ( ) .txt"),
        QStringLiteral("bang!.txt"),
        QStringLiteral("(1) a b.txt"),
        QStringLiteral("a;b,c=d.txt"),
        QStringLiteral("^ & ! ( ) |.txt"),
        QStringLiteral("x & echo pwned > pwned.txt"),
        QStringLiteral("it's.txt"),
        QStringLiteral("中文 名.txt"),
    };
    return names;
}

// Where the batch file of the tests lies: a folder whose name cmd.exe would
// read as well. %* hands on its arguments as it got them.
QString makeBatchFile(const QString &root)
{
    const QString folder = root + QStringLiteral("/R&D (x86)");
    const QString path = QDir::toNativeSeparators(folder + QStringLiteral("/run it.bat"));
    if (!QDir().mkpath(folder) ||
        !test::writeBytes(path,
                          "@\"" + helperPath(CORVANE_HELPER_ARGV_RECORDER).toUtf8() + "\" %*\r\n"))
        return {};
    return path;
}

// A console view that keeps what it was given.
class RecordingView final : public ConsoleView {
public:
    explicit RecordingView(QByteArray *output, int *finished)
        : m_output(output), m_finished(finished)
    {
    }
    void appendOutput(const QByteArray &bytes) override { *m_output += bytes; }
    void commandFinished() override { ++*m_finished; }

private:
    QByteArray *m_output;
    int *m_finished;
};

} // namespace

class TestWindowsLauncher final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void argumentsRoundTrip_data();
    void argumentsRoundTrip();
    void namesReachProgramAsData_data();
    void namesReachProgramAsData();
    void percentInNames_data();
    void percentInNames();
    void captureKeepsOrder_data();
    void captureKeepsOrder();
    void exitCodesAndStartFailures_data();
    void exitCodesAndStartFailures();
    void stopEndsCommandAndWhatItStarted();
    void severalAtOnceKeepReportOrder();
    void exitLeavesCommandsRunning();

private:
    LaunchRequest request(const QString &program, const QList<CommandPiece> &arguments) const;
    void setTool(const QString &program, const QString &commandTemplate, bool capture,
                 int jobs = 1);
    // Runs a batch over the names; the records of the argv recorder.
    QList<ArgvRecord> runBatch(const QStringList &names);
    static bool waitForEnd(RunningCommand &command);

    std::unique_ptr<test::BatchFolders> m_folders;
    QString m_records;
};

void TestWindowsLauncher::init()
{
    m_folders = std::make_unique<test::BatchFolders>();
    QVERIFY(m_folders->isValid());
    m_records = m_folders->path(QStringLiteral("records"));
    qputenv(CORVANE_ARGV_RECORD_VARIABLE, QDir::toNativeSeparators(m_records).toUtf8());
}

void TestWindowsLauncher::cleanup()
{
    qunsetenv(CORVANE_ARGV_RECORD_VARIABLE);
    m_folders->restoreWorkingFolder();
    // The console host of an ended command may still hold its working folder
    // for a moment.
    QTRY_VERIFY_WITH_TIMEOUT(QDir(m_folders->destination).removeRecursively(), 5000);
    m_folders.reset();
}

LaunchRequest TestWindowsLauncher::request(const QString &program,
                                           const QList<CommandPiece> &arguments) const
{
    LaunchRequest request;
    request.command.program = program;
    request.command.arguments = arguments;
    request.commandLine = request.command.text();
    const QString report = JoinPath(m_folders->data, QStringLiteral("report.txt"));
    request.output = [report](const char *bytes, qint64 size) {
        QFile file(report);
        if (file.open(QIODevice::Append))
            file.write(bytes, size);
    };
    request.workingDirectory = m_folders->destination;
    return request;
}

void TestWindowsLauncher::setTool(const QString &program, const QString &commandTemplate,
                                  bool capture, int jobs)
{
    const SettingsFile &settings = m_folders->settings;
    QVERIFY(settings.writeString(ToolKey(ToolField::Program, 0), program));
    QVERIFY(settings.writeString(ToolKey(ToolField::CommandTemplate, 0), commandTemplate));
    QVERIFY(settings.writeInt(ToolKey(ToolField::CaptureOutput, 0), capture ? 1 : 0));
    QVERIFY(settings.writeInt(ToolKey(ToolField::Jobs, 0), jobs));
    m_folders->tool.select(0);
}

QList<ArgvRecord> TestWindowsLauncher::runBatch(const QStringList &names)
{
    FakeHost host;
    host.destination = m_folders->destination;
    for (const QString &name : names)
        host.add(name, m_folders->source);
    const std::unique_ptr<Launcher> launcher = CreateLauncher();
    BatchRun batch(host, *launcher, m_folders->tool, m_folders->data);
    test::MessageRecorder messages(m_folders->desktop);
    connect(&batch, &BatchRun::failed, this,
            [this](const Message &message) { m_folders->desktop.showMessage(message); });
    QSignalSpy finished(&batch, &BatchRun::finished);
    batch.run();
    if (finished.isEmpty() && !finished.wait(60000))
        return {};
    for (const Message &message : messages.messages())
        qWarning("%s", qPrintable(message.text));
    if (messages.count() != 0)
        return {};
    return ReadArgvRecords(m_records);
}

bool TestWindowsLauncher::waitForEnd(RunningCommand &command)
{
    QSignalSpy spy(&command, &RunningCommand::finished);
    return spy.wait(30000) && spy.count() == 1;
}

void TestWindowsLauncher::argumentsRoundTrip_data()
{
    QTest::addColumn<QString>("programFolder");
    QTest::addColumn<QStringList>("words");

    const auto s = [](const char *text) { return QString::fromUtf8(text); };
    QTest::newRow("plain") << QString() << QStringList{s("-i"), s("in.wav")};
    QTest::newRow("blanks and tabs") << QString() << QStringList{s("a b"), s("\tx"), s("y ")};
    QTest::newRow("empty") << QString() << QStringList{s(""), s("x"), s("")};
    QTest::newRow("double quotes")
        << QString() << QStringList{s("a\"b"), s("\""), s("\"\""), s("\"a b\"")};
    QTest::newRow("backslashes") << QString()
                                 << QStringList{s("a\\b"),      s("a\\\\\"b"),
                                                s("end\\"),     s("end\\\\"),
                                                s("D:\\Out\\"), s("\\\\server\\share\\"),
                                                s("a b\\")};
    QTest::newRow("cmd characters")
        << QString()
        << QStringList{s("a&b"), s("50%"), s("x^y"), s("!x!"), s("(a)"), s("a|b"), s("%PATH%")};
    QTest::newRow("Chinese") << QString() << QStringList{s("中文 名.txt")};
    QTest::newRow("program in a folder with blanks and &")
        << s("R&D tools (x86)") << QStringList{s("a b")};
}

void TestWindowsLauncher::argumentsRoundTrip()
{
    QFETCH(QString, programFolder);
    QFETCH(QStringList, words);

    QString program = helperPath(CORVANE_HELPER_ARGV_RECORDER);
    if (!programFolder.isEmpty()) {
        const QString folder = m_folders->path(programFolder);
        QVERIFY(QDir().mkpath(folder));
        const QString copy = QDir::toNativeSeparators(folder + QStringLiteral("/rec.exe"));
        QVERIFY(QFile::copy(program, copy));
        program = copy;
    }
    const LaunchResult result = CreateLauncher()->start(request(program, valueWords(words)));
    QVERIFY2(result.command, qPrintable(result.error));
    QVERIFY(waitForEnd(*result.command));
    QCOMPARE(result.command->exitCode(), 0);

    const QList<ArgvRecord> records = ReadArgvRecords(m_records);
    QCOMPARE(records.size(), 1);
    const ArgvRecord &record = records.first();
    // The C runtime's reading and CommandLineToArgvW's give back the words.
    QCOMPARE(decoded(record.arguments), QStringList{program} + words);
    QCOMPARE(shellSplit(QString::fromUtf8(record.commandLine)), QStringList{program} + words);
    QCOMPARE(QDir::fromNativeSeparators(QString::fromUtf8(record.workingDirectory)),
             m_folders->destination);
    QCOMPARE(record.standardInput, QByteArray("eof"));
    QVERIFY(record.standardInputIsDevNull);
}

void TestWindowsLauncher::namesReachProgramAsData_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("commandTemplate");
    QTest::addColumn<bool>("capture");
    QTest::addColumn<bool>("withFolder");
    QTest::addColumn<QStringList>("names");

    // A % in the arguments of a batch file: percentInNames.
    QStringList withoutPercent = hostileNames();
    withoutPercent.removeIf([](const QString &name) { return name.contains(QLatin1Char('%')); });
    const QStringList &all = hostileNames();
    const QString recorder = helperPath(CORVANE_HELPER_ARGV_RECORDER);
    const QString cmd = QStringLiteral("cmd /c");
    const QString quotedRecorder = QLatin1Char('"') + recorder + QStringLiteral("\" ");
    for (const bool capture : {false, true}) {
        const char *suffix = capture ? ", capture on" : ", capture off";
        QTest::addRow("cmd /c, name unquoted%s", suffix)
            << cmd << quotedRecorder + QStringLiteral("$SName$") << capture << false << all;
        QTest::addRow("cmd /c, folder and name quoted%s", suffix)
            << cmd << quotedRecorder + QStringLiteral("\"$SPath$$SName$\"") << capture << true
            << all;
        QTest::addRow("cmd /c, folder and name unquoted%s", suffix)
            << cmd << quotedRecorder + QStringLiteral("$SPath$$SName$") << capture << true << all;
        QTest::addRow("program, name unquoted%s", suffix)
            << recorder << QStringLiteral("$SName$") << capture << false << all;
        QTest::addRow("program, folder and name quoted%s", suffix)
            << recorder << QStringLiteral("\"$SPath$$SName$\"") << capture << true << all;
        QTest::addRow("batch file, name unquoted%s", suffix)
            << QStringLiteral("batch file") << QStringLiteral("$SName$") << capture << false
            << withoutPercent;
    }
}

void TestWindowsLauncher::namesReachProgramAsData()
{
    QFETCH(QString, program);
    QFETCH(QString, commandTemplate);
    QFETCH(bool, capture);
    QFETCH(bool, withFolder);
    QFETCH(QStringList, names);

    if (program == QLatin1String("batch file"))
        program = makeBatchFile(m_folders->root);
    setTool(program, commandTemplate, capture);
    const QList<ArgvRecord> records = runBatch(names);
    QCOMPARE(records.size(), names.size());

    const QString folder = QDir::toNativeSeparators(m_folders->source) + QLatin1Char('\\');
    for (qsizetype i = 0; i < records.size(); ++i) {
        const QString expected = withFolder ? folder + names.at(i) : names.at(i);
        QCOMPARE(decoded(records.at(i).arguments).mid(1), QStringList{expected});
    }
    // Nothing but the records came of it: no file from a name, no message
    // from cmd.exe in the report.
    const auto entries = [](const QString &path) {
        return QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    };
    QCOMPARE(entries(m_folders->destination), QStringList());
    QCOMPARE(entries(m_folders->source), QStringList());
    if (capture)
        QCOMPARE(readFile(JoinPath(m_folders->data, QStringLiteral("report.txt"))), QByteArray());
    QVERIFY(!QFile::exists(m_folders->path(QStringLiteral("pwned.txt"))));
}

void TestWindowsLauncher::percentInNames_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("commandTemplate");
    QTest::addColumn<QString>("wineDiffers");

    const QString recorder = helperPath(CORVANE_HELPER_ARGV_RECORDER);
    QTest::newRow("program") << recorder << QStringLiteral("$SName$") << QString();
    QTest::newRow("cmd /c") << QStringLiteral("cmd /c")
                            << QLatin1Char('"') + recorder + QStringLiteral("\" $SName$")
                            << QStringLiteral(
                                   "Wine's cmd.exe reads the value that a variable reference "
                                   "puts in again and expands the references in it; Windows' "
                                   "cmd.exe puts the value in as it is");
    QTest::newRow("batch file") << QStringLiteral("batch file") << QStringLiteral("$SName$")
                                << QStringLiteral(
                                       "Wine's cmd.exe reads what %* puts into a line of a "
                                       "batch file again and drops a lone %; Windows' cmd.exe "
                                       "puts the arguments in as they are");
}

void TestWindowsLauncher::percentInNames()
{
    QFETCH(QString, program);
    QFETCH(QString, commandTemplate);
    QFETCH(QString, wineDiffers);

    if (runsUnderWine() && !wineDiffers.isEmpty())
        QSKIP(qPrintable(wineDiffers));
    if (program == QLatin1String("batch file"))
        program = makeBatchFile(m_folders->root);
    qputenv("CORVANE_DEFINED", "expanded");
    const auto unset = qScopeGuard([] { qunsetenv("CORVANE_DEFINED"); });
    const QStringList names = {QStringLiteral("50%.wav"),
                               QStringLiteral("100% ^ & ! ( ) .txt"),
                               QStringLiteral("%CORVANE_DEFINED%.txt"),
                               QStringLiteral("!CORVANE_DEFINED!.txt"),
                               QStringLiteral("!CORVANE_SNAME!.txt"),
                               QStringLiteral("%~1 %* %%.txt")};
    setTool(program, commandTemplate, true);
    const QList<ArgvRecord> records = runBatch(names);
    QCOMPARE(records.size(), names.size());
    for (qsizetype i = 0; i < records.size(); ++i)
        QCOMPARE(decoded(records.at(i).arguments).mid(1), QStringList{names.at(i)});
    QCOMPARE(readFile(JoinPath(m_folders->data, QStringLiteral("report.txt"))), QByteArray());
}

void TestWindowsLauncher::captureKeepsOrder_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("commandTemplate");

    const QString printer = helperPath(CORVANE_HELPER_PRINT_BOTH);
    QTest::newRow("program") << printer << QString();
    QTest::newRow("cmd /c") << QStringLiteral("cmd /c")
                            << QLatin1Char('"') + printer + QStringLiteral("\" & echo $SName$");
}

void TestWindowsLauncher::captureKeepsOrder()
{
    QFETCH(QString, program);
    QFETCH(QString, commandTemplate);

    // Standard output and error in the order written, each entry's after
    // the one before, appended to what the report held: the batch deletes
    // an old report first, so the launcher is driven directly here.
    const QString report = JoinPath(m_folders->data, QStringLiteral("report.txt"));
    writeFile(report, "before\n");
    const QByteArray printed = "out 1\nerr 1\nout 2\nerr 2\n";
    QByteArray expected = "before\n";
    // The console view, when asked for, gets the same output live.
    QByteArray shown;
    int finished = 0;
    const std::unique_ptr<Launcher> launcher = CreateLauncher();
    launcher->setConsoleFactory(
        [&](const QString &) { return std::make_unique<RecordingView>(&shown, &finished); });
    for (const QString &name : {QStringLiteral("a&b"), QStringLiteral("c")}) {
        LaunchRequest req = request(program, {});
        req.command = ExpandCommand(program, commandTemplate, name, m_folders->source, 0,
                                    m_folders->destination, QLatin1Char('\\'));
        req.capture = true;
        req.showWindow = true;
        const LaunchResult result = launcher->start(req);
        QVERIFY2(result.command, qPrintable(result.error));
        QVERIFY(waitForEnd(*result.command));
        expected += printed;
        // A value goes into a cmd.exe line in double quotes, which echo shows.
        if (program.startsWith(QLatin1String("cmd")))
            expected += '"' + name.toUtf8() + "\"\r\n";
    }
    QCOMPARE(readFile(report), expected);
    QCOMPARE(QByteArray("before\n") + shown, expected);
    QCOMPARE(finished, 2);
}

void TestWindowsLauncher::exitCodesAndStartFailures_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QString>("workingFolder");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("error");

    const QString exitCode = helperPath(CORVANE_HELPER_EXIT_CODE);
    QTest::newRow("exit 0") << exitCode << QString() << QString() << 0 << QString();
    QTest::newRow("exit 3") << exitCode << QStringLiteral("3") << QString() << 3 << QString();
    QTest::newRow("cmd /c exit 5")
        << QStringLiteral("cmd /c") << QStringLiteral("exit 5") << QString() << 5 << QString();
    QTest::newRow("missing program")
        << QStringLiteral("corvane-no-such-program") << QString() << QString() << -1
        << QStringLiteral("找不到程序：corvane-no-such-program");
    QTest::newRow("folder as program") << QStringLiteral(".\\sub") << QString() << QString() << -1
                                       << QStringLiteral("这是文件夹，不是程序：.\\sub");
    QTest::newRow("missing working folder") << exitCode << QString() << QStringLiteral("gone") << -1
                                            << QStringLiteral("工作目录不存在");
    QTest::newRow("bare name from the system folder")
        << QStringLiteral("cmd") << QStringLiteral("/d /c exit 6") << QString() << 6 << QString();
    QTest::newRow("bare name planted in the current folder")
        << QStringLiteral("planted") << QString() << QString() << -1
        << QStringLiteral("找不到程序：planted");
}

void TestWindowsLauncher::exitCodesAndStartFailures()
{
    QFETCH(QString, program);
    QFETCH(QString, arguments);
    QFETCH(QString, workingFolder);
    QFETCH(int, exitCode);
    QFETCH(QString, error);

    QVERIFY(QDir().mkpath(m_folders->destination + QStringLiteral("/sub")));
    // The working folder is the current one during a batch.
    QVERIFY(QDir::setCurrent(m_folders->destination));
    QVERIFY(QFile::copy(helperPath(CORVANE_HELPER_EXIT_CODE),
                        m_folders->destination + QStringLiteral("/planted.exe")));
    LaunchRequest req = request(program, {CommandPiece{arguments, std::nullopt}});
    if (!workingFolder.isEmpty())
        req.workingDirectory = m_folders->path(workingFolder);
    const LaunchResult result = CreateLauncher()->start(req);
    if (!error.isEmpty()) {
        QVERIFY(!result.command);
        QVERIFY2(result.error.startsWith(error), qPrintable(result.error));
        return;
    }
    QVERIFY2(result.command, qPrintable(result.error));
    QVERIFY(result.command->processId() > 0);
    QVERIFY(waitForEnd(*result.command));
    QVERIFY(!result.command->isRunning());
    QCOMPARE(result.command->exitCode(), exitCode);
    QCOMPARE(result.command->terminationSignal(), 0);
}

void TestWindowsLauncher::stopEndsCommandAndWhatItStarted()
{
    // cmd.exe starts one sleeper in the background and waits for another:
    // a stop ends all three, the background one included.
    const QString sleeper = helperPath(CORVANE_HELPER_SLEEP);
    const QString image = QFileInfo(sleeper).fileName();
    QCOMPARE(runningCopies(image), 0);
    const QString line = QStringLiteral("start \"\" /b \"%1\" 60000 & \"%1\" 60000").arg(sleeper);
    const LaunchResult result = CreateLauncher()->start(
        request(QStringLiteral("cmd /c"), {CommandPiece{line, std::nullopt}}));
    QVERIFY2(result.command, qPrintable(result.error));
    QTRY_COMPARE_WITH_TIMEOUT(runningCopies(image), 2, 20000);

    QSignalSpy finished(result.command.get(), &RunningCommand::finished);
    result.command->terminate();
    QVERIFY(finished.wait(10000));
    QCOMPARE(finished.count(), 1);
    QCOMPARE(result.command->exitCode(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(runningCopies(image), 0, 5000);
}

void TestWindowsLauncher::severalAtOnceKeepReportOrder()
{
    // Three at once, each printing in steps with pauses between, entry 1 far
    // more than a waiting block keeps in memory; its exit status is its
    // index. The report holds each entry's output whole, in list order.
    const QString print =
        QLatin1Char('"') + helperPath(CORVANE_HELPER_PRINT_BOTH) + QLatin1Char('"');
    const QString sleep = QLatin1Char('"') + helperPath(CORVANE_HELPER_SLEEP) + QLatin1Char('"');
    setTool(QStringLiteral("cmd /c"),
            QStringLiteral("%1 out:$SName$-a & %2 50 & %1 err:$SName$-b & "
                           "(if $Index$==1 %1 bulk:20000) & %2 50 & %1 out:$SName$-c & "
                           "exit $Index$")
                .arg(print, sleep),
            true, 3);
    const QStringList names = {QStringLiteral("n0"), QStringLiteral("n1"), QStringLiteral("n2"),
                               QStringLiteral("n3")};
    FakeHost host;
    host.destination = m_folders->destination;
    for (const QString &name : names)
        host.add(name, m_folders->source);
    const std::unique_ptr<Launcher> launcher = CreateLauncher();
    BatchRun batch(host, *launcher, m_folders->tool, m_folders->data);
    test::MessageRecorder messages(m_folders->desktop);
    connect(&batch, &BatchRun::failed, this,
            [this](const Message &message) { m_folders->desktop.showMessage(message); });
    QSignalSpy finished(&batch, &BatchRun::finished);
    batch.run();
    QVERIFY(finished.wait(60000));
    QCOMPARE(messages.count(), 0);

    QByteArray expected;
    for (int i = 0; i < names.size(); ++i) {
        expected += QStringLiteral("n%1-a\nn%1-b\n").arg(i).toUtf8();
        for (int line = 0; i == 1 && line < 20000; ++line)
            expected += QByteArray::number(line).rightJustified(7, '0').prepend("bulk ") + '\n';
        expected += QStringLiteral("n%1-c\n").arg(i).toUtf8();
    }
    const QByteArray report = readFile(JoinPath(m_folders->data, QStringLiteral("report.txt")));
    QCOMPARE(report.size(), expected.size());
    QVERIFY(report == expected);
    for (const BatchEntryResult &result : batch.lastResults())
        QCOMPARE(result.exitCode, result.index);
    QCOMPARE(QDir(m_folders->data).entryList(QDir::Files | QDir::Hidden),
             QStringList({QStringLiteral("config.ini"), QStringLiteral("report.txt")}));
}

void TestWindowsLauncher::exitLeavesCommandsRunning()
{
    // Two commands print, wait for the go that comes once the batch has
    // been handed over (as when Corvane ends), then print much more.
    const QString print =
        QLatin1Char('"') + helperPath(CORVANE_HELPER_PRINT_BOTH) + QLatin1Char('"');
    const QString sleep = QLatin1Char('"') + helperPath(CORVANE_HELPER_SLEEP) + QLatin1Char('"');
    setTool(QStringLiteral("cmd /c"),
            QStringLiteral("%1 out:first-$SName$ & "
                           "(for /L %i in (1,1,1000) do @if not exist ..\\go %2 20) & "
                           "%1 bulk:20000 out:last-$SName$")
                .arg(print, sleep),
            true, 2);
    FakeHost host;
    host.destination = m_folders->destination;
    for (const QString &name : {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")})
        host.add(name, m_folders->source);
    const std::unique_ptr<Launcher> launcher = CreateLauncher();
    auto batch = std::make_unique<BatchRun>(host, *launcher, m_folders->tool, m_folders->data);
    int started = 0;
    connect(batch.get(), &BatchRun::entryStarted, this, [&] { ++started; });
    batch->run();
    const QString report = JoinPath(m_folders->data, QStringLiteral("report.txt"));
    QTRY_COMPARE_WITH_TIMEOUT(started, 2, 20000);
    QTRY_COMPARE_WITH_TIMEOUT(readFile(report), QByteArray("first-a\n"), 20000);
    const QString image = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    QCOMPARE(runningCopies(image), 1);

    batch.reset();
    QCOMPARE(runningCopies(image), 2);
    writeFile(m_folders->path(QStringLiteral("go")), "");
    QByteArray expected;
    for (const char *name : {"a", "b"}) {
        expected += QByteArray("first-") + name + '\n';
        for (int line = 0; line < 20000; ++line)
            expected += QByteArray::number(line).rightJustified(7, '0').prepend("bulk ") + '\n';
        expected += QByteArray("last-") + name + '\n';
    }
    QTRY_COMPARE_WITH_TIMEOUT(readFile(report).size(), expected.size(), 30000);
    QVERIFY(readFile(report) == expected);
    // The relay has gone, and with it its temporary files.
    QTRY_COMPARE_WITH_TIMEOUT(runningCopies(image), 1, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(
        QDir(m_folders->data).entryList(QDir::Files | QDir::Hidden),
        QStringList({QStringLiteral("config.ini"), QStringLiteral("report.txt")}), 5000);
}

QTEST_GUILESS_MAIN(TestWindowsLauncher)
#include "tst_win_launcher.moc"
