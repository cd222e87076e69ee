#include "gui/common/form_layout.h"
#include "gui/dialogs/help_window.h"
#include "modal_driver.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>

using namespace corvane;
using corvane::test::DriveModal;
using corvane::test::VisibleWindows;

namespace {

// The help text line by line, as the user is to read it.
const QStringList &HelpLines()
{
    static const QStringList lines = {
        QStringLiteral("命令行参数定义："),
        QStringLiteral("$SPath$") + QChar(u'\t') + QStringLiteral("  源文件路径"),
        QStringLiteral("$SName$   源文件名"),
        QStringLiteral("$SNameNo$ 源文件名(不含扩展名)"),
        QStringLiteral("$Index$") + QChar(u'\t') + QStringLiteral("  文件索引号"),
        QStringLiteral("$DPath$   目标文件路径"),
        QString(),
        QStringLiteral("示例 命令行: "),
        QStringLiteral("\"$SPath$$SName$ $SPath$$SNameNo$$Index$.c -d \""),
        QString(),
        QStringLiteral("解释为：把源路径下的已经选择的文件通过选择的后"),
        QStringLiteral("台程序处理到文件存储路径下，采用\"源文件名+索引"),
        QStringLiteral("号.c\" 的方式命名。参数-d (当然后台程序需要支持"),
        QStringLiteral("这样的参数输入格式)"),
        QString(),
        QStringLiteral("注意："),
        QStringLiteral("1.当不能得到期望结果时，请考虑后台程序的调用格"),
        QStringLiteral("式和软件本身的局限性,尝试修改命令行。"),
        QString(),
        QStringLiteral("2.至少有一个待处理文件才会执行处理，如果只需要"),
        QStringLiteral("命令行不需要处理文件时，可以随便添加一个文件。"),
        QString(),
        QStringLiteral("3.调用dos命令可以在程序框内填入\"cmd /c\""),
        QString(),
        QStringLiteral("4.当前路径=文件存储路径。"),
    };
    return lines;
}

QPlainTextEdit *TextBox(const QWidget *window)
{
    return window->findChild<QPlainTextEdit *>(QStringLiteral("Text1"));
}

QPushButton *CloseButton(const QWidget *window)
{
    return window->findChild<QPushButton *>(QStringLiteral("Command1"));
}

} // namespace

class TestHelpWindow final : public QObject {
    Q_OBJECT

private slots:
    void cleanup();

    void helpTextIsExact();
    void helpTextCharacters_data();
    void helpTextCharacters();
    void windowShowsTheText();
    void layout();
    void wrapsWithVerticalScrollBarOnly();
    void opensAtTopEveryTime();
    void closing_data();
    void closing();
};

void TestHelpWindow::cleanup()
{
    QCOMPARE(VisibleWindows(), QStringList());
    QVERIFY(!QApplication::activeModalWidget());
}

void TestHelpWindow::helpTextIsExact()
{
    QCOMPARE(HelpLines().size(), 25);
    const QString expected = HelpLines().join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
    QCOMPARE(HelpText(), expected);
    QCOMPARE(HelpText().toUtf8(), expected.toUtf8());
    // 864 bytes in UTF-8: a lost or added blank shows here as well.
    QCOMPARE(HelpText().toUtf8().size(), 864);
    QCOMPARE(HelpText().count(QStringLiteral("\r\n")), 25);
    QVERIFY(HelpText().endsWith(QStringLiteral("4.当前路径=文件存储路径。\r\n")));
}

void TestHelpWindow::helpTextCharacters_data()
{
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("fragment");
    QTest::addColumn<int>("position");

    // Spots where an editor or a careless copy changes the text.
    QTest::newRow("tab after $SPath$") << 2 << QStringLiteral("\t  源") << 7;
    QTest::newRow("three spaces after $SName$") << 3 << QStringLiteral("$   源") << 6;
    QTest::newRow("one space after $SNameNo$") << 4 << QStringLiteral("$ 源") << 8;
    QTest::newRow("tab after $Index$") << 5 << QStringLiteral("\t  文") << 7;
    QTest::newRow("three spaces after $DPath$") << 6 << QStringLiteral("$   目") << 6;
    QTest::newRow("ASCII colon, trailing space") << 8 << QStringLiteral("行: ") << 5;
    QTest::newRow("opening quote") << 9 << QStringLiteral("\"$SPath$") << 0;
    QTest::newRow("space before closing quote") << 9 << QStringLiteral("-d \"") << 42;
    QTest::newRow("full-width colon") << 11 << QStringLiteral("为：把") << 2;
    QTest::newRow("ASCII comma") << 18 << QStringLiteral("性,尝") << 9;
    QTest::newRow("quoted cmd /c") << 23 << QStringLiteral("\"cmd /c\"") << 18;
}

void TestHelpWindow::helpTextCharacters()
{
    QFETCH(int, line);
    QFETCH(QString, fragment);
    QFETCH(int, position);

    const QStringList lines = HelpText().split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 26);
    QCOMPARE(lines.at(line - 1).indexOf(fragment), position);
}

void TestHelpWindow::windowShowsTheText()
{
    HelpWindow window;
    const QPlainTextEdit *text = TextBox(&window);
    QVERIFY(text);
    // The document keeps line breaks as blocks: the same lines, the last one
    // followed by an empty line as after a final CR LF.
    QCOMPARE(text->toPlainText(), HelpLines().join(QLatin1Char('\n')) + QLatin1Char('\n'));
    QCOMPARE(text->document()->blockCount(), 26);
    for (int i = 0; i < 25; ++i)
        QCOMPARE(text->document()->findBlockByNumber(i).text(), HelpLines().at(i));
    QVERIFY(text->document()->findBlockByNumber(25).text().isEmpty());
}

