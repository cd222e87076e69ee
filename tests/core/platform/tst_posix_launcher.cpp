#include "argv_record.h"
#include "core/command/command_line.h"
#include "core/platform/posix/launcher.h"
#include "core/platform/standard_streams.h"
#include "corvane_helpers.h"
#include "test_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cerrno>
#include <memory>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace corvane;
using corvane::test::ArgvRecord;
using corvane::test::ReadArgvRecords;
using corvane::test::readFile;
using corvane::test::writeBytes;

Q_DECLARE_METATYPE(corvane::ExitNotice)

namespace {

// What a fake console view went through; it outlives the view.
struct ViewLog {
    QString title;
    QByteArray output;
    int finishedCount = 0;
    bool outputAfterFinish = false;
    bool destroyed = false;
};

class FakeConsoleView final : public ConsoleView {
public:
    explicit FakeConsoleView(std::shared_ptr<ViewLog> log) : m_log(std::move(log)) {}
    ~FakeConsoleView() override { m_log->destroyed = true; }
    Q_DISABLE_COPY_MOVE(FakeConsoleView)

    void appendOutput(const QByteArray &bytes) override
    {
        if (m_log->finishedCount > 0)
            m_log->outputAfterFinish = true;
        m_log->output += bytes;
    }
    void commandFinished() override { ++m_log->finishedCount; }

private:
    std::shared_ptr<ViewLog> m_log;
};

QString helperPath(const char *path)
{
    return QString::fromLocal8Bit(path);
}

QString quoted(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString recorderLine(const QString &arguments)
{
    return quoted(helperPath(CORVANE_HELPER_ARGV_RECORDER)) + QLatin1Char(' ') + arguments;
}

// Whether the process is still our child, running or a zombie.
bool isOurChild(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    // pid (comm) state ppid ...: comm may hold blanks, so read after the last ')'.
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 1 && fields.at(1).toLongLong() == ::getpid();
}

char processState(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return '?';
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    return close + 2 < text.size() ? text.at(close + 2) : '?';
}

QStringList decoded(const QList<QByteArray> &bytes)
{
    QStringList list;
    for (const QByteArray &item : bytes)
        list << QString::fromUtf8(item);
    return list;
}

// Appends the output a command hands over to the file at path, as the
// batch's report does.
OutputHandler appendingTo(const QString &path)
{
    return [path](const char *bytes, qint64 size) {
        QFile file(path);
        if (file.open(QIODevice::Append))
            file.write(bytes, size);
    };
}

QStringList folderEntries(const QString &folder)
{
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
}

} // namespace

class TestPosixLauncher final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void arguments_data();
    void arguments();
    void environmentOfTheChild_data();
    void environmentOfTheChild();
    void programLookedUpInPath();
    void programWithSlashIsRelativeToWorkingDirectory();
    void nothingInWorkingDirectoryStandsInForTheProgramBox_data();
    void nothingInWorkingDirectoryStandsInForTheProgramBox();
    void closedStandardStreamsOpenOnDevNull_data();
    void closedStandardStreamsOpenOnDevNull();
    void captureKeepsOrderAndAppends_data();
    void captureKeepsOrderAndAppends();
    void cmdPrefixRunsShell_data();
    void cmdPrefixRunsShell();
    void namesArriveAsData_data();
    void namesArriveAsData();
    void startFailures_data();
    void startFailures();
    void exitCodeAndFinishedOnce_data();
    void exitCodeAndFinishedOnce();
    void consoleView_data();
    void consoleView();
    void consoleViewGetsLargeOutput();
    void noConsoleViewWithoutFactory_data();
    void noConsoleViewWithoutFactory();
    void destroyedWhileRunningLeavesProcessAlone_data();
    void destroyedWhileRunningLeavesProcessAlone();
    void commandDeletedInFinishedSlot();

private:
    LaunchRequest request(const QString &line) const;
    // Waits for finished(); false when it did not come.
    static bool waitForEnd(RunningCommand &command);

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_work;
    QString m_data;
    QString m_report;
    QString m_record;
    QByteArray m_savedPath;
};

void TestPosixLauncher::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    // Canonical, so that it compares with what getcwd() reports in the child.
    const QString root = QFileInfo(m_dir->path()).canonicalFilePath();
    m_work = root + QStringLiteral("/work");
    m_data = root + QStringLiteral("/data");
    QVERIFY(QDir().mkpath(m_work));
    QVERIFY(QDir().mkpath(m_data));
    m_report = m_data + QStringLiteral("/report.txt");
    m_record = m_data + QStringLiteral("/record.txt");
    qputenv(CORVANE_ARGV_RECORD_VARIABLE, QFile::encodeName(m_record));
    m_savedPath = qgetenv("PATH");
}

void TestPosixLauncher::cleanup()
{
    qunsetenv(CORVANE_ARGV_RECORD_VARIABLE);
    qputenv("PATH", m_savedPath);
    m_dir.reset();
}

