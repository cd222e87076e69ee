#pragma once

#include <QApplication>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace corvane::test {

// Calls open(), which shows a modal window and returns when it has closed,
// and hands that window to drive() as soon as it is up. Returns false when
// no modal window of type Window came up, or when drive() left it open (it
// is then closed, so that open() can return).
template <typename Window>
bool DriveModal(const std::function<void()> &open, const std::function<void(Window *)> &drive)
{
    bool found = false;
    bool leftOpen = false;
    QObject context;
    QTimer::singleShot(0, &context, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        auto *window = qobject_cast<Window *>(modal);
        if (!window) {
            if (modal)
                modal->close();
            return;
        }
        found = true;
        QPointer<Window> guard(window);
        drive(window);
        if (guard && guard->isVisible()) {
            leftOpen = true;
            guard->close();
        }
    });
    open();
    return found && !leftOpen;
}

// The names of the top-level windows that are still shown.
inline QStringList VisibleWindows()
{
    QStringList names;
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (const QWidget *window : windows) {
        if (window->isVisible())
            names.append(window->objectName() + QLatin1Char('/') +
                         QLatin1String(window->metaObject()->className()));
    }
    return names;
}

} // namespace corvane::test
