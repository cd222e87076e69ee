#include "core/settings/active_tool.h"
#include "core/settings/settings_file.h"
#include "core/text/text_encoding.h"
#include "gui/common/form_layout.h"
#include "gui/dialogs/options_dialog.h"
#include "gui/platform/file_dialog.h"
#include "gui/platform/qt_desktop.h"
#include "message_recorder.h"
#include "modal_driver.h"
#include "test_files.h"

#include <QAccessible>
#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace corvane;
using corvane::test::DriveModal;
using corvane::test::MessageRecorder;
using corvane::test::readFile;
using corvane::test::VisibleWindows;

namespace {

QString Name(const char *name, int index)
{
    return QLatin1String(name) + QLatin1Char('_') + QString::number(index);
}

template <typename T> T *Child(const QWidget *parent, const QString &name)
{
    T *child = parent->findChild<T *>(name);
    if (!child)
        qFatal("no child %s", qPrintable(name));
    return child;
}

QLineEdit *Text(const QWidget *dialog, int field, int index)
{
    return Child<QLineEdit>(dialog, QStringLiteral("Text%1_%2").arg(field).arg(index));
}

QCheckBox *Check(const QWidget *dialog, int field, int index)
{
    return Child<QCheckBox>(dialog, QStringLiteral("Check%1_%2").arg(field).arg(index));
}

QTabWidget *Tabs(const QWidget *dialog)
{
    return Child<QTabWidget>(dialog, QStringLiteral("tbsOptions"));
}

QPushButton *Button(const QWidget *dialog, const QString &name)
{
    return Child<QPushButton>(dialog, name);
}

// The page of each tool is on screen and enabled only for the selected tab.
bool OnlySelectedPageShown(const QWidget *dialog)
{
    const int selected = Tabs(dialog)->currentIndex();
    for (int i = 0; i < kToolCount; ++i) {
        const QWidget *page = Child<QWidget>(dialog, Name("picOptions", i));
        const bool shown = page->pos() == QPoint(Px(240), Px(360)) && page->isEnabled();
        const bool hidden = page->pos() == QPoint(Px(-20000), Px(360)) && !page->isEnabled();
        if (i == selected ? !shown : !hidden)
            return false;
    }
    return true;
}

} // namespace

class TestOptionsDialog final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void layout_data();
    void layout();
    void windowIsFixedCentredModalWithoutOwner();
    void noConfigShowsEmptyTools();
    void savedNamesLabelTheirTabs();
    void checkValues_data();
    void checkValues();
    void clickTurnsCheckOnOrOff();
    void selectingTabShowsItsPage();
    void ctrlTab_data();
    void ctrlTab();
    void focusOrder();
    void enterPressesFocusedButton_data();
    void enterPressesFocusedButton();
    void closingWithoutSaving_data();
    void closingWithoutSaving();
    void okSavesAllFortyKeysInOrder();
    void jobsKeyWrittenWhenNotOneOrStored_data();
    void jobsKeyWrittenWhenNotOneOrStored();
    void gbkFileStaysGbkThroughSave();
    void saveKeepsHowOtherValuesRead_data();
    void saveKeepsHowOtherValuesRead();
    void browseThenCancel();
    void cancelledBrowseChangesNothing();
    void browseThenApply();
    void applyThenCancelKeepsApplied();
    void appliedNameOfActiveToolShowsInTitle();
    void readOnlyConfigGivesFortyMessages_data();
    void readOnlyConfigGivesFortyMessages();
    void failedOkKeepsTheEdits();
    void realBrowseDialogOffersProgramFilters();

private:
    void writeConfig(const QByteArray &bytes);
    void openOptions(const std::function<void(OptionsDialog *)> &drive);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<test::FakeDesktop> m_desktop;
    std::unique_ptr<SettingsFile> m_settings;
    std::unique_ptr<ActiveTool> m_tool;
    std::unique_ptr<MessageRecorder> m_messages;
    QStringList m_captions;
    // What the Tools menu would show at each closing of the dialog.
    QList<std::array<QString, 8>> m_menuAtClose;
};

void TestOptionsDialog::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_desktop = std::make_unique<test::FakeDesktop>(m_dir->path());
    m_settings = std::make_unique<SettingsFile>(ConfigPathIn(m_dir->path()));
    m_tool = std::make_unique<ActiveTool>(*m_settings);
    m_messages = std::make_unique<MessageRecorder>(*m_desktop);
    m_captions.clear();
    m_menuAtClose.clear();
    connect(m_tool.get(), &ActiveTool::changed, this,
            [this] { m_captions.append(m_tool->caption()); });
    m_desktop->chooser = [](const QStringList &) {
        qFatal("unexpected browse dialog");
        return QString();
    };
}

void TestOptionsDialog::cleanup()
{
    QCOMPARE(VisibleWindows(), QStringList());
    QVERIFY(!QApplication::activeModalWidget());
    if (QFile::exists(m_settings->path()))
        QFile::setPermissions(m_settings->path(), QFile::ReadOwner | QFile::WriteOwner);
    m_messages.reset();
    m_tool.reset();
    m_settings.reset();
    m_desktop.reset();
    m_dir.reset();
}

