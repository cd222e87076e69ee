#include "core/platform/posix/launcher.h"

#include "core/launch/command_watch.h"
#include "core/platform/posix/file_ops.h"

#include "core/files/file_name.h"
#include "core/launch/launch_plan.h"
#include "core/platform/file_ops.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QScopeGuard>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace corvane {

namespace {

// Bytes taken from a console pipe per wake-up, so that a chatty command
// cannot hold up the event loop.
constexpr qint64 kChunkPerWakeUp = 256 * 1024;
// After the command has ended the pipe is emptied, but only this far: what
// is still coming then is written by programs it left running.
constexpr qint64 kDrainLimit = 4 * 1024 * 1024;
// Bytes taken from the pipe by one read.
constexpr size_t kReadSize = 64 * 1024;

// A descriptor numbered 0, 1 or 2 (possible when Corvane was started with
// those closed) would be overwritten by the child's own standard streams.
FileDescriptor aboveStandardStreams(FileDescriptor fd)
{
    if (!fd.isValid() || fd.get() > STDERR_FILENO)
        return fd;
    return FileDescriptor(::fcntl(fd.get(), F_DUPFD_CLOEXEC, STDERR_FILENO + 1));
}

// Why the folder cannot be the working directory; empty when it can.
QString workingDirectoryProblem(const QString &folder)
{
    if (folder.isEmpty())
        return {};
    const QByteArray native = EncodeFileName(folder);
    struct stat info {};
    if (::stat(native.constData(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return QStringLiteral("工作目录不存在：%1").arg(folder);
        return QStringLiteral("无法进入工作目录：%1（%2）").arg(folder, ErrorText(errno));
    }
    if (!S_ISDIR(info.st_mode))
        return QStringLiteral("工作目录不是文件夹：%1").arg(folder);
    if (::access(native.constData(), X_OK) != 0)
        return QStringLiteral("无法进入工作目录：%1（%2）").arg(folder, ErrorText(errno));
    return {};
}

QString programProblem(int error, const QString &program, const QString &workingDirectory)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("找不到程序：%1").arg(program);
    case EACCES:
    case EPERM:
        if (program.contains(QLatin1Char('/')) &&
            QFileInfo(QDir(workingDirectory).filePath(program)).isDir())
            return QStringLiteral("这是文件夹，不是程序：%1").arg(program);
        return QStringLiteral("没有执行权限：%1").arg(program);
    case ENOEXEC:
        return QStringLiteral("不是可执行的程序文件：%1").arg(program);
    case E2BIG:
        return QStringLiteral("命令行太长");
    default:
        return QStringLiteral("无法启动程序：%1（%2）").arg(program, ErrorText(error));
    }
}

// The source text for /bin/sh: the typed text as it stands, and in place of
// each value a reference to the variable that holds it. The reference is
// double-quoted so that the value stays one word and is not globbed, as in
// a line without a shell; inside single quotes, which would keep a
// reference from expanding, the quotes are closed around it. The index is
// only digits and stays bare, so that arithmetic such as $(($Index$+1))
// works.
QString shellSource(const QList<CommandPiece> &pieces)
{
    enum class Quoting { None, Single, Double };
    Quoting quoting = Quoting::None;
    bool escaped = false;
    QString source;
    for (const CommandPiece &piece : pieces) {
        if (piece.isValue()) {
            const QString reference =
                QStringLiteral("${%1}").arg(QLatin1String(PlaceholderVariable(*piece.placeholder)));
            if (*piece.placeholder == Placeholder::Index || quoting == Quoting::Double)
                source += reference;
            else if (quoting == Quoting::Single)
                source += QStringLiteral("'\"%1\"'").arg(reference);
            else
                source += QLatin1Char('"') + reference + QLatin1Char('"');
            escaped = false;
            continue;
        }
        for (const QChar c : piece.text) {
            source += c;
            if (escaped)
                escaped = false;
            else if (quoting == Quoting::Single)
                quoting = c == QLatin1Char('\'') ? Quoting::None : quoting;
            else if (c == QLatin1Char('\\'))
                escaped = true;
            else if (c == QLatin1Char('"'))
                quoting = quoting == Quoting::Double ? Quoting::None : Quoting::Double;
            else if (c == QLatin1Char('\'') && quoting == Quoting::None)
                quoting = Quoting::Single;
        }
    }
    return source;
}

// What to execute for one command.
struct ProgramCall {
    QString name; // for messages
    QByteArray path;
    bool searchPath = false;
    QList<QByteArray> arguments;
    // NAME=value entries added to the child's environment.
    QList<QByteArray> environment;
};

// The command as a program call: "cmd /c TEXT" becomes /bin/sh -c TEXT,
// any other command is split into words. Nothing when it names no program.
std::optional<ProgramCall> programCallOf(const ToolCommand &command)
{
    const LaunchPlan plan = PlanLaunch(command);
    ProgramCall call;
    if (plan.shellPieces) {
        call.name = QStringLiteral("/bin/sh");
        call.path = QByteArrayLiteral("/bin/sh");
        call.arguments = {QByteArrayLiteral("sh"), QByteArrayLiteral("-c"),
                          EncodeFileName(shellSource(*plan.shellPieces))};
        for (const CommandPiece &piece : *plan.shellPieces) {
            if (!piece.isValue())
                continue;
            const QByteArray entry = QByteArray(PlaceholderVariable(*piece.placeholder)) + '=' +
                                     EncodeFileName(piece.text);
            if (!call.environment.contains(entry))
                call.environment.append(entry);
        }
        return call;
    }
    if (plan.words.isEmpty())
        return std::nullopt;
    call.name = plan.words.first();
    call.path = EncodeFileName(call.name);
    // A name without a slash is looked up on PATH, as a shell does: the
    // working folder is searched only when PATH names it (an empty entry,
    // or "."). A name with a slash is the path as typed.
    call.searchPath = !call.name.contains(QLatin1Char('/'));
    for (const QString &word : plan.words)
        call.arguments << EncodeFileName(word);
    return call;
}

// A word for sh: as it is when it holds nothing sh reads, else in single
// quotes, a ' as '\'', and a byte that is no character (from a name that is
// not UTF-8) written out by printf, so that the word is the bytes on disk.
QString shellQuoted(const QString &word)
{
    const bool plain = !word.isEmpty() && std::all_of(word.cbegin(), word.cend(), [](QChar c) {
        return c.unicode() < 0x80 &&
               (c.isLetterOrNumber() || QStringView(u"-_./:,+%@").contains(c));
    });
    if (plain)
        return word;
    QString quoted = QStringLiteral("'");
    for (const QChar c : word) {
        if (c == QLatin1Char('\''))
            quoted += QStringLiteral("'\\''");
        else if (const int byte = EscapedByte(c); byte >= 0)
            quoted += QStringLiteral("'\"$(printf '\\%1')\"'").arg(byte, 3, 8, QLatin1Char('0'));
        else
            quoted += c;
    }
    return quoted + QLatin1Char('\'');
}

// The child's environment: ours, with the call's own entries in place of
// any of the same name.
std::vector<QByteArray> childEnvironment(const QList<QByteArray> &additions)
{
    std::vector<QByteArray> entries;
    for (char **entry = environ; *entry; ++entry) {
        const QByteArray text(*entry);
        const QByteArray name = text.left(text.indexOf('=') + 1);
        const bool replaced =
            std::any_of(additions.cbegin(), additions.cend(),
                        [&name](const QByteArray &addition) { return addition.startsWith(name); });
        if (!replaced)
            entries.push_back(text);
    }
    for (const QByteArray &addition : additions)
        entries.push_back(addition);
    return entries;
}

// Starts the child. Standard input is /dev/null; standard output and error
// both go to `output` when it is given, else they are Corvane's own. Returns
// 0 or the error of the failed step (chdir or exec), as posix_spawn does.
int spawnChild(pid_t *pid, const ProgramCall &call, const QByteArray &workingDirectory, int output)
{
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    if (int error = posix_spawn_file_actions_init(&actions))
        return error;
    auto freeActions = qScopeGuard([&] { posix_spawn_file_actions_destroy(&actions); });
    if (int error = posix_spawnattr_init(&attributes))
        return error;
    auto freeAttributes = qScopeGuard([&] { posix_spawnattr_destroy(&attributes); });

    int error = 0;
    const auto step = [&error](int result) {
        if (error == 0)
            error = result;
    };
    if (!workingDirectory.isEmpty())
        step(posix_spawn_file_actions_addchdir_np(&actions, workingDirectory.constData()));
    step(posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0));
    if (output >= 0) {
        step(posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO));
        step(posix_spawn_file_actions_adddup2(&actions, output, STDERR_FILENO));
    } else {
        for (int stream : {STDOUT_FILENO, STDERR_FILENO}) {
            if (::fcntl(stream, F_GETFD) == -1)
                step(posix_spawn_file_actions_addopen(&actions, stream, "/dev/null", O_WRONLY, 0));
        }
    }
