#include "core/platform/hand_over.h"

#include "core/hand_over/hand_over_message.h"
#include "core/platform/file_ops.h"
#include "core/platform/windows/file_ops.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QList>
#include <QTimer>
#include <QWinEventNotifier>

#include <utility>
#include <vector>

#include <sddl.h>

namespace corvane {

namespace {

constexpr DWORD kBufferSize = 64 * 1024;

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

// The user a process runs as, as a SID in text ("S-1-5-21-..."); empty
// when it cannot be read.
QString userOf(HANDLE process)
{
    HANDLE token = nullptr;
    if (!::OpenProcessToken(process, TOKEN_QUERY, &token))
        return {};
    const WinHandle tokenHandle(token);
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    wchar_t *text = nullptr;
    if (size == 0 || !::GetTokenInformation(token, TokenUser, buffer.data(), size, &size) ||
        !::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER *>(buffer.data())->User.Sid, &text))
        return {};
    const QString sid = QString::fromWCharArray(text);
    ::LocalFree(text);
    return sid;
}

QString currentUser()
{
    return userOf(::GetCurrentProcess());
}

// Starts an overlapped read or write; false when it failed at once.
bool startTransfer(BOOL started)
{
    return started || ::GetLastError() == ERROR_IO_PENDING;
}

// Ends an operation that may still be under way; the buffer and the
// OVERLAPPED must outlive it.
void cancel(HANDLE pipe, OVERLAPPED *overlapped)
{
    ::CancelIoEx(pipe, overlapped);
    DWORD count = 0;
    ::GetOverlappedResult(pipe, overlapped, &count, TRUE);
}

// One pipe instance with the event of its overlapped operations.
struct PipeEnd {
    WinHandle pipe;
    WinHandle event{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    OVERLAPPED overlapped{};
    bool pending = false;

    PipeEnd() { overlapped.hEvent = event.get(); }
    void close()
    {
        if (pending)
            cancel(pipe.get(), &overlapped);
        pending = false;
        pipe.reset();
    }
};

// One connected client being read: it has until its timer fires to send its
// whole message.
class Client final : public QObject {
public:
    explicit Client(QObject *parent) : QObject(parent), buffer(kBufferSize)
    {
        notifier = new QWinEventNotifier(end.event.get(), this);
        timer = new QTimer(this);
        timer->setSingleShot(true);
        timer->start(kHandOverClientTimeoutMs);
    }
    ~Client() override { end.close(); }

    PipeEnd end;
    QWinEventNotifier *notifier = nullptr;
    QTimer *timer = nullptr;
    std::vector<char> buffer;
    QByteArray received;
};

} // namespace

class HandOverServer::Channel final {
public:
    explicit Channel(HandOverServer *server) : m_server(server) {}
    ~Channel() { close(); }
    Q_DISABLE_COPY_MOVE(Channel)

    bool listen(const QString &address, QString *error);
    void close();
    bool isListening() const { return m_listener.pipe.isValid(); }

private:
    WinHandle createInstance(bool first) const;
    // Waits for the next client on the listening instance.
    bool awaitClient();
    void clientConnected();
    // Reads the client on the listening instance, which a new one replaces.
    void takeClient();
    void startRead(Client *client);
    void readDone(Client *client);
    // Closes the connection now; the object goes once the event loop
    // regains control, as it may be the one that called.
    void drop(Client *client);

    HandOverServer *m_server;
    std::wstring m_name;
    PSECURITY_DESCRIPTOR m_security = nullptr;
    PipeEnd m_listener;
    QWinEventNotifier *m_connectNotifier = nullptr;
    QList<Client *> m_clients;
};

WinHandle HandOverServer::Channel::createInstance(bool first) const
{
    SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), m_security, FALSE};
    // The first instance fails when the name exists already: nobody else can
    // have made the pipe in our place.
    const DWORD openMode =
        PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | (first ? FILE_FLAG_FIRST_PIPE_INSTANCE : 0);
    return WinHandle(::CreateNamedPipeW(
        m_name.c_str(), openMode,
        PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS,
        DWORD(kHandOverMaxClients + 1), kBufferSize, kBufferSize, 0, &attributes));
}

