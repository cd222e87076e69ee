#include "core/startup/start_options.h"

#include <QTest>

using namespace corvane;

Q_DECLARE_METATYPE(corvane::StartMode)

// The program's arguments: what each start does, and one line for what is
// wrong.
class TestStartOptions final : public QObject {
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
};

void TestStartOptions::parse_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<StartMode>("mode");
    QTest::addColumn<QStringList>("paths");
    // For a run: tool, destination, jobs (0: none given), report. For bad
    // usage: the start of the error line.
    QTest::addColumn<QStringList>("values");

    const auto row = [](const char *name, std::initializer_list<const char *> arguments,
                        StartMode mode, std::initializer_list<const char *> paths,
                        std::initializer_list<const char *> values = {}) {
        const auto list = [](std::initializer_list<const char *> texts) {
            QStringList strings;
            for (const char *text : texts)
                strings << QString::fromUtf8(text);
            return strings;
        };
        QTest::newRow(name) << QStringList(QStringLiteral("corvane")) + list(arguments) << mode
                            << list(paths) << list(values);
    };
    using M = StartMode;
    row("nothing", {}, M::Window, {});
    row("files", {"a.wav", "歌 b.wav", "folder/"}, M::Window, {"a.wav", "歌 b.wav", "folder/"});
    row("Qt's options left to Qt", {"-platform", "offscreen", "--style=fusion", "-reverse", "x"},
        M::Window, {"x"});
    row("a file beginning with -", {"--", "-a.wav", "--run"}, M::Window, {"-a.wav", "--run"});
    row("help", {"--help"}, M::Help, {});
    row("-h among files", {"a", "-h"}, M::Help, {});
    row("version", {"-v"}, M::Version, {});
    row("run", {"--run", "a", "b"}, M::Run, {"a", "b"}, {"", "", "0", ""});
    row("run with everything",
        {"--run", "--tool", "2", "--dest=out", "--jobs", "4", "--report", "r.txt", "a"}, M::Run,
        {"a"}, {"2", "out", "4", "r.txt"});
    row("run, options after files", {"a", "--run", "--tool", "转换"}, M::Run, {"a"},
        {"转换", "", "0", ""});
    row("unknown option", {"--frobnicate", "a"}, M::BadUsage, {}, {"未知选项：--frobnicate"});
    row("unknown short option", {"-x"}, M::BadUsage, {}, {"未知选项：-x"});
    row("value missing", {"--run", "a", "--tool"}, M::BadUsage, {}, {"选项 --tool 缺少值"});
    row("run option without --run", {"--dest", "out", "a"}, M::BadUsage, {},
        {"选项 --dest 只用于 --run"});
    row("jobs not a number", {"--run", "--jobs", "four", "a"}, M::BadUsage, {}, {"--jobs 须为"});
    row("jobs out of range", {"--run", "--jobs", "65", "a"}, M::BadUsage, {}, {"--jobs 须为"});
    row("empty destination", {"--run", "--dest=", "a"}, M::BadUsage, {}, {"选项 --dest 的值为空"});
    row("run without files", {"--run", "--tool", "1"}, M::BadUsage, {},
        {"--run 需要至少一个文件或文件夹"});
}

void TestStartOptions::parse()
{
    QFETCH(QStringList, arguments);
    QFETCH(StartMode, mode);
    QFETCH(QStringList, paths);
    QFETCH(QStringList, values);
    const StartOptions options = ParseStartArguments(arguments);
    QCOMPARE(options.mode, mode);
    QCOMPARE(options.paths, paths);
    if (mode == StartMode::BadUsage) {
        QVERIFY2(options.error.startsWith(values.first()), qPrintable(options.error));
        QVERIFY(options.error.endsWith(QStringLiteral("（用 --help 查看用法）")));
        QVERIFY(!options.error.contains(QLatin1Char('\n')));
    } else if (mode == StartMode::Run) {
        QCOMPARE(QStringList({options.tool, options.destination,
                              QString::number(options.jobs.value_or(0)), options.reportPath}),
                 values);
    }
}

QTEST_GUILESS_MAIN(TestStartOptions)
#include "tst_start_options.moc"