LaunchRequest TestPosixLauncher::request(const QString &line) const
{
    LaunchRequest request;
    request.commandLine = line;
    request.command.arguments = {CommandPiece{line, std::nullopt}};
    request.output = appendingTo(m_report);
    request.workingDirectory = m_work;
    return request;
}

bool TestPosixLauncher::waitForEnd(RunningCommand &command)
{
    QSignalSpy spy(&command, &RunningCommand::finished);
    return spy.wait(30000) && spy.count() == 1;
}

void TestPosixLauncher::arguments_data()
{
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QStringList>("expected");

    const auto s = [](const char *text) { return QString::fromUtf8(text); };
    QTest::newRow("no arguments") << QString() << QStringList();
    QTest::newRow("plain words") << s("-i in.wav -o out.mp3")
                                 << QStringList{s("-i"), s("in.wav"), s("-o"), s("out.mp3")};
    QTest::newRow("quoted blanks") << s("\"a b\"  \"c\td\"") << QStringList{s("a b"), s("c\td")};
    QTest::newRow("empty word") << s("x \"\" y") << QStringList{s("x"), s(""), s("y")};
    QTest::newRow("escaped quote")
        << s("\\\"q\\\" \"in \\\" side\"") << QStringList{s("\"q\""), s("in \" side")};
    QTest::newRow("shell characters stay")
        << s("$HOME ~ * ;ls |cat >x `id` $(id) 'a b'")
        << QStringList{s("$HOME"), s("~"),    s("*"),     s(";ls"), s("|cat"),
                       s(">x"),    s("`id`"), s("$(id)"), s("'a"),  s("b'")};
    QTest::newRow("backslashes stay") << s("a\\b c\\") << QStringList{s("a\\b"), s("c\\")};
    QTest::newRow("newline inside a word") << s("a\nb") << QStringList{s("a\nb")};
    QTest::newRow("Chinese") << s("中文 \"名 字.txt\"") << QStringList{s("中文"), s("名 字.txt")};
}

void TestPosixLauncher::arguments()
{
    QFETCH(QString, arguments);
    QFETCH(QStringList, expected);

    const LaunchResult result = CreateLauncher()->start(request(recorderLine(arguments)));
    QVERIFY2(result.command, qPrintable(result.error));
    QVERIFY(waitForEnd(*result.command));
    QCOMPARE(result.command->exitCode(), 0);

    const QList<ArgvRecord> records = ReadArgvRecords(m_record);
    QCOMPARE(records.size(), 1);
    QCOMPARE(decoded(records.first().arguments),
             QStringList{helperPath(CORVANE_HELPER_ARGV_RECORDER)} + expected);
}

void TestPosixLauncher::environmentOfTheChild_data()
{
    QTest::addColumn<bool>("capture");
    QTest::addColumn<bool>("showWindow");

    QTest::newRow("plain") << false << false;
    QTest::newRow("capture") << true << false;
    QTest::newRow("window") << false << true;
    QTest::newRow("capture and window") << true << true;
}

