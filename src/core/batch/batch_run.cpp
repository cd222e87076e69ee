#include "core/batch/batch_run.h"

#include "core/command/command_line.h"
#include "core/platform/data_folder.h"
#include "core/platform/desktop_services.h"
#include "core/platform/file_ops.h"
#include "core/platform/launcher.h"
#include "core/platform/message_box.h"
#include "core/settings/active_tool.h"

#include <QDir>
#include <QEventLoop>

namespace corvane {

namespace {
void showFailure(const QString &text)
{
    ShowMessage(Message{text, ApplicationTitle(), MessageIcon::Warning});
}
} // namespace

BatchRun::BatchRun(BatchHost &host, Launcher &launcher, QObject *parent)
    : QObject(parent), m_host(host), m_launcher(launcher)
{
}

void BatchRun::run()
{
    if (m_running)
        return;
    const int count = m_host.jobCount();
    if (count <= 0)
        return;

    m_running = true;
    m_stopRequested = false;
    m_host.setStatusText(QStringLiteral("..."));
    m_host.setProcessEnabled(false);
    emit started(count);

    const QString destination = m_host.destinationFolder();
    if (!prepare(destination)) {
        m_host.setProcessEnabled(true);
        m_running = false;
        return;
    }

    m_results.clear();
    m_reportError.clear();
    int next = 0;
    for (; next < count && !m_stopRequested; ++next) {
        // Entries removed during the batch shorten it: the positions that
        // no longer exist have nothing to run.
        if (next >= m_host.jobCount())
            break;
        if (!runEntry(next, destination)) {
            ++next;
            break;
        }
        m_host.setProgressValue(next + 1);
    }
    // What a stop or a failed start left out, as far as the list still
    // reaches.
    for (; next < count && next < m_host.jobCount(); ++next)
        record(BatchEntryResult{next, QString(), BatchEntryResult::Outcome::NotRun, -1, 0});

    m_host.setStatusText(m_stopRequested ? QStringLiteral("已停止") : QStringLiteral("完成"));
    m_host.setProcessEnabled(true);
    m_running = false;
    // Said before the report opens, so that nobody takes it for complete.
    if (!m_reportError.isEmpty())
        showFailure(QStringLiteral("输出报告不完整：%1（%2）").arg(m_reportPath, m_reportError));
    if (ActiveTool().captureOutput)
        m_host.setReportTimerEnabled(true);
}

bool BatchRun::prepare(const QString &destination)
{
    QString reason;
    if (!SetCurrentFolder(destination, &reason)) {
        showFailure(QStringLiteral("无法进入文件存储路径“%1”：%2").arg(destination, reason));
        return false;
    }

    m_reportPath = JoinPath(DataFolder(), QStringLiteral("report.txt"));
    m_host.setProgressMinimum(0);
    m_host.setProgressMaximum(m_host.jobCount());
    m_host.setProgressValue(0);

    if (PlainFileExists(m_reportPath) && !DeleteFile(m_reportPath, &reason)) {
        showFailure(QStringLiteral("无法删除输出报告“%1”：%2").arg(m_reportPath, reason));
        return false;
    }
    // A report that cannot be written (a link, a FIFO, a folder) stops the
    // batch before any entry runs, not after the first.
    if (ActiveTool().captureOutput && !CanAppendToFile(m_reportPath, &reason)) {
        showFailure(ReportOpenFailure(m_reportPath, reason));
        return false;
    }
    return true;
}

bool BatchRun::runEntry(int index, const QString &destination)
{
    const QString folder = m_host.jobFolder(index);
    const QString name = m_host.jobName(index);
    const ActiveToolState tool = ActiveTool();

    // Folders in the system's own spelling (backslashes on Windows), as the
    // tool and the user expect them.
    LaunchRequest request;
    request.command =
        ExpandCommand(tool.program, tool.commandTemplate, name, QDir::toNativeSeparators(folder),
                      index, QDir::toNativeSeparators(destination), QDir::separator());
    request.commandLine =
        tool.captureOutput
            ? CaptureWrapped(request.command.text(), QDir::toNativeSeparators(m_reportPath))
            : request.command.text();
    request.capture = tool.captureOutput;
    request.reportPath = m_reportPath;
    request.showWindow = tool.showConsole;
    request.workingDirectory = destination;

    LaunchResult launched = m_launcher.start(request);
    if (!launched.command) {
        record(BatchEntryResult{index, request.commandLine, BatchEntryResult::Outcome::NotStarted,
                                -1, 0});
        showFailure(
            QStringLiteral("无法启动命令：\n%1\n%2").arg(request.commandLine, launched.error));
        return false;
    }
    emit entryStarted(index, request.commandLine);

    RunningCommand *command = launched.command.get();
    m_current = command;
    // A stop asked for while the entry was being started.
    if (m_stopRequested)
        command->terminate();
    if (command->isRunning()) {
        // The end of the process arrives as an event; until then the local
        // loop handles the window's events and sleeps, never polls.
        QEventLoop loop;
        connect(command, &RunningCommand::finished, &loop, &QEventLoop::quit);
        if (command->isRunning())
            loop.exec();
    }
    m_current = nullptr;

    if (m_reportError.isEmpty())
        m_reportError = command->reportError();
    BatchEntryResult result{index, request.commandLine, BatchEntryResult::Outcome::Succeeded,
                            command->exitCode(), command->terminationSignal()};
    if (result.signal != 0)
        result.outcome = BatchEntryResult::Outcome::Signalled;
    else if (result.exitCode != 0)
        result.outcome = BatchEntryResult::Outcome::Failed;
    record(result);
    return true;
}

void BatchRun::record(const BatchEntryResult &result)
{
    m_results.append(result);
    emit entryFinished(result);
}

void BatchRun::stop()
{
    if (!m_running || m_stopRequested)
        return;
    m_stopRequested = true;
    if (m_current)
        m_current->terminate();
}

void BatchRun::openReport()
{
    m_host.setReportTimerEnabled(false);
    OpenDocument(m_reportPath);
}

} // namespace corvane
