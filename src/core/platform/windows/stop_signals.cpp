#include "core/platform/stop_signals.h"

#include <QMetaObject>

#include <mutex>

#include <windows.h>

namespace corvane {

namespace {

// How long the handler of a closing console waits for the batch to end
// before it returns and Windows ends the process; Windows itself allows
// about five seconds.
constexpr DWORD kCloseWaitMilliseconds = 5000;

std::mutex g_mutex;
// The object that the requests go to; null while nothing catches.
StopSignals *g_owner = nullptr;

// Set while nothing catches: a closing console's handler waits for it. Made
// once and kept, as a handler may still wait on it after the object has
// gone.
HANDLE goneEvent()
{
    static const HANDLE event = ::CreateEventW(nullptr, TRUE, TRUE, nullptr);
    return event;
}

// Runs on a thread of its own that Windows starts for each event.
BOOL WINAPI onConsoleControl(DWORD type)
{
    int exitStatus = 0;
    switch (type) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        exitStatus = 130;
        break;
    case CTRL_CLOSE_EVENT:
        exitStatus = 143;
        break;
    default:
        return FALSE;
    }
    {
        const std::lock_guard<std::mutex> lock(g_mutex);
        if (!g_owner)
            return FALSE;
        StopSignals *owner = g_owner;
        QMetaObject::invokeMethod(
            owner, [owner, exitStatus] { emit owner->stopRequested(exitStatus); },
            Qt::QueuedConnection);
    }
    if (type == CTRL_CLOSE_EVENT)
        ::WaitForSingleObject(goneEvent(), kCloseWaitMilliseconds);
    return TRUE;
}

} // namespace

class StopSignals::Catcher final {
public:
    explicit Catcher(StopSignals *owner)
    {
        const std::lock_guard<std::mutex> lock(g_mutex);
        if (g_owner || !goneEvent() || !::SetConsoleCtrlHandler(onConsoleControl, TRUE))
            return;
        g_owner = owner;
        ::ResetEvent(goneEvent());
        m_catching = true;
    }

    ~Catcher()
    {
        if (!m_catching)
            return;
        ::SetConsoleCtrlHandler(onConsoleControl, FALSE);
        {
            // A request posted before this point goes with the object.
            const std::lock_guard<std::mutex> lock(g_mutex);
            g_owner = nullptr;
        }
        ::SetEvent(goneEvent());
    }

    Q_DISABLE_COPY_MOVE(Catcher)

    bool isCatching() const { return m_catching; }

private:
    bool m_catching = false;
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
