#include "message_recorder.h"

namespace corvane::test {

MessageRecorder::MessageRecorder()
{
    m_previous = SetMessageHandler([this](const Message &message) { m_messages.append(message); });
}

MessageRecorder::~MessageRecorder()
{
    SetMessageHandler(std::move(m_previous));
}

} // namespace corvane::test
