#include "core/platform/windows/launcher.h"

#include "core/files/paths.h"

#include "core/launch/command_watch.h"
#include "core/launch/launch_plan.h"
#include "core/platform/file_ops.h"
#include "core/platform/windows/file_ops.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QWinEventNotifier>

#include <algorithm>
#include <atomic>
#include <vector>

namespace corvane {

namespace {

// Bytes taken from the output pipe per read; after each read the event loop
// runs, so that a chatty command cannot hold it up.
constexpr DWORD kReadSize = 64 * 1024;
// After the command has ended the pipe is emptied, but only this far: what
// is still coming then is written by programs it left running.
constexpr qint64 kDrainLimit = 4 * 1024 * 1024;
// The longest command line CreateProcessW takes, its NUL included.
constexpr qsizetype kMaxCommandLine = 32767;
// The exit status of a command that a stop ended, as Task Manager's "End
// task" gives it.
constexpr UINT kStoppedExitCode = 1;

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') ||
           c == QLatin1Char('\v');
}

// Characters that end a run of a value and what sticks to it in a cmd.exe
// line: blanks and the operators that cmd.exe reads outside quotes.
bool endsCmdRun(QChar c)
{
    return isBlank(c) || QStringView(u"&|<>()^").contains(c);
}

// Characters that a word may hold to stand bare in a line for cmd.exe.
bool isPlainForCmd(const QString &word)
{
    return !word.isEmpty() && std::all_of(word.cbegin(), word.cend(), [](QChar c) {
        return c.isLetterOrNumber() || QStringView(u"-_.:/\\=+,@~#$[]{}'`").contains(c);
    });
}

int trailingBackslashes(const QString &text)
{
    int count = 0;
    for (qsizetype i = text.size() - 1; i >= 0 && text.at(i) == QLatin1Char('\\'); --i)
        ++count;
    return count;
}

QString delayedReference(const char *variable)
{
    return QLatin1Char('!') + QLatin1String(variable) + QLatin1Char('!');
}

// What CreateProcessW is given for one command.
struct ProcessCall {
    QString name; // for messages
    // The program file; empty when no folder searched holds a program of
    // that name. CreateProcessW is never left to look a name up itself.
    QString application;
    QString commandLine;
    // Variables added to the child's environment.
    QList<QPair<QString, QString>> environment;
};

QString systemFolder()
{
    wchar_t folder[MAX_PATH + 1] = {};
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH + 1);
    return QString::fromWCharArray(folder, int(length));
}

QString windowsFolder()
{
    wchar_t folder[MAX_PATH + 1] = {};
    const UINT length = ::GetWindowsDirectoryW(folder, MAX_PATH + 1);
    return length <= MAX_PATH ? QString::fromWCharArray(folder, int(length)) : QString();
}

// The endings tried for a program name that has none: those of PATHEXT that
// CreateProcessW starts by itself (.com, .exe), in PATHEXT's order.
QStringList programEndings()
{
    QStringList endings;
    const QStringList listed =
        qEnvironmentVariable("PATHEXT").split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString &item : listed) {
        const QString ending = item.trimmed().toLower();
        if ((ending == QLatin1String(".com") || ending == QLatin1String(".exe")) &&
            !endings.contains(ending))
            endings << ending;
    }
    if (endings.isEmpty())
        endings = {QStringLiteral(".com"), QStringLiteral(".exe")};
    return endings;
}

// The file of a program name without a folder: looked for in the folder of
// the running program, the system folder, the Windows folder, then each
// folder of PATH, in that order. CreateProcessW's own search would look in
// the current folder second, and during a batch that is the destination: a
// program that someone put there must not run in place of the one meant. A
// relative PATH entry is taken from the working folder, as the POSIX
// launcher's search does. Empty when no folder holds it.
QString findProgram(const QString &name, const QString &workingDirectory)
{
    QStringList folders{ProgramFolder(), systemFolder(), windowsFolder()};
    const QStringList path =
        qEnvironmentVariable("PATH").split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString &entry : path) {
        const QString folder = entry.trimmed().remove(QLatin1Char('"'));
        if (!folder.isEmpty())
            folders << QDir(workingDirectory).absoluteFilePath(folder);
    }
    QStringList candidates{name};
    if (!name.contains(QLatin1Char('.'))) {
        candidates.clear();
        for (const QString &ending : programEndings())
            candidates << name + ending;
    }
    for (const QString &folder : std::as_const(folders)) {
        if (folder.isEmpty())
            continue;
        for (const QString &candidate : std::as_const(candidates)) {
            const QString file = QDir::cleanPath(QDir(folder).absoluteFilePath(candidate));
            if (QFileInfo(file).isFile())
                return QDir::toNativeSeparators(file);
        }
    }
    return {};
}

