#include "gui/main_window/window_batch_host.h"

#include "core/desktop/desktop.h"
#include "gui/main_window/batch_status.h"
#include "gui/main_window/folder_list.h"
#include "gui/main_window/job_list.h"
#include "gui/main_window/job_list_view.h"

#include <QApplication>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>

namespace corvane {

void WindowBatchHost::follow(BatchRun &batch, Desktop &desktop)
{
    connect(&batch, &BatchRun::failed, this,
            [&desktop](const Message &message) { desktop.showMessage(message); });
    // Each entry's outcome: cleared when a batch of it starts, then set as it
    // goes, on the entry whatever moved around it.
    connect(&batch, &BatchRun::started, this, [this](const QList<quint64> &keys) {
        m_controls.jobs->clearOutcomes(keys);
        m_controls.status->clearSummary();
        m_followedKey = 0;
    });
    connect(&batch, &BatchRun::entryStarted, this, [this](int, const QString &, quint64 key) {
        m_controls.jobs->setRunning(key);
        followRunningEntry(key);
    });
    connect(&batch, &BatchRun::entryFinished, this, [this](const BatchEntryResult &result) {
        m_controls.jobs->setResult(result.key, result);
    });
    connect(&batch, &BatchRun::finished, this, [this, &batch] {
        if (!batch.lastResults().isEmpty())
            m_controls.status->showSummary(batch.lastResults(), batch.lastElapsedMs());
    });
    connect(m_controls.reportTimer, &QTimer::timeout, this, [this, &batch, &desktop] {
        m_controls.reportTimer->stop();
        desktop.openDocument(batch.reportPath());
    });
}

void WindowBatchHost::followRunningEntry(quint64 key)
{
    // The list follows the running entries only while the entry it showed
    // last is still in view: once the user has scrolled away, it stays put.
    JobListView *view = m_controls.jobView;
    const auto rowOf = [this, view](quint64 entry) {
        const int row = m_controls.jobs->indexOfKey(entry);
        return row >= 0 ? view->model()->index(row, 0) : QModelIndex();
    };
    if (m_followedKey != 0) {
        const QModelIndex followed = rowOf(m_followedKey);
        if (followed.isValid() && !view->viewport()->rect().intersects(view->visualRect(followed)))
            return;
    }
    const QModelIndex running = rowOf(key);
    if (!running.isValid())
        return;
    view->scrollTo(running);
    m_followedKey = key;
}

int WindowBatchHost::jobCount() const
{
    return m_controls.jobs->count();
}

QString WindowBatchHost::jobName(int index) const
{
    return m_controls.jobs->name(index);
}

QString WindowBatchHost::jobFolder(int index) const
{
    return m_controls.jobs->folder(index);
}

quint64 WindowBatchHost::jobKey(int index) const
{
    return m_controls.jobs->key(index);
}

int WindowBatchHost::jobIndexOf(quint64 key) const
{
    return m_controls.jobs->indexOfKey(key);
}

QString WindowBatchHost::destinationFolder() const
{
    return m_controls.destination->path();
}

bool WindowBatchHost::holdsBackStarts() const
{
    return QApplication::activeModalWidget() != nullptr;
}

void WindowBatchHost::setStatusText(const QString &text)
{
    m_controls.status->setText(text);
}

void WindowBatchHost::setProcessEnabled(bool enabled)
{
    QPushButton *process = m_controls.processButton;
    JobListView *jobView = m_controls.jobView;
    // A batch runs while "处理" is disabled: Esc may stop it, drops wait.
    m_controls.stopShortcut->setEnabled(!enabled);
    jobView->setAcceptsFiles(enabled);
    // Disabled with the focus, "处理" would pass it on to "退出", where one
    // more key ends the program mid-batch: the job list takes it instead and
    // gives it back at the end, unless the user has moved it meanwhile.
    if (!enabled && QApplication::focusWidget() == process) {
        jobView->setFocus(Qt::OtherFocusReason);
        m_focusParkedInJobList = true;
    }
    process->setEnabled(enabled);
    m_controls.status->setRunning(!enabled);
    if (enabled && m_focusParkedInJobList) {
        m_focusParkedInJobList = false;
        if (QApplication::focusWidget() == jobView)
            process->setFocus(Qt::OtherFocusReason);
    }
}

void WindowBatchHost::setProgressMinimum(int minimum)
{
    m_controls.status->setProgressMinimum(minimum);
}

void WindowBatchHost::setProgressMaximum(int maximum)
{
    m_controls.status->setProgressMaximum(maximum);
}

void WindowBatchHost::setProgressValue(int value)
{
    m_controls.status->setProgressValue(value);
}

void WindowBatchHost::setReportTimerEnabled(bool enabled)
{
    if (enabled)
        m_controls.reportTimer->start();
    else
        m_controls.reportTimer->stop();
}

} // namespace corvane
