#pragma once

// The main window's tests: what every one of them starts from (a data
// folder, a source folder with three files, a destination folder) and the
// helpers that drive the window.

#include "batch_folders.h"
#include "core/platform/data_folder.h"
#include "core/platform/drives.h"
#include "core/platform/single_instance.h"
#include "core/settings/active_tool.h"
#include "core/settings/settings_file.h"
#include "corvane_helpers.h"
#include "gui/main_window/drive_list.h"
#include "gui/main_window/file_list.h"
#include "gui/main_window/folder_list.h"
#include "gui/main_window/job_list.h"
#include "gui/main_window/job_list_editor.h"
#include "gui/main_window/main_window.h"
#include "message_recorder.h"
#include "test_files.h"
#include "test_strings.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <cmath>

namespace corvane::test {

inline const QColor kGrey(0xE0, 0xE0, 0xE0);

// The contrast ratio of two colours, from 1 (the same) to 21 (black and
// white); text needs 4.5 to be easy to read.
inline qreal contrast(const QColor &a, const QColor &b)
{
    const auto luminance = [](const QColor &color) {
        const auto linear = [](qreal value) {
            return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(color.redF()) + 0.7152 * linear(color.greenF()) +
               0.0722 * linear(color.blueF());
    };
    const qreal first = luminance(a);
    const qreal second = luminance(b);
    return (qMax(first, second) + 0.05) / (qMin(first, second) + 0.05);
}

// What a window shows that cannot be read: text in a colour too close to
// its background or smaller than the desktop's font, a label's text larger
// than the label.
inline QStringList unreadableTexts(const QWidget *window)
{
    QStringList problems;
    const QList<QWidget *> widgets = window->findChildren<QWidget *>();
    for (const QWidget *widget : widgets) {
        if (!widget->isVisibleTo(window) || !widget->isEnabled() || widget->isWindow())
            continue;
        const auto *label = qobject_cast<const QLabel *>(widget);
        if (!(label && !label->text().isEmpty()) &&
            !qobject_cast<const QAbstractButton *>(widget) &&
            !qobject_cast<const QLineEdit *>(widget) && !qobject_cast<const QComboBox *>(widget) &&
            !qobject_cast<const QAbstractItemView *>(widget) &&
            !qobject_cast<const QPlainTextEdit *>(widget) &&
            !qobject_cast<const QTabBar *>(widget) && !qobject_cast<const QMenuBar *>(widget))
            continue;
        const QPalette palette = widget->palette();
        if (contrast(palette.color(widget->foregroundRole()),
                     palette.color(widget->backgroundRole())) < 4.5)
            problems << widget->objectName() + QStringLiteral(": colours");
        if (widget->font().pointSizeF() < QApplication::font().pointSizeF())
            problems << widget->objectName() + QStringLiteral(": small text");
        if (!label)
            continue;
        const QSize needed = label->wordWrap()
                                 ? QSize(label->width(), label->heightForWidth(label->width()))
                                 : label->sizeHint();
        if (needed.width() > label->width() || needed.height() > label->height())
            problems << label->objectName() + QStringLiteral(": text cut");
    }
    return problems;
}

inline QPalette darkPalette()
{
    // Qt derives the dark shades from the face colour.
    QPalette dark(QColor(0x35, 0x35, 0x35));
    const QColor light(0xDC, 0xDC, 0xDC);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        dark.setColor(role, light);
    dark.setColor(QPalette::Base, QColor(0x2A, 0x2A, 0x2A));
    return dark;
}

// The text that assistive technology reads inside an object.
inline QString textInside(QAccessibleInterface *object)
{
    QString text;
    for (int i = 0; i < object->childCount(); ++i) {
        QAccessibleInterface *child = object->child(i);
        if (QAccessibleTextInterface *content = child->textInterface())
            text += content->text(0, content->characterCount());
        text += textInside(child);
    }
    return text;
}

inline QStringList fileRows(const FileList *list)
{
    QStringList names;
    for (int i = 0; i < list->count(); ++i)
        names.append(list->fileName(i));
    return names;
}

struct Rows {
    QStringList names;
    QStringList folders;
};

class MainWindowFixture : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

protected:
    MainWindow *load();
    // Loads the window and shows it; false when either fails.
    bool loadAndShow();
    // Does what starts a batch (a click on "处理", say) and waits for the
    // batch to end; false when it did not end.
    template <typename Start> bool runBatchToEnd(Start start);
    template <typename T> T *control(const char *name) const;
    Rows jobRows() const;
    void selectRows(QAbstractItemView *view, const QList<int> &rows);
    void doubleClick(QAbstractItemView *view, int row);
    void makeFiles(const QString &folder, const QStringList &names);
    void pickDrive(DriveList *list, const QString &drive);

    std::unique_ptr<test::BatchFolders> m_folders;
    std::unique_ptr<test::MessageRecorder> m_messages;
    std::unique_ptr<SingleInstance> m_instance;
    std::unique_ptr<MainWindow> m_form;
    int m_ended = 0;
};

inline void MainWindowFixture::initTestCase()
{
    QApplication::setQuitOnLastWindowClosed(false);
}

inline void MainWindowFixture::init()
{
    m_folders = std::make_unique<test::BatchFolders>();
    QVERIFY(m_folders->isValid());
    makeFiles(m_folders->source,
              {QStringLiteral("b.wav"), QStringLiteral("a.bmp"), QStringLiteral("c.txt")});
    QVERIFY(QDir::setCurrent(m_folders->source));
    m_messages = std::make_unique<test::MessageRecorder>(m_folders->desktop);
    m_ended = 0;
}

inline void MainWindowFixture::cleanup()
{
    m_form.reset();
    m_instance.reset();
    m_messages.reset();
    m_folders.reset();
    // No window (a message box, a dialog) may be left open.
    const QList<QWidget *> windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows)
        QVERIFY2(!window->isVisible(), qPrintable(window->objectName()));
}

