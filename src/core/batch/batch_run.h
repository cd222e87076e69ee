#pragma once

#include <QList>
#include <QObject>
#include <QString>

namespace corvane {

class Launcher;

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
    int index = 0;
    QString commandLine;
    // The command's exit status; -1 when it ended by a signal. Not an error
    // for the batch, which goes on either way.
    int exitCode = 0;
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

    bool isRunning() const { return m_running; }
    const QString &reportPath() const { return m_reportPath; }
    const QList<BatchEntryResult> &lastResults() const { return m_results; }

signals:
    void entryStarted(int index, const QString &commandLine);
    void entryFinished(int index, int exitCode);

private:
    bool prepare(const QString &destination);
    bool runEntry(int index, const QString &destination);

    BatchHost &m_host;
    Launcher &m_launcher;
    QString m_reportPath;
    QList<BatchEntryResult> m_results;
    // Why the report of this batch misses some output; empty when it does not.
    QString m_reportError;
    bool m_running = false;
};

} // namespace corvane