// cmd.exe from the system folder, never one that lies in the working
// folder or on PATH; /d leaves out AutoRun commands, /s keeps the text as it
// is between the outer quotes, /v:on or /v:off turns delayed references
// (!NAME!) on or off whatever the registry says.
ProcessCall cmdCall(const QString &text, bool delayedReferences)
{
    ProcessCall call;
    call.application = systemFolder() + QStringLiteral("\\cmd.exe");
    call.name = QStringLiteral("cmd.exe");
    call.commandLine =
        QStringLiteral("cmd.exe %1 /d /s /c \"")
            .arg(delayedReferences ? QLatin1String("/v:on") : QLatin1String("/v:off")) +
        text + QLatin1Char('"');
    return call;
}

bool isBatchFile(const QString &program)
{
    const QString suffix = QFileInfo(program).suffix();
    return suffix.compare(QLatin1String("bat"), Qt::CaseInsensitive) == 0 ||
           suffix.compare(QLatin1String("cmd"), Qt::CaseInsensitive) == 0;
}

// A batch file runs in cmd.exe, which reads its arguments as cmd.exe
// source. So each word that is not plainly safe reaches it through an
// environment variable, as a reference (%CORVANE_ARG1%) in double quotes:
// cmd.exe replaces such a reference in one pass without reading the value
// again, and &, |, ^, (, ) and blanks in double quotes are plain text. The
// batch file gets the argument quoted, as it would from anywhere else.
// Delayed references stay off, so that a ! in an argument is left alone
// inside the batch file too. A double quote cannot be passed that way.
std::optional<ProcessCall> batchFileCall(const QStringList &words, QString *problem)
{
    QStringList parts;
    QList<QPair<QString, QString>> environment;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString &word = words.at(i);
        if (isPlainForCmd(word)) {
            parts << word;
            continue;
        }
        if (word.contains(QLatin1Char('"'))) {
            *problem = QStringLiteral("批处理文件的参数中不能有双引号：%1").arg(word);
            return std::nullopt;
        }
        const QString variable = QStringLiteral("CORVANE_ARG%1").arg(i);
        parts << QLatin1String("\"%") + variable + QLatin1String("%\"");
        environment.append({variable, word});
    }
    ProcessCall call = cmdCall(parts.join(QLatin1Char(' ')), false);
    call.name = words.first();
    call.environment = environment;
    return call;
}

// The command as a CreateProcessW call; nothing, with the reason, when it
// cannot be one.
std::optional<ProcessCall> processCallOf(const ToolCommand &command,
                                         const QString &workingDirectory, QString *problem)
{
    const LaunchPlan plan = PlanLaunch(command);
    if (plan.shellPieces) {
        ProcessCall call = cmdCall(CmdShellText(*plan.shellPieces), true);
        for (const CommandPiece &piece : *plan.shellPieces) {
            if (!piece.isValue())
                continue;
            const QPair<QString, QString> entry{
                QString::fromLatin1(PlaceholderVariable(*piece.placeholder)), piece.text};
            if (!call.environment.contains(entry))
                call.environment.append(entry);
        }
        return call;
    }
    if (plan.words.isEmpty()) {
        *problem = QStringLiteral("命令行中没有程序");
        return std::nullopt;
    }
    const QString &program = plan.words.first();
    const QString application = IsProgramPath(program)
                                    ? ProgramFileOfPath(program, workingDirectory)
                                    : findProgram(program, workingDirectory);
    if (application.isEmpty()) {
        // Said after the working folder's problems, as for a failed start.
        ProcessCall call;
        call.name = program;
        return call;
    }
    if (QFileInfo(application).isDir()) {
        *problem = QStringLiteral("这是文件夹，不是程序：%1").arg(program);
        return std::nullopt;
    }
    if (isBatchFile(application)) {
        QStringList words = plan.words;
        words.first() = QDir::toNativeSeparators(application);
        return batchFileCall(words, problem);
    }
    const std::optional<QString> line = WindowsCommandLine(plan.words);
    if (!line) {
        *problem = QStringLiteral("程序名中不能有双引号：%1").arg(program);
        return std::nullopt;
    }
    ProcessCall call;
    call.name = program;
    call.application = QDir::toNativeSeparators(application);
    call.commandLine = *line;
    return call;
}

