#pragma once

#include <QObject>

#include <memory>

namespace corvane {

// While it lives, the requests to stop that a console program gets no
// longer end the process but arrive as stopRequested() on the thread that
// made this object, through its event loop. POSIX: SIGINT and SIGTERM, by a
// self-pipe that a socket notifier watches; the handlers that were there
// before come back when it goes. Windows: Ctrl+C, Ctrl+Break and the closing
// of the console window, by a console control handler; on a close, Windows
// ends the process once the handler returns, so the handler waits a few
// seconds for this object to go first. One at a time per process.
class StopSignals final : public QObject {
    Q_OBJECT
public:
    explicit StopSignals(QObject *parent = nullptr);
    ~StopSignals() override;
    Q_DISABLE_COPY_MOVE(StopSignals)

    // Whether the requests are caught; false when they could not be (no
    // descriptors left, another object already catches them).
    bool isCatching() const;

signals:
    // A request arrived. exitStatus is what a shell reports for a program
    // that it ended: 130 for SIGINT (and Ctrl+C, Ctrl+Break), 143 for
    // SIGTERM (and the closing console window).
    void stopRequested(int exitStatus);

private:
    class Catcher; // one per operating system
    std::unique_ptr<Catcher> m_catcher;
};

} // namespace corvane
