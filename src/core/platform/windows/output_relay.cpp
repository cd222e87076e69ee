#include "core/platform/output_relay.h"

#include "core/platform/windows/file_ops.h"

#include <QScopeGuard>
#include <QString>

#include <algorithm>
#include <cwchar>
#include <vector>

#include <shellapi.h>

namespace corvane {

namespace {

// The relay is the program that started it, started again with this switch
// and the handles it inherits: any program that hands output over can carry
// it on, Corvane and its tests alike.
constexpr wchar_t kRelaySwitch[] = L"--corvane-output-relay";
constexpr DWORD kReadSize = 64 * 1024;

struct Stream {
    HANDLE pipe = nullptr;
    HANDLE pending = nullptr;
    bool toReport = false;
    quint64 pendingRead = 0;
    OVERLAPPED overlapped{};
    HANDLE readDone = nullptr;
    std::vector<char> buffer;
    bool reading = false;
};

HANDLE handleArgument(const wchar_t *text)
{
    return reinterpret_cast<HANDLE>(static_cast<quintptr>(std::wcstoull(text, nullptr, 16)));
}

bool isHandle(HANDLE handle)
{
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

OVERLAPPED at(quint64 offset)
{
    OVERLAPPED position{};
    position.Offset = DWORD(offset & 0xFFFFFFFFu);
    position.OffsetHigh = DWORD(offset >> 32);
    return position;
}

void copyPending(Stream &stream, HANDLE report)
{
    if (!isHandle(stream.pending))
        return;
    std::vector<char> buffer(kReadSize);
    for (;;) {
        OVERLAPPED position = at(stream.pendingRead);
        DWORD count = 0;
        if (!::ReadFile(stream.pending, buffer.data(), kReadSize, &count, &position) || count == 0)
            return;
        stream.pendingRead += count;
        WriteAll(report, buffer.data(), count);
    }
}

void appendPending(const Stream &stream, const char *bytes, DWORD size)
{
    if (!isHandle(stream.pending))
        return;
    // Both offsets all ones: at the end of the file.
    OVERLAPPED end{};
    end.Offset = 0xFFFFFFFFu;
    end.OffsetHigh = 0xFFFFFFFFu;
    DWORD written = 0;
    ::WriteFile(stream.pending, bytes, size, &written, &end);
}

void closePipe(Stream &stream)
{
    // Only a read under way has to be ended; waiting for one that never
    // started would wait forever.
    if (stream.reading) {
        ::CancelIoEx(stream.pipe, &stream.overlapped);
        DWORD count = 0;
        ::GetOverlappedResult(stream.pipe, &stream.overlapped, &count, TRUE);
        stream.reading = false;
    }
    ::CloseHandle(stream.pipe);
    stream.pipe = nullptr;
}

// Starts the next read; false when the pipe has ended.
bool startRead(Stream &stream)
{
    ::ResetEvent(stream.readDone);
    stream.reading =
        ::ReadFile(stream.pipe, stream.buffer.data(), kReadSize, nullptr, &stream.overlapped) ||
        ::GetLastError() == ERROR_IO_PENDING;
    return stream.reading;
}

int runRelay(int argc, wchar_t **argv)
{
    // argv: program, switch, report, then pipe, pending file and "1" (to the
    // report) or "0" (dropped) for each stream.
    const HANDLE report = handleArgument(argv[2]);
    std::vector<Stream> streams;
    for (int i = 3; i + 2 < argc; i += 3) {
        Stream stream;
        stream.pipe = handleArgument(argv[i]);
        stream.pending = handleArgument(argv[i + 1]);
        stream.toReport = std::wcscmp(argv[i + 2], L"1") == 0;
        streams.push_back(std::move(stream));
    }
    for (Stream &stream : streams) {
        if (!isHandle(stream.pipe))
            continue;
        stream.buffer.resize(kReadSize);
        stream.readDone = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        stream.overlapped.hEvent = stream.readDone;
        if (!startRead(stream))
            closePipe(stream);
    }

    size_t head = 0;
    std::vector<HANDLE> events;
    std::vector<size_t> waited;
    for (;;) {
        while (head < streams.size()) {
            Stream &stream = streams[head];
            if (stream.toReport)
                copyPending(stream, report);
            if (stream.toReport && isHandle(stream.pipe))
                break;
            ++head;
        }
        events.clear();
        waited.clear();
        for (size_t i = 0; i < streams.size() && events.size() < MAXIMUM_WAIT_OBJECTS; ++i) {
            if (isHandle(streams[i].pipe)) {
                events.push_back(streams[i].readDone);
                waited.push_back(i);
            }
        }
        if (events.empty())
            return 0;
        const DWORD signalled =
            ::WaitForMultipleObjects(DWORD(events.size()), events.data(), FALSE, INFINITE);
        if (signalled >= WAIT_OBJECT_0 + events.size())
            return 1;
        const size_t i = waited[signalled - WAIT_OBJECT_0];
        Stream &stream = streams[i];
        DWORD count = 0;
        if (!::GetOverlappedResult(stream.pipe, &stream.overlapped, &count, FALSE)) {
            if (::GetLastError() != ERROR_IO_INCOMPLETE) {
                stream.reading = false;
                closePipe(stream);
            }
            continue;
        }
        stream.reading = false;
        if (count > 0 && stream.toReport) {
            if (i == head)
                WriteAll(report, stream.buffer.data(), count);
            else
                appendPending(stream, stream.buffer.data(), count);
        }
        if (!startRead(stream))
            closePipe(stream);
    }
}

// Runs before main(): a program started as a relay does nothing else.
[[maybe_unused]] const bool g_startedAsRelay = [] {
    int argc = 0;
    wchar_t **argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (argv && argc >= 3 && std::wcscmp(argv[1], kRelaySwitch) == 0)
        ::ExitProcess(UINT(runRelay(argc, argv)));
    if (argv)
        ::LocalFree(argv);
    return false;
}();

QString hexHandle(qintptr handle)
{
    return QString::number(quint64(quintptr(handle)), 16);
}

} // namespace

bool StartOutputRelay(const QList<RelayStream> &streams, qintptr report)
{
    // Corvane's copies of the pipes go whatever happens here.
    const auto closePipes = qScopeGuard([&streams] {
        for (const RelayStream &stream : streams) {
            if (stream.pipe != -1)
                ::CloseHandle(reinterpret_cast<HANDLE>(stream.pipe));
        }
    });
    if (std::none_of(streams.cbegin(), streams.cend(),
                     [](const RelayStream &stream) { return stream.pipe != -1; }))
        return true;

    std::vector<HANDLE> inherited;
    const auto inherit = [&inherited](qintptr handle) {
        HANDLE native = reinterpret_cast<HANDLE>(handle);
        if (handle == -1 || !native ||
            std::find(inherited.cbegin(), inherited.cend(), native) != inherited.cend())
            return;
        ::SetHandleInformation(native, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
        inherited.push_back(native);
    };
    wchar_t program[32768] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, program, DWORD(std::size(program)));
    if (length == 0 || length >= std::size(program))
        return false;
    QString line = QLatin1Char('"') + QString::fromWCharArray(program, int(length)) +
                   QStringLiteral("\" ") + QString::fromWCharArray(kRelaySwitch) +
                   QLatin1Char(' ') + hexHandle(report);
    inherit(report);
    for (const RelayStream &stream : streams) {
        line += QLatin1Char(' ') + hexHandle(stream.pipe) + QLatin1Char(' ') +
                hexHandle(stream.pending) +
                (stream.toReport ? QStringLiteral(" 1") : QStringLiteral(" 0"));
        inherit(stream.pipe);
        inherit(stream.pending);
    }

    SIZE_T attributeSize = 0;
    ::InitializeProcThreadAttributeList(nullptr, 1, 0, &attributeSize);
    std::vector<char> attributeStorage(attributeSize);
    auto *attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attributeStorage.data());
    if (!::InitializeProcThreadAttributeList(attributes, 1, 0, &attributeSize))
        return false;
    const auto freeAttributes =
        qScopeGuard([attributes] { ::DeleteProcThreadAttributeList(attributes); });
    if (!inherited.empty() &&
        !::UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST,
                                     inherited.data(), inherited.size() * sizeof(HANDLE), nullptr,
                                     nullptr))
        return false;

    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.lpAttributeList = attributes;
    std::wstring commandLine = line.toStdWString();
    PROCESS_INFORMATION process{};
    // Out of any job Corvane may be in, so that closing that job does not
    // end the relay with it; where that is not allowed, in it.
    for (const DWORD breakaway : {DWORD(CREATE_BREAKAWAY_FROM_JOB), DWORD(0)}) {
        if (::CreateProcessW(program, commandLine.data(), nullptr, nullptr, TRUE,
                             CREATE_NO_WINDOW | EXTENDED_STARTUPINFO_PRESENT | breakaway, nullptr,
                             nullptr, &startup.StartupInfo, &process)) {
            ::CloseHandle(process.hThread);
            ::CloseHandle(process.hProcess);
            return true;
        }
    }
    return false;
}

} // namespace corvane