QString programProblem(DWORD error, const QString &program)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
        return QStringLiteral("找不到程序：%1").arg(program);
    case ERROR_ACCESS_DENIED:
        return QStringLiteral("没有执行权限：%1").arg(program);
    case ERROR_BAD_EXE_FORMAT:
    case ERROR_EXE_MACHINE_TYPE_MISMATCH:
    case ERROR_INVALID_EXE_SIGNATURE:
        return QStringLiteral("不是可执行的程序文件：%1").arg(program);
    case ERROR_FILENAME_EXCED_RANGE:
        return QStringLiteral("命令行太长");
    default:
        return QStringLiteral("无法启动程序：%1（%2）").arg(program, ErrorText(int(error)));
    }
}

// Why the folder cannot be the working directory; empty when it can.
QString workingDirectoryProblem(const QString &folder)
{
    if (folder.isEmpty())
        return {};
    const NoDriveErrorDialogs quiet;
    const DWORD attributes = ::GetFileAttributesW(NativePath(folder).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return QStringLiteral("工作目录不存在：%1").arg(folder);
        return QStringLiteral("无法进入工作目录：%1（%2）").arg(folder, ErrorText(int(error)));
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return QStringLiteral("工作目录不是文件夹：%1").arg(folder);
    return {};
}

// The child's environment block: ours, with the call's variables in place of
// any of the same name, sorted by name as Windows keeps it.
std::vector<wchar_t> environmentBlock(const QList<QPair<QString, QString>> &additions)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const auto &[name, value] : additions)
        environment.insert(name, value);
    QStringList names = environment.keys();
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    std::vector<wchar_t> block;
    for (const QString &name : std::as_const(names)) {
        const std::wstring entry =
            (name + QLatin1Char('=') + environment.value(name)).toStdWString();
        block.insert(block.end(), entry.begin(), entry.end());
        block.push_back(L'\0');
    }
    if (block.empty())
        block.push_back(L'\0');
    block.push_back(L'\0');
    return block;
}

WinHandle inheritableCopy(HANDLE handle)
{
    HANDLE copy = nullptr;
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE ||
        !::DuplicateHandle(::GetCurrentProcess(), handle, ::GetCurrentProcess(), &copy, 0, TRUE,
                           DUPLICATE_SAME_ACCESS))
        return {};
    return WinHandle(copy);
}

WinHandle openNul(DWORD access)
{
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return WinHandle(::CreateFileW(L"NUL", access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                   OPEN_EXISTING, 0, nullptr));
}

