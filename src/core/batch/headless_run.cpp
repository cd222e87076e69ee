#include "core/batch/headless_run.h"

#include "core/batch/batch_run.h"
#include "core/batch/entry_command.h"
#include "core/batch/job_files.h"
#include "core/batch/outcome_text.h"
#include "core/files/file_name.h"
#include "core/files/file_pattern.h"
#include "core/files/paths.h"
#include "core/launch/launch_plan.h"
#include "core/launch/launcher.h"
#include "core/platform/file_ops.h"
#include "core/platform/standard_streams.h"
#include "core/platform/stop_signals.h"
#include "core/settings/active_tool.h"
#include "core/settings/settings_file.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <array>
#include <memory>
#include <numeric>
#include <optional>
#include <utility>

namespace corvane {

namespace {

// How often the end of what a stop left running is looked for.
constexpr int kStoppedPollMilliseconds = 50;

// The line on standard error that says how far the batch has come,
// rewritten in place. Only on a terminal, and wiped before any other line
// is printed there.
class ProgressLine final {
public:
    ProgressLine(QTextStream &err, bool shown) : m_err(err), m_shown(shown) {}

    void setTotal(int total) { m_total = total; }
    void setDone(int done)
    {
        m_done = done;
        show(QStringLiteral("正在处理：已完成 %1/%2").arg(m_done).arg(m_total));
    }
    void clear()
    {
        if (m_width == 0)
            return;
        m_err << '\r' << QString(m_width, QLatin1Char(' ')) << '\r';
        m_err.flush();
        m_width = 0;
    }

private:
    void show(const QString &text)
    {
        if (!m_shown)
            return;
        clear();
        m_err << text;
        m_err.flush();
        // Chinese characters take two columns of a terminal.
        m_width = int(
            std::accumulate(text.cbegin(), text.cend(), qsizetype(0), [](qsizetype width, QChar c) {
                return width + (c.unicode() >= 0x1100 ? 2 : 1);
            }));
    }

    QTextStream &m_err;
    const bool m_shown;
    int m_total = 0;
    int m_done = 0;
    int m_width = 0;
};

// The job list and the controls of a batch without a window: the entries
// are the request's files, fixed for the run, and nothing is shown but the
// progress line.
class HeadlessHost final : public BatchHost {
public:
    HeadlessHost(const QList<JobFile> &jobs, const QString &destination, ProgressLine &progress)
        : m_jobs(jobs), m_destination(destination), m_progress(progress)
    {
    }

    int jobCount() const override { return int(m_jobs.size()); }
    QString jobName(int index) const override { return m_jobs.at(index).name; }
    QString jobFolder(int index) const override { return m_jobs.at(index).folder; }
    quint64 jobKey(int index) const override { return quint64(index) + 1; }
    int jobIndexOf(quint64 key) const override
    {
        return key >= 1 && key <= quint64(m_jobs.size()) ? int(key - 1) : -1;
    }
    QString destinationFolder() const override { return m_destination; }

    void setStatusText(const QString &text) override { m_status = text; }
    void setProcessEnabled(bool) override {}
    void setProgressMinimum(int) override {}
    void setProgressMaximum(int maximum) override { m_progress.setTotal(maximum); }
    void setProgressValue(int value) override { m_progress.setDone(value); }
    // Nobody opens the report of a headless run.
    void setReportTimerEnabled(bool) override {}

