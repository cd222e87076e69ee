#include "core/batch/batch_run.h"

#include "core/batch/entry_command.h"
#include "core/launch/launcher.h"
#include "core/platform/file_ops.h"
#include "core/platform/output_relay.h"
#include "core/settings/active_tool.h"

#include <algorithm>

namespace corvane {

namespace {
using Outcome = BatchEntryResult::Outcome;
} // namespace

// One entry whose command runs.
struct BatchRun::Running {
    // What is known before it ends: the entry and its lines.
    BatchEntryResult result;
    // Its block in the report; -1 when its output is not captured.
    ReportWriter::Block block = -1;
    std::unique_ptr<RunningCommand> command;
    QElapsedTimer clock;
};

BatchRun::BatchRun(BatchHost &host, Launcher &launcher, const ActiveTool &tool,
                   const QString &dataFolder, QObject *parent)
    : QObject(parent), m_host(host), m_launcher(launcher), m_tool(tool), m_dataFolder(dataFolder)
{
}

BatchRun::~BatchRun()
{
    handOverAtExit();
}

void BatchRun::run()
{
    QList<quint64> keys;
    const int count = m_host.jobCount();
    keys.reserve(std::max(count, 0));
    for (int i = 0; i < count; ++i)
        keys.append(m_host.jobKey(i));
    begin(keys);
}

void BatchRun::runEntries(const QList<quint64> &keys)
{
    // In job-list order, whatever order the keys came in.
    QList<QPair<int, quint64>> present;
    for (const quint64 key : keys) {
        const int index = m_host.jobIndexOf(key);
        if (index >= 0)
            present.append({index, key});
    }
    std::sort(present.begin(), present.end());
    QList<quint64> ordered;
    for (const auto &entry : std::as_const(present))
        ordered.append(entry.second);
    begin(ordered);
}

void BatchRun::begin(const QList<quint64> &keys)
{
    if (m_running || keys.isEmpty())
        return;

    m_running = true;
    m_stopRequested = false;
    m_startFailed = false;
    m_done = 0;
    m_results.clear();
    const QString statusBefore = m_statusText;
    setStatus(QStringLiteral("..."));
    m_host.setProcessEnabled(false);
    emit started(keys);

    m_destination = m_host.destinationFolder();
    if (!prepare(int(keys.size()))) {
        // Back to where the window was: nothing of the batch is left.
        m_reportLock.release();
        setStatus(statusBefore);
        m_host.setProcessEnabled(true);
        m_running = false;
        emit finished();
        return;
    }
    m_waiting = keys;
    m_clock.start();
    pump();
}

QString BatchRun::nextReportPath() const
{
    return m_chosenReportPath.isEmpty() ? ReportPathIn(m_dataFolder) : m_chosenReportPath;
}

BatchRun::EntryPreview BatchRun::previewEntry(int index) const
{
    const QString reportPath = nextReportPath();
    const LaunchRequest request =
        BuildEntryRequest(m_tool.profile(), m_host.jobName(index), m_host.jobFolder(index), index,
                          m_host.destinationFolder(), reportPath);
    return {request.commandLine, m_launcher.shellLine(request, reportPath)};
}

bool BatchRun::prepare(int count)
{
    QString reason;
    if (!SetCurrentFolder(m_destination, &reason)) {
        fail(DestinationFailureText(m_destination, reason));
        return false;
    }

    m_reportPath = nextReportPath();
    m_host.setProgressMinimum(0);
    m_host.setProgressMaximum(count);
    m_host.setProgressValue(0);

    m_report.close();
    const bool capture = m_tool.profile().captureOutput;
    // The lock comes before the old report goes: the report another batch
    // writes is neither removed nor written to. A batch that does not
    // capture leaves it to that batch and runs.
    if (m_reportLock.take(m_reportPath) == ReportLock::Result::Held) {
        if (capture) {
            fail(ReportInUseText(m_reportPath));
            return false;
        }
    } else if (PlainFileExists(m_reportPath) && !DeleteFile(m_reportPath, &reason)) {
        fail(QStringLiteral("无法删除输出报告“%1”：%2").arg(m_reportPath, reason));
        return false;
    }
    if (!capture) {
        m_reportLock.release();
        return true;
    }
    // A report that cannot be written (a link, a FIFO, a folder) stops the
    // batch before any entry runs, not after the first.
    if (!m_report.open(m_reportPath, &reason)) {
        fail(ReportOpenFailure(m_reportPath, reason));
        return false;
    }
    return true;
}

void BatchRun::pump()
{
    if (m_pumping || !m_running)
        return;
    m_pumping = true;
    // The tool is read anew for each start: how many may run at once too.
    while (!m_stopRequested && !m_startFailed && !m_waiting.isEmpty() &&
           !m_host.holdsBackStarts() && int(m_runningCommands.size()) < m_tool.profile().jobs) {
        const quint64 key = m_waiting.takeFirst();
        // An entry removed before its turn is not run; the others keep
        // their turns.
        const int index = m_host.jobIndexOf(key);
        if (index >= 0 && !startEntry(key, index))
            m_startFailed = true;
    }
    m_pumping = false;
    const bool nothingToStart = m_waiting.isEmpty() || m_stopRequested || m_startFailed;
    if (m_running && m_runningCommands.empty() && nothingToStart && !m_host.holdsBackStarts())
        finish();
}

bool BatchRun::startEntry(quint64 key, int index)
{
    const ToolProfile tool = m_tool.profile();
    LaunchRequest request = BuildEntryRequest(tool, m_host.jobName(index), m_host.jobFolder(index),
                                              index, m_destination, m_reportPath);
    auto running = std::make_unique<Running>();
    BatchEntryResult &result = running->result;
    result.index = index;
    result.key = key;
    result.commandLine = request.commandLine;
    result.shellLine = m_launcher.shellLine(request, m_reportPath);

    const auto notStarted = [&](const QString &message) {
        result.outcome = Outcome::NotStarted;
        record(result);
        fail(message);
        return false;
    };

    // A batch that did not capture at first and does now (another tool was
    // chosen meanwhile) takes the lock now.
    QString reason;
    if (request.capture && !m_report.isOpen()) {
        if (!m_reportLock.isHeld() && m_reportLock.take(m_reportPath) == ReportLock::Result::Held)
            return notStarted(ReportInUseText(m_reportPath));
        if (!m_report.open(m_reportPath, &reason))
            return notStarted(ReportOpenFailure(m_reportPath, reason));
    }

    if (request.capture) {
        const ReportWriter::Block block = m_report.begin();
        running->block = block;
        request.output = [this, block](const char *bytes, qint64 size) {
            m_report.append(block, bytes, size);
        };
    }

    LaunchResult launched = m_launcher.start(request);
    if (!launched.command) {
        if (running->block >= 0)
            m_report.end(running->block);
        return notStarted(
            QStringLiteral("无法启动命令：\n%1\n%2").arg(request.commandLine, launched.error));
    }
    running->command = std::move(launched.command);
    running->clock.start();
    Running *started = running.get();
    connect(started->command.get(), &RunningCommand::finished, this,
            [this, started] { commandFinished(started); });
    m_runningCommands.push_back(std::move(running));
    emit entryStarted(index, request.commandLine, key);
    // A stop asked for while the entry was being started.
    if (m_stopRequested)
        started->command->terminate();
    return true;
}

void BatchRun::commandFinished(Running *running)
{
    const auto found = std::find_if(m_runningCommands.begin(), m_runningCommands.end(),
                                    [running](const std::unique_ptr<Running> &candidate) {
                                        return candidate.get() == running;
                                    });
    if (found == m_runningCommands.end())
        return;
    std::unique_ptr<Running> ended = std::move(*found);
    m_runningCommands.erase(found);

    if (ended->block >= 0)
        m_report.end(ended->block);
    const RunningCommand &command = *ended->command;
    BatchEntryResult result = ended->result;
    result.outcome = Outcome::Succeeded;
    result.exitCode = command.exitCode();
    result.signal = command.terminationSignal();
    result.elapsedMs = ended->clock.elapsed();
    if (result.signal != 0)
        result.outcome = Outcome::Signalled;
    else if (result.exitCode != 0)
        result.outcome = Outcome::Failed;
    // The command is inside its finished() signal now: it goes once that
    // has returned.
    ended->command.release()->deleteLater();

    record(result);
    m_host.setProgressValue(++m_done);
    pump();
}

void BatchRun::record(const BatchEntryResult &result)
{
    m_results.append(result);
    emit entryFinished(result);
}

void BatchRun::finish()
{
    // What a stop or a failed start left out, as far as it is still in
    // the list.
    for (const quint64 key : std::as_const(m_waiting)) {
        const int index = m_host.jobIndexOf(key);
        if (index >= 0)
            record(BatchEntryResult{index, QString(), Outcome::NotRun, -1, 0, key, -1, QString()});
    }
    m_waiting.clear();
    m_elapsedMs = m_clock.elapsed();
    const QString reportError = m_report.error();
    m_report.close();
    m_reportLock.release();

    setStatus(m_stopRequested ? QStringLiteral("已停止") : QStringLiteral("完成"));
    m_host.setProcessEnabled(true);
    m_running = false;
    // Said before the report opens, so that nobody takes it for complete.
    if (!reportError.isEmpty())
        fail(QStringLiteral("输出报告不完整：%1（%2）").arg(m_reportPath, reportError));
    if (m_tool.profile().captureOutput)
        m_host.setReportTimerEnabled(true);
    emit finished();
}

void BatchRun::stop()
{
    if (!m_running || m_stopRequested)
        return;
    m_stopRequested = true;
    for (const std::unique_ptr<Running> &running : m_runningCommands)
        running->command->terminate();
    pump();
}

void BatchRun::resume()
{
    pump();
}

void BatchRun::handOverAtExit()
{
    if (!m_running)
        return;
    m_running = false;
    m_waiting.clear();

    // Captured output in the order of its blocks: what has not reached the
    // report yet, then what each running command still prints.
    QList<RelayStream> streams;
    const QList<ReportWriter::Pending> pending = m_report.pendingBlocks();
    for (const ReportWriter::Pending &block : pending) {
        RelayStream stream;
        stream.pending = block.file;
        stream.toReport = true;
        for (const std::unique_ptr<Running> &running : m_runningCommands) {
            if (running->block == block.block)
                stream.pipe = running->command->takeOutputPipe();
        }
        streams.append(stream);
    }
    // Output that was only shown goes on being read, so that its command
    // does not die of a closed pipe.
    for (const std::unique_ptr<Running> &running : m_runningCommands) {
        if (running->block >= 0)
            continue;
        RelayStream stream;
        stream.pipe = running->command->takeOutputPipe();
        if (stream.pipe != -1)
            streams.append(stream);
    }
    StartOutputRelay(streams, m_report.reportHandle());
    m_report.close();
    // The relay holds no lock: once Corvane has ended, the lock would not
    // count anyway.
    m_reportLock.release();
    // The commands run on; the launcher still reaps them while Corvane
    // lives.
    m_runningCommands.clear();
}

void BatchRun::setStatus(const QString &text)
{
    m_statusText = text;
    m_host.setStatusText(text);
}

void BatchRun::fail(const QString &text)
{
    emit failed(Message{text, ApplicationTitle(), MessageIcon::Warning});
}

QString DestinationFailureText(const QString &folder, const QString &reason)
{
    return QStringLiteral("无法进入文件存储路径“%1”：%2").arg(folder, reason);
}

} // namespace corvane
