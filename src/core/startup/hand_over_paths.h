#pragma once

#include <QString>
#include <QStringList>

namespace corvane {

// Sends the paths to the instance listening at address and waits until it
// has taken them, a few seconds at most. False, with the reason, when they
// do not fit one message, none listens, the one listening is another
// user's, or it did not take them.
bool HandOverPaths(const QString &address, const QStringList &paths, QString *error = nullptr);

// A later start's hand-over to the running instance of this user: the paths
// made absolute against this process's current folder (the running instance
// has a current folder of its own), tried for a few seconds while that
// instance may still be starting up and not yet listening.
bool HandOverToRunningInstance(const QStringList &paths);

} // namespace corvane