void TestOptionsDialog::writeConfig(const QByteArray &bytes)
{
    QFile file(m_settings->path());
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

void TestOptionsDialog::openOptions(const std::function<void(OptionsDialog *)> &drive)
{
    const bool driven = DriveModal<OptionsDialog>(
        [this] {
            OpenOptionsDialog(*m_desktop, *m_settings, *m_tool,
                              [this] { m_menuAtClose.append(ReadToolMenuNames(*m_settings)); });
        },
        drive);
    QVERIFY2(driven, "the options dialog did not come up, or was left open");
}

void TestOptionsDialog::layout_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRect>("twips");

    const auto row = [](const QString &name, const QString &text, const QRect &twips) {
        QTest::newRow(qPrintable(name)) << name << text << twips;
    };
    row(QStringLiteral("tbsOptions"), QString(), QRect(120, 0, 5895, 4245));
    row(QStringLiteral("cmdOK"), QStringLiteral("确定"), QRect(2520, 4440, 1095, 375));
    row(QStringLiteral("cmdCancel"), QStringLiteral("取消"), QRect(3720, 4440, 1095, 375));
    row(QStringLiteral("cmdApply"), QStringLiteral("应用"), QRect(4920, 4440, 1095, 375));
    for (int i : {0, 5, 7}) {
        row(Name("picOptions", i), QString(), QRect(i == 0 ? 240 : -20000, 360, 5685, 3780));
        row(Name("Label1", i), QStringLiteral("名称："), QRect(120, 360, 735, 255));
        row(Name("Text1", i), QString(), QRect(720, 360, 1815, 270));
        row(Name("Label2", i), QStringLiteral("程序："), QRect(120, 840, 735, 255));
        row(Name("Text2", i), QString(), QRect(720, 840, 4095, 270));
        row(Name("Command1", i), QStringLiteral("..."), QRect(4920, 840, 495, 255));
        row(Name("Check1", i), QStringLiteral("捕获输出"), QRect(720, 1440, 1095, 375));
        row(Name("Check2", i), QStringLiteral("显示DOS窗口"), QRect(3120, 1440, 1335, 375));
        row(Name("Label3", i), QStringLiteral("命令行："), QRect(120, 3120, 735, 255));
        row(Name("Text3", i), QString(), QRect(120, 3360, 5295, 270));
    }
}

void TestOptionsDialog::layout()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QRect, twips);

    OptionsDialog dialog(*m_desktop, *m_settings, *m_tool, {});
    const QWidget *widget = Child<QWidget>(&dialog, name);
    QRect expected(Px(twips.x()), Px(twips.y()), Px(twips.width()), Px(twips.height()));
    // A check box grows to the right when the font needs more room than the
    // layout gives; its caption is never cut off.
    if (qobject_cast<const QCheckBox *>(widget))
        expected.setWidth(qMax(expected.width(), widget->sizeHint().width()));
    QCOMPARE(widget->geometry(), expected);
    if (const auto *button = qobject_cast<const QAbstractButton *>(widget))
        QCOMPARE(button->text(), text);
    else if (const auto *label = qobject_cast<const QLabel *>(widget))
        QCOMPARE(label->text(), text);
    else if (const auto *edit = qobject_cast<const QLineEdit *>(widget))
        QCOMPARE(edit->text(), text);
    // The pages are laid over the tab strip, not inside it.
    if (name.startsWith(QLatin1String("picOptions")))
        QCOMPARE(widget->parentWidget(), &dialog);
}

