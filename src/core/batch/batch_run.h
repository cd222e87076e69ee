#pragma once

#include "core/batch/report_writer.h"
#include "core/desktop/message.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>

#include <memory>
#include <vector>

namespace corvane {

class ActiveTool;
class Launcher;
class RunningCommand;

// What a batch needs of the main window: the job list, the destination
// folder and the four controls it drives. The window implements it; tests
// implement it with plain members.
class BatchHost {
public:
    virtual ~BatchHost() = default;

    // The job list: count, and the file name and its folder by position.
    virtual int jobCount() const = 0;
    virtual QString jobName(int index) const = 0;
    virtual QString jobFolder(int index) const = 0;
    // A key that names the entry at a position for as long as it stays in
    // the list, whatever is added or removed around it; and the position of
    // the entry with a key, -1 once it has been removed.
    virtual quint64 jobKey(int index) const = 0;
    virtual int jobIndexOf(quint64 key) const = 0;
    // The destination folder.
    virtual QString destinationFolder() const = 0;
    // Whether a modal window is open: no entry starts, and the batch does
    // not end, until it has closed and resume() is called.
    virtual bool holdsBackStarts() const { return false; }

    // The status label, the "处理" button, the progress bar and the timer
    // that opens the report a second after a captured batch (the host opens
    // it, at reportPath()).
    virtual void setStatusText(const QString &text) = 0;
    virtual void setProcessEnabled(bool enabled) = 0;
    virtual void setProgressMinimum(int minimum) = 0;
    virtual void setProgressMaximum(int maximum) = 0;
    virtual void setProgressValue(int value) = 0;
    virtual void setReportTimerEnabled(bool enabled) = 0;
};

// What became of one job entry of the last batch.
struct BatchEntryResult final {
    enum class Outcome {
        Succeeded,  // exit status 0
        Failed,     // another exit status
        Signalled,  // ended by a signal
        NotStarted, // the command could not be started
        NotRun,     // the batch was stopped, or ended, before its turn
    };

    // The entry's position in the job list when its turn came.
    int index = 0;
    // The line that ran, as the user reads it; empty when none ran.
    QString commandLine;
    Outcome outcome = Outcome::NotRun;
    // The command's exit status; -1 when it ended by a signal or did not
    // run. Not an error for the batch, which goes on either way.
    int exitCode = -1;
    // The signal that ended it, or 0.
    int signal = 0;
    // The entry's key in the job list (BatchHost::jobKey).
    quint64 key = 0;
    // How long the command ran, in milliseconds; -1 when it did not run.
    qint64 elapsedMs = -1;
    // The line that runs the command in the system's shell as it ran
    // (Launcher::shellLine()); empty when none ran.
    QString shellLine;
};

// Runs the active tool once per job entry, with the destination folder as
// working directory: one command at a time, or as many at once as the tool
// allows, started in job-list order. Driven by events: run() returns at
// once, and each command's end starts the next. The report is report.txt in
// the data folder, or the file setReportPath() names; a batch that captures
// holds its lock (ReportLock) while it runs, and one that finds it held by
// another batch does not begin. What goes wrong is handed up through
// failed(), for the window to show.
class BatchRun final : public QObject {
    Q_OBJECT
public:
    BatchRun(BatchHost &host, Launcher &launcher, const ActiveTool &tool, const QString &dataFolder,
             QObject *parent = nullptr);
    // Commands that still run go on running, their output carried on to
    // where it went (handOverAtExit()).
    ~BatchRun() override;
    Q_DISABLE_COPY_MOVE(BatchRun)

    // The handler of "处理": begins a batch of every entry of the job list
    // and returns; finished() says when it has ended. The number of entries
    // is fixed now; entries added later wait for the next batch, and an
    // entry removed before its turn is not run.
    void run();
    // Begins a batch of the entries with these keys, in job-list order.
    void runEntries(const QList<quint64> &keys);

    // Stops the running batch: every running command and everything it
    // started are asked to end (and made to, a few seconds later), no
    // further entry starts, and the batch ends as stopped once they have
    // ended. Nothing happens outside a batch.
    void stop();

    // A modal window that held back the batch has closed: the batch goes on.
    void resume();

    // Corvane ends: no further entry starts and nothing more is shown. The
    // commands that run go on as processes of their own; their output still
    // goes where it went (the report, in order, when captured), carried on
    // by a process of its own, and nowhere when it was only shown.
    void handOverAtExit();

    // From the next batch on, the report is the file at path (absolute);
    // an empty path means report.txt in the data folder again.
    void setReportPath(const QString &path) { m_chosenReportPath = path; }

    // The lines the job entry at index would run with now (the active tool,
    // the host's destination, the next batch's report): as the user reads
    // it, and as the system's shell runs it.
    struct EntryPreview {
        QString commandLine;
        QString shellLine;
    };
    EntryPreview previewEntry(int index) const;

    bool isRunning() const { return m_running; }
    // Whether the last batch was stopped.
    bool wasStopped() const { return m_stopRequested; }
    const QString &reportPath() const { return m_reportPath; }
    const QList<BatchEntryResult> &lastResults() const { return m_results; }
    // How long the last batch took, in milliseconds.
    qint64 lastElapsedMs() const { return m_elapsedMs; }

signals:
    // A batch of these entries begins.
    void started(const QList<quint64> &keys);
    void entryStarted(int index, const QString &commandLine, quint64 key);
    // An entry ran, could not start, or is not run (after a stop or a start
    // failure).
    void entryFinished(const corvane::BatchEntryResult &result);
    // Something went wrong that the user must be told of: the batch could
    // not begin, an entry could not start, the report misses output. Shown
    // before the batch goes on; a start that failed starts nothing more.
    void failed(const corvane::Message &message);
    // The batch has ended (also when it could not begin).
    void finished();

private:
    struct Running;

    void begin(const QList<quint64> &keys);
    bool prepare(int count);
    // report.txt in the data folder, or the file setReportPath() named.
    QString nextReportPath() const;
    void pump();
    bool startEntry(quint64 key, int index);
    void commandFinished(Running *running);
    void record(const BatchEntryResult &result);
    void fail(const QString &text);
    void setStatus(const QString &text);
    void finish();

    BatchHost &m_host;
    Launcher &m_launcher;
    const ActiveTool &m_tool;
    const QString m_dataFolder;
    QString m_chosenReportPath;
    // Set when the first batch begins.
    QString m_reportPath;
    ReportLock m_reportLock;
    QString m_destination;
    ReportWriter m_report;
    QList<BatchEntryResult> m_results;
    // The entries whose turn has not come yet, in job-list order.
    QList<quint64> m_waiting;
    std::vector<std::unique_ptr<Running>> m_runningCommands;
    // The status label's text as the batch last set it: "..." at first.
    QString m_statusText = QStringLiteral("...");
    QElapsedTimer m_clock;
    qint64 m_elapsedMs = 0;
    int m_done = 0;
    bool m_running = false;
    bool m_stopRequested = false;
    bool m_startFailed = false;
    // Inside pump(): a command that ends meanwhile (in the loop of a message
    // box) leaves the next start to the pump under way.
    bool m_pumping = false;
};

// The message for a destination folder that cannot be made the working
// folder.
QString DestinationFailureText(const QString &folder, const QString &reason);

} // namespace corvane

Q_DECLARE_METATYPE(corvane::BatchEntryResult)