// An inbound pipe: our end reads with overlapped I/O, so that the event
// loop learns of new output from an event; the child's end is an ordinary
// inheritable handle that it writes to as to any file.
bool createOutputPipe(WinHandle *readEnd, WinHandle *writeEnd)
{
    static std::atomic<unsigned> serial{0};
    const std::wstring name = QStringLiteral("\\\\.\\pipe\\corvane-output-%1-%2")
                                  .arg(::GetCurrentProcessId())
                                  .arg(++serial)
                                  .toStdWString();
    WinHandle server(::CreateNamedPipeW(
        name.c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, kReadSize,
        kReadSize, 0, nullptr));
    if (!server.isValid())
        return false;
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    WinHandle client(::CreateFileW(name.c_str(), GENERIC_WRITE, 0, &inherit, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!client.isValid())
        return false;
    *readEnd = std::move(server);
    *writeEnd = std::move(client);
    return true;
}

// Follows one process to its end: wakes up when it has ended, reads what the
// output pipe carries with overlapped reads, and keeps its exit status. A
// stop ends the process's job.
class ProcessWatch final : public CommandWatch {
public:
    ProcessWatch(WinHandle process, WinHandle job, WinHandle output, OutputHandler handler,
                 std::unique_ptr<ConsoleView> view)
        : CommandWatch(std::move(handler), std::move(view)), m_process(std::move(process)),
          m_job(std::move(job)), m_output(std::move(output))
    {
        m_exitNotifier = new QWinEventNotifier(m_process.get(), this);
        connect(m_exitNotifier, &QWinEventNotifier::activated, this, [this] { onExited(); });
        if (m_output.isValid()) {
            m_readEvent.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
            m_overlapped.hEvent = m_readEvent.get();
            m_buffer.resize(kReadSize);
            m_readNotifier = new QWinEventNotifier(m_readEvent.get(), this);
            connect(m_readNotifier, &QWinEventNotifier::activated, this, [this] {
                if (finishRead() && m_output.isValid())
                    startRead();
            });
            startRead();
        }
    }

    ~ProcessWatch() override
    {
        // Only when Corvane itself ends while the process runs: it goes on
        // without us.
        m_exitNotifier->setEnabled(false);
        closeOutput();
    }

    Q_DISABLE_COPY_MOVE(ProcessWatch)

    // Windows has no way to ask a console program to end that reaches a
    // program without a console of ours, so a stop ends the command and
    // everything it started at once (exit status 1): the whole job, or the
    // process alone when it could not be put in a job.
    void terminate() override
    {
        if (!m_job.isValid() || !::TerminateJobObject(m_job.get(), kStoppedExitCode))
            ::TerminateProcess(m_process.get(), kStoppedExitCode);
    }

    // A read under way is ended first, and what it brought still goes to
    // the batch.
    qintptr takeOutputPipe() override
    {
        if (!m_output.isValid())
            return -1;
        if (m_readNotifier)
            m_readNotifier->setEnabled(false);
        if (m_readPending) {
            ::CancelIoEx(m_output.get(), &m_overlapped);
            DWORD count = 0;
            if (::GetOverlappedResult(m_output.get(), &m_overlapped, &count, TRUE))
                deliver(m_buffer.data(), qint64(count));
            m_readPending = false;
        }
        letGoOfOutput();
        return reinterpret_cast<qintptr>(m_output.release());
    }

private:
    void onExited()
    {
        m_exitNotifier->setEnabled(false);
        // The command's own output is all in the pipe by now.
        drain(kDrainLimit);
        closeOutput();
        DWORD status = 0;
        if (!::GetExitCodeProcess(m_process.get(), &status))
            status = DWORD(-1);
        // What the command left running keeps running; a stop only ever
        // reaches a running command. Windows processes end with an exit
        // status only, never by a signal.
        m_job.reset();
        // Last: the owner may delete this watch.
        ended(CommandEnding{int(status), 0});
    }

    void startRead()
    {
        if (::ReadFile(m_output.get(), m_buffer.data(), kReadSize, nullptr, &m_overlapped) ||
            ::GetLastError() == ERROR_IO_PENDING) {
            m_readPending = true;
            return;
        }
        // ERROR_BROKEN_PIPE: no one holds the write end any more.
        closeOutput();
    }

    // Takes the result of the read under way when it has completed; false
    // when it has not, or the pipe has ended.
    bool finishRead()
    {
        if (!m_readPending)
            return false;
        DWORD count = 0;
        if (!::GetOverlappedResult(m_output.get(), &m_overlapped, &count, FALSE)) {
            if (::GetLastError() == ERROR_IO_INCOMPLETE)
                return false;
            m_readPending = false;
            closeOutput();
            return false;
        }
        m_readPending = false;
        m_lastRead = count;
        deliver(m_buffer.data(), qint64(count));
        return true;
    }

    // Reads what is in the pipe now, up to limit bytes, without waiting.
    void drain(qint64 limit)
    {
        qint64 total = 0;
        while (m_output.isValid() && total < limit) {
            if (!m_readPending)
                startRead();
            if (!finishRead())
                return;
            total += m_lastRead;
        }
    }

    void closeOutput()
    {
        if (!m_output.isValid())
            return;
        if (m_readNotifier)
            m_readNotifier->setEnabled(false);
        if (m_readPending) {
            // The buffer and the OVERLAPPED must outlive the read.
            ::CancelIoEx(m_output.get(), &m_overlapped);
            DWORD count = 0;
            ::GetOverlappedResult(m_output.get(), &m_overlapped, &count, TRUE);
            m_readPending = false;
        }
        m_output.reset();
    }

    WinHandle m_process;
    WinHandle m_job;
    WinHandle m_output;
    WinHandle m_readEvent;
    OVERLAPPED m_overlapped{};
    std::vector<char> m_buffer;
    bool m_readPending = false;
    DWORD m_lastRead = 0;
    QWinEventNotifier *m_exitNotifier = nullptr;
    QWinEventNotifier *m_readNotifier = nullptr;
};

// A line for cmd.exe to read as typed: outside double quotes, each
// character that cmd.exe would read as an operator or a variable is escaped
// with ^, so that the program gets the command line as it stands.
QString escapedForCmd(const QString &line)
{
    QString escaped;
    bool quoted = false;
    for (const QChar c : line) {
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (!quoted && QStringView(u"&|<>()^%!").contains(c))
            escaped += QLatin1Char('^');
        escaped += c;
    }
    return escaped;
}

class WindowsLauncher final : public Launcher {
public:
    QString shellLine(const LaunchRequest &request, const QString &reportPath) const override
    {
        QString problem;
        const std::optional<ProcessCall> call =
            processCallOf(request.command, request.workingDirectory, &problem);
        if (!call || call->application.isEmpty())
            return request.commandLine;
        QString program = call->commandLine;
        const LaunchPlan plan = PlanLaunch(request.command);
        if (!plan.shellPieces && !isBatchFile(call->application)) {
            // The program found, by its full path: cmd.exe would look in the
            // current folder first.
            QStringList words = plan.words;
            words.first() = call->application;
            program = WindowsCommandLine(words).value_or(call->commandLine);
        } else {
            program = QLatin1Char('"') + call->application + QLatin1Char('"') +
                      program.mid(program.indexOf(QLatin1Char(' ')));
        }
        QStringList parts;
        if (!request.workingDirectory.isEmpty())
            parts << QStringLiteral("cd /d \"%1\" &&")
                         .arg(QDir::toNativeSeparators(request.workingDirectory));
        for (const auto &[name, value] : call->environment)
            parts << QStringLiteral("set \"%1=%2\" &&").arg(name, value);
        parts << escapedForCmd(program) << QStringLiteral("<NUL");
        if (request.capture)
            parts << QStringLiteral(">>\"%1\" 2>&1").arg(QDir::toNativeSeparators(reportPath));
        return parts.join(QLatin1Char(' '));
    }

    LaunchResult start(const LaunchRequest &request) override
    {
        QString problem;
        const std::optional<ProcessCall> call =
            processCallOf(request.command, request.workingDirectory, &problem);
        if (!call)
            return LaunchResult::failed(problem);
        const QString folderProblem = workingDirectoryProblem(request.workingDirectory);
        if (!folderProblem.isEmpty())
            return LaunchResult::failed(folderProblem);
        if (call->application.isEmpty())
            return LaunchResult::failed(programProblem(ERROR_FILE_NOT_FOUND, call->name));
        if (call->commandLine.size() >= kMaxCommandLine)
            return LaunchResult::failed(QStringLiteral("命令行太长"));

        // Captured or shown, the output (standard output and error merged,
        // so in the order written) comes through a pipe that we read: the
        // batch writes the report itself and so knows when it is cut short.
        const bool window = request.showWindow && consoleFactory();
        WinHandle pipeRead;
        WinHandle output;
        if (window || request.capture) {
            if (!createOutputPipe(&pipeRead, &output))
                return LaunchResult::failed(QStringLiteral("无法启动程序：%1（%2）")
                                                .arg(call->name, ErrorText(int(::GetLastError()))));
        } else {
            output = inheritableCopy(::GetStdHandle(STD_OUTPUT_HANDLE));
        }
        WinHandle error = window || request.capture || !output.isValid()
                              ? WinHandle()
                              : inheritableCopy(::GetStdHandle(STD_ERROR_HANDLE));
        if (!output.isValid())
            output = openNul(GENERIC_WRITE);
        // A program that asks a question gets end-of-file.
        const WinHandle input = openNul(GENERIC_READ);
        const HANDLE errorHandle = error.isValid() ? error.get() : output.get();

        // Only these handles reach the child, whatever else is inheritable.
        std::vector<HANDLE> inherited{input.get(), output.get()};
        if (errorHandle != output.get())
            inherited.push_back(errorHandle);
        SIZE_T attributeSize = 0;
        ::InitializeProcThreadAttributeList(nullptr, 1, 0, &attributeSize);
        std::vector<char> attributeStorage(attributeSize);
        auto *attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attributeStorage.data());
        if (!::InitializeProcThreadAttributeList(attributes, 1, 0, &attributeSize))
            attributes = nullptr;
        if (attributes && !::UpdateProcThreadAttribute(
                              attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited.data(),
                              inherited.size() * sizeof(HANDLE), nullptr, nullptr)) {
            ::DeleteProcThreadAttributeList(attributes);
            attributes = nullptr;
        }

        STARTUPINFOEXW startup{};
        startup.StartupInfo.cb = sizeof startup;
        // A windowed program opens its first window hidden, or normally when
        // the tool shows its output ("显示DOS窗口"); console programs get no
        // console window either way (CREATE_NO_WINDOW below).
        startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
        startup.StartupInfo.wShowWindow = request.showWindow ? SW_SHOWNORMAL : SW_HIDE;
        startup.StartupInfo.hStdInput = input.get();
        startup.StartupInfo.hStdOutput = output.get();
        startup.StartupInfo.hStdError = errorHandle;
        startup.lpAttributeList = attributes;

        std::wstring commandLine = call->commandLine.toStdWString();
        const std::wstring application = call->application.toStdWString();
        const std::wstring folder = request.workingDirectory.isEmpty()
                                        ? std::wstring()
                                        : NativePath(request.workingDirectory);
        std::vector<wchar_t> environment = environmentBlock(call->environment);
        // Console programs get no console window: their output goes to the
        // pipe, the console view shows it when asked to. Suspended until it
        // is in its job, so that nothing it starts escapes the job.
        const DWORD flags = CREATE_UNICODE_ENVIRONMENT | CREATE_NO_WINDOW | CREATE_SUSPENDED |
                            (attributes ? EXTENDED_STARTUPINFO_PRESENT : 0);
        PROCESS_INFORMATION process{};
        BOOL started = FALSE;
        DWORD startError = 0;
        // Wine's CreateProcessW now and then fails with ERROR_INTERNAL_ERROR
        // (about one start in several hundred, while the console of the
        // command before is still going away); it does start on a second
        // try. Windows never gives that error for a start.
        for (int attempt = 0; attempt < 3 && !started; ++attempt) {
            started = ::CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr,
                                       TRUE, flags, environment.data(),
                                       folder.empty() ? nullptr : folder.c_str(),
                                       &startup.StartupInfo, &process);
            startError = started ? 0 : ::GetLastError();
            if (startError != ERROR_INTERNAL_ERROR)
                break;
        }
        if (attributes)
            ::DeleteProcThreadAttributeList(attributes);
        if (!started) {
            // The folder may have gone since it was checked.
            const QString gone = workingDirectoryProblem(request.workingDirectory);
            return LaunchResult::failed(gone.isEmpty() ? programProblem(startError, call->name)
                                                       : gone);
        }
        WinHandle processHandle(process.hProcess);
        const WinHandle thread(process.hThread);
        // A job of its own: a stop ends the command and everything it
        // started. Where no job can be had, a stop ends the command alone.
        WinHandle job(::CreateJobObjectW(nullptr, nullptr));
        if (job.isValid() && !::AssignProcessToJobObject(job.get(), processHandle.get()))
            job.reset();
        ::ResumeThread(thread.get());

        std::unique_ptr<ConsoleView> view;
        if (window)
            view = consoleFactory()(request.commandLine);
        auto *watch =
            new ProcessWatch(std::move(processHandle), std::move(job), std::move(pipeRead),
                             request.capture ? request.output : OutputHandler(), std::move(view));
        LaunchResult result;
        result.command = std::make_unique<WatchedCommand>(watch, qint64(process.dwProcessId));
        return result;
    }
};

} // namespace