void TestPosixLauncher::environmentOfTheChild()
{
    QFETCH(bool, capture);
    QFETCH(bool, showWindow);

    // Our own standard input, here a pipe with data waiting, must not reach
    // the child. The test may have been started with it closed.
    int ends[2];
    QCOMPARE(::pipe(ends), 0);
    const int readEnd = ::fcntl(ends[0], F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    const int writeEnd = ::fcntl(ends[1], F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    ::close(ends[0]);
    ::close(ends[1]);
    QVERIFY(readEnd >= 0 && writeEnd >= 0);
    const int savedInput = ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    const auto restoreInput = qScopeGuard([savedInput, writeEnd] {
        if (savedInput >= 0) {
            ::dup2(savedInput, STDIN_FILENO);
            ::close(savedInput);
        } else {
            ::close(STDIN_FILENO);
        }
        ::close(writeEnd);
    });
    QCOMPARE(::write(writeEnd, "data", 4), ssize_t(4));
    QCOMPARE(::dup2(readEnd, STDIN_FILENO), STDIN_FILENO);
    ::close(readEnd);
    // Nor may a descriptor left open without O_CLOEXEC.
    const int stray = ::open("/dev/null", O_RDONLY);
    QVERIFY(stray > STDERR_FILENO);
    const auto closeStray = qScopeGuard([stray] { ::close(stray); });

    std::unique_ptr<Launcher> launcher = CreateLauncher();
    auto log = std::make_shared<ViewLog>();
    launcher->setConsoleFactory(
        [log](const QString &) { return std::make_unique<FakeConsoleView>(log); });
    LaunchRequest req = request(recorderLine(QStringLiteral("x")));
    req.capture = capture;
    req.showWindow = showWindow;
    const LaunchResult result = launcher->start(req);
    QVERIFY2(result.command, qPrintable(result.error));
    QVERIFY(waitForEnd(*result.command));

    const QList<ArgvRecord> records = ReadArgvRecords(m_record);
    QCOMPARE(records.size(), 1);
    const ArgvRecord &record = records.first();
    QCOMPARE(QString::fromUtf8(record.workingDirectory), m_work);
    QCOMPARE(record.standardInput, QByteArray("eof"));
    QVERIFY(record.standardInputIsDevNull);
    QCOMPARE(record.openDescriptors, (QList<int>{0, 1, 2}));
}

void TestPosixLauncher::programLookedUpInPath()
{
    qputenv("PATH", QFile::encodeName(helperPath(CORVANE_HELPER_DIR)) + ":/usr/bin:/bin");
    const LaunchResult result =
        CreateLauncher()->start(request(QStringLiteral("corvane_argv_recorder found")));
    QVERIFY2(result.command, qPrintable(result.error));
    QVERIFY(waitForEnd(*result.command));

    const QList<ArgvRecord> records = ReadArgvRecords(m_record);
    QCOMPARE(records.size(), 1);
    QCOMPARE(decoded(records.first().arguments),
             (QStringList{QStringLiteral("corvane_argv_recorder"), QStringLiteral("found")}));
}

void TestPosixLauncher::programWithSlashIsRelativeToWorkingDirectory()
{
    QVERIFY(QDir().mkpath(m_work + QStringLiteral("/sub")));
    QVERIFY(
        QFile::link(helperPath(CORVANE_HELPER_ARGV_RECORDER), m_work + QStringLiteral("/sub/rec")));
    QVERIFY(QFile::link(helperPath(CORVANE_HELPER_ARGV_RECORDER), m_work + QStringLiteral("/rec")));
    // Neither the helpers nor the working directory are in PATH.
    qputenv("PATH", "/usr/bin:/bin");
    std::unique_ptr<Launcher> launcher = CreateLauncher();

    for (const QString &program : {QStringLiteral("./rec"), QStringLiteral("sub/rec")}) {
        const LaunchResult result = launcher->start(request(program + QStringLiteral(" arg")));
        QVERIFY2(result.command, qPrintable(program + QLatin1Char(' ') + result.error));
        QVERIFY(waitForEnd(*result.command));
    }
    const QList<ArgvRecord> records = ReadArgvRecords(m_record);
    QCOMPARE(records.size(), 2);
    QCOMPARE(decoded(records.at(0).arguments),
             (QStringList{QStringLiteral("./rec"), QStringLiteral("arg")}));
    QCOMPARE(decoded(records.at(1).arguments),
             (QStringList{QStringLiteral("sub/rec"), QStringLiteral("arg")}));

    // A bare name is looked up in PATH only, never in the working directory.
    const LaunchResult bare = launcher->start(request(QStringLiteral("rec arg")));
    QVERIFY(!bare.command);
    QCOMPARE(bare.error, QStringLiteral("找不到程序：rec"));
}

void TestPosixLauncher::nothingInWorkingDirectoryStandsInForTheProgramBox_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QByteArray>("marker");
    const QByteArray planted("planted\n");
    QTest::newRow("cmd /c, \"cmd /c\" planted")
        << QStringLiteral("cmd /c") << QByteArray("shell\n");
    QTest::newRow("relative path") << QStringLiteral("my tools/c") << QByteArray("<missing>");
    QTest::newRow("absolute path") << QStringLiteral("@work@/my tools/c") << planted;
    QTest::newRow("path in the home folder") << QStringLiteral("~/my tools/c") << planted;
}

void TestPosixLauncher::nothingInWorkingDirectoryStandsInForTheProgramBox()
{
    QFETCH(QString, program);
    QFETCH(QByteArray, marker);
    // One program, planted where a batch's destination may hold it.
    for (const char *planted : {"/cmd /c", "/my tools/c"}) {
        const QString path = m_work + QLatin1String(planted);
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QVERIFY(writeBytes(path, "#!/bin/sh\necho planted > ../marker\n"));
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner));
    }
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(m_work));
    const auto restoreHome = qScopeGuard([&home] { qputenv("HOME", home); });
    LaunchRequest req = request(QStringLiteral("echo shell > ../marker"));
    req.command.program = program.replace(QStringLiteral("@work@"), m_work);
    const LaunchResult result = CreateLauncher()->start(req);
    QVERIFY(!result.command || waitForEnd(*result.command));
    QCOMPARE(readFile(m_work + QStringLiteral("/../marker")), marker);
}

void TestPosixLauncher::closedStandardStreamsOpenOnDevNull_data()
{
    QTest::addColumn<QList<int>>("closed");
    QTest::newRow("error") << QList<int>{2};
    QTest::newRow("all three") << QList<int>{0, 1, 2};
}

