#pragma once

#include "core/platform/message_box.h"

#include <QList>

namespace corvane::test {

// Records every message that core code shows while it is alive, instead of
// opening a box, and restores the previous handler when it goes.
class MessageRecorder final {
public:
    MessageRecorder();
    ~MessageRecorder();
    Q_DISABLE_COPY_MOVE(MessageRecorder)

    const QList<Message> &messages() const { return m_messages; }
    int count() const { return int(m_messages.size()); }
    void clear() { m_messages.clear(); }

private:
    QList<Message> m_messages;
    MessageHandler m_previous;
};

} // namespace corvane::test