QString QuoteWindowsArgument(const QString &word)
{
    const bool bare = !word.isEmpty() && std::none_of(word.cbegin(), word.cend(), [](QChar c) {
        return isBlank(c) || c == QLatin1Char('"');
    });
    if (bare)
        return word;
    QString quoted = QStringLiteral("\"");
    int backslashes = 0;
    for (const QChar c : word) {
        if (c == QLatin1Char('\\')) {
            ++backslashes;
            continue;
        }
        // Backslashes count only in front of a double quote: there each
        // one is doubled, and the quote itself escaped.
        if (c == QLatin1Char('"'))
            quoted += QString(backslashes * 2 + 1, QLatin1Char('\\'));
        else
            quoted += QString(backslashes, QLatin1Char('\\'));
        quoted += c;
        backslashes = 0;
    }
    quoted += QString(backslashes * 2, QLatin1Char('\\'));
    quoted += QLatin1Char('"');
    return quoted;
}

std::optional<QString> WindowsCommandLine(const QStringList &words)
{
    if (words.isEmpty())
        return std::nullopt;
    const QString &program = words.first();
    if (program.isEmpty() || program.contains(QLatin1Char('"')))
        return std::nullopt;
    const bool blanks = std::any_of(program.cbegin(), program.cend(), isBlank);
    QString line = blanks ? QLatin1Char('"') + program + QLatin1Char('"') : program;
    for (qsizetype i = 1; i < words.size(); ++i)
        line += QLatin1Char(' ') + QuoteWindowsArgument(words.at(i));
    return line;
}

