#include "gui/common/accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QDialog>
#include <QFocusFrame>
#include <QMenu>
#include <QWidget>

namespace corvane {

namespace {

constexpr char kShownChildrenOnly[] = "corvaneShownChildrenOnly";
constexpr char kNamedComboBox[] = "corvaneNamedComboBox";

// A combo box named by its accessible name, its current text as its value.
class NamedComboBoxAccessible final : public QAccessibleWidget {
public:
    explicit NamedComboBoxAccessible(QComboBox *box) : QAccessibleWidget(box, QAccessible::ComboBox)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        const auto *box = static_cast<const QComboBox *>(widget());
        if (t == QAccessible::Value)
            return box->currentText();
        if (t == QAccessible::Name)
            return box->accessibleName();
        return QAccessibleWidget::text(t);
    }
};

// A widget's interface with its hidden children left out.
class ShownChildrenAccessible final : public QAccessibleWidget {
public:
    explicit ShownChildrenAccessible(QWidget *widget) : QAccessibleWidget(widget, roleOf(widget)) {}

    int childCount() const override { return int(shownChildren().size()); }

    QAccessibleInterface *child(int index) const override
    {
        const QList<QWidget *> children = shownChildren();
        if (index < 0 || index >= children.size())
            return nullptr;
        return QAccessible::queryAccessibleInterface(children.at(index));
    }

    int indexOfChild(const QAccessibleInterface *child) const override
    {
        if (!child)
            return -1;
        return int(shownChildren().indexOf(qobject_cast<QWidget *>(child->object())));
    }

private:
    static QAccessible::Role roleOf(const QWidget *widget)
    {
        if (qobject_cast<const QDialog *>(widget))
            return QAccessible::Dialog;
        return widget->isWindow() ? QAccessible::Window : QAccessible::Client;
    }

    QList<QWidget *> shownChildren() const
    {
        QList<QWidget *> children;
        for (QObject *object : widget()->children()) {
            auto *child = qobject_cast<QWidget *>(object);
            if (child && !child->isWindow() && !child->isHidden() &&
                !qobject_cast<QMenu *>(child) && !qobject_cast<QFocusFrame *>(child))
                children.append(child);
        }
        return children;
    }
};

QAccessibleInterface *corvaneFactory(const QString &, QObject *object)
{
    auto *widget = qobject_cast<QWidget *>(object);
    if (!widget)
        return nullptr;
    if (widget->property(kShownChildrenOnly).toBool())
        return new ShownChildrenAccessible(widget);
    auto *box = qobject_cast<QComboBox *>(widget);
    if (box && box->property(kNamedComboBox).toBool())
        return new NamedComboBoxAccessible(box);
    return nullptr;
}

void installFactory()
{
    static const bool installed = [] {
        QAccessible::installFactory(corvaneFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

// An interface that Qt made for the widget before it was marked (a combo
// box makes one as it is set up) is dropped for one of ours.
template <typename Ours> void replaceEarlierInterface(QWidget *widget)
{
    QAccessibleInterface *existing = QAccessible::queryAccessibleInterface(widget);
    if (existing && !dynamic_cast<Ours *>(existing))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(existing));
}

} // namespace

void OfferShownChildrenOnly(QWidget *container)
{
    installFactory();
    container->setProperty(kShownChildrenOnly, true);
    replaceEarlierInterface<ShownChildrenAccessible>(container);
}

void NameComboBox(QComboBox *box, const QString &name)
{
    installFactory();
    box->setProperty(kNamedComboBox, true);
    box->setAccessibleName(name);
    replaceEarlierInterface<NamedComboBoxAccessible>(box);
}

} // namespace corvane