    // "完成" or "已停止" once the batch has ended, as the window's status.
    const QString &status() const { return m_status; }

private:
    const QList<JobFile> &m_jobs;
    const QString m_destination;
    ProgressLine &m_progress;
    QString m_status;
};

// The tool the request names, or why it names none.
struct ToolChoice final {
    int index = 0;
    QString problem;
};

ToolChoice chooseTool(const QString &requested, const SettingsFile &settings)
{
    const QString wanted = requested.trimmed();
    if (wanted.isEmpty())
        return {settings.readInt(QLatin1String(kCurrentToolKey)), QString()};
    bool isNumber = false;
    const int number = wanted.toInt(&isNumber);
    if (isNumber && number >= 0 && number < kToolCount)
        return {number, QString()};

    QList<int> named;
    const std::array<QString, kToolCount> names = ReadToolMenuNames(settings);
    for (int i = 0; i < kToolCount; ++i) {
        if (names[size_t(i)].trimmed().compare(wanted, Qt::CaseInsensitive) == 0)
            named.append(i);
    }
    if (named.size() == 1)
        return {named.first(), QString()};
    if (named.size() > 1)
        return {0,
                QStringLiteral("有 %1 个工具都叫“%2”，请用编号指定").arg(named.size()).arg(wanted)};
    if (isNumber)
        return {
            0,
            QStringLiteral("没有编号为 %1 的工具：编号是 0 到 %2").arg(wanted).arg(kToolCount - 1)};
    return {0, QStringLiteral("没有名为“%1”的工具（配置文件“%2”）").arg(wanted, settings.path())};
}

QString toolLabel(int index, const ToolProfile &tool)
{
    if (tool.name.isEmpty())
        return QStringLiteral("工具 %1").arg(index);
    return QStringLiteral("工具 %1“%2”").arg(index).arg(tool.name);
}

// Why the tool cannot run the first entry, if it cannot: it names no
// program, or the program it names by a path is not there.
QString toolProblem(int index, const ToolProfile &tool, const JobFile &first,
                    const QString &destination, const QString &configPath)
{
    const LaunchPlan plan = PlanLaunch(
        BuildEntryCommand(tool, first.name, first.folder, 0, destination, QString()).command);
    if (plan.shellPieces)
        return QString();
    if (plan.words.isEmpty())
        return QStringLiteral("%1 是空的：没有要运行的程序（配置文件“%2”）")
            .arg(toolLabel(index, tool), configPath);
    const QString &program = plan.words.first();
    if (IsProgramPath(program) && !ProgramPathExists(program, destination))
        return QStringLiteral("找不到%1 的程序“%2”").arg(toolLabel(index, tool), program);
    return QString();
}

// A message of the batch on one line.
QString oneLine(const QString &text)
{
    return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts).join(QLatin1Char(' '));
}

// "[2/5] 失败，退出码 3：LINE": the outcome as the window describes it, the
// exit status, and the line that ran (the file, for an entry that did not).
QString entryLine(const BatchEntryResult &result, const QList<JobFile> &jobs)
{
    QString outcome = DescribeResult(result).description;
    if (result.outcome == BatchEntryResult::Outcome::Succeeded)
        outcome += QStringLiteral("，退出码 %1").arg(result.exitCode);
    QString subject = result.commandLine;
    if (subject.isEmpty() && result.index >= 0 && result.index < jobs.size()) {
        const JobFile &job = jobs.at(result.index);
        subject = QDir::toNativeSeparators(JoinPath(job.folder, job.name));
    }
    return QStringLiteral("[%1/%2] %3：%4")
        .arg(result.index + 1)
        .arg(jobs.size())
        .arg(outcome, DisplayedFileName(subject));
}

// A stopped command's process group is ended by force a few seconds after
// the stop, through the event loop: the run waits for that before it
// returns, so that nothing it started outlives the program.
void waitForStoppedCommands()
{
    if (!StoppedCommandsRemain())
        return;
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&loop] {
        if (!StoppedCommandsRemain())
            loop.quit();
    });
    poll.start(kStoppedPollMilliseconds);
    loop.exec();
}

} // namespace