#if defined(__GLIBC__) && __GLIBC_PREREQ(2, 34)
    // Descriptors that some library opened without O_CLOEXEC stay with us.
    step(posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1));
#endif
    // The child starts with no blocked signals and with SIGPIPE at its
    // default, whatever the GUI thread had, so pipelines end as usual.
    sigset_t noSignals;
    sigemptyset(&noSignals);
    sigset_t defaultSignals;
    sigemptyset(&defaultSignals);
    sigaddset(&defaultSignals, SIGPIPE);
    step(posix_spawnattr_setsigmask(&attributes, &noSignals));
    step(posix_spawnattr_setsigdefault(&attributes, &defaultSignals));
    // Its own process group, so that a stop reaches everything it starts.
    step(posix_spawnattr_setpgroup(&attributes, 0));
    step(posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF |
                                                   POSIX_SPAWN_SETPGROUP));
    if (error != 0)
        return error;

    std::vector<char *> argv;
    for (const QByteArray &argument : call.arguments)
        argv.push_back(const_cast<char *>(argument.constData()));
    argv.push_back(nullptr);
    char **envp = environ;
    std::vector<QByteArray> environment;
    std::vector<char *> environmentPointers;
    if (!call.environment.isEmpty()) {
        environment = childEnvironment(call.environment);
        for (const QByteArray &entry : environment)
            environmentPointers.push_back(const_cast<char *>(entry.constData()));
        environmentPointers.push_back(nullptr);
        envp = environmentPointers.data();
    }
    if (call.searchPath)
        return posix_spawnp(pid, call.path.constData(), &actions, &attributes, argv.data(), envp);
    return posix_spawn(pid, call.path.constData(), &actions, &attributes, argv.data(), envp);
}

