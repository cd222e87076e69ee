#include "core/batch/headless_run.h"
#include "core/files/paths.h"
#include "core/platform/code_page.h"
#include "core/platform/data_folder.h"
#include "core/platform/hand_over.h"
#include "core/platform/program_start.h"
#include "core/platform/single_instance.h"
#include "core/platform/standard_streams.h"
#include "core/settings/active_tool.h"
#include "core/settings/settings_file.h"
#include "core/startup/hand_over_paths.h"
#include "core/startup/start_options.h"
#include "gui/common/version.h"
#include "gui/common/window_application.h"
#include "gui/main_window/main_window.h"
#include "gui/platform/qt_desktop.h"

#include <QApplication>
#include <QTextStream>

#include <cstdio>
#include <cstdlib>

namespace {

using namespace corvane;

// Text for the console in its own encoding (the ANSI code page on Windows).
void print(FILE *stream, const QString &text)
{
    QTextStream console(stream);
    console.setEncoding(CommandOutputEncoding());
    console << text;
}

// A batch without a window: no display is needed.
int runWithoutWindow(int argc, char *argv[], const StartOptions &options)
{
    QCoreApplication app(argc, argv);
    SetApplicationNames();
    HeadlessRequest request;
    request.paths = options.paths;
    request.tool = options.tool;
    request.destination = options.destination;
    request.jobs = options.jobs;
    request.reportPath = options.reportPath;
    request.dataFolder = DefaultDataFolder();
    QTextStream out(stdout);
    QTextStream err(stderr);
    out.setEncoding(CommandOutputEncoding());
    err.setEncoding(CommandOutputEncoding());
    return RunHeadless(request, out, err);
}

int runWindow(int argc, char *argv[], const StartOptions &options)
{
    QApplication app(argc, argv);
    SetUpWindowApplication(app);

    // A later start with files hands them to the running instance and ends
    // quietly; without files, or when the hand-over fails, it says that
    // Corvane is running, as the window's start-up does.
    SingleInstance instance(DefaultInstanceLockPath());
    if (!options.paths.isEmpty() && !instance.tryAcquire() &&
        HandOverToRunningInstance(options.paths))
        return EXIT_SUCCESS;

    // What the desktop does for Corvane, where its files are, the active tool.
    QtDesktop desktop;
    const SettingsFile settings(ConfigPathIn(desktop.dataFolder()));
    ActiveTool tool(settings);

    MainWindow form(desktop, settings, tool);
    if (!form.loadOnStartup(instance))
        return EXIT_SUCCESS;
    // Only the instance that holds the lock listens, so a socket left by
    // one that crashed may be replaced.
    HandOverServer handOverServer;
    QObject::connect(&handOverServer, &HandOverServer::pathsReceived, &form,
                     [&form](const QStringList &paths) {
                         form.addPathsFromOutside(paths, MainWindow::PathsFrom::HandOver);
                     });
    handOverServer.listen(DefaultHandOverAddress());
    if (!options.paths.isEmpty())
        form.addPathsFromOutside(options.paths, MainWindow::PathsFrom::Start);
    form.show();
    return app.exec();
}

} // namespace

int main(int argc, char *argv[])
{
    // First, before Qt opens anything: every command started later gets
    // standard input, output and error even when Corvane itself was started
    // without them.
    corvane::EnsureStandardStreams();

    const corvane::StartOptions options =
        corvane::ParseStartArguments(corvane::ProgramArguments(argc, argv));
    if (options.mode != corvane::StartMode::Window)
        corvane::UseParentConsole();
    switch (options.mode) {
    case corvane::StartMode::Help:
        print(stdout, corvane::StartUsageText());
        return EXIT_SUCCESS;
    case corvane::StartMode::Version:
        print(stdout, QStringLiteral("Corvane %1\n").arg(corvane::ProgramVersion()));
        return EXIT_SUCCESS;
    case corvane::StartMode::BadUsage:
        print(stderr, QStringLiteral("corvane：%1\n").arg(options.error));
        return 2;
    case corvane::StartMode::Run:
        return runWithoutWindow(argc, argv, options);
    case corvane::StartMode::Window:
        break;
    }
    // Qt would abort with a core dump where no window can open.
    if (const QString problem = corvane::DisplayProblem(); !problem.isEmpty()) {
        print(stderr, QStringLiteral("corvane：%1\n").arg(problem));
        return EXIT_FAILURE;
    }
    return runWindow(argc, argv, options);
}
