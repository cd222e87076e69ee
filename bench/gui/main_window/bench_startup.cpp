// Start-up side by side: how long a fresh process takes from its start until
// its window is exposed, for a bare Qt Widgets window with one Chinese label
// and for Corvane's main window set up as the program's main() does (in an
// empty folder, with a data folder of its own). Target: Corvane at most 1.5
// times the bare window.
//
//   bench_startup [rounds]     (default 15)
//
// Every measurement is a new process: the benchmark starts itself again with
// "--child bare|corvane", handing over the moment it started the process.
// The child notes when main() begins, when the application object and the
// window are made, when show() returns, when the window is first exposed and
// when the event loop next runs after that exposure (the first paint is done
// by then), and prints these times. Both kinds run on the same Qt platform:
// QT_QPA_PLATFORM as set, else xcb when DISPLAY is set (an Xvfb will do),
// else offscreen. The rounds alternate between the two kinds after one
// unmeasured start of each; the figures are medians.
#include "core/platform/single_instance.h"
#include "core/platform/standard_streams.h"
#include "core/settings/active_tool.h"
#include "core/settings/settings_file.h"
#include "fake_desktop.h"
#include "gui/common/window_application.h"
#include "gui/main_window/main_window.h"
#include "median.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QMainWindow>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <map>
#include <memory>
#include <vector>

using namespace corvane;

