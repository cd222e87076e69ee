#pragma once

#include <QList>
#include <QRect>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace corvane {

// The one way the fixed layouts place their controls: a control of parent,
// named objectName, at a place given in pixels (PxRect() turns twips into
// them).
template <typename Widget>
Widget *Placed(Widget *widget, const QString &objectName, const QRect &geometry)
{
    widget->setObjectName(objectName);
    widget->setGeometry(geometry);
    return widget;
}

// A button that Return and Enter press when it has the focus, as Space does,
// and only then: never a default button of its window.
QPushButton *MakeButton(QWidget *parent, const QString &objectName, const QString &text,
                        const QRect &geometry);
// A label with its text at the top left of its box, as a form label has it.
QLabel *MakeLabel(QWidget *parent, const QString &objectName, const QString &text,
                  const QRect &geometry);
QLineEdit *MakeTextBox(QWidget *parent, const QString &objectName, const QRect &geometry);

// Tab and Shift+Tab go through the widgets in this order.
void SetTabChain(const QList<QWidget *> &order);

// The set-up all fixed-layout windows share: name, title, the program icon,
// the light 9-point look and a size that cannot change.
void SetUpFixedWindow(QWidget *window, const QString &objectName, const QString &title,
                      const QSize &size);

} // namespace corvane
