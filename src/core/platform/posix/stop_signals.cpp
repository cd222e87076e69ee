#include "core/platform/stop_signals.h"

#include "core/platform/posix/file_ops.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace corvane {

namespace {

constexpr std::array<int, 2> kStopSignals = {SIGINT, SIGTERM};

// The write end of the self-pipe for the handler; -1 while nothing catches.
volatile std::sig_atomic_t g_writeEnd = -1;

// Only write() and errno: all a signal handler may touch. A full pipe
// already holds a request, so a byte that does not fit is not missed.
void onStopSignal(int signal)
{
    const int savedErrno = errno;
    const char number = char(signal);
    if (::write(g_writeEnd, &number, 1) < 0) {
    }
    errno = savedErrno;
}

} // namespace

class StopSignals::Catcher final {
public:
    explicit Catcher(StopSignals *owner)
    {
        int ends[2];
        if (g_writeEnd != -1 || ::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
            return;
        m_readEnd.reset(ends[0]);
        m_writeEnd.reset(ends[1]);
        g_writeEnd = ends[1];
        m_notifier = new QSocketNotifier(m_readEnd.get(), QSocketNotifier::Read, owner);
        QObject::connect(m_notifier, &QSocketNotifier::activated, owner,
                         [this, owner] { readRequests(owner); });

        struct sigaction action {};
        action.sa_handler = onStopSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (size_t i = 0; i < kStopSignals.size(); ++i) {
            ::sigaction(kStopSignals[i], nullptr, &m_previous[i]);
            // A signal that the program was started to ignore (a command
            // run in the background by a script) stays ignored.
            if (m_previous[i].sa_handler != SIG_IGN)
                ::sigaction(kStopSignals[i], &action, nullptr);
        }
    }

    ~Catcher()
    {
        if (!isCatching())
            return;
        for (size_t i = 0; i < kStopSignals.size(); ++i)
            ::sigaction(kStopSignals[i], &m_previous[i], nullptr);
        g_writeEnd = -1;
        delete m_notifier;
    }

    Q_DISABLE_COPY_MOVE(Catcher)

    bool isCatching() const { return m_writeEnd.isValid(); }

private:
    void readRequests(StopSignals *owner)
    {
        char numbers[16];
        for (;;) {
            const ssize_t count = ::read(m_readEnd.get(), numbers, sizeof numbers);
            if (count < 0 && errno == EINTR)
                continue;
            if (count <= 0)
                return;
            for (ssize_t i = 0; i < count; ++i)
                emit owner->stopRequested(128 + numbers[i]);
        }
    }

    FileDescriptor m_readEnd;
    FileDescriptor m_writeEnd;
    QSocketNotifier *m_notifier = nullptr;
    std::array<struct sigaction, kStopSignals.size()> m_previous{};
};

StopSignals::StopSignals(QObject *parent)
    : QObject(parent), m_catcher(std::make_unique<Catcher>(this))
{
}

StopSignals::~StopSignals() = default;

bool StopSignals::isCatching() const
{
    return m_catcher->isCatching();
}

} // namespace corvane