void TestOptionsDialog::windowIsFixedCentredModalWithoutOwner()
{
    openOptions([this](OptionsDialog *dialog) {
        QCOMPARE(dialog->windowTitle(), QStringLiteral("选项"));
        QCOMPARE(dialog->parentWidget(), nullptr);
        QVERIFY(dialog->isModal());
        QCOMPARE(dialog->windowModality(), Qt::ApplicationModal);
        QCOMPARE(dialog->size(), QSize(Px(6120), Px(4905)));
        QCOMPARE(dialog->minimumSize(), dialog->size());
        QCOMPARE(dialog->maximumSize(), dialog->size());
        QVERIFY(!(dialog->windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(dialog->windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(dialog->windowFlags() & Qt::WindowCloseButtonHint);
        QVERIFY(!dialog->windowIcon().isNull());

        // Centred by the outer size: the frame's middle is the screen's, once
        // the window system has framed the dialog.
        const QRect screen = dialog->screen()->geometry();
        QTRY_VERIFY(dialog->frameGeometry().size() != dialog->size());
        const auto offset = [&] { return dialog->frameGeometry().center() - screen.center(); };
        QTRY_VERIFY2(qAbs(offset().x()) <= 1 && qAbs(offset().y()) <= 1,
                     qPrintable(QStringLiteral("%1, %2").arg(offset().x()).arg(offset().y())));

        const auto buttons = dialog->findChildren<QPushButton *>();
        QCOMPARE(buttons.size(), 3 + kToolCount);
        for (const QPushButton *button : buttons) {
            QVERIFY2(!button->isDefault(), qPrintable(button->objectName()));
            QVERIFY2(!button->autoDefault(), qPrintable(button->objectName()));
        }
        QVERIFY(m_menuAtClose.isEmpty());
        dialog->close();
    });
    QCOMPARE(m_menuAtClose.size(), 1);
}

void TestOptionsDialog::noConfigShowsEmptyTools()
{
    openOptions([](OptionsDialog *dialog) {
        const QTabWidget *tabs = Tabs(dialog);
        QCOMPARE(tabs->count(), kToolCount);
        QCOMPARE(tabs->currentIndex(), 0);
        for (int i = 0; i < kToolCount; ++i) {
            QCOMPARE(tabs->tabText(i), QStringLiteral("工具") + QString::number(i + 1));
            for (int field = 1; field <= 3; ++field)
                QCOMPARE(Text(dialog, field, i)->text(), QString());
            QCOMPARE(Check(dialog, 1, i)->checkState(), Qt::Unchecked);
            QCOMPARE(Check(dialog, 2, i)->checkState(), Qt::Unchecked);
        }
        // At opening page 0 is on screen; the others are off it and
        // disabled, so that Tab cannot move into fields nobody can see.
        for (int i = 0; i < kToolCount; ++i) {
            const QWidget *page = Child<QWidget>(dialog, Name("picOptions", i));
            QCOMPARE(page->x(), Px(i == 0 ? 240 : -20000));
            QCOMPARE(page->isEnabled(), i == 0);
        }
        Button(dialog, QStringLiteral("cmdCancel"))->click();
    });
    QVERIFY(!QFile::exists(m_settings->path()));
    QCOMPARE(m_menuAtClose.size(), 1);
    QCOMPARE(m_messages->count(), 0);
}

void TestOptionsDialog::savedNamesLabelTheirTabs()
{
    writeConfig(QStringLiteral("[StringSection]\n"
                               "Text1(0)=\n"
                               "Text1(2)=转换 & 压缩\n"
                               "Text2(2)=/usr/bin/conv\n"
                               "Text3(2)=-i $SPath$$SName$\n"
                               "text1(5)=Lame\n"
                               "Text1(8)=Nine\n"
                               "[IntegerSection]\n"
                               "Check1(2)=1\nCheck2(5)=1\n")
                    .toUtf8());
    openOptions([](OptionsDialog *dialog) {
        const QTabWidget *tabs = Tabs(dialog);
        QCOMPARE(tabs->count(), kToolCount);
        for (int i = 0; i < kToolCount; ++i) {
            if (i == 2)
                QCOMPARE(tabs->tabBar()->tabText(i), QStringLiteral("转换 && 压缩"));
            else if (i == 5)
                QCOMPARE(tabs->tabText(i), QStringLiteral("Lame"));
            else
                QCOMPARE(tabs->tabText(i), QStringLiteral("工具") + QString::number(i + 1));
        }
        // A screen reader hears the name as it was typed.
        QCOMPARE(QAccessible::queryAccessibleInterface(tabs->tabBar())
                     ->child(2)
                     ->text(QAccessible::Name),
                 QStringLiteral("转换 & 压缩"));
        QCOMPARE(Text(dialog, 1, 2)->text(), QStringLiteral("转换 & 压缩"));
        QCOMPARE(Text(dialog, 2, 2)->text(), QStringLiteral("/usr/bin/conv"));
        QCOMPARE(Text(dialog, 3, 2)->text(), QStringLiteral("-i $SPath$$SName$"));
        QCOMPARE(Text(dialog, 1, 5)->text(), QStringLiteral("Lame"));
        QCOMPARE(Check(dialog, 1, 2)->checkState(), Qt::Checked);
        QCOMPARE(Check(dialog, 2, 2)->checkState(), Qt::Unchecked);
        QCOMPARE(Check(dialog, 2, 5)->checkState(), Qt::Checked);
        // A long value shows from its start.
        QCOMPARE(Text(dialog, 3, 2)->cursorPosition(), 0);
        dialog->close();
    });
}

void TestOptionsDialog::checkValues_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<Qt::CheckState>("shown");
    QTest::addColumn<int>("saved");

    QTest::newRow("missing") << QByteArray() << Qt::Unchecked << 0;
    QTest::newRow("0") << QByteArray("0") << Qt::Unchecked << 0;
    QTest::newRow("1") << QByteArray("1") << Qt::Checked << 1;
    QTest::newRow("2 is grey") << QByteArray("2") << Qt::PartiallyChecked << 2;
    QTest::newRow("3 is on") << QByteArray("3") << Qt::Checked << 1;
    QTest::newRow("-1 is on") << QByteArray("-1") << Qt::Checked << 1;
    QTest::newRow("-5 is on") << QByteArray("-5") << Qt::Checked << 1;
    QTest::newRow("65536 is on") << QByteArray("65536") << Qt::Checked << 1;
    QTest::newRow("65538 is on") << QByteArray("65538") << Qt::Checked << 1;
}

void TestOptionsDialog::checkValues()
{
    QFETCH(QByteArray, stored);
    QFETCH(Qt::CheckState, shown);
    QFETCH(int, saved);

    QByteArray config = "[IntegerSection]\n";
    if (!stored.isNull())
        config += "Check1(4)=" + stored + "\nCheck2(6)=" + stored + "\n";
    writeConfig(config);

    OptionsDialog dialog(*m_desktop, *m_settings, *m_tool, {});
    dialog.loadAllTools();
    QCOMPARE(Check(&dialog, 1, 4)->checkState(), shown);
    QCOMPARE(Check(&dialog, 2, 6)->checkState(), shown);
    QCOMPARE(Check(&dialog, 2, 4)->checkState(), Qt::Unchecked);
    QCOMPARE(OptionsDialog::CheckValue(Check(&dialog, 1, 4)), saved);

    dialog.saveAllTools();
    QCOMPARE(m_settings->readInt(QStringLiteral("Check1(4)")), saved);
    QCOMPARE(m_settings->readInt(QStringLiteral("Check2(6)")), saved);
    QCOMPARE(m_settings->readInt(QStringLiteral("Check2(4)")), 0);
}

void TestOptionsDialog::clickTurnsCheckOnOrOff()
{
    writeConfig("[IntegerSection]\nCheck2(0)=2\n");
    OptionsDialog dialog(*m_desktop, *m_settings, *m_tool, {});
    dialog.loadAllTools();
    QCheckBox *box = Check(&dialog, 2, 0);
    QCOMPARE(box->checkState(), Qt::PartiallyChecked);
    const QList<Qt::CheckState> expected = {Qt::Checked, Qt::Unchecked, Qt::Checked, Qt::Unchecked};
    for (Qt::CheckState state : expected) {
        box->click();
        QCOMPARE(box->checkState(), state);
    }
}

void TestOptionsDialog::selectingTabShowsItsPage()
{
    OptionsDialog dialog(*m_desktop, *m_settings, *m_tool, {});
    QTabWidget *tabs = Tabs(&dialog);
    for (int tab : {3, 7, 0, 1, 6}) {
        tabs->setCurrentIndex(tab);
        QVERIFY2(OnlySelectedPageShown(&dialog), qPrintable(QString::number(tab)));
    }
    // By keyboard on the tab strip as well.
    tabs->setCurrentIndex(2);
    QTest::keyClick(tabs->tabBar(), Qt::Key_Right);
    QCOMPARE(tabs->currentIndex(), 3);
    QVERIFY(OnlySelectedPageShown(&dialog));
}

void TestOptionsDialog::ctrlTab_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<bool>("inField");
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<int>("to");

    const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
    const Qt::KeyboardModifiers ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;
    QTest::newRow("ctrl+tab on tab 1") << 0 << false << int(Qt::Key_Tab) << ctrl << 1;
    QTest::newRow("ctrl+tab on tab 7") << 6 << false << int(Qt::Key_Tab) << ctrl << 7;
    QTest::newRow("ctrl+tab on tab 8 wraps") << 7 << false << int(Qt::Key_Tab) << ctrl << 0;
    QTest::newRow("ctrl+tab in a field") << 2 << true << int(Qt::Key_Tab) << ctrl << 3;
    QTest::newRow("ctrl+tab in a field on tab 8") << 7 << true << int(Qt::Key_Tab) << ctrl << 0;
    QTest::newRow("ctrl+shift+tab") << 3 << false << int(Qt::Key_Backtab) << ctrlShift << 3;
    QTest::newRow("ctrl+shift+tab on tab 1")
        << 0 << false << int(Qt::Key_Backtab) << ctrlShift << 0;
    QTest::newRow("ctrl+shift+tab as tab") << 3 << false << int(Qt::Key_Tab) << ctrlShift << 3;
    QTest::newRow("ctrl+shift+tab in a field")
        << 3 << true << int(Qt::Key_Backtab) << ctrlShift << 3;
    QTest::newRow("ctrl+alt+tab") << 3 << false << int(Qt::Key_Tab)
                                  << (Qt::ControlModifier | Qt::AltModifier) << 3;
}

void TestOptionsDialog::ctrlTab()
{
    QFETCH(int, from);
    QFETCH(bool, inField);
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(int, to);

    writeConfig("[StringSection]\nText1(0)=zero\nText1(2)=two\nText1(3)=three\nText1(7)=seven\n");
    openOptions([&](OptionsDialog *dialog) {
        QTabWidget *tabs = Tabs(dialog);
        // Away and back, so that the pages are switched once.
        tabs->setCurrentIndex((from + 1) % kToolCount);
        tabs->setCurrentIndex(from);
        QWidget *target = tabs->tabBar();
        if (inField) {
            target = Text(dialog, 1, from);
            target->setFocus();
        }
        const QString before = Text(dialog, 1, from)->text();
        QTest::keyClick(target, Qt::Key(key), modifiers);
        QCOMPARE(tabs->currentIndex(), to);
        QVERIFY(OnlySelectedPageShown(dialog));
        QCOMPARE(Text(dialog, 1, from)->text(), before);
        dialog->close();
    });
}

void TestOptionsDialog::focusOrder()
{
    OptionsDialog dialog(*m_desktop, *m_settings, *m_tool, {});
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    Tabs(&dialog)->setCurrentIndex(2);
    Tabs(&dialog)->setFocus();

    const QStringList expected = {
        QStringLiteral("tbsOptions"), QStringLiteral("cmdOK"),   QStringLiteral("cmdCancel"),
        QStringLiteral("cmdApply"),   QStringLiteral("Text1_2"), QStringLiteral("Text2_2"),
        QStringLiteral("Command1_2"), QStringLiteral("Text3_2"), QStringLiteral("Check1_2"),
        QStringLiteral("Check2_2"),   QStringLiteral("Jobs_2"),  QStringLiteral("tbsOptions")};
    QStringList order;
    for (int step = 0; step < expected.size(); ++step) {
        QWidget *focus = QApplication::focusWidget();
        QVERIFY(focus);
        // The tab strip takes the focus through its bar, a spin box through
        // its text field.
        if (qobject_cast<QTabBar *>(focus) || qobject_cast<QSpinBox *>(focus->parentWidget()))
            focus = focus->parentWidget();
        order.append(focus->objectName());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(order, expected);
    dialog.close();
}

void TestOptionsDialog::enterPressesFocusedButton_data()
{
    QTest::addColumn<QString>("focus");
    QTest::addColumn<bool>("saves");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<int>("browses"); // how often the file chooser opens
    // Enter presses the focused button and nothing else: no button is the
    // default button.
    QTest::newRow("name field") << QStringLiteral("Text1_0") << false << false << 0;
    QTest::newRow("tab strip") << QStringLiteral("tbsOptions") << false << false << 0;
    QTest::newRow("OK") << QStringLiteral("cmdOK") << true << true << 0;
    QTest::newRow("Apply") << QStringLiteral("cmdApply") << true << false << 0;
    QTest::newRow("Cancel") << QStringLiteral("cmdCancel") << false << true << 0;
    QTest::newRow("browse") << QStringLiteral("Command1_0") << false << false << 2;
}

void TestOptionsDialog::enterPressesFocusedButton()
{
    QFETCH(QString, focus);
    QFETCH(bool, saves);
    QFETCH(bool, closes);
    QFETCH(int, browses);
    m_desktop->chooser = [](const QStringList &) { return QString(); };
    openOptions([&](OptionsDialog *dialog) {
        Text(dialog, 1, 0)->setText(QStringLiteral("typed"));
        QWidget *target = Child<QWidget>(dialog, focus);
        if (auto *tabs = qobject_cast<QTabWidget *>(target))
            target = tabs->tabBar();
        target->setFocus();
        QTest::keyClick(target, Qt::Key_Return);
        QCOMPARE(dialog->isVisible(), !closes);
        if (closes)
            return;
        QTest::keyClick(target, Qt::Key_Enter, Qt::KeypadModifier);
        QVERIFY(dialog->isVisible());
        QVERIFY(m_menuAtClose.isEmpty());
        dialog->close();
    });
    QCOMPARE(m_desktop->chooserFilters.size(), browses);
    QCOMPARE(m_settings->readString(QStringLiteral("Text1(0)")),
             saves ? QStringLiteral("typed") : QString());
}

void TestOptionsDialog::closingWithoutSaving_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Cancel") << QStringLiteral("cancel");
    QTest::newRow("Esc") << QStringLiteral("esc");
    QTest::newRow("Esc in a field") << QStringLiteral("esc in field");
    QTest::newRow("close box") << QStringLiteral("close box");
}

void TestOptionsDialog::closingWithoutSaving()
{
    QFETCH(QString, how);
    const QByteArray config = "[StringSection]\nText1(1)=Old\n";
    writeConfig(config);
    m_tool->select(1);
    m_captions.clear();

    openOptions([&](OptionsDialog *dialog) {
        Text(dialog, 1, 1)->setText(QStringLiteral("New"));
        Check(dialog, 1, 1)->setCheckState(Qt::Checked);
        if (how == QLatin1String("cancel")) {
            Button(dialog, QStringLiteral("cmdCancel"))->click();
        } else if (how == QLatin1String("esc")) {
            QTest::keyClick(Tabs(dialog)->tabBar(), Qt::Key_Escape);
        } else if (how == QLatin1String("esc in field")) {
            Text(dialog, 1, 1)->setFocus();
            QTest::keyClick(Text(dialog, 1, 1), Qt::Key_Escape);
        } else {
            dialog->close();
        }
        QVERIFY(!dialog->isVisible());
    });
    QCOMPARE(readFile(m_settings->path()), config);
    QVERIFY(m_captions.isEmpty());
    QCOMPARE(m_menuAtClose.size(), 1);
    QCOMPARE(m_menuAtClose.first()[1], QStringLiteral("Old"));

    // Nothing of the closed dialog comes back at the next opening.
    openOptions([](OptionsDialog *dialog) {
        QCOMPARE(Text(dialog, 1, 1)->text(), QStringLiteral("Old"));
        QCOMPARE(Check(dialog, 1, 1)->checkState(), Qt::Unchecked);
        QCOMPARE(Tabs(dialog)->currentIndex(), 0);
        dialog->close();
    });
}

void TestOptionsDialog::okSavesAllFortyKeysInOrder()
{
    openOptions([](OptionsDialog *dialog) {
        Text(dialog, 1, 0)->setText(QStringLiteral("Convert"));
        Text(dialog, 2, 0)->setText(QStringLiteral("/opt/tools/conv"));
        Text(dialog, 3, 0)->setText(QStringLiteral("$SPath$$SName$ -o $DPath$$SNameNo$.txt"));
        Check(dialog, 1, 0)->setCheckState(Qt::Checked);
        Button(dialog, QStringLiteral("cmdOK"))->click();
        QVERIFY(!dialog->isVisible());
    });

    QStringList expected = {QStringLiteral("[StringSection]"), QStringLiteral("Text1(0)=Convert"),
                            QStringLiteral("Text2(0)=/opt/tools/conv"),
                            QStringLiteral("Text3(0)=$SPath$$SName$ -o $DPath$$SNameNo$.txt")};
    for (int i = 1; i < kToolCount; ++i) {
        for (int field = 1; field <= 3; ++field)
            expected.append(QStringLiteral("Text%1(%2)=").arg(field).arg(i));
    }
    expected.append(QStringLiteral("[IntegerSection]"));
    for (int i = 0; i < kToolCount; ++i) {
        expected.append(QStringLiteral("Check1(%1)=%2").arg(i).arg(i == 0 ? 1 : 0));
        expected.append(QStringLiteral("Check2(%1)=0").arg(i));
    }
    QStringList lines = QString::fromUtf8(readFile(m_settings->path())).split(QLatin1Char('\n'));
    if (lines.last().isEmpty())
        lines.removeLast();
    QCOMPARE(lines, expected);

    QCOMPARE(m_tool->profile().program, QStringLiteral("/opt/tools/conv"));
    QCOMPARE(m_tool->profile().captureOutput, true);
    QCOMPARE(m_captions, QStringList(QStringLiteral("Corvane:  -  Convert")));
    QCOMPARE(m_menuAtClose.size(), 1);
    QCOMPARE(m_menuAtClose.first()[0], QStringLiteral("Convert"));
    QCOMPARE(m_messages->count(), 0);
}

void TestOptionsDialog::jobsKeyWrittenWhenNotOneOrStored_data()
{
    QTest::addColumn<QByteArray>("config");
    QTest::addColumn<int>("jobs");
    QTest::addColumn<QStringList>("saved");
    QTest::newRow("4 on a new file")
        << QByteArray() << 4 << QStringList(QStringLiteral("Jobs(2)=4"));
    QTest::newRow("1 adds no key") << QByteArray() << 1 << QStringList();
    QTest::newRow("stored keys kept up to date")
        << QByteArray("[IntegerSection]\njobs(2)=4\nJOBS(6)=99\nJobs(7)=12\n") << 1
        << QString::fromLatin1("jobs(2)=1 JOBS(6)=1 Jobs(7)=12").split(QLatin1Char(' '));
}

void TestOptionsDialog::jobsKeyWrittenWhenNotOneOrStored()
{
    QFETCH(QByteArray, config);
    QFETCH(int, jobs);
    QFETCH(QStringList, saved);
    if (!config.isNull())
        writeConfig(config);
    m_tool->select(2);
    m_captions.clear();
    openOptions([&](OptionsDialog *dialog) {
        Child<QSpinBox>(dialog, Name("Jobs", 2))->setValue(jobs);
        Button(dialog, QStringLiteral("cmdOK"))->click();
    });
    const QStringList lines =
        QString::fromUtf8(readFile(m_settings->path())).split(QLatin1Char('\n'));
    QCOMPARE(lines.filter(QStringLiteral("jobs("), Qt::CaseInsensitive), saved);
    QCOMPARE(m_tool->profile().jobs, jobs);
}

void TestOptionsDialog::gbkFileStaysGbkThroughSave()
{
    // As the program leaves it on a Chinese Windows system: 图片 (whose bytes
    // happen to be valid UTF-8) and 转换工具 in code page 936.
    const QByteArray gbk = "[StringSection]\r\nText1(0)=\xCD\xBC\xC6\xAC\r\n"
                           "Text1(1)=\xD7\xAA\xBB\xBB\xB9\xA4\xBE\xDF\r\n";
    writeConfig(gbk);
    openOptions([](OptionsDialog *dialog) {
        QCOMPARE(Text(dialog, 1, 0)->text(), QStringLiteral("图片"));
        QCOMPARE(Text(dialog, 1, 1)->text(), QStringLiteral("转换工具"));
        Text(dialog, 1, 2)->setText(QStringLiteral("音乐"));
        Button(dialog, QStringLiteral("cmdOK"))->click();
    });
    const QByteArray saved = readFile(m_settings->path());
    QVERIFY(saved.startsWith(gbk));
    QVERIFY(saved.contains("\r\nText1(2)=\xD2\xF4\xC0\xD6\r\n"));
    QCOMPARE(m_settings->readString(QStringLiteral("Text1(0)")), QStringLiteral("图片"));
    QCOMPARE(m_settings->readString(QStringLiteral("Text1(2)")), QStringLiteral("音乐"));
    QCOMPARE(m_messages->count(), 0);
}

void TestOptionsDialog::saveKeepsHowOtherValuesRead_data()
{
    QTest::addColumn<QByteArray>("config");
    QTest::addColumn<QString>("firstName");

    // Tool 2, renamed to "conv", held the only bytes that are invalid UTF-8
    // (GB18030) or the only Chinese text (UTF-8).
    const QByteArray gbk = "[StringSection]\r\nText1(1)=\xD7\xAA\xBB\xBB\r\nText1(0)="; // 转换
    const QByteArray utf8 = "[StringSection]\nText1(1)=\xE8\xBD\xAC\xE6\x8D\xA2\nText1(0)=";
    QTest::newRow("GB18030, 图片 beside 转换")
        << gbk + "\xCD\xBC\xC6\xAC\r\nText2(0)=\xCD\xBC\xC6\xAC.exe\r\n"
        << QStringLiteral("图片");
    QTest::newRow("GB18030, only 图片")
        << QByteArray("[StringSection]\r\nText1(0)=\xCD\xBC\xC6\xAC\r\n") << QStringLiteral("图片");
    QTest::newRow("UTF-8, Café") << utf8 + "Caf\xC3\xA9\n" << QStringLiteral("Café");
    QTest::newRow("UTF-8, Chinese") << utf8 + "\xE5\x9B\xBE\xE7\x89\x87\n"
                                    << QStringLiteral("图片");
    QTest::newRow("GB18030, 猫毛 that reads as Latin-1 in UTF-8") << gbk + "\xC3\xA8\xC3\xAB\r\n"
                                                                  << QStringLiteral("猫毛");
    QTest::newRow("UTF-8, Cyrillic")
        << utf8 + QStringLiteral("Конвертер\n").toUtf8() << QStringLiteral("Конвертер");
}

// Whatever the file's encoding, a save and an exit leave every value that
// they do not change reading as before.
void TestOptionsDialog::saveKeepsHowOtherValuesRead()
{
    QFETCH(QByteArray, config);
    QFETCH(QString, firstName);
    writeConfig(config);
    const auto readAll = [this] {
        QStringList values;
        for (int i = 0; i < kToolCount; ++i) {
            for (ToolField field :
                 {ToolField::Name, ToolField::Program, ToolField::CommandTemplate})
                values.append(m_settings->readString(ToolKey(field, i)));
        }
        return values;
    };
    QStringList expected = readAll();
    QCOMPARE(expected.first(), firstName);
    expected[3] = QStringLiteral("conv");

    openOptions([](OptionsDialog *dialog) {
        Text(dialog, 1, 1)->setText(QStringLiteral("conv"));
        Button(dialog, QStringLiteral("cmdOK"))->click();
    });
    QCOMPARE(readAll(), expected);
    m_settings->writeInt(QStringLiteral("CurrentTool"), 1);
    QCOMPARE(readAll(), expected);
    QCOMPARE(DetectTextEncoding(readFile(m_settings->path())), DetectTextEncoding(config));
    QCOMPARE(m_messages->count(), 0);
}

void TestOptionsDialog::browseThenCancel()
{
    const QByteArray config = "[StringSection]\nText1(2)=Two\nText2(2)=/old/program\n"
                              "Text2(3)=/bin/three\n[IntegerSection]\nCheck1(2)=1\n";
    writeConfig(config);
    m_tool->select(2);
    m_captions.clear();

    const QString chosen = m_dir->filePath(QStringLiteral("new program"));
    QList<QStringList> filtersAsked;
    QList<QWidget *> parents;
    // The real desktop shows the file dialog over the modal window.
    m_desktop->chooser = [&](const QStringList &filters) {
        parents.append(QApplication::activeModalWidget());
        filtersAsked.append(filters);
        return chosen;
    };

    openOptions([&](OptionsDialog *dialog) {
        Tabs(dialog)->setCurrentIndex(2);
        Button(dialog, QStringLiteral("Command1_2"))->click();
        QCOMPARE(parents, QList<QWidget *>{dialog});
        QCOMPARE(Text(dialog, 2, 2)->text(), QDir::toNativeSeparators(chosen));
        QCOMPARE(Text(dialog, 1, 2)->text(), QStringLiteral("Two"));
        QCOMPARE(Text(dialog, 3, 2)->text(), QString());
        QCOMPARE(Text(dialog, 2, 3)->text(), QStringLiteral("/bin/three"));
        for (int i : {0, 1, 4, 5, 6, 7})
            QCOMPARE(Text(dialog, 2, i)->text(), QString());
        Button(dialog, QStringLiteral("cmdCancel"))->click();
    });

    QCOMPARE(filtersAsked, QList<QStringList>{ProgramFileFilters()});
    QCOMPARE(readFile(m_settings->path()), config);
    QCOMPARE(m_tool->profile().program, QStringLiteral("/old/program"));
    QCOMPARE(m_tool->profile().captureOutput, true);
    QVERIFY(m_captions.isEmpty());
}

void TestOptionsDialog::cancelledBrowseChangesNothing()
{
    writeConfig("[StringSection]\nText2(5)=/bin/five\n");
    int asked = 0;
    m_desktop->chooser = [&asked](const QStringList &) {
        ++asked;
        return QString();
    };
    openOptions([&](OptionsDialog *dialog) {
        Tabs(dialog)->setCurrentIndex(5);
        Button(dialog, QStringLiteral("Command1_5"))->click();
        QCOMPARE(asked, 1);
        QCOMPARE(Text(dialog, 2, 5)->text(), QStringLiteral("/bin/five"));
        Button(dialog, QStringLiteral("cmdApply"))->click();
        dialog->close();
    });
    QCOMPARE(m_settings->readString(QStringLiteral("Text2(5)")), QStringLiteral("/bin/five"));
}

void TestOptionsDialog::browseThenApply()
{
    writeConfig("[StringSection]\nText2(2)=/old/program\n");
    m_tool->select(2);

    const QString chosen = m_dir->filePath(QStringLiteral("my tools/转换 器"));
    m_desktop->chooser = [&chosen](const QStringList &) { return chosen; };
    openOptions([&](OptionsDialog *dialog) {
        Tabs(dialog)->setCurrentIndex(2);
        Button(dialog, QStringLiteral("Command1_2"))->click();
        QCOMPARE(m_tool->profile().program, QStringLiteral("/old/program"));
        Button(dialog, QStringLiteral("cmdApply"))->click();
        QVERIFY(dialog->isVisible());
        QCOMPARE(m_settings->readString(QStringLiteral("Text2(2)")),
                 QDir::toNativeSeparators(chosen));
        QCOMPARE(m_tool->profile().program, QDir::toNativeSeparators(chosen));
        QCOMPARE(m_settings->readString(QStringLiteral("Text2(3)")), QString());
        QVERIFY(m_menuAtClose.isEmpty());
        dialog->close();
    });
    QCOMPARE(m_settings->readString(QStringLiteral("Text2(2)")), QDir::toNativeSeparators(chosen));
    QCOMPARE(m_menuAtClose.size(), 1);
}

void TestOptionsDialog::applyThenCancelKeepsApplied()
{
    openOptions([this](OptionsDialog *dialog) {
        Text(dialog, 1, 1)->setText(QStringLiteral("Alpha"));
        Check(dialog, 2, 1)->setCheckState(Qt::Checked);
        Button(dialog, QStringLiteral("cmdApply"))->click();
        // The tabs keep their captions until the next opening.
        QCOMPARE(Tabs(dialog)->tabText(1), QStringLiteral("工具2"));
        QVERIFY(dialog->isVisible());
        Text(dialog, 1, 1)->setText(QStringLiteral("Beta"));
        Text(dialog, 1, 4)->setText(QStringLiteral("Four"));
        Button(dialog, QStringLiteral("cmdCancel"))->click();
    });
    QCOMPARE(m_settings->readString(QStringLiteral("Text1(1)")), QStringLiteral("Alpha"));
    QCOMPARE(m_settings->readInt(QStringLiteral("Check2(1)")), 1);
    QCOMPARE(m_settings->readString(QStringLiteral("Text1(4)")), QString());
    QCOMPARE(m_menuAtClose.size(), 1);
    const std::array<QString, 8> menu = m_menuAtClose.first();
    for (int i = 0; i < kToolCount; ++i)
        QCOMPARE(menu[size_t(i)], i == 1 ? QStringLiteral("Alpha") : QString());

    openOptions([](OptionsDialog *dialog) {
        QCOMPARE(Tabs(dialog)->tabText(1), QStringLiteral("Alpha"));
        dialog->close();
    });
}

void TestOptionsDialog::appliedNameOfActiveToolShowsInTitle()
{
    writeConfig("[StringSection]\nText1(3)=Old name\n");
    m_tool->select(3);
    m_captions.clear();
    openOptions([this](OptionsDialog *dialog) {
        Tabs(dialog)->setCurrentIndex(3);
        Text(dialog, 1, 3)->setText(QStringLiteral("新名字"));
        Text(dialog, 1, 0)->setText(QStringLiteral("Not active"));
        QVERIFY(m_captions.isEmpty());
        Button(dialog, QStringLiteral("cmdApply"))->click();
        QCOMPARE(m_captions, QStringList(QStringLiteral("Corvane:  -  新名字")));
        QVERIFY(m_menuAtClose.isEmpty());
        dialog->close();
    });
    QCOMPARE(m_captions.size(), 1);
    QCOMPARE(m_menuAtClose.size(), 1);
    QCOMPARE(m_menuAtClose.first()[3], QStringLiteral("新名字"));
}

void TestOptionsDialog::readOnlyConfigGivesFortyMessages_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("closes");
    QTest::newRow("OK") << QStringLiteral("cmdOK") << false;
    QTest::newRow("Apply") << QStringLiteral("cmdApply") << false;
}

