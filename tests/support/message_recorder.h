#pragma once

#include "fake_desktop.h"

#include <QList>

namespace corvane::test {

// The messages a fake desktop shows from the moment this recorder is made.
class MessageRecorder final {
public:
    explicit MessageRecorder(const FakeDesktop &desktop)
        : m_desktop(desktop), m_first(desktop.messages.size())
    {
    }
    Q_DISABLE_COPY_MOVE(MessageRecorder)

    QList<Message> messages() const { return m_desktop.messages.mid(m_first); }
    int count() const { return int(m_desktop.messages.size() - m_first); }
    void clear() { m_first = m_desktop.messages.size(); }

private:
    const FakeDesktop &m_desktop;
    qsizetype m_first;
};

} // namespace corvane::test