bool HandOverServer::Channel::listen(const QString &address, QString *error)
{
    close();
    // Only the user, nobody else, not even administrators, may open the pipe.
    const QString user = currentUser();
    const std::wstring descriptor = (QStringLiteral("D:P(A;;GA;;;%1)").arg(user)).toStdWString();
    if (user.isEmpty() || !::ConvertStringSecurityDescriptorToSecurityDescriptorW(
                              descriptor.c_str(), SDDL_REVISION_1, &m_security, nullptr)) {
        setError(error, ErrorText(int(::GetLastError())));
        return false;
    }
    m_name = address.toStdWString();
    m_listener.pipe = createInstance(true);
    if (!m_listener.pipe.isValid()) {
        const DWORD failure = ::GetLastError();
        setError(error, failure == ERROR_ACCESS_DENIED ? QStringLiteral("该管道名已被占用")
                                                       : ErrorText(int(failure)));
        close();
        return false;
    }
    m_connectNotifier = new QWinEventNotifier(m_listener.event.get(), m_server);
    QObject::connect(m_connectNotifier, &QWinEventNotifier::activated, m_server,
                     [this] { clientConnected(); });
    if (!awaitClient()) {
        setError(error, ErrorText(int(::GetLastError())));
        close();
        return false;
    }
    return true;
}

void HandOverServer::Channel::close()
{
    for (Client *client : std::as_const(m_clients))
        delete client;
    m_clients.clear();
    delete m_connectNotifier;
    m_connectNotifier = nullptr;
    m_listener.close();
    if (m_security)
        ::LocalFree(m_security);
    m_security = nullptr;
}

bool HandOverServer::Channel::awaitClient()
{
    ::ResetEvent(m_listener.event.get());
    if (::ConnectNamedPipe(m_listener.pipe.get(), &m_listener.overlapped)) {
        ::SetEvent(m_listener.event.get());
        return true;
    }
    switch (::GetLastError()) {
    case ERROR_IO_PENDING:
        m_listener.pending = true;
        return true;
    // A client that came between the instance's making and this call.
    case ERROR_PIPE_CONNECTED:
        ::SetEvent(m_listener.event.get());
        return true;
    default:
        return false;
    }
}

void HandOverServer::Channel::clientConnected()
{
    DWORD count = 0;
    if (m_listener.pending &&
        !::GetOverlappedResult(m_listener.pipe.get(), &m_listener.overlapped, &count, FALSE)) {
        if (::GetLastError() == ERROR_IO_INCOMPLETE)
            return;
        m_listener.pending = false;
        ::DisconnectNamedPipe(m_listener.pipe.get());
    } else {
        m_listener.pending = false;
        takeClient();
    }
    if (!awaitClient())
        m_connectNotifier->setEnabled(false);
}

void HandOverServer::Channel::takeClient()
{
    WinHandle next;
    if (m_clients.size() < kHandOverMaxClients)
        next = createInstance(false);
    // A client that cannot be taken is turned away; the instance listens
    // again.
    if (!next.isValid()) {
        ::DisconnectNamedPipe(m_listener.pipe.get());
        return;
    }
    auto *client = new Client(m_server);
    client->end.pipe = std::exchange(m_listener.pipe, std::move(next));
    m_clients.append(client);
    QObject::connect(client->notifier, &QWinEventNotifier::activated, client,
                     [this, client] { readDone(client); });
    QObject::connect(client->timer, &QTimer::timeout, client, [this, client] { drop(client); });
    startRead(client);
}

void HandOverServer::Channel::startRead(Client *client)
{
    PipeEnd &end = client->end;
    end.pending = startTransfer(
        ::ReadFile(end.pipe.get(), client->buffer.data(), kBufferSize, nullptr, &end.overlapped));
    // ERROR_BROKEN_PIPE: the client has gone before a whole message.
    if (!end.pending)
        drop(client);
}

void HandOverServer::Channel::readDone(Client *client)
{
    PipeEnd &end = client->end;
    if (!end.pending)
        return;
    DWORD count = 0;
    if (!::GetOverlappedResult(end.pipe.get(), &end.overlapped, &count, FALSE)) {
        if (::GetLastError() != ERROR_IO_INCOMPLETE) {
            end.pending = false;
            drop(client);
        }
        return;
    }
    end.pending = false;
    client->received.append(client->buffer.data(), qsizetype(count));
    QStringList paths;
    switch (ReadHandOverMessage(client->received, &paths)) {
    case HandOverRead::Incomplete:
        startRead(client);
        return;
    case HandOverRead::Invalid:
        drop(client);
        return;
    case HandOverRead::Complete:
        break;
    }
    // The reply fits in the pipe's buffer; the client reads it even after
    // this end is closed.
    OVERLAPPED reply{};
    reply.hEvent = end.event.get();
    if (!::WriteFile(end.pipe.get(), &kHandOverAccepted, 1, nullptr, &reply) &&
        ::GetLastError() == ERROR_IO_PENDING)
        cancel(end.pipe.get(), &reply);
    drop(client);
    // From the event loop, so that a slot may close or delete the server.
    QMetaObject::invokeMethod(
        m_server, [server = m_server, paths] { emit server->pathsReceived(paths); },
        Qt::QueuedConnection);
}