void TestPosixLauncher::closedStandardStreamsOpenOnDevNull()
{
    QFETCH(QList<int>, closed);
    struct stat null {};
    QCOMPARE(::stat("/dev/null", &null), 0);
    // In a child, so that the test keeps its own streams. It exits with a
    // bit set for each stream that is not /dev/null open for its direction.
    const pid_t pid = ::fork();
    if (pid == 0) {
        for (int stream : closed)
            ::close(stream);
        EnsureStandardStreams();
        int wrong = 0;
        for (int stream : closed) {
            struct stat info {};
            if (::fstat(stream, &info) != 0 || info.st_rdev != null.st_rdev ||
                (::fcntl(stream, F_GETFL) & O_ACCMODE) != (stream == 0 ? O_RDONLY : O_WRONLY))
                wrong |= 1 << stream;
        }
        ::_exit(wrong);
    }
    int status = -1;
    QCOMPARE(::waitpid(pid, &status, 0), pid);
    QCOMPARE(status, 0);
}

void TestPosixLauncher::captureKeepsOrderAndAppends_data()
{
    QTest::addColumn<bool>("reportExists");
    QTest::addColumn<bool>("showWindow");

    QTest::newRow("new report") << false << false;
    QTest::newRow("existing report") << true << false;
    QTest::newRow("new report, window") << false << true;
    QTest::newRow("existing report, window") << true << true;
}

void TestPosixLauncher::captureKeepsOrderAndAppends()
{
    QFETCH(bool, reportExists);
    QFETCH(bool, showWindow);

    const QByteArray old("old line\n");
    if (reportExists)
        QVERIFY(writeBytes(m_report, old));
    std::unique_ptr<Launcher> launcher = CreateLauncher();
    auto log = std::make_shared<ViewLog>();
    launcher->setConsoleFactory(
        [log](const QString &) { return std::make_unique<FakeConsoleView>(log); });

    const QString line = quoted(helperPath(CORVANE_HELPER_PRINT_BOTH)) +
                         QStringLiteral(" out:one err:two err:three out:four");
    const QByteArray output("one\ntwo\nthree\nfour\n");
    // Two commands: the second one appends after the first.
    for (int run = 0; run < 2; ++run) {
        LaunchRequest req = request(line);
        req.capture = true;
        req.showWindow = showWindow;
        const LaunchResult result = launcher->start(req);
        QVERIFY2(result.command, qPrintable(result.error));
        QVERIFY(waitForEnd(*result.command));
    }
    QCOMPARE(readFile(m_report), (reportExists ? old : QByteArray()) + output + output);
    QCOMPARE(log->output, showWindow ? output + output : QByteArray());
}

void TestPosixLauncher::cmdPrefixRunsShell_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("capture");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("content");

    const auto s = [](const char *text) { return QString::fromUtf8(text); };
    QTest::newRow("arithmetic and redirection") << s("cmd /c echo $((1+2)) > shell.txt") << false
                                                << s("work/shell.txt") << QByteArray("3\n");
    QTest::newRow("upper case, quotes for the shell")
        << s("CMD /C printf '%s|' 'a b' c > shell.txt") << false << s("work/shell.txt")
        << QByteArray("a b|c|");
    QTest::newRow("blanks and tabs around the words")
        << s(" \tCmd\t/c   pwd > shell.txt") << false << s("work/shell.txt")
        << QByteArray("@work@\n");
    QTest::newRow("captured stdout and stderr")
        << s("cmd /c echo out; echo err >&2; echo out2") << true << s("data/report.txt")
        << QByteArray("out\nerr\nout2\n");
}

void TestPosixLauncher::cmdPrefixRunsShell()
{
    QFETCH(QString, line);
    QFETCH(bool, capture);
    QFETCH(QString, file);
    QFETCH(QByteArray, content);

    LaunchRequest req = request(line);
    req.capture = capture;
    const LaunchResult result = CreateLauncher()->start(req);
    QVERIFY2(result.command, qPrintable(result.error));
    QVERIFY(waitForEnd(*result.command));
    QCOMPARE(result.command->exitCode(), 0);

    const QString path = QFileInfo(m_work).path() + QLatin1Char('/') + file;
    QVERIFY(QFileInfo::exists(path));
    // The pwd row proves that the shell runs in the working directory.
    QCOMPARE(readFile(path), content.replace("@work@", QFile::encodeName(m_work)));
}

