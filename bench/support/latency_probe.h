#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <memory>
#include <vector>

namespace corvane::bench {

// Measures how long the event loop keeps posted events waiting: a thread
// posts a stamped event every few milliseconds while the probe runs, and
// the probe notes, for each, the time from posting to handling.
class LatencyProbe final : public QObject {
public:
    explicit LatencyProbe(int intervalMilliseconds) : m_interval(intervalMilliseconds)
    {
        m_clock.start();
    }
    ~LatencyProbe() override { stop(); }
    Q_DISABLE_COPY_MOVE(LatencyProbe)

    void start()
    {
        m_poster.reset(QThread::create([this] {
            while (!m_stopping.load()) {
                QCoreApplication::postEvent(this, new Stamped(m_clock.nsecsElapsed()));
                QThread::msleep(unsigned(m_interval));
            }
        }));
        m_poster->start();
    }

    // Stops posting and handles what is still waiting.
    void stop()
    {
        if (!m_poster)
            return;
        m_stopping = true;
        m_poster->wait();
        m_poster.reset();
        QCoreApplication::processEvents();
    }

    // The waits in milliseconds, shortest first.
    std::vector<double> sortedWaits() const
    {
        std::vector<double> waits = m_waits;
        std::sort(waits.begin(), waits.end());
        return waits;
    }

protected:
    bool event(QEvent *event) override
    {
        if (event->type() != QEvent::User)
            return QObject::event(event);
        const auto *stamped = static_cast<Stamped *>(event);
        m_waits.push_back(double(m_clock.nsecsElapsed() - stamped->sentNs) / 1e6);
        return true;
    }

private:
    struct Stamped final : QEvent {
        explicit Stamped(qint64 sent) : QEvent(QEvent::User), sentNs(sent) {}
        qint64 sentNs;
    };

    int m_interval;
    QElapsedTimer m_clock;
    std::atomic<bool> m_stopping{false};
    std::unique_ptr<QThread> m_poster;
    std::vector<double> m_waits;
};

} // namespace corvane::bench
