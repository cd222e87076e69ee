#pragma once

#include "core/batch/batch_run.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QTimer>

namespace corvane::test {

// A stand-in for the main window: the job list as (name, folder) pairs and a
// log of everything the batch does to the controls.
class FakeHost final : public BatchHost {
public:
    struct Job {
        QString name;
        QString folder;
        quint64 key = 0;
    };

    FakeHost()
    {
        timer.setInterval(1000);
        timer.setSingleShot(false);
    }

    // Appends an entry with a key of its own, as the job list does.
    void add(const QString &name, const QString &folder)
    {
        jobs.append(Job{name, folder, nextKey++});
    }

    int jobCount() const override { return int(jobs.size()); }
    QString jobName(int index) const override { return jobs.at(index).name; }
    QString jobFolder(int index) const override { return jobs.at(index).folder; }
    quint64 jobKey(int index) const override { return jobs.at(index).key; }
    int jobIndexOf(quint64 key) const override
    {
        for (int i = 0; i < jobs.size(); ++i) {
            if (jobs.at(i).key == key)
                return i;
        }
        return -1;
    }
    QString destinationFolder() const override { return destination; }
    bool holdsBackStarts() const override { return modalOpen; }

    void setStatusText(const QString &text) override
    {
        status = text;
        log.append(QStringLiteral("status ") + text);
    }
    void setProcessEnabled(bool enabled) override
    {
        processEnabled = enabled;
        log.append(enabled ? QStringLiteral("enabled") : QStringLiteral("disabled"));
    }
    void setProgressMinimum(int minimum) override
    {
        log.append(QStringLiteral("min %1").arg(minimum));
    }
    void setProgressMaximum(int maximum) override
    {
        log.append(QStringLiteral("max %1").arg(maximum));
    }
    void setProgressValue(int value) override
    {
        progress = value;
        log.append(QStringLiteral("value %1").arg(value));
    }
    void setReportTimerEnabled(bool enabled) override
    {
        log.append(enabled ? QStringLiteral("timer on") : QStringLiteral("timer off"));
        if (enabled)
            timer.start();
        else
            timer.stop();
    }

    QList<Job> jobs;
    quint64 nextKey = 1;
    QString destination;
    // Stands for a modal window that is open.
    bool modalOpen = false;
    QString status = QStringLiteral("...");
    bool processEnabled = true;
    int progress = -1;
    QStringList log;
    QTimer timer;
};

} // namespace corvane::test
