#pragma once

#include <QString>

#include <functional>

namespace corvane {

// The icons a message box may carry. The values follow QMessageBox::Icon so
// the window layer can pass them straight through.
enum class MessageIcon { None = 0, Information = 1, Warning = 2, Critical = 3, Question = 4 };

// One message for the user: always a single OK button.
struct Message final {
    QString text;
    QString title;
    MessageIcon icon = MessageIcon::None;
};

// Shows a message and returns when the user has closed it. Core code calls
// this instead of QMessageBox so that it runs without Widgets; the program
// installs a handler that shows a real QMessageBox, tests install one that
// records each message.
void ShowMessage(const Message &message);

using MessageHandler = std::function<void(const Message &)>;

// Installs the handler used by ShowMessage and returns the previous one.
// Without a handler messages go to standard error.
MessageHandler SetMessageHandler(MessageHandler handler);

// Asks the user a yes-or-no question ("是" / "否") and returns true for yes.
// The window layer installs a handler that shows a real message box; tests
// install one that answers. Without a handler the answer is no.
bool AskYesNo(const Message &question);

using QuestionHandler = std::function<bool(const Message &)>;
QuestionHandler SetQuestionHandler(QuestionHandler handler);

// The application title that message boxes without a title of their own show.
QString ApplicationTitle();

} // namespace corvane