void TestPosixLauncher::namesArriveAsData_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("commandTemplate");
    QTest::addColumn<bool>("capture");

    // Names that once decided where arguments begin and end, or ran
    // commands in a shell line; each must arrive byte for byte.
    const QStringList names = {
        QStringLiteral("\"q\".wav"),
        QStringLiteral("x\" \"--evil\" \".wav"),
        QStringLiteral("tail\\"),
        QStringLiteral("a\\\"b.wav"),
        QStringLiteral("b c.txt"),
        QStringLiteral("two  blanks .wav"),
        QStringLiteral("$(touch pwned).txt"),
        QStringLiteral("`touch pwned`.txt"),
        QStringLiteral(";touch pwned;.txt"),
        QStringLiteral("x|y&z>w.txt"),
        QStringLiteral("-rf.txt"),
        QStringLiteral("it's.wav"),
        QStringLiteral("new\nline\t.txt"),
        QStringLiteral("中文 名.wav"),
        QStringLiteral("*.wav"),
        QStringLiteral("~"),
    };
    const QString recorder = quoted(helperPath(CORVANE_HELPER_ARGV_RECORDER));
    const QString unquoted = QStringLiteral("$SPath$$SName$ $Index$ $DPath$$SNameNo$.out");
    const QString inQuotes = QStringLiteral("\"$SPath$$SName$\" $Index$ \"$DPath$$SNameNo$.out\"");
    const QString inSingleQuotes = QStringLiteral("'$SPath$$SName$' $Index$ $DPath$$SNameNo$.out");
    for (const QString &name : names) {
        for (bool capture : {false, true}) {
            const char *mode = capture ? "capture" : "no capture";
            const QByteArray label = name.toUtf8();
            QTest::addRow("%s, unquoted, %s", label.constData(), mode)
                << name << recorder << unquoted << capture;
            QTest::addRow("%s, quoted, %s", label.constData(), mode)
                << name << recorder << inQuotes << capture;
            QTest::addRow("%s, cmd /c unquoted, %s", label.constData(), mode)
                << name << QStringLiteral("cmd /c ") + recorder << unquoted << capture;
            QTest::addRow("%s, cmd /c quoted, %s", label.constData(), mode)
                << name << QStringLiteral("CMD /C ") + recorder << inQuotes << capture;
            QTest::addRow("%s, cmd /c single-quoted, %s", label.constData(), mode)
                << name << QStringLiteral("cmd /c ") + recorder << inSingleQuotes << capture;
        }
    }
}

void TestPosixLauncher::namesArriveAsData()
{
    QFETCH(QString, name);
    QFETCH(QString, program);
    QFETCH(QString, commandTemplate);
    QFETCH(bool, capture);

    // Folders with blanks; a file that a shell glob would pick up.
    const QString root = QFileInfo(m_work).path();
    const QString source = root + QStringLiteral("/source folder");
    const QString destination = root + QStringLiteral("/dest  folder");
    QVERIFY(QDir().mkpath(source));
    QVERIFY(QDir().mkpath(destination));
    QVERIFY(writeBytes(source + QStringLiteral("/decoy.wav"), "decoy\n"));
    // With capture the record goes to standard output and so to the report.
    if (capture)
        qunsetenv(CORVANE_ARGV_RECORD_VARIABLE);

    LaunchRequest req;
    req.command = ExpandCommand(program, commandTemplate, name, source, 7, destination);
    req.commandLine = req.command.text();
    req.capture = capture;
    req.output = appendingTo(m_report);
    req.workingDirectory = destination;
    const LaunchResult result = CreateLauncher()->start(req);
    QVERIFY2(result.command, qPrintable(result.error));
    QVERIFY(waitForEnd(*result.command));
    QCOMPARE(result.command->exitCode(), 0);

    const QList<ArgvRecord> records = ReadArgvRecords(capture ? m_report : m_record);
    QCOMPARE(records.size(), 1);
    const QList<QByteArray> expected = {
        QFile::encodeName(source + QLatin1Char('/') + name), QByteArray("7"),
        QFile::encodeName(destination + QLatin1Char('/') + NameWithoutExtension(name) +
                          QStringLiteral(".out"))};
    QCOMPARE(records.first().arguments.mid(1), expected);
    // Nothing ran: no file appeared anywhere.
    QCOMPARE(folderEntries(destination), QStringList());
    QCOMPARE(folderEntries(source), QStringList{QStringLiteral("decoy.wav")});
    QCOMPARE(folderEntries(m_work), QStringList());
    QCOMPARE(folderEntries(m_data), capture ? QStringList{QStringLiteral("report.txt")}
                                            : QStringList{QStringLiteral("record.txt")});
    QVERIFY(!QFileInfo::exists(QStringLiteral("pwned")));
}

void TestPosixLauncher::startFailures_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("workingDirectory"); // relative to the test folder
    QTest::addColumn<QString>("error");            // %1 stands for the test folder

    const auto s = [](const char *text) { return QString::fromUtf8(text); };
    const QString recorder = recorderLine(s("x"));
    QTest::newRow("program not in PATH")
        << s("no_such_corvane_program a") << s("work") << s("找不到程序：no_such_corvane_program");
    QTest::newRow("missing path") << s("/nonexistent/corvane/prog") << s("work")
                                  << s("找不到程序：/nonexistent/corvane/prog");
    QTest::newRow("missing relative path")
        << s("./missing") << s("work") << s("找不到程序：./missing");
    QTest::newRow("no execute bit")
        << s("./plain.sh") << s("work") << s("没有执行权限：./plain.sh");
    QTest::newRow("folder as program")
        << s("./folder") << s("work") << s("这是文件夹，不是程序：./folder");
    QTest::newRow("not a program file")
        << s("./garbage") << s("work") << s("不是可执行的程序文件：./garbage");
    QTest::newRow("empty line") << s("") << s("work") << s("命令行中没有程序");
    QTest::newRow("blank line") << s(" \t ") << s("work") << s("命令行中没有程序");
    QTest::newRow("empty program word") << s("\"\" a") << s("work") << s("命令行中没有程序");
    QTest::newRow("working directory missing")
        << recorder << s("missing") << s("工作目录不存在：%1/missing");
    QTest::newRow("working directory is a file")
        << recorder << s("work/plain.sh") << s("工作目录不是文件夹：%1/work/plain.sh");
}

