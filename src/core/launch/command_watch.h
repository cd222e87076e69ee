#pragma once

#include "core/launch/launcher.h"

#include <QObject>

#include <functional>
#include <memory>

namespace corvane {

// How a command ended: its exit status, or the signal that ended it.
struct CommandEnding final {
    int exitCode = -1;
    int signal = 0;
};

// Follows one started command to its end, for the launcher of either
// system: the system's part notices the end and reads the output pipe; this
// part hands the output to the batch and the console view, closes the view,
// and tells the owner of the end. It never ends the command itself.
class CommandWatch : public QObject {
public:
    CommandWatch(OutputHandler handler, std::unique_ptr<ConsoleView> view);
    ~CommandWatch() override;
    Q_DISABLE_COPY_MOVE(CommandWatch)

    using EndedHandler = std::function<void(CommandEnding ending)>;
    void setEndedHandler(EndedHandler handler) { m_endedHandler = std::move(handler); }

    // The owner goes away while the command still runs. The console view
    // closes and the output goes nowhere from now on; the watch stays to keep
    // the pipe drained (a command writing to an unread pipe would block, to a
    // closed one it would die) and to see the end, then deletes itself.
    void release();

    // Ends the command and everything it started, the system's way.
    virtual void terminate() = 0;
    // Stops reading the output and gives the pipe's read end away; -1 when
    // there is none (any more).
    virtual qintptr takeOutputPipe() = 0;

protected:
    // Output read from the pipe.
    void deliver(const char *bytes, qint64 size);
    // Nothing more goes to the batch or the view (the pipe is given away).
    void letGoOfOutput();
    // The command has ended and its output has been delivered: the view
    // closes, then the owner is told, or a released watch goes. The owner's
    // handler may delete this watch, so nothing may follow a call.
    void ended(CommandEnding ending);

private:
    void closeView();

    OutputHandler m_handler;
    std::unique_ptr<ConsoleView> m_view;
    EndedHandler m_endedHandler;
    bool m_released = false;
};

// The running command that the batch holds, the same on every system: it
// owns the watch while the command runs and lets go of it, leaving the
// command running, when it goes first.
class WatchedCommand final : public RunningCommand {
public:
    WatchedCommand(CommandWatch *watch, qint64 processId);
    ~WatchedCommand() override;
    Q_DISABLE_COPY_MOVE(WatchedCommand)

    bool isRunning() const override { return m_running; }
    qint64 processId() const override { return m_processId; }
    int exitCode() const override { return m_ending.exitCode; }
    int terminationSignal() const override { return m_ending.signal; }
    void terminate() override;
    qintptr takeOutputPipe() override;

private:
    CommandWatch *m_watch;
    qint64 m_processId;
    bool m_running = true;
    CommandEnding m_ending;
};

} // namespace corvane
