#include "core/batch/batch_run.h"

#include "core/command/command_line.h"
#include "core/platform/data_folder.h"
#include "core/platform/desktop_services.h"
#include "core/platform/file_ops.h"
#include "core/platform/launcher.h"
#include "core/platform/message_box.h"
#include "core/settings/active_tool.h"

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
    m_host.setStatusText(QStringLiteral("..."));
    m_host.setProcessEnabled(false);

    const QString destination = m_host.destinationFolder();
    if (!prepare(destination)) {
        m_host.setProcessEnabled(true);
        m_running = false;
        return;
    }

    m_results.clear();
    m_reportError.clear();
    for (int i = 0; i < count; ++i) {
        // Entries removed during the batch shorten it: the positions that
        // no longer exist have nothing to run.
        if (i >= m_host.jobCount())
            break;
        if (!runEntry(i, destination))
            break;
        m_host.setProgressValue(i + 1);
    }

    m_host.setStatusText(QStringLiteral("完成"));
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

    LaunchRequest request;
    request.command =
        ExpandCommand(tool.program, tool.commandTemplate, name, folder, index, destination);
    request.commandLine = tool.captureOutput ? CaptureWrapped(request.command.text(), m_reportPath)
                                             : request.command.text();
    request.capture = tool.captureOutput;
    request.reportPath = m_reportPath;
    request.showWindow = tool.showConsole;
    request.workingDirectory = destination;

    LaunchResult started = m_launcher.start(request);
    if (!started.command) {
        showFailure(
            QStringLiteral("无法启动命令：\n%1\n%2").arg(request.commandLine, started.error));
        return false;
    }
    emit entryStarted(index, request.commandLine);

    RunningCommand *command = started.command.get();
    if (command->isRunning()) {
        // The end of the process arrives as an event; until then the local
        // loop handles the window's events and sleeps, never polls.
        QEventLoop loop;
        connect(command, &RunningCommand::finished, &loop, &QEventLoop::quit);
        if (command->isRunning())
            loop.exec();
    }

    const int exitCode = command->exitCode();
    if (m_reportError.isEmpty())
        m_reportError = command->reportError();
    m_results.append(BatchEntryResult{index, request.commandLine, exitCode});
    emit entryFinished(index, exitCode);
    return true;
}

void BatchRun::openReport()
{
    m_host.setReportTimerEnabled(false);
    OpenDocument(m_reportPath);
}

} // namespace corvane
