#include "gui/common/accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QDialog>
#include <QFocusFrame>
#include <QMenu>
#include <QPointer>
#include <QStackedWidget>
#include <QTabBar>
#include <QToolButton>
#include <QWidget>

#include <algorithm>

namespace corvane {

namespace {

// A caption as it reads: "&&" is a "&", a lone "&" only marks the mnemonic.
QString withoutMnemonic(const QString &caption)
{
    QString text;
    text.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption.at(i) == QLatin1Char('&') && i + 1 < caption.size())
            ++i;
        text += caption.at(i);
    }
    return text;
}

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
            if (child && isOffered(child))
                children.append(child);
        }
        return children;
    }

    static bool isOffered(const QWidget *child)
    {
        if (child->isWindow() || child->isHidden() || qobject_cast<const QMenu *>(child) ||
            qobject_cast<const QFocusFrame *>(child))
            return false;
        // A bare container (a tab strip's empty page, the stack of them)
        // is offered only for what it holds.
        const bool container = child->metaObject() == &QWidget::staticMetaObject ||
                               qobject_cast<const QStackedWidget *>(child);
        if (!container)
            return true;
        const QList<QWidget *> inside = child->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
        return std::any_of(inside.cbegin(), inside.cend(),
                           [](const QWidget *grandchild) { return isOffered(grandchild); });
    }
};

// One tab of a tab strip: its caption, whether it is the selected one, and a
// press that selects it.
class TabAccessible final : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    TabAccessible(QTabBar *bar, int index) : m_bar(bar), m_index(index) {}

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface
                   ? static_cast<QAccessibleActionInterface *>(this)
                   : nullptr;
    }
    bool isValid() const override { return m_bar && m_index < m_bar->count(); }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return m_bar ? m_bar->window()->windowHandle() : nullptr; }
    QAccessibleInterface *parent() const override
    {
        return QAccessible::queryAccessibleInterface(m_bar.data());
    }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }

    QString text(QAccessible::Text t) const override
    {
        if (!isValid())
            return QString();
        if (t == QAccessible::Name)
            return withoutMnemonic(m_bar->tabText(m_index));
        if (t == QAccessible::Description)
            return m_bar->tabToolTip(m_index);
        return QString();
    }
    void setText(QAccessible::Text, const QString &) override {}
    QAccessible::Role role() const override { return QAccessible::PageTab; }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid()) {
            state.invalid = true;
            return state;
        }
        state.focusable = true;
        state.selectable = true;
        state.selected = m_index == m_bar->currentIndex();
        state.focused = state.selected && m_bar->hasFocus();
        state.disabled = !m_bar->isTabEnabled(m_index);
        state.invisible = !m_bar->isVisible();
        state.offscreen = !m_bar->rect().intersects(m_bar->tabRect(m_index));
        return state;
    }

    QRect rect() const override
    {
        if (!isValid())
            return QRect();
        const QRect tab = m_bar->tabRect(m_index);
        return QRect(m_bar->mapToGlobal(tab.topLeft()), tab.size());
    }

    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString &name) override
    {
        if (name == pressAction() && isValid())
            m_bar->setCurrentIndex(m_index);
    }
    QStringList keyBindingsForAction(const QString &) const override { return {}; }

private:
    QPointer<QTabBar> m_bar;
    int m_index;
};

// A tab strip offering its tabs and, only while they show, its scroll
// arrows. Qt offers the arrows always.
class ShownTabBarAccessible final : public QAccessibleWidget {
public:
    explicit ShownTabBarAccessible(QTabBar *bar) : QAccessibleWidget(bar, QAccessible::PageTabList)
    {
    }
    ~ShownTabBarAccessible() override
    {
        for (const QAccessible::Id id : std::as_const(m_tabs))
            QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return tabBar()->count() + int(shownArrows().size()); }

    QAccessibleInterface *child(int index) const override
    {
        const int tabs = tabBar()->count();
        if (index < 0)
            return nullptr;
        if (index < tabs) {
            while (m_tabs.size() <= index)
                m_tabs.append(QAccessible::registerAccessibleInterface(
                    new TabAccessible(tabBar(), int(m_tabs.size()))));
            return QAccessible::accessibleInterface(m_tabs.at(index));
        }
        const QList<QWidget *> arrows = shownArrows();
        return index - tabs < arrows.size()
                   ? QAccessible::queryAccessibleInterface(arrows.at(index - tabs))
                   : nullptr;
    }

    int indexOfChild(const QAccessibleInterface *child) const override
    {
        if (const auto *tab = dynamic_cast<const TabAccessible *>(child)) {
            const QAccessible::Id id = QAccessible::uniqueId(const_cast<TabAccessible *>(tab));
            return int(m_tabs.indexOf(id));
        }
        const int arrow =
            child ? int(shownArrows().indexOf(qobject_cast<QWidget *>(child->object()))) : -1;
        return arrow < 0 ? -1 : tabBar()->count() + arrow;
    }

    QAccessibleInterface *focusChild() const override
    {
        return tabBar()->hasFocus() && tabBar()->currentIndex() >= 0
                   ? child(tabBar()->currentIndex())
                   : nullptr;
    }

private:
    QTabBar *tabBar() const { return static_cast<QTabBar *>(widget()); }

    QList<QWidget *> shownArrows() const
    {
        QList<QWidget *> arrows;
        const QList<QToolButton *> buttons =
            tabBar()->findChildren<QToolButton *>(Qt::FindDirectChildrenOnly);
        for (QToolButton *button : buttons) {
            if (!button->isHidden())
                arrows.append(button);
        }
        return arrows;
    }

    mutable QList<QAccessible::Id> m_tabs;
};

QAccessibleInterface *corvaneFactory(const QString &, QObject *object)
{
    auto *widget = qobject_cast<QWidget *>(object);
    if (!widget)
        return nullptr;
    if (widget->property(kShownChildrenOnly).toBool()) {
        if (auto *bar = qobject_cast<QTabBar *>(widget))
            return new ShownTabBarAccessible(bar);
        return new ShownChildrenAccessible(widget);
    }
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
    if (qobject_cast<QTabBar *>(container))
        replaceEarlierInterface<ShownTabBarAccessible>(container);
    else
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
