#pragma once

#include <QList>
#include <QObject>
#include <QString>

namespace corvane {

class Launcher;
class RunningCommand;

// What a batch needs of the main window: the job list, the destination
// folder and the four controls it drives. The window implements it; tests
// implement it with plain members.
class BatchHost {
public:
    virtual ~BatchHost() = default;

    // The job list: count, and the file name and its folder by index.
    virtual int jobCount() const = 0;
    virtual QString jobName(int index) const = 0;
    virtual QString jobFolder(int index) const = 0;
    // The destination folder.
    virtual QString destinationFolder() const = 0;

    // The status label, the "处理" button, the progress bar and the timer
    // that opens the report a second after a captured batch.
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

    int index = 0;
    // The line that ran, as the user reads it; empty when none ran.
    QString commandLine;
    Outcome outcome = Outcome::NotRun;
    // The command's exit status; -1 when it ended by a signal or did not
    // run. Not an error for the batch, which goes on either way.
    int exitCode = -1;
    // The signal that ended it, or 0.
    int signal = 0;
};

// Runs the active tool once per job entry, strictly one process at a time,
// with the destination folder as working directory.
class BatchRun final : public QObject {
    Q_OBJECT
public:
    BatchRun(BatchHost &host, Launcher &launcher, QObject *parent = nullptr);
    Q_DISABLE_COPY_MOVE(BatchRun)

    // The handler of "处理": runs a whole batch before it returns. While a
    // command runs it waits in a local event loop, so the window stays
    // responsive; a modal window opened meanwhile holds back the next entry
    // until it closes.
    void run();

    // The handler of the report timer: turns the timer off and opens the
    // report in the desktop's viewer.
    void openReport();

    // Stops the running batch: the running command and everything it
    // started are asked to end (and made to, a few seconds later), no
    // further entry starts, and the batch ends as stopped once the command
    // has ended. Nothing happens outside a batch.
    void stop();

    bool isRunning() const { return m_running; }
    // Whether the last batch was stopped.
    bool wasStopped() const { return m_stopRequested; }
    const QString &reportPath() const { return m_reportPath; }
    const QList<BatchEntryResult> &lastResults() const { return m_results; }

signals:
    // A batch of count entries begins.
    void started(int count);
    void entryStarted(int index, const QString &commandLine);
    // An entry ran, could not start, or is not run (after a stop or a start
    // failure).
    void entryFinished(const corvane::BatchEntryResult &result);

private:
    bool prepare(const QString &destination);
    bool runEntry(int index, const QString &destination);
    void record(const BatchEntryResult &result);

    BatchHost &m_host;
    Launcher &m_launcher;
    QString m_reportPath;
    QList<BatchEntryResult> m_results;
    // Why the report of this batch misses some output; empty when it does not.
    QString m_reportError;
    bool m_running = false;
    bool m_stopRequested = false;
    // The command of the entry that runs now, while it runs.
    RunningCommand *m_current = nullptr;
};

} // namespace corvane

Q_DECLARE_METATYPE(corvane::BatchEntryResult)