void TestOptionsDialog::readOnlyConfigGivesFortyMessages()
{
    QFETCH(QString, button);
    QFETCH(bool, closes);

    const QByteArray config = "[StringSection]\nText1(0)=Kept\n";
    writeConfig(config);
    QVERIFY(QFile::setPermissions(m_settings->path(),
                                  QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    openOptions([&](OptionsDialog *dialog) {
        Text(dialog, 1, 0)->setText(QStringLiteral("Changed"));
        Text(dialog, 3, 6)->setText(QStringLiteral("-x"));
        Button(dialog, button)->click();
        QCOMPARE(dialog->isVisible(), !closes);
        QCOMPARE(m_messages->count(), 40);
        dialog->close();
    });
    QCOMPARE(m_messages->count(), 40);
    for (const Message &message : m_messages->messages()) {
        QCOMPARE(message.text, QStringLiteral("写入配置文件错误  "));
        QCOMPARE(message.title, QStringLiteral("Corvane"));
        QCOMPARE(message.icon, MessageIcon::None);
    }
    QCOMPARE(readFile(m_settings->path()), config);
    // The save goes on to reload the active tool from the file as it stands.
    QCOMPARE(m_captions, QStringList(QStringLiteral("Corvane:  -  Kept")));
    QCOMPARE(m_menuAtClose.size(), 1);
}

void TestOptionsDialog::failedOkKeepsTheEdits()
{
    writeConfig("[StringSection]\nText1(0)=Kept\n");
    QVERIFY(QFile::setPermissions(m_settings->path(), QFile::ReadOwner));
    openOptions([this](OptionsDialog *dialog) {
        Text(dialog, 1, 0)->setText(QStringLiteral("Changed"));
        Button(dialog, QStringLiteral("cmdOK"))->click();
        QCOMPARE(m_messages->count(), 40);
        QVERIFY(dialog->isVisible());
        QCOMPARE(Text(dialog, 1, 0)->text(), QStringLiteral("Changed"));
        QVERIFY(QFile::setPermissions(m_settings->path(), QFile::ReadOwner | QFile::WriteOwner));
        Button(dialog, QStringLiteral("cmdOK"))->click();
        QVERIFY(!dialog->isVisible());
    });
    QCOMPARE(m_settings->readString(QStringLiteral("Text1(0)")), QStringLiteral("Changed"));
}

void TestOptionsDialog::realBrowseDialogOffersProgramFilters()
{
    // The two choices of the Windows program, after "all files" where
    // programs have no extension.
    const QStringList filters = ProgramFileFilters();
    const QStringList windowsFilters = {QStringLiteral("exe(*.exe)"), QStringLiteral("bat(*.bat)")};
    QVERIFY(filters == windowsFilters ||
            filters == QStringList{QStringLiteral("所有文件 (*)")} + windowsFilters);
    QFile program(m_dir->filePath(QStringLiteral("tool")));
    QVERIFY(program.open(QIODevice::WriteOnly));
    program.close();

    const auto browse = [this](bool choose) {
        QString result;
        const bool driven = DriveModal<QFileDialog>(
            [&result] { result = QtDesktop().chooseOpenFile(ProgramFileFilters()); },
            [&](QFileDialog *dialog) {
                QCOMPARE(dialog->nameFilters(), ProgramFileFilters());
                QCOMPARE(dialog->selectedNameFilter(), ProgramFileFilters().first());
                QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFile);
                if (choose) {
                    dialog->setDirectory(m_dir->path());
                    dialog->selectFile(m_dir->filePath(QStringLiteral("tool")));
                    static_cast<QDialog *>(dialog)->accept();
                } else {
                    dialog->reject();
                }
            });
        return driven ? result : QStringLiteral("<not driven>");
    };
    QCOMPARE(browse(false), QString());
    QCOMPARE(browse(true), m_dir->filePath(QStringLiteral("tool")));
}

QTEST_MAIN(TestOptionsDialog)
#include "tst_options_dialog.moc"