// A descriptor that becomes readable when the child has ended; it is not
// reaped by this. Invalid when neither a pidfd nor a waiter thread with its
// pipe can be had (no descriptors left): the watch then polls.
FileDescriptor openExitNotice(pid_t pid, ExitNotice notice)
{
#ifdef SYS_pidfd_open
    if (notice == ExitNotice::Automatic) {
        const int fd = int(::syscall(SYS_pidfd_open, pid, 0));
        if (fd >= 0)
            return FileDescriptor(fd); // pidfds are always close-on-exec
    }
#else
    Q_UNUSED(notice)
#endif
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return {};
    FileDescriptor readEnd(ends[0]);
    try {
        // WNOWAIT leaves the child for the event loop to reap.
        std::thread([pid, writeEnd = ends[1]] {
            siginfo_t info{};
            while (::waitid(P_PID, id_t(pid), &info, WEXITED | WNOWAIT) != 0 && errno == EINTR) {
            }
            ::close(writeEnd);
        }).detach();
    } catch (const std::system_error &) {
        ::close(ends[1]);
        return {};
    }
    return readEnd;
}

// Reaps an ended child.
CommandEnding reap(pid_t pid)
{
    int status = 0;
    pid_t result;
    do {
        result = ::waitpid(pid, &status, 0);
    } while (result < 0 && errno == EINTR);
    if (result == pid && WIFEXITED(status))
        return CommandEnding{WEXITSTATUS(status), 0};
    if (result == pid && WIFSIGNALED(status))
        return CommandEnding{-1, WTERMSIG(status)};
    return CommandEnding{};
}

// How long a stopped command and what it started get to end after SIGTERM
// before SIGKILL ends them.
constexpr int kTerminateGraceMilliseconds = 5000;

// The process groups of stopped commands whose SIGKILL is still to come.
// Only the main thread touches them.
QList<pid_t> &stoppedGroups()
{
    static QList<pid_t> groups;
    return groups;
}