QString CmdShellText(const QList<CommandPiece> &pieces)
{
    enum class Quoting { None, Typed, Own };
    Quoting quoting = Quoting::None;
    bool escaped = false;
    // Trailing backslashes of the value just written, to double before a
    // double quote that comes next.
    int pendingBackslashes = 0;
    QString text;
    const auto closeQuote = [&] {
        text += QString(pendingBackslashes, QLatin1Char('\\'));
        text += QLatin1Char('"');
        pendingBackslashes = 0;
    };
    for (const CommandPiece &piece : pieces) {
        if (piece.isValue()) {
            const QString reference = delayedReference(PlaceholderVariable(*piece.placeholder));
            if (*piece.placeholder == Placeholder::Index) {
                text += reference;
                pendingBackslashes = 0;
                continue;
            }
            if (quoting == Quoting::None) {
                text += QLatin1Char('"');
                quoting = Quoting::Own;
            }
            text += reference;
            escaped = false;
            pendingBackslashes = trailingBackslashes(piece.text);
            continue;
        }
        for (const QChar c : piece.text) {
            if (escaped) {
                text += c;
                escaped = false;
                pendingBackslashes = 0;
                continue;
            }
            if (quoting == Quoting::Own) {
                if (c == QLatin1Char('"')) {
                    // The typed quote opens a quoted part: ours goes on as it.
                    quoting = Quoting::Typed;
                    continue;
                }
                if (endsCmdRun(c)) {
                    closeQuote();
                    quoting = Quoting::None;
                }
            }
            if (c == QLatin1Char('"')) {
                if (quoting == Quoting::Typed) {
                    closeQuote();
                    quoting = Quoting::None;
                } else {
                    text += c;
                    quoting = Quoting::Typed;
                }
                continue;
            }
            if (c == QLatin1Char('^') && quoting == Quoting::None)
                escaped = true;
            text += c;
            pendingBackslashes = 0;
        }
    }
    if (quoting == Quoting::Own)
        closeQuote();
    return text;
}

std::unique_ptr<Launcher> CreateWindowsLauncher()
{
    return std::make_unique<WindowsLauncher>();
}

std::unique_ptr<Launcher> CreateLauncher()
{
    return CreateWindowsLauncher();
}

bool StoppedCommandsRemain()
{
    // A stop ends the command's whole job at once.
    return false;
}

QString SignalName(int signal)
{
    return QStringLiteral("信号 %1").arg(signal);
}

} // namespace corvane