void TestPosixLauncher::startFailures()
{
    QFETCH(QString, line);
    QFETCH(QString, workingDirectory);
    QFETCH(QString, error);

    const QString root = QFileInfo(m_work).path();
    QVERIFY(writeBytes(m_work + QStringLiteral("/plain.sh"), "#!/bin/sh\necho hi\n"));
    QVERIFY(QFile::setPermissions(m_work + QStringLiteral("/plain.sh"),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    QVERIFY(writeBytes(m_work + QStringLiteral("/garbage"), "not a program\n"));
    QVERIFY(QFile::setPermissions(m_work + QStringLiteral("/garbage"),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QVERIFY(QDir().mkpath(m_work + QStringLiteral("/folder")));

    std::unique_ptr<Launcher> launcher = CreateLauncher();
    int viewsOpened = 0;
    launcher->setConsoleFactory([&viewsOpened](const QString &) {
        ++viewsOpened;
        return std::make_unique<FakeConsoleView>(std::make_shared<ViewLog>());
    });
    LaunchRequest req = request(line);
    req.workingDirectory = root + QLatin1Char('/') + workingDirectory;
    req.capture = true;
    req.showWindow = true;
    const LaunchResult result = launcher->start(req);
    QVERIFY(!result.command);
    QCOMPARE(result.error, error.contains(QStringLiteral("%1")) ? error.arg(root) : error);
    QCOMPARE(viewsOpened, 0);
    QVERIFY(!QFileInfo::exists(m_record));
}

void TestPosixLauncher::exitCodeAndFinishedOnce_data()
{
    QTest::addColumn<ExitNotice>("notice");
    QTest::addColumn<bool>("starved"); // no descriptor left once it runs
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("exitCode");

    const QString exitCode = quoted(helperPath(CORVANE_HELPER_EXIT_CODE));
    const QString sleep = quoted(helperPath(CORVANE_HELPER_SLEEP));
    const QList<std::pair<const char *, ExitNotice>> notices = {
        {"pidfd", ExitNotice::Automatic}, {"waiter thread", ExitNotice::WaiterThread}};
    for (const auto &[noticeName, notice] : notices) {
        QTest::addRow("%s, no descriptors left, exit 42", noticeName)
            << notice << true << exitCode + QStringLiteral(" 42") << 42;
        QTest::addRow("%s, no descriptors left, killed", noticeName)
            << notice << true << QStringLiteral("cmd /c kill -9 $$") << -1;
    }
    for (const auto &[noticeName, notice] : notices) {
        QTest::addRow("%s, exit 0", noticeName)
            << notice << false << exitCode + QStringLiteral(" 0") << 0;
        QTest::addRow("%s, exit 1", noticeName)
            << notice << false << exitCode + QStringLiteral(" 1") << 1;
        QTest::addRow("%s, exit 42", noticeName)
            << notice << false << exitCode + QStringLiteral(" 42") << 42;
        QTest::addRow("%s, exit 255", noticeName)
            << notice << false << exitCode + QStringLiteral(" 255") << 255;
        QTest::addRow("%s, exit 256 wraps to 0", noticeName)
            << notice << false << exitCode + QStringLiteral(" 256") << 0;
        QTest::addRow("%s, a command that takes a while", noticeName)
            << notice << false << sleep + QStringLiteral(" 100") << 0;
        QTest::addRow("%s, killed by a signal", noticeName)
            << notice << false << QStringLiteral("cmd /c kill -9 $$") << -1;
        QTest::addRow("%s, shell exit status", noticeName)
            << notice << false << QStringLiteral("cmd /c exit 7") << 7;
    }
}

void TestPosixLauncher::exitCodeAndFinishedOnce()
{
    QFETCH(ExitNotice, notice);
    QFETCH(bool, starved);
    QFETCH(QString, line);
    QFETCH(int, exitCode);

    // Every descriptor the process may open is taken, so that neither a
    // pidfd nor a waiter's pipe can be had once the command runs.
    QList<int> taken;
    rlimit savedLimit{};
    QCOMPARE(::getrlimit(RLIMIT_NOFILE, &savedLimit), 0);
    const auto releaseDescriptors = qScopeGuard([&] {
        for (int fd : std::as_const(taken))
            ::close(fd);
        ::setrlimit(RLIMIT_NOFILE, &savedLimit);
    });
    if (starved) {
#ifdef __SANITIZE_ADDRESS__
        // The sanitizers need descriptors of their own to check memory: without
        // any they report objects as broken. The normal build runs these rows.
        QSKIP("no descriptors left is not a state the sanitizers can run in");
#endif
        rlimit low = savedLimit;
        low.rlim_cur = std::min<rlim_t>(savedLimit.rlim_cur, 512);
        QCOMPARE(::setrlimit(RLIMIT_NOFILE, &low), 0);
        for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;)
            taken.append(fd);
        QCOMPARE(errno, EMFILE);
    }
    const LaunchResult result = CreatePosixLauncher(notice)->start(request(line));
    for (int fd : std::as_const(taken))
        ::close(fd);
    taken.clear();
    QVERIFY2(result.command, qPrintable(result.error));
    RunningCommand &command = *result.command;
    const qint64 pid = command.processId();
    QVERIFY(pid > 0);
    QSignalSpy spy(&command, &RunningCommand::finished);
    // Even a command that ends at once is reported from the event loop only.
    QVERIFY(command.isRunning());
    QCOMPARE(command.exitCode(), -1);
    QCOMPARE(spy.count(), 0);

    QVERIFY(spy.wait(30000));
    QCOMPARE(spy.count(), 1);
    QVERIFY(!command.isRunning());
    QCOMPARE(command.exitCode(), exitCode);
    QCOMPARE(command.processId(), pid);

    // Reaped: no zombie left, waitpid has nothing more to collect.
    QVERIFY(!isOurChild(pid));
    errno = 0;
    QCOMPARE(::waitpid(pid_t(pid), nullptr, WNOHANG), -1);
    QCOMPARE(errno, ECHILD);

    // More turns of the event loop bring no second signal.
    QCoreApplication::processEvents();
    QTest::qWait(50);
    QCOMPARE(spy.count(), 1);
}

void TestPosixLauncher::consoleView_data()
{
    QTest::addColumn<bool>("capture");

    QTest::newRow("window only") << false;
    QTest::newRow("window and capture") << true;
}

void TestPosixLauncher::consoleView()
{
    QFETCH(bool, capture);

    std::unique_ptr<Launcher> launcher = CreateLauncher();
    auto log = std::make_shared<ViewLog>();
    launcher->setConsoleFactory([log](const QString &title) {
        log->title = title;
        return std::make_unique<FakeConsoleView>(log);
    });
    LaunchRequest req = request(quoted(helperPath(CORVANE_HELPER_PRINT_BOTH)) +
                                QStringLiteral(" out:one err:two out:三 err:four"));
    req.commandLine = CaptureWrapped(req.commandLine, m_report);
    req.capture = capture;
    req.showWindow = true;
    const LaunchResult result = launcher->start(req);
    QVERIFY2(result.command, qPrintable(result.error));
    QCOMPARE(log->title, req.commandLine);

    // When finished() comes the view has been told and is gone already.
    bool viewGoneAtFinish = false;
    connect(result.command.get(), &RunningCommand::finished, this,
            [&] { viewGoneAtFinish = log->destroyed && log->finishedCount == 1; });
    QVERIFY(waitForEnd(*result.command));
    QVERIFY(viewGoneAtFinish);

    const QByteArray output = QStringLiteral("one\ntwo\n三\nfour\n").toUtf8();
    QCOMPARE(log->output, output);
    QCOMPARE(log->finishedCount, 1);
    QVERIFY(!log->outputAfterFinish);
    if (capture)
        QCOMPARE(readFile(m_report), output);
    else
        QVERIFY(!QFileInfo::exists(m_report));
}

void TestPosixLauncher::consoleViewGetsLargeOutput()
{
    // Far more than a pipe holds: the pipe must be read while the command runs.
    const int lines = 100000;
    std::unique_ptr<Launcher> launcher = CreateLauncher();
    auto log = std::make_shared<ViewLog>();
    launcher->setConsoleFactory(
        [log](const QString &) { return std::make_unique<FakeConsoleView>(log); });
    LaunchRequest req = request(quoted(helperPath(CORVANE_HELPER_PRINT_BOTH)) +
                                QStringLiteral(" out:first bulk:%1 err:last").arg(lines));
    req.capture = true;
    req.showWindow = true;
    const LaunchResult result = launcher->start(req);
    QVERIFY2(result.command, qPrintable(result.error));
    QVERIFY(waitForEnd(*result.command));

    QByteArray expected("first\n");
    for (int i = 0; i < lines; ++i)
        expected += QByteArray::number(i).rightJustified(7, '0').prepend("bulk ") + '\n';
    expected += "last\n";
    QCOMPARE(log->output.size(), expected.size());
    QVERIFY(log->output == expected);
    QVERIFY(readFile(m_report) == expected);
}

void TestPosixLauncher::noConsoleViewWithoutFactory_data()
{
    QTest::addColumn<bool>("factoryReturnsNull");

    QTest::newRow("no factory installed") << false;
    QTest::newRow("factory gives no view") << true;
}

void TestPosixLauncher::noConsoleViewWithoutFactory()
{
    QFETCH(bool, factoryReturnsNull);

    std::unique_ptr<Launcher> launcher = CreateLauncher();
    if (factoryReturnsNull)
        launcher->setConsoleFactory([](const QString &) { return nullptr; });
    LaunchRequest req =
        request(quoted(helperPath(CORVANE_HELPER_PRINT_BOTH)) + QStringLiteral(" out:one err:two"));
    req.capture = true;
    req.showWindow = true;
    const LaunchResult result = launcher->start(req);
    QVERIFY2(result.command, qPrintable(result.error));
    QVERIFY(waitForEnd(*result.command));
    QCOMPARE(readFile(m_report), QByteArray("one\ntwo\n"));
}

void TestPosixLauncher::destroyedWhileRunningLeavesProcessAlone_data()
{
    QTest::addColumn<ExitNotice>("notice");
    QTest::addColumn<bool>("showWindow");

    QTest::newRow("pidfd, report") << ExitNotice::Automatic << false;
    QTest::newRow("pidfd, window and report") << ExitNotice::Automatic << true;
    QTest::newRow("waiter thread, report") << ExitNotice::WaiterThread << false;
    QTest::newRow("waiter thread, window and report") << ExitNotice::WaiterThread << true;
}

void TestPosixLauncher::destroyedWhileRunningLeavesProcessAlone()
{
    QFETCH(ExitNotice, notice);
    QFETCH(bool, showWindow);

    // The command waits until the test writes to a FIFO, then prints. The
    // test holds the FIFO open for reading and writing, so that neither side
    // blocks in open() and the command ends even when a check fails.
    const QString fifo = m_work + QStringLiteral("/go");
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const int gate = ::open(QFile::encodeName(fifo).constData(), O_RDWR | O_CLOEXEC);
    QVERIFY(gate >= 0);
    bool opened = false;
    const auto openGate = [gate, &opened] {
        if (!opened)
            opened = ::write(gate, "go\n", 3) == 3;
    };
    const auto closeGate = qScopeGuard([gate, &openGate] {
        openGate();
        ::close(gate);
    });
    std::unique_ptr<Launcher> launcher = CreatePosixLauncher(notice);
    auto log = std::make_shared<ViewLog>();
    launcher->setConsoleFactory(
        [log](const QString &) { return std::make_unique<FakeConsoleView>(log); });
    LaunchRequest req = request(QStringLiteral("cmd /c read word < go; echo \"after $word\""));
    req.capture = true;
    req.showWindow = showWindow;
    LaunchResult result = launcher->start(req);
    QVERIFY2(result.command, qPrintable(result.error));
    const qint64 pid = result.command->processId();

    result.command.reset();
    QCOMPARE(::kill(pid_t(pid), 0), 0);
    QVERIFY(isOurChild(pid));
    QVERIFY(processState(pid) != 'Z');
    // The window goes with the command object; the process does not.
    QCOMPARE(log->finishedCount, showWindow ? 1 : 0);
    QCOMPARE(log->destroyed, showWindow);

    openGate();
    QVERIFY(opened);
    // Still reaped, without anyone asking for it; its output is read, so it
    // can write on, but no longer handed to whoever asked for it.
    QTRY_VERIFY_WITH_TIMEOUT(!isOurChild(pid), 30000);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!QFileInfo::exists(m_report));
    QVERIFY(!log->outputAfterFinish);
}

void TestPosixLauncher::commandDeletedInFinishedSlot()
{
    std::unique_ptr<Launcher> launcher = CreateLauncher();
    auto log = std::make_shared<ViewLog>();
    launcher->setConsoleFactory(
        [log](const QString &) { return std::make_unique<FakeConsoleView>(log); });
    LaunchRequest req =
        request(quoted(helperPath(CORVANE_HELPER_PRINT_BOTH)) + QStringLiteral(" out:bye"));
    req.showWindow = true;
    LaunchResult result = launcher->start(req);
    QVERIFY2(result.command, qPrintable(result.error));

    bool ended = false;
    connect(result.command.get(), &RunningCommand::finished, this, [&] {
        ended = true;
        result.command.reset();
    });
    QTRY_VERIFY_WITH_TIMEOUT(ended, 30000);
    QVERIFY(!result.command);
    QCOMPARE(log->output, QByteArray("bye\n"));
    QCOMPARE(log->finishedCount, 1);
}

QTEST_GUILESS_MAIN(TestPosixLauncher)
#include "tst_posix_launcher.moc"