namespace {

// The child's phases, in the order they happen.
const char *const kPhases[] = {"main", "application", "window", "shown", "exposed", "painted"};

qint64 nowNanoseconds()
{
    // The steady clock is the system's monotonic clock, the same in every
    // process: the parent's reading before the start and the child's
    // readings can be subtracted.
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Taken as early as the child's own code runs.
const qint64 g_mainEntered = nowNanoseconds();

// Notes the first exposure of one window, and the next pass of the event
// loop after it, then leaves the loop.
class ExposeWatch final : public QObject {
public:
    explicit ExposeWatch(QWidget *window) : m_window(window) {}

    qint64 exposed = 0;
    qint64 painted = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Expose && exposed == 0 &&
            watched == m_window->windowHandle() && m_window->windowHandle()->isExposed()) {
            exposed = nowNanoseconds();
            // The widget window paints its contents while it handles this
            // event; a zero timer fires after that.
            QTimer::singleShot(0, this, [this] {
                painted = nowNanoseconds();
                QCoreApplication::quit();
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget *m_window;
};

// Shows the window, waits for it to be exposed and painted and prints the
// phases in milliseconds since the parent started the process.
int showAndReport(QWidget &window, qint64 started, qint64 application, qint64 built)
{
    ExposeWatch watch(&window);
    qApp->installEventFilter(&watch);
    window.show();
    const qint64 shown = nowNanoseconds();
    // A window that never shows must not hang the benchmark.
    QTimer::singleShot(30000, qApp, [] { QCoreApplication::exit(2); });
    const int result = QApplication::exec();
    if (result != 0 || watch.painted == 0) {
        std::fprintf(stderr, "the window was not exposed within 30 s\n");
        return 2;
    }
    const qint64 times[] = {g_mainEntered, application, built, shown, watch.exposed, watch.painted};
    for (size_t i = 0; i < std::size(kPhases); ++i)
        std::printf("%s %.3f\n", kPhases[i], double(times[i] - started) / 1e6);
    std::fflush(stdout);
    return 0;
}

int runBare(int argc, char *argv[], qint64 started)
{
    QApplication app(argc, argv);
    const qint64 application = nowNanoseconds();
    QMainWindow window;
    window.setCentralWidget(new QLabel(QStringLiteral("源文件路径"), &window));
    return showAndReport(window, started, application, nowNanoseconds());
}

// The window's start-up as the program does it, with a fake desktop whose
// data folder is given, a lock file in that folder and no hand-over channel.
int runCorvane(int argc, char *argv[], qint64 started, const QString &dataFolder)
{
    EnsureStandardStreams();
    QApplication app(argc, argv);
    SetUpWindowApplication(app);
    const qint64 application = nowNanoseconds();

    test::FakeDesktop desktop(dataFolder);
    const SettingsFile settings(ConfigPathIn(desktop.dataFolder()));
    ActiveTool tool(settings);
    SingleInstance instance(QDir(dataFolder).filePath(QStringLiteral("instance.lock")));
    MainWindow form(desktop, settings, tool);
    if (!form.loadOnStartup(instance)) {
        std::fprintf(stderr, "another instance holds the lock\n");
        return 3;
    }
    return showAndReport(form, started, application, nowNanoseconds());
}

using Phases = std::map<QString, double>;

// Starts one child and reads its phases; empty when it failed.
Phases measure(const QString &kind, const QString &folder, const QString &dataFolder,
               const QProcessEnvironment &environment)
{
    QProcess child;
    child.setProgram(QCoreApplication::applicationFilePath());
    child.setWorkingDirectory(folder);
    child.setProcessEnvironment(environment);
    const qint64 started = nowNanoseconds();
    child.setArguments({QStringLiteral("--child"), kind, QString::number(started), dataFolder});
    child.start();
    if (!child.waitForFinished(60000) || child.exitStatus() != QProcess::NormalExit ||
        child.exitCode() != 0) {
        std::fprintf(stderr, "the %s child failed: %s\n", qPrintable(kind),
                     child.readAllStandardError().constData());
        return {};
    }
    Phases phases;
    const QList<QByteArray> lines = child.readAllStandardOutput().split('\n');
    for (const QByteArray &line : lines) {
        const QList<QByteArray> words = line.trimmed().split(' ');
        if (words.size() == 2)
            phases[QString::fromLatin1(words.at(0))] = words.at(1).toDouble();
    }
    return phases;
}

double medianOf(const std::vector<Phases> &runs, const char *phase)
{
    std::vector<double> values;
    for (const Phases &run : runs)
        values.push_back(run.at(QString::fromLatin1(phase)));
    return bench::Median(values);
}

int runParent(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!environment.contains(QStringLiteral("QT_QPA_PLATFORM")))
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"),
                           environment.contains(QStringLiteral("DISPLAY"))
                               ? QStringLiteral("xcb")
                               : QStringLiteral("offscreen"));
    QTemporaryDir root;
    if (!root.isValid())
        return 1;
    const QString folder = root.filePath(QStringLiteral("empty"));
    const QString dataFolder = root.filePath(QStringLiteral("data"));
    if (!QDir().mkpath(folder) || !QDir().mkpath(dataFolder))
        return 1;
    std::printf("platform %s, %d rounds, started in the empty folder %s\n",
                qPrintable(environment.value(QStringLiteral("QT_QPA_PLATFORM"))), rounds,
                qPrintable(QDir::toNativeSeparators(folder)));

    const QStringList kinds = {QStringLiteral("bare"), QStringLiteral("corvane")};
    // One start of each first, not counted: it loads the libraries and the
    // fonts into the file cache for both.
    for (const QString &kind : kinds) {
        if (measure(kind, folder, dataFolder, environment).empty())
            return 1;
    }
    std::map<QString, std::vector<Phases>> runs;
    for (int round = 0; round < rounds; ++round) {
        for (const QString &kind : kinds) {
            Phases phases = measure(kind, folder, dataFolder, environment);
            if (phases.size() != std::size(kPhases))
                return 1;
            runs[kind].push_back(std::move(phases));
        }
    }

    std::printf("\nmedian ms since the process was started:\n%-12s", "");
    for (const char *phase : kPhases)
        std::printf("%12s", phase);
    std::printf("\n");
    for (const QString &kind : kinds) {
        std::printf("%-12s", qPrintable(kind));
        for (const char *phase : kPhases)
            std::printf("%12.1f", medianOf(runs[kind], phase));
        std::printf("\n");
    }
    for (const char *phase : {"exposed", "painted"}) {
        const double bare = medianOf(runs[kinds.at(0)], phase);
        const double corvane = medianOf(runs[kinds.at(1)], phase);
        std::printf("%-8s bare %7.1f ms, Corvane %7.1f ms, ratio %.2f (target 1.5)\n", phase, bare,
                    corvane, corvane / bare);
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc == 5 && qstrcmp(argv[1], "--child") == 0) {
        const qint64 started = QByteArray(argv[3]).toLongLong();
        int childArgc = 1;
        if (qstrcmp(argv[2], "bare") == 0)
            return runBare(childArgc, argv, started);
        if (qstrcmp(argv[2], "corvane") == 0)
            return runCorvane(childArgc, argv, started, QString::fromLocal8Bit(argv[4]));
        return 1;
    }
    return runParent(argc, argv);
}