void TestHelpWindow::layout()
{
    HelpWindow window;
    QCOMPARE(window.objectName(), QStringLiteral("HelpFrm"));
    QCOMPARE(window.windowTitle(), QStringLiteral("帮助"));
    QCOMPARE(window.parentWidget(), nullptr);
    QCOMPARE(window.size(), QSize(Px(4800), Px(3135)));
    QCOMPARE(window.minimumSize(), window.size());
    QCOMPARE(window.maximumSize(), window.size());
    QVERIFY(!(window.windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(window.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(!window.windowIcon().isNull());

    const QPlainTextEdit *text = TextBox(&window);
    const QPushButton *button = CloseButton(&window);
    QVERIFY(text);
    QVERIFY(button);
    QCOMPARE(text->geometry(), QRect(Px(120), Px(120), Px(4575), Px(2295)));
    QCOMPARE(button->geometry(), QRect(Px(1600), Px(2520), Px(1575), Px(375)));
    QCOMPARE(button->text(), QStringLiteral("关闭"));

    // "关闭" first in the tab order, with the focus; then the text.
    QCOMPARE(window.focusWidget(), button);
    QCOMPARE(button->nextInFocusChain(), text);
}

void TestHelpWindow::wrapsWithVerticalScrollBarOnly()
{
    HelpWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QPlainTextEdit *text = TextBox(&window);
    QCOMPARE(text->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(text->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    QVERIFY(text->verticalScrollBar()->isVisible());
    QVERIFY(!text->horizontalScrollBar()->isVisible());
    QCOMPARE(text->horizontalScrollBar()->maximum(), 0);
    // The text is taller than the box.
    QVERIFY(text->verticalScrollBar()->maximum() > 0);
    // Each line fits in the width: the long ones wrap.
    const int width = text->viewport()->width();
    bool wrapped = false;
    for (QTextBlock block = text->document()->begin(); block.isValid(); block = block.next()) {
        const QTextLayout *layout = block.layout();
        for (int i = 0; i < layout->lineCount(); ++i)
            QVERIFY(layout->lineAt(i).naturalTextWidth() <= width);
        wrapped = wrapped || layout->lineCount() > 1;
    }
    QVERIFY(wrapped);
    window.close();
}

void TestHelpWindow::opensAtTopEveryTime()
{
    for (int opening = 0; opening < 2; ++opening) {
        const bool driven = DriveModal<HelpWindow>(OpenHelpWindow, [](HelpWindow *window) {
            QPlainTextEdit *text = TextBox(window);
            QScrollBar *bar = text->verticalScrollBar();
            QVERIFY(bar->maximum() > 0);
            QCOMPARE(bar->value(), 0);
            QCOMPARE(text->textCursor().position(), 0);
            QCOMPARE(text->cursorForPosition(QPoint(1, 1)).blockNumber(), 0);
            // Scroll to the end and leave the text changed, to see that
            // neither comes back.
            bar->setValue(bar->maximum());
            text->setPlainText(QStringLiteral("scribble"));
            CloseButton(window)->click();
        });
        QVERIFY(driven);
    }
}

void TestHelpWindow::closing_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("closes");
    QTest::newRow("click") << QStringLiteral("click") << true;
    QTest::newRow("Esc") << QStringLiteral("esc") << true;
    QTest::newRow("Esc in the text") << QStringLiteral("esc in text") << true;
    QTest::newRow("Enter") << QStringLiteral("enter") << true;
    QTest::newRow("keypad Enter") << QStringLiteral("keypad enter") << true;
    QTest::newRow("Space") << QStringLiteral("space") << true;
    QTest::newRow("close box") << QStringLiteral("close box") << true;
    QTest::newRow("Enter in the text") << QStringLiteral("enter in text") << false;
}

void TestHelpWindow::closing()
{
    QFETCH(QString, how);
    QFETCH(bool, closes);
    bool closed = false;
    const bool driven = DriveModal<HelpWindow>(OpenHelpWindow, [&](HelpWindow *window) {
        QVERIFY(window->isModal());
        QCOMPARE(window->parentWidget(), nullptr);
        QPushButton *button = CloseButton(window);
        QCOMPARE(window->focusWidget(), button);
        if (how == QLatin1String("click")) {
            QTest::mouseClick(button, Qt::LeftButton);
        } else if (how == QLatin1String("esc")) {
            QTest::keyClick(button, Qt::Key_Escape);
        } else if (how == QLatin1String("esc in text")) {
            TextBox(window)->setFocus();
            QTest::keyClick(TextBox(window), Qt::Key_Escape);
        } else if (how == QLatin1String("enter")) {
            QTest::keyClick(button, Qt::Key_Return);
        } else if (how == QLatin1String("keypad enter")) {
            QTest::keyClick(button, Qt::Key_Enter, Qt::KeypadModifier);
        } else if (how == QLatin1String("enter in text")) {
            TextBox(window)->setFocus();
            QTest::keyClick(TextBox(window), Qt::Key_Return);
            QTest::keyClick(TextBox(window), Qt::Key_Enter, Qt::KeypadModifier);
        } else if (how == QLatin1String("space")) {
            QTest::keyClick(button, Qt::Key_Space);
        } else {
            window->close();
        }
        closed = !window->isVisible();
        if (!closed)
            button->click();
    });
    QVERIFY(driven);
    QCOMPARE(closed, closes);
}

QTEST_MAIN(TestHelpWindow)
#include "tst_help_window.moc"
