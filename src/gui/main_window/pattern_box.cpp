#include "gui/main_window/pattern_box.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace corvane {

PatternBox::PatternBox(QWidget *parent) : QComboBox(parent)
{
    setEditable(true);
    // Patterns go to the list only through Enter, every time, duplicates too.
    setInsertPolicy(QComboBox::NoInsert);
    setDuplicatesEnabled(true);
    setCompleter(nullptr);
    addItems({QStringLiteral("*.bmp"), QStringLiteral("*.wav"), QStringLiteral("*.bin"),
              QStringLiteral("*.*")});
    setCurrentIndex(-1);
    setEditText(QStringLiteral("*.*"));

    connect(this, &QComboBox::activated, this, [this] { emit patternChosen(currentText()); });
    // The box itself reports a typed text that equals an entry as a pick
    // when its edit field loses the focus; only a real pick may apply it.
    disconnect(lineEdit(), &QLineEdit::editingFinished, this, nullptr);
    // Enter reaches the box first; sent to its line edit, it comes on to the
    // box, which the line edit leaves it to.
    installEventFilter(this);
}

bool PatternBox::eventFilter(QObject *watched, QEvent *event)
{
    // Enter with any modifier keys.
    if (watched == this && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            const QString text = currentText();
            emit patternChosen(text);
            addItem(text);
        }
    }
    return QComboBox::eventFilter(watched, event);
}

} // namespace corvane
