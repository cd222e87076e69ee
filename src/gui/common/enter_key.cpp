#include "gui/common/enter_key.h"

#include <QKeyEvent>
#include <QPushButton>

namespace corvane {

namespace {
class EnterPressesButton final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto *key = static_cast<const QKeyEvent *>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (!enter || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
            return false;
        // One press per stroke: a held key does not repeat the command.
        auto *button = static_cast<QPushButton *>(watched);
        if (!key->isAutoRepeat() && button->isEnabled())
            button->click();
        return true;
    }
};
} // namespace

void PressOnEnterWhenFocused(const QList<QPushButton *> &buttons)
{
    for (QPushButton *button : buttons)
        button->installEventFilter(new EnterPressesButton(button));
}

} // namespace corvane
