#include "core/platform/hand_over.h"

#include "core/files/file_name.h"
#include "core/files/paths.h"
#include "core/hand_over/hand_over_message.h"
#include "core/platform/file_ops.h"
#include "core/platform/posix/file_ops.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QList>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTimer>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace corvane {

namespace {

constexpr int kBacklog = 16;
constexpr size_t kReadSize = 64 * 1024;

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

// The socket address for path; false when the path does not fit in one.
bool socketAddress(const QByteArray &path, sockaddr_un *address)
{
    *address = sockaddr_un{};
    address->sun_family = AF_UNIX;
    if (path.isEmpty() || size_t(path.size()) >= sizeof address->sun_path)
        return false;
    std::memcpy(address->sun_path, path.constData(), size_t(path.size()));
    return true;
}

// The user id of the process at the other end of a connected socket, as it
// was when that end connected (or, for a server, began to listen).
bool peerUser(int fd, uid_t *user)
{
    ucred credentials{};
    socklen_t size = sizeof credentials;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0)
        return false;
    *user = credentials.uid;
    return true;
}

// Makes the socket's folder when it is missing (only the last level, for
// the user alone), and accepts it only when no other user can put or
// replace anything in it.
bool usableFolder(const QByteArray &folder, QString *error)
{
    if (::mkdir(folder.constData(), 0700) != 0 && errno != EEXIST) {
        setError(error, QStringLiteral("无法创建文件夹：%1").arg(ErrorText(errno)));
        return false;
    }
    struct stat status {};
    if (::stat(folder.constData(), &status) != 0) {
        setError(error, ErrorText(errno));
        return false;
    }
    if (!S_ISDIR(status.st_mode)) {
        setError(error, ErrorText(ENOTDIR));
        return false;
    }
    if (!OwnedByUserOrRoot(status) || (status.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        setError(error, QStringLiteral("文件夹不属于当前用户"));
        return false;
    }
    return true;
}

// Waits until fd is ready for events or the deadline has passed.
bool waitFor(int fd, short events, const QDeadlineTimer &deadline)
{
    for (;;) {
        pollfd entry{fd, events, 0};
        const int ready = ::poll(&entry, 1, int(deadline.remainingTime()));
        if (ready > 0)
            return true;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

// One connection being read: it has until its timer fires to send its
// whole message.
class Client final : public QObject {
public:
    Client(int fd, QObject *parent) : QObject(parent), socket(fd)
    {
        notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        timer = new QTimer(this);
        timer->setSingleShot(true);
        timer->start(kHandOverClientTimeoutMs);
    }

    FileDescriptor socket;
    QSocketNotifier *notifier = nullptr;
    QTimer *timer = nullptr;
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
    bool isListening() const { return m_socket.isValid(); }

private:
    void acceptClients();
    void readFrom(Client *client);
    // Closes the connection now; the object goes once the event loop
    // regains control, as it may be the one that called.
    void drop(Client *client);

    HandOverServer *m_server;
    FileDescriptor m_socket;
    QSocketNotifier *m_acceptNotifier = nullptr;
    QByteArray m_path;
    // The socket file as made, so that close() removes only that one.
    dev_t m_device = 0;
    ino_t m_inode = 0;
    QList<Client *> m_clients;
};

bool HandOverServer::Channel::listen(const QString &address, QString *error)
{
    close();
    const QByteArray path = EncodeFileName(QFileInfo(address).absoluteFilePath());
    const QByteArray folder = EncodeFileName(QFileInfo(address).absolutePath());
    sockaddr_un target{};
    if (!socketAddress(path, &target)) {
        setError(error, QStringLiteral("套接字路径太长"));
        return false;
    }
    if (!usableFolder(folder, error))
        return false;

    // The socket is made in a folder of its own that only the user may
    // enter, given mode 0600 there and only then moved to its address: it is
    // never reachable with wider permissions. The move replaces the socket
    // of an instance that crashed in one step.
    QByteArray privateFolder = folder + "/.hand-over-XXXXXX";
    if (!::mkdtemp(privateFolder.data())) {
        setError(error, QStringLiteral("无法创建文件夹：%1").arg(ErrorText(errno)));
        return false;
    }
    const QByteArray madePath = privateFolder + "/socket";
    bool bound = false;
    const auto cleanUp = [&] {
        if (bound)
            ::unlink(madePath.constData());
        ::rmdir(privateFolder.constData());
    };
    sockaddr_un made{};
    FileDescriptor socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!socketAddress(madePath, &made) || !socket.isValid()) {
        setError(error, ErrorText(socket.isValid() ? ENAMETOOLONG : errno));
        cleanUp();
        return false;
    }
    bound = ::bind(socket.get(), reinterpret_cast<const sockaddr *>(&made), sizeof made) == 0;
    if (!bound || ::chmod(madePath.constData(), 0600) != 0 ||
        ::listen(socket.get(), kBacklog) != 0) {
        setError(error, ErrorText(errno));
        cleanUp();
        return false;
    }
    // Anything else at the address is not ours to replace.
    struct stat status {};
    if (::lstat(path.constData(), &status) == 0 && !S_ISSOCK(status.st_mode)) {
        setError(error, QStringLiteral("该位置已有别的文件"));
        cleanUp();
        return false;
    }
    if (::rename(madePath.constData(), path.constData()) != 0) {
        setError(error, ErrorText(errno));
        cleanUp();
        return false;
    }
    bound = false;
    cleanUp();
    if (::lstat(path.constData(), &status) != 0) {
        setError(error, ErrorText(errno));
        return false;
    }

    m_socket = std::move(socket);
    m_path = path;
    m_device = status.st_dev;
    m_inode = status.st_ino;
    m_acceptNotifier = new QSocketNotifier(m_socket.get(), QSocketNotifier::Read, m_server);
    QObject::connect(m_acceptNotifier, &QSocketNotifier::activated, m_server,
                     [this] { acceptClients(); });
    return true;
}

void HandOverServer::Channel::close()
{
    for (Client *client : std::as_const(m_clients))
        delete client;
    m_clients.clear();
    if (!m_socket.isValid())
        return;
    delete m_acceptNotifier;
    m_acceptNotifier = nullptr;
    m_socket.reset();
    // Another instance may have taken the address since: its socket stays.
    struct stat status {};
    if (::lstat(m_path.constData(), &status) == 0 && status.st_dev == m_device &&
        status.st_ino == m_inode)
        ::unlink(m_path.constData());
}

void HandOverServer::Channel::acceptClients()
{
    for (;;) {
        FileDescriptor client(
            ::accept4(m_socket.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
        if (!client.isValid()) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            return;
        }
        // The socket file's mode already keeps other users out; this holds
        // even if someone loosens it.
        uid_t user = 0;
        if (!peerUser(client.get(), &user) || user != ::geteuid())
            continue;
        if (m_clients.size() >= kHandOverMaxClients)
            continue;
        auto *reader = new Client(client.release(), m_server);
        m_clients.append(reader);
        QObject::connect(reader->notifier, &QSocketNotifier::activated, reader,
                         [this, reader] { readFrom(reader); });
        QObject::connect(reader->timer, &QTimer::timeout, reader, [this, reader] { drop(reader); });
    }
}

void HandOverServer::Channel::readFrom(Client *client)
{
    QStringList paths;
    QByteArray &received = client->received;
    for (;;) {
        const qsizetype before = received.size();
        received.resize(before + qsizetype(kReadSize));
        const ssize_t count = ::recv(client->socket.get(), received.data() + before, kReadSize, 0);
        received.resize(before + qMax<qsizetype>(count, 0));
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        // The end, or an error, before a whole message.
        if (count <= 0) {
            drop(client);
            return;
        }
        const HandOverRead read = ReadHandOverMessage(received, &paths);
        if (read == HandOverRead::Invalid) {
            drop(client);
            return;
        }
        if (read == HandOverRead::Complete)
            break;
    }
    // The reply fits in the socket's buffer of an idle connection.
    ::send(client->socket.get(), &kHandOverAccepted, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
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
    client->socket.reset();
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

bool SendHandOverMessage(const QString &address, const QByteArray &message, QString *error)
{
    const QDeadlineTimer deadline(kHandOverSendTimeoutMs);
    sockaddr_un target{};
    if (!socketAddress(EncodeFileName(address), &target)) {
        setError(error, QStringLiteral("套接字路径太长"));
        return false;
    }
    const FileDescriptor socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!socket.isValid()) {
        setError(error, ErrorText(errno));
        return false;
    }
    // A listener whose queue is full answers EAGAIN: it is asked again.
    while (::connect(socket.get(), reinterpret_cast<const sockaddr *>(&target), sizeof target) !=
           0) {
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN && !deadline.hasExpired()) {
            ::poll(nullptr, 0, 10);
            continue;
        }
        if (errno == ENOENT || errno == ECONNREFUSED)
            setError(error, QStringLiteral("没有正在运行的实例"));
        else
            setError(error, ErrorText(errno));
        return false;
    }
    // Whoever made a socket at the address gets the paths only if it is the
    // user's own.
    uid_t user = 0;
    if (!peerUser(socket.get(), &user) || user != ::geteuid()) {
        setError(error, QStringLiteral("正在接收的程序属于另一个用户"));
        return false;
    }

    for (qsizetype sent = 0; sent < message.size();) {
        const ssize_t count = ::send(socket.get(), message.constData() + sent,
                                     size_t(message.size() - sent), MSG_NOSIGNAL);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && errno == EAGAIN && waitFor(socket.get(), POLLOUT, deadline))
            continue;
        // The server closed the connection: it would not take the message.
        if (count <= 0) {
            setError(error, QStringLiteral("正在运行的实例没有接收"));
            return false;
        }
        sent += count;
    }
    ::shutdown(socket.get(), SHUT_WR);

    char reply = 0;
    for (;;) {
        if (!waitFor(socket.get(), POLLIN, deadline))
            break;
        const ssize_t count = ::recv(socket.get(), &reply, 1, 0);
        if (count < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (count == 1 && reply == kHandOverAccepted)
            return true;
        break;
    }
    setError(error, QStringLiteral("正在运行的实例没有接收"));
    return false;
}

QString DefaultHandOverAddress()
{
    const QString executable = QCoreApplication::applicationFilePath();
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtime.isEmpty())
        return HandOverSocketPath(runtime, executable);
    // The temporary folder is shared by all users: the socket goes in a
    // folder of the user's own there, and the user id joins the key as it
    // does for the lock.
    const QString user = QString::number(::getuid());
    return HandOverSocketPath(JoinPath(QDir::tempPath(), QStringLiteral("corvane-") + user),
                              executable + QLatin1Char('#') + user);
}

} // namespace corvane
