// Measures the batch engine:
// - one command at a time against a bare posix_spawn + waitpid loop over the
//   same commands (/bin/true, and /bin/echo with its output captured);
// - how long a posted event waits while a command runs;
// - 100 commands of a CPU-bound helper (about 100 ms of processor time each)
//   with as many at once as there are cores and with one at a time, against
//   xargs -P and GNU parallel -j (when installed) running the same commands.
// Each timing is taken several times, the kinds taking turns, and the median
// is printed.
//
//   bench_batch [entries] [repetitions]     (default 1000 and 3)

#include "core/batch/batch_run.h"
#include "core/files/paths.h"
#include "core/launch/launcher.h"
#include "core/settings/active_tool.h"
#include "core/settings/settings_file.h"
#include "latency_probe.h"
#include "median.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

using namespace corvane;

namespace {

// The CPU-bound batch: how many entries, each burning about 100 ms.
constexpr int kBurnEntries = 100;

// The job list of a benchmark: entry i is "file<i>.txt" in one folder, and
// its key is i + 1 (the list never changes while a batch runs).
class BenchHost final : public BatchHost {
public:
    BenchHost(int count, QString folder) : m_count(count), m_folder(std::move(folder)) {}
    int jobCount() const override { return m_count; }
    QString jobName(int index) const override { return QStringLiteral("file%1.txt").arg(index); }
    QString jobFolder(int) const override { return m_folder; }
    quint64 jobKey(int index) const override { return quint64(index) + 1; }
    int jobIndexOf(quint64 key) const override
    {
        return key >= 1 && key <= quint64(m_count) ? int(key - 1) : -1;
    }
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

// Wall time of one timed run; the processor time that the benchmark itself
// used meanwhile (the engine's own work, or waiting on a baseline); and the
// processor time its commands (and everything they waited for) used.
struct Timing {
    double wallMs = -1;
    double selfCpuMs = 0;
    double childCpuMs = 0;
    bool ok = false;
};

double cpuMsSoFar(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    const auto ms = [](const timeval &t) {
        return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3;
    };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// Runs fn once, timing its wall clock and the processor time used meanwhile.
Timing timed(const std::function<bool()> &fn)
{
    const double selfBefore = cpuMsSoFar(RUSAGE_SELF);
    const double childrenBefore = cpuMsSoFar(RUSAGE_CHILDREN);
    QElapsedTimer timer;
    timer.start();
    Timing timing;
    timing.ok = fn();
    timing.wallMs = double(timer.nsecsElapsed()) / 1e6;
    timing.selfCpuMs = cpuMsSoFar(RUSAGE_SELF) - selfBefore;
    timing.childCpuMs = cpuMsSoFar(RUSAGE_CHILDREN) - childrenBefore;
    return timing;
}

// Runs a batch of `count` entries through the engine with the given tool and
// returns once the engine has said finished(). False when an entry did not
// succeed.
bool runEngine(int count, const QString &folder, const QString &program, const QString &commandLine,
               bool capture, int jobs)
{
    const SettingsFile settings(ConfigPathIn(folder));
    ActiveTool tool(settings);
    ToolProfile profile;
    profile.program = program;
    profile.commandTemplate = commandLine;
    profile.captureOutput = capture;
    profile.jobs = jobs;
    tool.setProfile(profile);
    BenchHost host(count, folder);
    std::unique_ptr<Launcher> launcher = CreateLauncher();
    BatchRun batch(host, *launcher, tool, folder);
    QEventLoop loop;
    QObject::connect(&batch, &BatchRun::finished, &loop, &QEventLoop::quit);
    batch.run();
    // run() may end the batch before it returns (when it cannot begin); a
    // quit() then would be lost, as exec() starts afresh.
    if (batch.isRunning())
        loop.exec();
    const QList<BatchEntryResult> &results = batch.lastResults();
    const auto succeeded = std::count_if(results.cbegin(), results.cend(), [](const auto &result) {
        return result.outcome == BatchEntryResult::Outcome::Succeeded;
    });
    if (succeeded != count) {
        std::fprintf(stderr, "engine: %lld of %d entries succeeded\n", (long long)succeeded, count);
        return false;
    }
    return true;
}

// Starts argv[0] (looked up in PATH) with `input` on its standard input (an
// empty input is /dev/null) and waits for it. False when it could not start
// or did not exit with status 0.
bool spawnAndWait(const std::vector<QByteArray> &arguments, const QByteArray &input,
                  const QByteArray &outputPath = {})
{
    std::vector<char *> argv;
    for (const QByteArray &argument : arguments)
        argv.push_back(const_cast<char *>(argument.constData()));
    argv.push_back(nullptr);

    int ends[2] = {-1, -1};
    if (!input.isEmpty() && pipe2(ends, O_CLOEXEC) != 0) {
        std::perror("pipe2");
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (input.isEmpty())
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    else
        posix_spawn_file_actions_adddup2(&actions, ends[0], 0);
    if (!outputPath.isEmpty()) {
        posix_spawn_file_actions_addopen(&actions, 1, outputPath.constData(),
                                         O_WRONLY | O_CREAT | O_APPEND, 0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
    }
    pid_t pid = 0;
    const int error = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (!input.isEmpty()) {
        close(ends[0]);
        if (error == 0) {
            for (qsizetype written = 0; written < input.size();) {
                const ssize_t count =
                    write(ends[1], input.constData() + written, size_t(input.size() - written));
                if (count <= 0)
                    break;
                written += count;
            }
        }
        close(ends[1]);
    }
    if (error != 0) {
        std::fprintf(stderr, "posix_spawn %s: error %d\n", argv[0], error);
        return false;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Whether "parallel" on PATH is GNU parallel: moreutils has one of the same
// name that takes no ":::".
bool isGnuParallel()
{
    QProcess parallel;
    parallel.start(QStringLiteral("parallel"), {QStringLiteral("--version")});
    return parallel.waitForFinished(10000) &&
           parallel.readAllStandardOutput().contains("GNU parallel");
}

// The bare loop: one posix_spawn + waitpid per entry, one at a time.
bool runBare(int count, const char *program, bool withArgument, const QByteArray &reportPath)
{
    bool ok = true;
    for (int i = 0; i < count; ++i) {
        std::vector<QByteArray> arguments{QByteArray(program)};
        if (withArgument)
            arguments.push_back(QByteArray("file") + QByteArray::number(i) + ".txt");
        ok = spawnAndWait(arguments, {}, reportPath) && ok;
    }
    return ok;
}

// One kind of run in a comparison: its label, how to run it once, and
// what each repetition measured.
struct Contender {
    Contender(QByteArray labelText, std::function<bool()> runOnce)
        : label(std::move(labelText)), run(std::move(runOnce))
    {
    }

    QByteArray label;
    std::function<bool()> run;
    std::vector<Timing> timings;
    bool failed = false;

    double medianWall() const { return bench::MedianOf(timings, &Timing::wallMs); }
    double medianSelfCpu() const { return bench::MedianOf(timings, &Timing::selfCpuMs); }
    double medianChildCpu() const { return bench::MedianOf(timings, &Timing::childCpuMs); }
};

// Times each contender `repetitions` times, taking turns, so that a change
// in the machine's load reaches all of them alike.
void measure(std::vector<Contender> &contenders, int repetitions)
{
    for (int repetition = 0; repetition < repetitions; ++repetition) {
        for (Contender &contender : contenders) {
            const Timing timing = timed(contender.run);
            if (!timing.ok)
                contender.failed = true;
            contender.timings.push_back(timing);
        }
    }
}

void printRuns(const Contender &contender)
{
    std::printf("  %-22s median %9.1f ms  (runs:", contender.label.constData(),
                contender.medianWall());
    for (const Timing &timing : contender.timings)
        std::printf(" %.1f", timing.wallMs);
    std::printf(")  cpu: own %.0f ms, commands %.0f ms%s\n", contender.medianSelfCpu(),
                contender.medianChildCpu(),
                contender.failed ? "  FAILED: a command did not succeed" : "");
}

QByteArray loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return QByteArrayLiteral("unknown");
    return file.readAll().trimmed();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // Each line as soon as it is printed, also into a pipe or a file.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const int count = argc > 1 ? std::max(1, atoi(argv[1])) : 1000;
    const int repetitions = argc > 2 ? std::max(1, atoi(argv[2])) : 3;
    QTemporaryDir dir;
    const QString folder = dir.path();
    const QByteArray report = QFile::encodeName(JoinPath(folder, QStringLiteral("report.txt")));

    std::printf("load average at start: %s\n", loadAverage().constData());
    std::printf("%d entries per run, %d repetitions per timing (median printed)\n\n", count,
                repetitions);

    // One command at a time, against the bare loop.
    {
        std::vector<Contender> contenders{
            {"/bin/true bare", [&] { return runBare(count, "/bin/true", false, {}); }},
            {"/bin/true engine N=1",
             [&] { return runEngine(count, folder, QStringLiteral("/bin/true"), {}, false, 1); }},
            {"captured echo bare", [&] { return runBare(count, "/bin/echo", true, report); }},
            {"captured echo engine",
             [&] {
                 return runEngine(count, folder, QStringLiteral("/bin/echo"),
                                  QStringLiteral("$SName$"), true, 1);
             }},
        };
        measure(contenders, repetitions);
        for (const Contender &contender : contenders)
            printRuns(contender);
        std::printf("/bin/true      bare %8.1f ms  engine %8.1f ms  ratio %.2f (target <= 1.10)\n",
                    contenders[0].medianWall(), contenders[1].medianWall(),
                    contenders[1].medianWall() / contenders[0].medianWall());
        std::printf("captured echo  bare %8.1f ms  engine %8.1f ms  ratio %.2f\n\n",
                    contenders[2].medianWall(), contenders[3].medianWall(),
                    contenders[3].medianWall() / contenders[2].medianWall());
    }

    // Posted events while one long command runs: a thread posts one every
    // 50 ms, and the event loop that waits for the batch must hand each to
    // its receiver at once.
    {
        bench::LatencyProbe probe(50);
        probe.start();
        runEngine(1, folder, QStringLiteral("/bin/sleep"), QStringLiteral("2"), false, 1);
        probe.stop();
        const std::vector<double> waits = probe.sortedWaits();
        if (!waits.empty()) {
            std::printf("posted event wait during a 2 s command: %zu events, median %.3f ms, "
                        "max %.3f ms (target < 20 ms)\n\n",
                        waits.size(), waits[waits.size() / 2], waits.back());
        }
    }

    // The CPU-bound batch: N at once (N = cores) and one at a time, against
    // xargs and GNU parallel running the same commands N at once.
    {
        const int jobs = std::clamp(QThread::idealThreadCount(), 1, kMaxJobs);
        const QString helper = QStringLiteral(CORVANE_BENCH_CPU_BURN);
        const QByteArray helperPath = QFile::encodeName(helper);
        const QByteArray jobsText = QByteArray::number(jobs);
        QByteArray names;
        std::vector<QByteArray> parallelArguments{"parallel", "-j", jobsText, helperPath, ":::"};
        for (int i = 0; i < kBurnEntries; ++i) {
            const QByteArray name = QByteArray("file") + QByteArray::number(i) + ".txt";
            names += name + '\n';
            parallelArguments.push_back(name);
        }
        const std::vector<QByteArray> xargsArguments{"xargs", "-P", jobsText,
                                                     "-n",    "1",  helperPath};
        const bool haveXargs = !QStandardPaths::findExecutable(QStringLiteral("xargs")).isEmpty();
        const bool haveParallel = isGnuParallel();

        std::printf("CPU-bound batch: %d entries of %s (about 100 ms of processor time each), "
                    "N = %d (QThread::idealThreadCount)\n",
                    kBurnEntries, helperPath.constData(), jobs);
        std::printf("  ideal wall time with N at once: %d ms\n", kBurnEntries * 100 / jobs);

        std::vector<Contender> contenders{
            {"engine N=" + jobsText,
             [&] {
                 return runEngine(kBurnEntries, folder, helper, QStringLiteral("$SName$"), false,
                                  jobs);
             }},
            {"engine N=1",
             [&] {
                 return runEngine(kBurnEntries, folder, helper, QStringLiteral("$SName$"), false,
                                  1);
             }},
        };
        if (haveXargs)
            contenders.push_back({"xargs -P " + jobsText + " -n 1",
                                  [&] { return spawnAndWait(xargsArguments, names); }});
        if (haveParallel)
            contenders.push_back(
                {"parallel -j " + jobsText, [&] { return spawnAndWait(parallelArguments, {}); }});
        measure(contenders, repetitions);
        for (const Contender &contender : contenders)
            printRuns(contender);

        const double engineN = contenders[0].medianWall();
        const double engine1 = contenders[1].medianWall();
        std::printf("engine(N)/engine(1)   %.3f (target <= 0.55)\n", engineN / engine1);
        if (haveXargs)
            std::printf("engine(N)/xargs(N)    %.3f (target <= 1.05)\n",
                        engineN / contenders[2].medianWall());
        else
            std::printf("xargs not found: no engine(N)/xargs(N)\n");
        if (haveParallel)
            std::printf("engine(N)/parallel(N) %.3f\n", engineN / contenders.back().medianWall());
        else
            std::printf("GNU parallel not installed (Debian package parallel): skipped\n");
    }

    std::printf("\nload average at end: %s\n", loadAverage().constData());
    return 0;
}
