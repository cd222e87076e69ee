#pragma once

#include <QMetaType>
#include <QString>

namespace corvane {

// The icons a message box may carry. The values follow Qt's message box icons so
// the window layer can pass them straight through.
enum class MessageIcon { None = 0, Information = 1, Warning = 2, Critical = 3, Question = 4 };

// One message for the user: the text, the box's title and its icon. Core
// code hands messages up; the window shows them.
struct Message final {
    QString text;
    QString title;
    MessageIcon icon = MessageIcon::None;

    friend bool operator==(const Message &a, const Message &b)
    {
        return a.text == b.text && a.title == b.title && a.icon == b.icon;
    }
};

// The application title that message boxes without a title of their own show.
QString ApplicationTitle();

} // namespace corvane

Q_DECLARE_METATYPE(corvane::Message)
