#include "core/platform/message_box.h"

#include <cstdio>
#include <utility>

namespace corvane {

namespace {
MessageHandler &currentHandler()
{
    static MessageHandler handler;
    return handler;
}
QuestionHandler &currentQuestionHandler()
{
    static QuestionHandler handler;
    return handler;
}
} // namespace

void ShowMessage(const Message &message)
{
    const MessageHandler &handler = currentHandler();
    if (handler) {
        handler(message);
        return;
    }
    std::fprintf(stderr, "%s: %s\n", message.title.toLocal8Bit().constData(),
                 message.text.toLocal8Bit().constData());
}

MessageHandler SetMessageHandler(MessageHandler handler)
{
    return std::exchange(currentHandler(), std::move(handler));
}

bool AskYesNo(const Message &question)
{
    const QuestionHandler &handler = currentQuestionHandler();
    return handler && handler(question);
}

QuestionHandler SetQuestionHandler(QuestionHandler handler)
{
    return std::exchange(currentQuestionHandler(), std::move(handler));
}

QString ApplicationTitle()
{
    return QStringLiteral("Corvane");
}

} // namespace corvane
