#include "core/platform/output_relay.h"

#include "core/platform/posix/file_ops.h"

#include <QDir>
#include <QScopeGuard>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace corvane {

namespace {

// Bytes copied at a time.
constexpr size_t kCopySize = 64 * 1024;

// What the relay knows of one stream. Everything it needs is set up before
// the fork: the relay itself only reads, writes, polls and closes, all of
// them safe in a process forked from one with other threads.
struct Stream {
    int pipe;
    int pending;
    bool toReport;
    off_t pendingRead;
};

// Copies the rest of a pending file to the report.
void copyPending(Stream &stream, int report, char *buffer, size_t size)
{
    if (stream.pending < 0)
        return;
    for (;;) {
        if (::lseek(stream.pending, stream.pendingRead, SEEK_SET) < 0)
            return;
        const ssize_t count = ::read(stream.pending, buffer, size);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return;
        stream.pendingRead += count;
        WriteAll(report, buffer, size_t(count));
    }
}

void appendPending(const Stream &stream, const char *bytes, size_t size)
{
    if (stream.pending >= 0 && ::lseek(stream.pending, 0, SEEK_END) >= 0)
        WriteAll(stream.pending, bytes, size);
}

// Closes every descriptor but the kept ones (sorted), with close_range()
// where the kernel has it, else one by one up to the highest that was open.
void closeAllBut(const std::vector<int> &kept, int highest)
{
    unsigned first = STDERR_FILENO + 1;
    bool ranges = true;
#ifdef SYS_close_range
    for (const int fd : kept) {
        if (unsigned(fd) > first && ::syscall(SYS_close_range, first, unsigned(fd) - 1, 0) != 0) {
            ranges = false;
            break;
        }
        first = unsigned(fd) + 1;
    }
    if (ranges && ::syscall(SYS_close_range, first, UINT_MAX, 0) == 0)
        return;
#else
    ranges = false;
#endif
    for (int fd = STDERR_FILENO + 1; fd <= highest; ++fd) {
        if (!std::binary_search(kept.cbegin(), kept.cend(), fd))
            ::close(fd);
    }
}

// The vectors for the polled descriptors come with room for every stream:
// the relay allocates no memory.
[[noreturn]] void relay(std::vector<Stream> &streams, int report, const std::vector<int> &kept,
                        int highest, std::vector<pollfd> &polls, std::vector<size_t> &polled)
{
    // A process of its own: no terminal's signals, no inherited mask or
    // handler, no descriptor but its own. Its standard streams are
    // /dev/null, so that whatever reads Corvane's output sees its end when
    // Corvane ends, not when the last command does.
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    for (const int signal : {SIGHUP, SIGINT, SIGTERM})
        ::signal(signal, SIG_DFL);
    ::signal(SIGPIPE, SIG_IGN);
    closeAllBut(kept, highest);
    const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null >= 0) {
        for (const int stream : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO})
            ::dup2(null, stream);
        if (null > STDERR_FILENO)
            ::close(null);
    }

    static char buffer[kCopySize];
    // The first stream to the report that has not ended: its output goes
    // straight to the report, the others' waits in their pending files.
    size_t head = 0;
    for (;;) {
        while (head < streams.size()) {
            Stream &stream = streams[head];
            if (stream.toReport)
                copyPending(stream, report, buffer, sizeof buffer);
            if (stream.toReport && stream.pipe >= 0)
                break;
            ++head;
        }
        polls.clear();
        polled.clear();
        for (size_t i = 0; i < streams.size(); ++i) {
            if (streams[i].pipe >= 0) {
                polls.push_back(pollfd{streams[i].pipe, POLLIN, 0});
                polled.push_back(i);
            }
        }
        if (polls.empty())
            ::_exit(0);
        if (::poll(polls.data(), nfds_t(polls.size()), -1) < 0) {
            if (errno == EINTR)
                continue;
            ::_exit(1);
        }
        for (size_t p = 0; p < polls.size(); ++p) {
            if (polls[p].revents == 0)
                continue;
            const size_t i = polled[p];
            Stream &stream = streams[i];
            const ssize_t count = ::read(stream.pipe, buffer, sizeof buffer);
            if (count < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK))
                continue;
            if (count <= 0) {
                ::close(stream.pipe);
                stream.pipe = -1;
            } else if (!stream.toReport) {
                continue;
            } else if (i == head) {
                WriteAll(report, buffer, size_t(count));
            } else {
                appendPending(stream, buffer, size_t(count));
            }
        }
    }
}

// The highest descriptor open now.
int highestOpenDescriptor()
{
    int highest = STDERR_FILENO;
    const QStringList entries = QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files);
    for (const QString &entry : entries)
        highest = std::max(highest, entry.toInt());
    if (entries.isEmpty()) {
        rlimit limit{};
        if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
            highest = int(std::min<rlim_t>(limit.rlim_cur, 65536));
        else
            highest = 65536;
    }
    return highest;
}

} // namespace

bool StartOutputRelay(const QList<RelayStream> &streams, qintptr report)
{
    std::vector<Stream> relayed;
    std::vector<int> kept;
    for (const RelayStream &stream : streams) {
        relayed.push_back(Stream{int(stream.pipe), int(stream.pending), stream.toReport, 0});
        for (const qintptr fd : {stream.pipe, stream.pending}) {
            if (fd >= 0)
                kept.push_back(int(fd));
        }
    }
    // Corvane's copies of the pipes go whatever happens here.
    const auto closePipes = qScopeGuard([&streams] {
        for (const RelayStream &stream : streams) {
            if (stream.pipe >= 0)
                ::close(int(stream.pipe));
        }
    });
    if (relayed.empty())
        return true;
    if (report >= 0)
        kept.push_back(int(report));
    std::sort(kept.begin(), kept.end());
    const int highest = highestOpenDescriptor();
    std::vector<pollfd> polls;
    polls.reserve(relayed.size());
    std::vector<size_t> polled;
    polled.reserve(relayed.size());

    // Forked twice, so that the relay belongs to no one here: the system
    // reaps it when it ends, and Corvane waits only for the first fork.
    const pid_t middle = ::fork();
    if (middle < 0)
        return false;
    if (middle == 0) {
        ::setsid();
        const pid_t relayProcess = ::fork();
        if (relayProcess == 0)
            relay(relayed, int(report), kept, highest, polls, polled);
        ::_exit(relayProcess < 0 ? 1 : 0);
    }
    int status = 0;
    while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace corvane
