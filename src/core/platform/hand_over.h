#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

namespace corvane {

// The address of this user's hand-over channel for this program, keyed like
// its single-instance lock. POSIX: a socket in $XDG_RUNTIME_DIR (in a
// folder of the user's own in the temporary folder, with the user id in
// the key, when there is none). Windows: a named pipe, keyed by the user,
// the session and the executable's path.
QString DefaultHandOverAddress();

// Receives the paths that later starts of the program hand over, one
// message per start (see hand_over_message.h). A message that is malformed,
// too large, unfinished within a couple of seconds or from another user is
// dropped whole, and the server goes on; reading never blocks the event
// loop. POSIX: an AF_UNIX socket, mode 0600, that only the user's own
// processes may use. Windows: a named pipe that only the user may open,
// from this machine only.
class HandOverServer final : public QObject {
    Q_OBJECT

public:
    explicit HandOverServer(QObject *parent = nullptr);
    ~HandOverServer() override;
    Q_DISABLE_COPY_MOVE(HandOverServer)

    // Opens the channel. False, with the reason, when it cannot be opened;
    // the program then runs without it. Call it only while holding the
    // single-instance lock: on POSIX a socket left at the address is taken
    // for the remains of an instance that crashed and replaced.
    bool listen(const QString &address, QString *error = nullptr);
    void close();
    bool isListening() const;

signals:
    // The paths of one later start, in its order; empty when it was started
    // without any.
    void pathsReceived(const QStringList &paths);

private:
    class Channel; // one per operating system
    std::unique_ptr<Channel> m_channel;
};

// Sends one message as it stands (see hand_over_message.h) to the instance
// listening at address and waits until it has taken it, a few seconds at
// most. False, with the reason, when none listens, the one listening is
// another user's, or it did not take it.
bool SendHandOverMessage(const QString &address, const QByteArray &message,
                         QString *error = nullptr);

} // namespace corvane
