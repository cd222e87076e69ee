// A tool that floods its output, with the console window shown and the
// output captured: Corvane's memory (target: under 100 MB at its peak) and
// how long an event posted from another thread waits meanwhile (target:
// under 50 ms), for lines and for output without any line break. The report
// must come out complete.
//
//   bench_console_flood [megabytes]     (default 1024)

#include "core/batch/report_writer.h"
#include "core/launch/launcher.h"
#include "gui/console/console_window.h"
#include "latency_probe.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include <unistd.h>

using namespace corvane;

namespace {

double residentMegabytes()
{
    FILE *statm = std::fopen("/proc/self/statm", "r");
    long pages = 0;
    long resident = 0;
    if (statm) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

void flood(const QString &name, const QString &shellText, qint64 bytes, const QString &report)
{
    std::unique_ptr<Launcher> launcher = CreateLauncher();
    launcher->setConsoleFactory(ConsoleWindowFactory());
    LaunchRequest request;
    request.commandLine = QStringLiteral("cmd /c ") + shellText;
    request.command.arguments = {CommandPiece{request.commandLine, std::nullopt}};
    request.capture = true;
    request.showWindow = true;
    request.workingDirectory = QFileInfo(report).path();
    QFile::remove(report);
    // The report as a batch writes it.
    ReportWriter writer;
    QString reason;
    if (!writer.open(report, &reason)) {
        std::fprintf(stderr, "cannot open the report: %s\n", qPrintable(reason));
        std::exit(1);
    }
    const ReportWriter::Block block = writer.begin();
    request.output = [&writer, block](const char *data, qint64 size) {
        writer.append(block, data, size);
    };

    QElapsedTimer clock;
    clock.start();
    bench::LatencyProbe probe(20);
    double peak = residentMegabytes();
    probe.start();
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout,
                     [&] { peak = std::max(peak, residentMegabytes()); });
    sampler.start(50);

    LaunchResult started = launcher->start(request);
    if (!started.command) {
        std::fprintf(stderr, "cannot start: %s\n", qPrintable(started.error));
        std::exit(1);
    }
    QSignalSpy finished(started.command.get(), &RunningCommand::finished);
    finished.wait(3600 * 1000);
    writer.end(block);
    writer.close();
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    probe.stop();
    peak = std::max(peak, residentMegabytes());

    const std::vector<double> waits = probe.sortedWaits();
    const double median = waits.empty() ? 0 : waits[waits.size() / 2];
    const double slowest = waits.empty() ? 0 : waits.back();
    const qint64 written = QFileInfo(report).size();
    std::printf("%-22s %6.1f s  peak %6.1f MB (target 100)  posted event median %.2f ms, "
                "slowest %.1f ms (target 50)  report %s\n",
                qPrintable(name), seconds, peak, median, slowest,
                written == bytes ? "complete" : "INCOMPLETE");
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen")
                                                                    : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const qint64 megabytes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1024;
    const qint64 bytes = megabytes * 1024 * 1024;
    QTemporaryDir folder;
    if (!folder.isValid())
        return 1;
    const QString report = folder.filePath(QStringLiteral("report.txt"));
    std::printf("%lld MB per run, report in %s\n", static_cast<long long>(megabytes),
                qPrintable(folder.path()));
    if (!qEnvironmentVariableIsSet("CORVANE_FLOOD_SKIP_LINES"))
        flood(QStringLiteral("lines"),
              QStringLiteral(
                  "yes 'a line of console output, as a chatty tool prints it' | head -c %1")
                  .arg(bytes),
              bytes, report);
    flood(QStringLiteral("no line breaks"),
          QStringLiteral("head -c %1 /dev/zero | tr '\\\\0' x").arg(bytes), bytes, report);
    return 0;
}