int RunHeadless(const HeadlessRequest &request, QTextStream &out, QTextStream &err)
{
    const auto refuse = [&err](int status, const QString &text) {
        err << text << Qt::endl;
        return status;
    };
    if (request.jobs && (*request.jobs < 1 || *request.jobs > kMaxJobs))
        return refuse(kHeadlessBadUsage, QStringLiteral("同时运行的数量 %1 超出范围：应为 1 到 %2")
                                             .arg(*request.jobs)
                                             .arg(kMaxJobs));
    if (request.paths.isEmpty())
        return refuse(kHeadlessBadUsage, QStringLiteral("没有给出要处理的文件或文件夹"));
    const SettingsFile settings(ConfigPathIn(request.dataFolder));
    const ToolChoice choice = chooseTool(request.tool, settings);
    if (!choice.problem.isEmpty())
        return refuse(kHeadlessBadUsage, choice.problem);

    // Everything relative is taken from the current folder before the
    // batch makes the destination the current folder.
    QStringList skipped;
    const QList<JobFile> jobs = JobFilesOf(request.paths, FilePattern(), &skipped);
    for (const QString &path : std::as_const(skipped)) {
        const QString shown = DisplayedFileName(path);
        err << (KindOfPath(path) == PathKind::Missing
                    ? QStringLiteral("找不到“%1”，已跳过").arg(shown)
                    : QStringLiteral("“%1”不是文件或文件夹，已跳过").arg(shown))
            << Qt::endl;
    }
    if (jobs.isEmpty())
        return refuse(kHeadlessFailed, QStringLiteral("没有要处理的文件"));
    const QString destination =
        request.destination.isEmpty()
            ? QDir::currentPath()
            : QDir::cleanPath(QFileInfo(request.destination).absoluteFilePath());

    ActiveTool tool(settings);
    tool.select(choice.index);
    if (request.jobs) {
        ToolProfile profile = tool.profile();
        profile.jobs = *request.jobs;
        tool.setProfile(profile);
    }
    const QString problem =
        toolProblem(choice.index, tool.profile(), jobs.first(), destination, settings.path());
    if (!problem.isEmpty())
        return refuse(kHeadlessFailed, problem);

    ProgressLine progress(err, StandardErrorIsTerminal());
    HeadlessHost host(jobs, destination, progress);
    const std::unique_ptr<Launcher> launcher = CreateLauncher();
    BatchRun batch(host, *launcher, tool, request.dataFolder);
    // Made absolute now: the batch makes the destination the current folder.
    if (!request.reportPath.isEmpty())
        batch.setReportPath(QDir::cleanPath(QFileInfo(request.reportPath).absoluteFilePath()));
    bool troubled = false;
    QObject::connect(&batch, &BatchRun::failed, &batch, [&](const Message &message) {
        progress.clear();
        err << oneLine(message.text) << Qt::endl;
        troubled = true;
    });
    QObject::connect(&batch, &BatchRun::entryFinished, &batch, [&](const BatchEntryResult &result) {
        progress.clear();
        out << entryLine(result, jobs) << Qt::endl;
    });
    // Caught from before the first command starts until the last has ended.
    StopSignals stopSignals;
    std::optional<int> stopStatus;
    QObject::connect(&stopSignals, &StopSignals::stopRequested, &batch, [&](int exitStatus) {
        if (!stopStatus)
            stopStatus = exitStatus;
        batch.stop();
    });
    QEventLoop loop;
    QObject::connect(&batch, &BatchRun::finished, &loop, &QEventLoop::quit);
    batch.run();
    // A batch that could not begin has ended already.
    if (batch.isRunning())
        loop.exec();
    progress.clear();
    waitForStoppedCommands();

    const QList<BatchEntryResult> &results = batch.lastResults();
    if (results.isEmpty())
        return kHeadlessFailed;
    out << host.status() << QStringLiteral("。") << OutcomeCounts(results) << QStringLiteral("。")
        << BatchTimeText(batch.lastElapsedMs()) << Qt::endl;
    if (batch.wasStopped() && stopStatus)
        return *stopStatus;
    const bool allSucceeded = std::none_of(results.cbegin(), results.cend(), IsFailure);
    return allSucceeded && !troubled ? kHeadlessSucceeded : kHeadlessFailed;
}

} // namespace corvane