inline MainWindow *MainWindowFixture::load()
{
    m_instance = std::make_unique<SingleInstance>(m_folders->path(QStringLiteral("instance.lock")));
    m_form = std::make_unique<MainWindow>(m_folders->desktop, m_folders->settings, m_folders->tool);
    m_form->setProcessEnd([this] { ++m_ended; });
    if (!m_form->loadOnStartup(*m_instance))
        return nullptr;
    return m_form.get();
}

inline bool MainWindowFixture::loadAndShow()
{
    if (!load())
        return false;
    m_form->show();
    return QTest::qWaitForWindowExposed(m_form.get());
}

template <typename Start> bool MainWindowFixture::runBatchToEnd(Start start)
{
    QSignalSpy finished(&m_form->batchRun(), &BatchRun::finished);
    start();
    return !finished.isEmpty() || finished.wait(30000);
}

template <typename T> T *MainWindowFixture::control(const char *name) const
{
    T *found = m_form->findChild<T *>(QLatin1String(name));
    if (!found)
        qWarning("no control %s", name);
    return found;
}

inline Rows MainWindowFixture::jobRows() const
{
    // Read through the two views, as the user and the batch see them.
    Rows rows;
    const auto *list1 = control<QListView>("List1");
    const auto *list2 = control<QListView>("List2");
    for (int i = 0; i < list1->model()->rowCount(); ++i)
        rows.names.append(list1->model()->index(i, list1->modelColumn()).data().toString());
    for (int i = 0; i < list2->model()->rowCount(); ++i)
        rows.folders.append(list2->model()->index(i, list2->modelColumn()).data().toString());
    // The batch's view of the job list agrees with the views.
    if (m_form->jobList().count() == rows.names.size()) {
        for (int i = 0; i < m_form->jobList().count(); ++i) {
            if (m_form->jobList().name(i) != rows.names.at(i) ||
                m_form->jobList().folder(i) != rows.folders.at(i))
                rows.names.append(QStringLiteral("<batch view differs>"));
        }
    } else {
        rows.names.append(QStringLiteral("<batch count differs>"));
    }
    return rows;
}

inline void MainWindowFixture::selectRows(QAbstractItemView *view, const QList<int> &rows)
{
    view->clearSelection();
    for (int row : rows)
        view->selectionModel()->select(view->model()->index(row, 0), QItemSelectionModel::Select);
}

inline void MainWindowFixture::doubleClick(QAbstractItemView *view, int row)
{
    // A double click is a press and release, then a second press that the
    // system reports as a double click.
    const QPoint point = view->visualRect(view->model()->index(row, 0)).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, point);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, point);
}

inline void MainWindowFixture::makeFiles(const QString &folder, const QStringList &names)
{
    QVERIFY(QDir().mkpath(folder));
    for (const QString &name : names)
        writeFile(QDir(folder).filePath(name), "x");
}

inline void MainWindowFixture::pickDrive(DriveList *list, const QString &drive)
{
    // As the user does with the keyboard: the list moves one entry at a
    // time and reports each pick.
    const int target = list->findData(drive);
    QVERIFY(target >= 0);
    list->setFocus();
    while (list->currentIndex() != target)
        QTest::keyClick(list, list->currentIndex() < target ? Qt::Key_Down : Qt::Key_Up);
}

} // namespace corvane::test