// Whether the child has ended, without waiting and without reaping it.
bool hasEnded(pid_t pid)
{
    siginfo_t info{};
    return ::waitid(P_PID, id_t(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == pid;
}

// How often the end of a child is looked for when no descriptor could be
// had to be told of it.
constexpr int kExitPollMilliseconds = 50;

// Follows one child to its end: wakes up when it has ended, reads what the
// output pipe carries, and reaps the child. A stop ends the child's whole
// process group.
class ChildWatch final : public CommandWatch {
public:
    ChildWatch(pid_t pid, FileDescriptor exitNotice, FileDescriptor output, OutputHandler handler,
               std::unique_ptr<ConsoleView> view)
        : CommandWatch(std::move(handler), std::move(view)), m_pid(pid),
          m_exitNotice(std::move(exitNotice)), m_output(std::move(output))
    {
        if (m_exitNotice.isValid()) {
            m_exitNotifier = new QSocketNotifier(m_exitNotice.get(), QSocketNotifier::Read, this);
            connect(m_exitNotifier, &QSocketNotifier::activated, this, [this] { onExited(); });
        } else {
            m_exitPoll = new QTimer(this);
            connect(m_exitPoll, &QTimer::timeout, this, [this] {
                if (hasEnded(m_pid))
                    onExited();
            });
            m_exitPoll->start(kExitPollMilliseconds);
        }
        if (m_output.isValid()) {
            m_outputNotifier = new QSocketNotifier(m_output.get(), QSocketNotifier::Read, this);
            connect(m_outputNotifier, &QSocketNotifier::activated, this,
                    [this] { readOutput(kChunkPerWakeUp); });
        }
    }

    ~ChildWatch() override
    {
        // Only when Corvane itself ends while the child runs: the child goes
        // on without us and init reaps it.
        stopExitWatch();
        if (m_outputNotifier)
            m_outputNotifier->setEnabled(false);
    }

    Q_DISABLE_COPY_MOVE(ChildWatch)

    // The command runs as the leader of its own process group, so the
    // group is the command and everything it started: asked to end, and
    // made to a few seconds later.
    void terminate() override
    {
        const pid_t group = m_pid;
        ::kill(-group, SIGTERM);
        stoppedGroups().append(group);
        QObject *application = QCoreApplication::instance();
        QTimer::singleShot(kTerminateGraceMilliseconds, Qt::PreciseTimer,
                           application ? application : this, [group] {
                               stoppedGroups().removeOne(group);
                               // A group number stays taken while any member lives, so a group
                               // still there is ours.
                               if (::kill(-group, 0) == 0)
                                   ::kill(-group, SIGKILL);
                           });
    }

    qintptr takeOutputPipe() override
    {
        if (m_outputNotifier)
            m_outputNotifier->setEnabled(false);
        letGoOfOutput();
        return m_output.release();
    }

private:
    void stopExitWatch()
    {
        if (m_exitNotifier)
            m_exitNotifier->setEnabled(false);
        if (m_exitPoll)
            m_exitPoll->stop();
    }

    void onExited()
    {
        stopExitWatch();
        m_exitNotice.reset();
        // The command's own output is all in the pipe by now.
        readOutput(kDrainLimit);
        closeOutput();
        // Last: the owner may delete this watch.
        ended(reap(m_pid));
    }

    void readOutput(qint64 limit)
    {
        char buffer[kReadSize];
        qint64 total = 0;
        while (m_output.isValid() && total < limit) {
            const ssize_t count = ::read(m_output.get(), buffer, sizeof buffer);
            if (count > 0) {
                deliver(buffer, qint64(count));
                total += count;
            } else if (count < 0 && errno == EINTR) {
                continue;
            } else if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                return;
            } else {
                closeOutput(); // end of file: no one holds the write end any more
            }
        }
    }

    void closeOutput()
    {
        if (m_outputNotifier)
            m_outputNotifier->setEnabled(false);
        m_output.reset();
    }

    pid_t m_pid;
    FileDescriptor m_exitNotice;
    FileDescriptor m_output;
    QSocketNotifier *m_exitNotifier = nullptr;
    QTimer *m_exitPoll = nullptr;
    QSocketNotifier *m_outputNotifier = nullptr;
};

class PosixLauncher final : public Launcher {
public:
    explicit PosixLauncher(ExitNotice notice) : m_notice(notice) {}

    QString shellLine(const LaunchRequest &request, const QString &reportPath) const override
    {
        const std::optional<ProgramCall> call = programCallOf(request.command);
        if (!call)
            return request.commandLine;
        QStringList parts;
        if (!request.workingDirectory.isEmpty())
            parts << QStringLiteral("cd") << shellQuoted(request.workingDirectory)
                  << QStringLiteral("&&");
        for (const QByteArray &entry : call->environment) {
            const qsizetype equals = entry.indexOf('=');
            parts << QString::fromLatin1(entry.left(equals)) + QLatin1Char('=') +
                         shellQuoted(DecodeFileName(entry.mid(equals + 1)));
        }
        // The program as it is run: /bin/sh for a shell line.
        parts << shellQuoted(call->path == "/bin/sh" ? QStringLiteral("/bin/sh")
                                                     : DecodeFileName(call->arguments.first()));
        for (qsizetype i = 1; i < call->arguments.size(); ++i)
            parts << shellQuoted(DecodeFileName(call->arguments.at(i)));
        parts << QStringLiteral("</dev/null");
        if (request.capture)
            parts << QStringLiteral(">>") + shellQuoted(reportPath) << QStringLiteral("2>&1");
        return parts.join(QLatin1Char(' '));
    }

    LaunchResult start(const LaunchRequest &request) override
    {
        const std::optional<ProgramCall> call = programCallOf(request.command);
        if (!call)
            return LaunchResult::failed(QStringLiteral("命令行中没有程序"));
        const QString folderProblem = workingDirectoryProblem(request.workingDirectory);
        if (!folderProblem.isEmpty())
            return LaunchResult::failed(folderProblem);

        // Captured or shown, the output (standard output and error merged,
        // so in the order written) comes through a pipe that we read: the
        // batch writes the report itself and so knows when it is cut short.
        const bool window = request.showWindow && consoleFactory();
        FileDescriptor pipeRead;
        FileDescriptor pipeWrite;
        if (window || request.capture) {
            int ends[2];
            if (::pipe2(ends, O_CLOEXEC) != 0)
                return LaunchResult::failed(
                    QStringLiteral("无法启动程序：%1（%2）").arg(call->name, ErrorText(errno)));
            pipeRead = aboveStandardStreams(FileDescriptor(ends[0]));
            pipeWrite = aboveStandardStreams(FileDescriptor(ends[1]));
            if (!pipeRead.isValid() || !pipeWrite.isValid())
                return LaunchResult::failed(
                    QStringLiteral("无法启动程序：%1（%2）").arg(call->name, ErrorText(errno)));
            ::fcntl(pipeRead.get(), F_SETFL, ::fcntl(pipeRead.get(), F_GETFL) | O_NONBLOCK);
        }

        pid_t pid = 0;
        const int error =
            spawnChild(&pid, *call, EncodeFileName(request.workingDirectory), pipeWrite.get());
        pipeWrite.reset();
        if (error != 0) {
            // The folder may have gone since it was checked: chdir fails with
            // the same ENOENT as a missing program.
            const QString problem = workingDirectoryProblem(request.workingDirectory);
            return LaunchResult::failed(
                problem.isEmpty() ? programProblem(error, call->name, request.workingDirectory)
                                  : problem);
        }

        // From here on the command runs: whatever fails now, it is watched
        // and reaped like any other.
        FileDescriptor exitNotice = openExitNotice(pid, m_notice);
        std::unique_ptr<ConsoleView> view;
        if (window)
            view = consoleFactory()(request.commandLine);
        auto *watch =
            new ChildWatch(pid, std::move(exitNotice), std::move(pipeRead),
                           request.capture ? request.output : OutputHandler(), std::move(view));
        LaunchResult result;
        result.command = std::make_unique<WatchedCommand>(watch, qint64(pid));
        return result;
    }

private:
    ExitNotice m_notice;
};

} // namespace

std::unique_ptr<Launcher> CreatePosixLauncher(ExitNotice notice)
{
    return std::make_unique<PosixLauncher>(notice);
}

std::unique_ptr<Launcher> CreateLauncher()
{
    return CreatePosixLauncher();
}

bool StoppedCommandsRemain()
{
    QList<pid_t> &groups = stoppedGroups();
    groups.removeIf([](pid_t group) { return ::kill(-group, 0) != 0; });
    return !groups.isEmpty();
}

QString SignalName(int signal)
{
    if (const char *abbreviation = ::sigabbrev_np(signal))
        return QStringLiteral("SIG") + QLatin1String(abbreviation);
    return QStringLiteral("信号 %1").arg(signal);
}

} // namespace corvane
