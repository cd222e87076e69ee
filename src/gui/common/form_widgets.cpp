#include "gui/common/form_widgets.h"

#include "gui/common/enter_key.h"
#include "gui/common/form_look.h"
#include "gui/common/program_icon.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace corvane {

QPushButton *MakeButton(QWidget *parent, const QString &objectName, const QString &text,
                        const QRect &geometry)
{
    auto *button = Placed(new QPushButton(text, parent), objectName, geometry);
    button->setAutoDefault(false);
    button->setDefault(false);
    PressOnEnterWhenFocused({button});
    return button;
}

QLabel *MakeLabel(QWidget *parent, const QString &objectName, const QString &text,
                  const QRect &geometry)
{
    auto *label = Placed(new QLabel(text, parent), objectName, geometry);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QLineEdit *MakeTextBox(QWidget *parent, const QString &objectName, const QRect &geometry)
{
    return Placed(new QLineEdit(parent), objectName, geometry);
}

void SetTabChain(const QList<QWidget *> &order)
{
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order.at(i - 1), order.at(i));
}

void SetUpFixedWindow(QWidget *window, const QString &objectName, const QString &title,
                      const QSize &size)
{
    window->setObjectName(objectName);
    window->setWindowTitle(title);
    window->setWindowIcon(ProgramIcon());
    UseFormLook(window);
    if (size.isValid())
        window->setFixedSize(size);
}

} // namespace corvane
