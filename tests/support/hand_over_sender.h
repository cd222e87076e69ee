#pragma once

#include "core/platform/hand_over.h"

#include <QByteArray>
#include <QString>
#include <QTest>

#include <chrono>
#include <future>

namespace corvane::test {

// Sends the message from another thread, as a later start does from its own
// process, while this thread's event loop lets the server read and answer.
// Whether the server took it; the sender gives up by itself after a few
// seconds, so this always returns.
inline bool sendFromAnotherThread(const QString &address, const QByteArray &message)
{
    auto sent = std::async(std::launch::async,
                           [address, message] { return SendHandOverMessage(address, message); });
    while (sent.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
        QTest::qWait(5);
    return sent.get();
}

} // namespace corvane::test