void HandOverServer::Channel::drop(Client *client)
{
    m_clients.removeOne(client);
    client->notifier->setEnabled(false);
    client->timer->stop();
    client->end.close();
    client->deleteLater();
}

HandOverServer::HandOverServer(QObject *parent)
    : QObject(parent), m_channel(std::make_unique<Channel>(this))
{
}

HandOverServer::~HandOverServer() = default;

bool HandOverServer::listen(const QString &address, QString *error)
{
    return m_channel->listen(address, error);
}

void HandOverServer::close()
{
    m_channel->close();
}

bool HandOverServer::isListening() const
{
    return m_channel->isListening();
}

namespace {

// Waits until the deadline for a read or write that started (or failed to)
// on the pipe; the number of bytes moved, or -1.
qint64 finish(HANDLE pipe, OVERLAPPED *overlapped, BOOL started, const QDeadlineTimer &deadline)
{
    if (!startTransfer(started))
        return -1;
    const DWORD remaining = DWORD(qMax<qint64>(deadline.remainingTime(), 0));
    if (::WaitForSingleObject(overlapped->hEvent, remaining) != WAIT_OBJECT_0) {
        cancel(pipe, overlapped);
        return -1;
    }
    DWORD count = 0;
    return ::GetOverlappedResult(pipe, overlapped, &count, FALSE) ? qint64(count) : -1;
}

} // namespace

bool SendHandOverMessage(const QString &address, const QByteArray &message, QString *error)
{
    const QDeadlineTimer deadline(kHandOverSendTimeoutMs);
    const std::wstring name = address.toStdWString();
    WinHandle pipe;
    for (;;) {
        // The server may only identify this process, never act as it.
        pipe.reset(::CreateFileW(
            name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
            FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr));
        if (pipe.isValid())
            break;
        const DWORD failure = ::GetLastError();
        // Every instance is taken: one comes free when a client is done.
        if (failure == ERROR_PIPE_BUSY && !deadline.hasExpired()) {
            ::WaitNamedPipeW(name.c_str(), DWORD(qMax<qint64>(deadline.remainingTime(), 1)));
            continue;
        }
        setError(error, failure == ERROR_FILE_NOT_FOUND ? QStringLiteral("没有正在运行的实例")
                                                        : ErrorText(int(failure)));
        return false;
    }
    // Whoever made a pipe of that name gets the paths only if it is the
    // user's own.
    ULONG serverId = 0;
    QString serverUser;
    if (::GetNamedPipeServerProcessId(pipe.get(), &serverId)) {
        const WinHandle server(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, serverId));
        if (server.isValid())
            serverUser = userOf(server.get());
    }
    if (serverUser.isEmpty() || serverUser != currentUser()) {
        setError(error, QStringLiteral("正在接收的程序属于另一个用户"));
        return false;
    }

    const WinHandle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    OVERLAPPED overlapped{};
    overlapped.hEvent = event.get();
    for (qsizetype sent = 0; sent < message.size();) {
        const DWORD size = DWORD(qMin<qsizetype>(message.size() - sent, kBufferSize));
        const qint64 count =
            finish(pipe.get(), &overlapped,
                   ::WriteFile(pipe.get(), message.constData() + sent, size, nullptr, &overlapped),
                   deadline);
        // The server closed the pipe: it would not take the message.
        if (count <= 0) {
            setError(error, QStringLiteral("正在运行的实例没有接收"));
            return false;
        }
        sent += count;
    }
    char reply = 0;
    if (finish(pipe.get(), &overlapped, ::ReadFile(pipe.get(), &reply, 1, nullptr, &overlapped),
               deadline) == 1 &&
        reply == kHandOverAccepted)
        return true;
    setError(error, QStringLiteral("正在运行的实例没有接收"));
    return false;
}

QString DefaultHandOverAddress()
{
    // Pipe names are seen by every session and user of the machine: the
    // user and the session join the program's path, whose letter case does
    // not matter, in the key.
    DWORD session = 0;
    ::ProcessIdToSessionId(::GetCurrentProcessId(), &session);
    const QString program = currentUser() + QLatin1Char('#') + QString::number(session) +
                            QLatin1Char('#') + QCoreApplication::applicationFilePath().toLower();
    const QByteArray key =
        QCryptographicHash::hash(program.toUtf8(), QCryptographicHash::Sha256).toHex().left(32);
    return QStringLiteral("\\\\.\\pipe\\corvane-") + QLatin1String(key);
}

} // namespace corvane
