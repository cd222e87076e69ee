#pragma once

#include "core/command/command_line.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace corvane {

// Receives a command's output as it is read: standard output and standard
// error merged, in the order written.
using OutputHandler = std::function<void(const char *bytes, qint64 size)>;

// What the batch asks the launcher to run for one job entry.
struct LaunchRequest final {
    // The line as the user reads it, with the capture wrapper when capture
    // is set: the title of the console window and the text of messages.
    QString commandLine;
    // What is run: the program box and the expanded template, with the
    // placeholders' values kept apart from the typed text.
    ToolCommand command;
    // Hand the output to `output` as it comes (the batch puts it in the
    // report), all of it before RunningCommand::finished().
    bool capture = false;
    OutputHandler output;
    // Show the output live in a console window of our own.
    bool showWindow = false;
    // Working directory of the command (the destination folder).
    QString workingDirectory;
};

// A window that shows one command's output while it runs. The window layer
// implements it; the launcher owns it, feeds it the output as it comes,
// calls commandFinished() once when the command has ended and then destroys
// it (before RunningCommand::finished() is emitted).
class ConsoleView {
public:
    virtual ~ConsoleView() = default;
    virtual void appendOutput(const QByteArray &bytes) = 0;
    virtual void commandFinished() = 0;
};

// Opens a console view titled with the given command line. May return null;
// the output then goes to the report alone, when it is captured.
using ConsoleFactory = std::function<std::unique_ptr<ConsoleView>(const QString &title)>;

// One started command. Emits finished() exactly once, from the event loop,
// when the process has ended and been reaped. Destroying it never stops the
// process: a command still running then goes on, and is still reaped.
class RunningCommand : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~RunningCommand() override = default;

    virtual bool isRunning() const = 0;
    virtual qint64 processId() const = 0;
    // Exit status once finished; -1 while running and when the process
    // ended by a signal.
    virtual int exitCode() const = 0;
    // The signal that ended the process; 0 while it runs and when it
    // exited.
    virtual int terminationSignal() const = 0;
    // Stops the command and everything it started: asked to end at once,
    // forced to after a few seconds. finished() follows as usual.
    virtual void terminate() = 0;
    // Stops reading the command's output and hands the read end of its pipe
    // over, to be closed by the caller; the console view closes. Used when
    // Corvane ends before the command, so that a process of its own can go
    // on reading. -1 when the output goes through no pipe of ours or the
    // pipe has ended.
    virtual qintptr takeOutputPipe() = 0;

signals:
    void finished();
};

// Result of a start: either a running command or the reason it could not
// start, a short text for the user.
struct LaunchResult final {
    std::unique_ptr<RunningCommand> command;
    QString error;

    static LaunchResult failed(const QString &error)
    {
        LaunchResult result;
        result.error = error;
        return result;
    }
};

// Starts the command line of one job entry. One implementation per operating
// system; CreateLauncher() picks the one of the platform we run on.
class Launcher {
public:
    virtual ~Launcher() = default;
    virtual LaunchResult start(const LaunchRequest &request) = 0;
    // The line a user can paste into the system's shell (sh, cmd.exe) to run
    // the command as start() runs it: in the working folder, reading
    // nothing, its output appended to reportPath when captured. The
    // request's own line when the command names no program.
    virtual QString shellLine(const LaunchRequest &request, const QString &reportPath) const = 0;
    void setConsoleFactory(ConsoleFactory factory) { m_consoleFactory = std::move(factory); }

protected:
    const ConsoleFactory &consoleFactory() const { return m_consoleFactory; }

private:
    ConsoleFactory m_consoleFactory;
};

std::unique_ptr<Launcher> CreateLauncher();

// Whether a stopped command, or something it started, may still run with its
// forced end still to come (RunningCommand::terminate()). That end comes
// through the event loop: a program about to end waits until this is false.
// Always false where a stop ends everything at once (Windows).
bool StoppedCommandsRemain();

// The name of a signal that ended a process, such as "SIGKILL".
QString SignalName(int signal);

} // namespace corvane
