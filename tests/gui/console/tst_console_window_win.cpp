#include "gui/console/console_window.h"

#include <QTest>

#include <windows.h>

using namespace corvane;

class TestConsoleWindowWindows final : public QObject {
    Q_OBJECT

private slots:
    void decodesTheAnsiCodePage();
};

void TestConsoleWindowWindows::decodesTheAnsiCodePage()
{
    if (::GetACP() != 936)
        QSKIP("needs the Chinese code page 936 (scripts/windows runs the tests with it)");
    // 中文 as a console program writes it in code page 936, in two reads
    // that split the second character.
    ConsoleWindow window(QStringLiteral("title"));
    window.appendOutput(QByteArray("\xD6\xD0\xCE"));
    window.appendOutput(QByteArray("\xC4"));
    QCOMPARE(window.toPlainText(), QStringLiteral("中文"));
}

QTEST_MAIN(TestConsoleWindowWindows)
#include "tst_console_window_win.moc"
