#pragma once

#include "core/batch/batch_run.h"

#include <QObject>

class QPushButton;
class QShortcut;
class QTimer;

namespace corvane {

class BatchStatus;
class Desktop;
class FolderList;
class JobList;
class JobListView;

// The main window's side of a batch: the job list and the destination
// folder it reads, the controls it drives, and what the window shows of it:
// each entry's mark, the summary at the end, the messages, the report a
// second after a captured batch. While a batch runs, "处理" is disabled, Esc
// stops the batch, drops wait, and the focus that "处理" had rests in the
// job list, where one more key ends nothing.
class WindowBatchHost final : public QObject, public BatchHost {
    Q_OBJECT
public:
    struct Controls {
        JobList *jobs = nullptr;
        JobListView *jobView = nullptr;
        FolderList *destination = nullptr;
        BatchStatus *status = nullptr;
        QPushButton *processButton = nullptr;
        QShortcut *stopShortcut = nullptr;
        QTimer *reportTimer = nullptr;
    };

    explicit WindowBatchHost(const Controls &controls) : m_controls(controls) {}
    Q_DISABLE_COPY_MOVE(WindowBatchHost)

    // Shows what the batch does, and its messages on the desktop.
    void follow(BatchRun &batch, Desktop &desktop);

    int jobCount() const override;
    QString jobName(int index) const override;
    QString jobFolder(int index) const override;
    quint64 jobKey(int index) const override;
    int jobIndexOf(quint64 key) const override;
    QString destinationFolder() const override;
    // A modal window (a dialog, a message box) holds back the next start.
    bool holdsBackStarts() const override;

    void setStatusText(const QString &text) override;
    void setProcessEnabled(bool enabled) override;
    void setProgressMinimum(int minimum) override;
    void setProgressMaximum(int maximum) override;
    void setProgressValue(int value) override;
    void setReportTimerEnabled(bool enabled) override;

private:
    void followRunningEntry(quint64 key);

    Controls m_controls;
    // The entry the list last scrolled to; 0 for none in this batch.
    quint64 m_followedKey = 0;
    bool m_focusParkedInJobList = false;
};

} // namespace corvane
