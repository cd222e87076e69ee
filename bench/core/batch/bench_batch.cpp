// Measures the batch engine against a bare posix_spawn + waitpid loop over
// the same commands, and how long a posted event waits while a command runs.
//
//   bench_batch [entries]     (default 1000)

#include "core/batch/batch_run.h"
#include "core/platform/data_folder.h"
#include "core/platform/launcher.h"
#include "core/settings/active_tool.h"
#include "latency_probe.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

using namespace corvane;

namespace {

class BenchHost final : public BatchHost {
public:
    BenchHost(int count, QString folder) : m_count(count), m_folder(std::move(folder)) {}
    int jobCount() const override { return m_count; }
    QString jobName(int index) const override { return QStringLiteral("file%1.txt").arg(index); }
    QString jobFolder(int) const override { return m_folder; }
    QString destinationFolder() const override { return m_folder; }
    void setStatusText(const QString &) override {}
    void setProcessEnabled(bool) override {}
    void setProgressMinimum(int) override {}
    void setProgressMaximum(int) override {}
    void setProgressValue(int) override {}
    void setReportTimerEnabled(bool) override {}

private:
    int m_count;
    QString m_folder;
};

double runEngine(int count, const QString &folder, const QString &program,
                 const QString &commandLine, bool capture)
{
    ActiveTool().program = program;
    ActiveTool().commandTemplate = commandLine;
    ActiveTool().captureOutput = capture;
    ActiveTool().showConsole = false;
    BenchHost host(count, folder);
    std::unique_ptr<Launcher> launcher = CreateLauncher();
    BatchRun batch(host, *launcher);
    QElapsedTimer timer;
    timer.start();
    batch.run();
    return double(timer.nsecsElapsed()) / 1e6;
}

double runBare(int count, const char *program, bool withArgument, const QByteArray &reportPath)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < count; ++i) {
        const QByteArray argument = QByteArray("file") + QByteArray::number(i) + ".txt";
        char *argv[] = {const_cast<char *>(program),
                        withArgument ? const_cast<char *>(argument.constData()) : nullptr, nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        if (!reportPath.isEmpty()) {
            posix_spawn_file_actions_addopen(&actions, 1, reportPath.constData(),
                                             O_WRONLY | O_CREAT | O_APPEND, 0644);
            posix_spawn_file_actions_adddup2(&actions, 1, 2);
        }
        pid_t pid = 0;
        if (posix_spawn(&pid, program, &actions, nullptr, argv, environ) != 0) {
            std::perror("posix_spawn");
            return -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        int status = 0;
        waitpid(pid, &status, 0);
    }
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, atoi(argv[1])) : 1000;
    QTemporaryDir dir;
    SetDataFolder(dir.path());
    const QString folder = dir.path();
    const QByteArray report = QFile::encodeName(JoinPath(folder, QStringLiteral("report.txt")));

    std::printf("%d entries per run\n", count);

    const double bareTrue = runBare(count, "/bin/true", false, {});
    const double engineTrue =
        runEngine(count, folder, QStringLiteral("/bin/true"), QString(), false);
    std::printf("/bin/true      bare %8.1f ms  engine %8.1f ms  ratio %.2f\n", bareTrue, engineTrue,
                engineTrue / bareTrue);

    const double bareEcho = runBare(count, "/bin/echo", true, report);
    const double engineEcho =
        runEngine(count, folder, QStringLiteral("/bin/echo"), QStringLiteral("$SName$"), true);
    std::printf("captured echo  bare %8.1f ms  engine %8.1f ms  ratio %.2f\n", bareEcho, engineEcho,
                engineEcho / bareEcho);

    // Posted events while one long command runs: a thread posts one every
    // 50 ms, the batch's wait must hand each to its receiver at once.
    bench::LatencyProbe probe(50);
    probe.start();
    runEngine(1, folder, QStringLiteral("/bin/sleep"), QStringLiteral("2"), false);
    probe.stop();
    const std::vector<double> waits = probe.sortedWaits();
    if (!waits.empty()) {
        std::printf(
            "posted event wait during a 2 s command: %zu events, median %.3f ms, max %.3f ms\n",
            waits.size(), waits[waits.size() / 2], waits.back());
    }
    return 0;
}
