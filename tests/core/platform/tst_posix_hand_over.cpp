#include "core/files/file_name.h"
#include "core/files/paths.h"
#include "core/hand_over/hand_over_message.h"
#include "core/platform/hand_over.h"
#include "core/startup/hand_over_paths.h"
#include "hand_over_sender.h"
#include "test_files.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>

#include <grp.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace corvane;
using corvane::test::sendFromAnotherThread;

namespace {

constexpr uid_t kNobody = 65534;

mode_t modeOf(const QString &path)
{
    struct stat status {};
    return ::lstat(EncodeFileName(path).constData(), &status) == 0 ? status.st_mode : 0;
}

sockaddr_un addressOf(const QString &path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray bytes = EncodeFileName(path);
    std::memcpy(address.sun_path, bytes.constData(), size_t(bytes.size()));
    return address;
}

// A listening socket at the address, as a bare descriptor. Allocates
// nothing, so that a forked child may call it.
int listeningSocket(const sockaddr_un &address)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0 ||
        ::listen(fd, 4) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// In a child process: becomes the user nobody, without root's groups.
void becomeNobody()
{
    if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
        ::_exit(3);
}

// The child's exit status, or -1; the event loop runs meanwhile, so that a
// server of this process can answer it.
int exitStatus(pid_t child)
{
    int status = 0;
    pid_t ended = 0;
    while ((ended = ::waitpid(child, &status, WNOHANG)) == 0)
        QTest::qWait(5);
    return ended == child && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

// What only POSIX systems have: the socket's permissions, other users'
// processes, the socket file a crashed instance leaves behind.
class TestPosixHandOver final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void onlyAPrivateFolder_data();
    void onlyAPrivateFolder();
    void crashedInstancesSocketIsReplaced();
    void otherFileAtTheAddressStays();
    void strangerIsTurnedAway_data();
    void strangerIsTurnedAway();
    void strangersServerGetsNothing();
    void defaultAddressIsThisProgram();

private:
    QString address() const { return m_dir->filePath(QStringLiteral("hand-over.socket")); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestPosixHandOver::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestPosixHandOver::onlyAPrivateFolder_data()
{
    QTest::addColumn<int>("folderMode");
    QTest::addColumn<bool>("listens");

    QTest::newRow("private") << 0700 << true;
    QTest::newRow("others may look") << 0755 << true;
    QTest::newRow("missing, made private") << -1 << true;
    QTest::newRow("the group may write") << 0770 << false;
    QTest::newRow("anyone may write, like /tmp") << 01777 << false;
}

void TestPosixHandOver::onlyAPrivateFolder()
{
    QFETCH(int, folderMode);
    QFETCH(bool, listens);
    const QString folder = m_dir->filePath(QStringLiteral("runtime"));
    if (folderMode >= 0) {
        QVERIFY(QDir().mkdir(folder));
        QCOMPARE(::chmod(EncodeFileName(folder).constData(), mode_t(folderMode)), 0);
    }
    const QString socket = folder + QStringLiteral("/hand-over.socket");
    HandOverServer server;
    QString error;
    QCOMPARE(server.listen(socket, &error), listens);
    QCOMPARE(error.isEmpty(), listens);
    if (!listens) {
        QVERIFY(!QFileInfo::exists(socket));
        return;
    }
    QVERIFY(S_ISSOCK(modeOf(socket)));
    QCOMPARE(modeOf(socket) & 07777, mode_t(0600));
    QCOMPARE(modeOf(folder) & (S_IWGRP | S_IWOTH), mode_t(0));
    // Only the socket is left in the folder.
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                    QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("hand-over.socket")});
    server.close();
    QVERIFY(!QFileInfo::exists(socket));
}

void TestPosixHandOver::crashedInstancesSocketIsReplaced()
{
    // Bound, and its socket gone: what a crash leaves.
    ::close(listeningSocket(addressOf(address())));
    QVERIFY(S_ISSOCK(modeOf(address())));
    QString error;
    QVERIFY(!HandOverPaths(address(), {QStringLiteral("a")}, &error));

    HandOverServer server;
    QSignalSpy received(&server, &HandOverServer::pathsReceived);
    QVERIFY2(server.listen(address(), &error), qPrintable(error));
    QVERIFY(sendFromAnotherThread(address(), HandOverMessage({QStringLiteral("a")})));
    QTRY_COMPARE(received.count(), 1);

    // A server that took the address over keeps it when this one closes.
    HandOverServer next;
    QVERIFY(next.listen(address()));
    server.close();
    QVERIFY(S_ISSOCK(modeOf(address())));
    next.close();
    QVERIFY(!QFileInfo::exists(address()));
}

void TestPosixHandOver::otherFileAtTheAddressStays()
{
    corvane::test::writeFile(address(), "not a socket");
    HandOverServer server;
    QString error;
    QVERIFY(!server.listen(address(), &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(corvane::test::readFile(address()), QByteArray("not a socket"));
}

void TestPosixHandOver::strangerIsTurnedAway_data()
{
    QTest::addColumn<bool>("openedToAll");
    QTest::addColumn<int>("childStatus");

    // 1: cannot connect; 0: connected, and the server closed without taking it.
    QTest::newRow("socket as made") << false << 1;
    QTest::newRow("socket opened to all") << true << 0;
}

void TestPosixHandOver::strangerIsTurnedAway()
{
    if (::geteuid() != 0)
        QSKIP("Becoming another user needs root");
    QFETCH(bool, openedToAll);
    QFETCH(int, childStatus);
    HandOverServer server;
    QSignalSpy received(&server, &HandOverServer::pathsReceived);
    QVERIFY(server.listen(address()));
    if (openedToAll) {
        QCOMPARE(::chmod(EncodeFileName(m_dir->path()).constData(), 0755), 0);
        QCOMPARE(::chmod(EncodeFileName(address()).constData(), 0777), 0);
    }

    const QByteArray message = HandOverMessage({QStringLiteral("/from/a/stranger")});
    const sockaddr_un target = addressOf(address());
    const pid_t child = ::fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        becomeNobody();
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (::connect(fd, reinterpret_cast<const sockaddr *>(&target), sizeof target) != 0)
            ::_exit(1);
        if (::write(fd, message.constData(), size_t(message.size())) != message.size())
            ::_exit(4);
        ::shutdown(fd, SHUT_WR);
        char reply = 0;
        ::_exit(::read(fd, &reply, 1) == 1 ? 2 : 0);
    }
    QCOMPARE(exitStatus(child), childStatus);

    const QStringList own{QStringLiteral("/from/me")};
    QVERIFY(sendFromAnotherThread(address(), HandOverMessage(own)));
    QTRY_COMPARE(received.count(), 1);
    QCOMPARE(received.at(0).at(0).toStringList(), own);
}

void TestPosixHandOver::strangersServerGetsNothing()
{
    if (::geteuid() != 0)
        QSKIP("Becoming another user needs root");
    // Another user listens at the address first, in a folder anyone may write.
    QCOMPARE(::chmod(EncodeFileName(m_dir->path()).constData(), 01777), 0);
    int ready[2];
    int hold[2];
    QCOMPARE(::pipe(ready), 0);
    QCOMPARE(::pipe(hold), 0);
    const sockaddr_un target = addressOf(address());
    const QByteArray path = EncodeFileName(address());
    const pid_t child = ::fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        becomeNobody();
        const int fd = listeningSocket(target);
        if (fd < 0 || ::chmod(path.constData(), 0777) != 0 || ::write(ready[1], "r", 1) != 1)
            ::_exit(3);
        char byte = 0;
        ::close(hold[1]);
        (void)::read(hold[0], &byte, 1);
        // The connection, and whatever was sent on it, waits here now.
        const int client = ::accept4(fd, nullptr, nullptr, SOCK_NONBLOCK);
        if (client < 0)
            ::_exit(1);
        char received[64];
        ::_exit(::read(client, received, sizeof received) > 0 ? 2 : 0);
    }
    ::close(hold[0]);
    char byte = 0;
    QCOMPARE(::read(ready[0], &byte, 1), ssize_t(1));
    QString error;
    QVERIFY(!HandOverPaths(address(), {QStringLiteral("/secret")}, &error));
    QVERIFY(!error.isEmpty());
    ::close(hold[1]);
    ::close(ready[0]);
    ::close(ready[1]);
    QCOMPARE(exitStatus(child), 0);
}

void TestPosixHandOver::defaultAddressIsThisProgram()
{
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", EncodeFileName(m_dir->path()));
    const QString address = DefaultHandOverAddress();
    qputenv("XDG_RUNTIME_DIR", saved);
    const QString executable = QCoreApplication::applicationFilePath();
    QCOMPARE(address, HandOverSocketPath(m_dir->path(), executable));
    QCOMPARE(QFileInfo(address).absolutePath(), m_dir->path());
    QVERIFY(address != InstanceLockPath(m_dir->path(), executable));
}

QTEST_GUILESS_MAIN(TestPosixHandOver)
#include "tst_posix_hand_over.moc"
