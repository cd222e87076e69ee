#include "core/batch/batch_run.h"
#include "core/launch/launcher.h"
#include "core/settings/active_tool.h"
#include "core/settings/settings_file.h"
#include "fake_batch_host.h"
#include "gui/console/console_window.h"

#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace corvane;
using corvane::test::FakeHost;

namespace {

QList<ConsoleWindow *> consoleWindows()
{
    QList<ConsoleWindow *> windows;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *console = qobject_cast<ConsoleWindow *>(widget))
            windows << console;
    }
    return windows;
}

} // namespace

class TestConsoleWindow final : public QObject {
    Q_OBJECT

private slots:
    void showsOutputLiveAndClosesAtEnd_data();
    void showsOutputLiveAndClosesAtEnd();
    void noWindowWhenFlagIsClear();
    void decodesCharactersSplitAcrossReads();
};

void TestConsoleWindow::showsOutputLiveAndClosesAtEnd_data()
{
    QTest::addColumn<bool>("capture");
    QTest::newRow("window only") << false;
    QTest::newRow("window and report") << true;
}

void TestConsoleWindow::showsOutputLiveAndClosesAtEnd()
{
    QFETCH(bool, capture);
    QTemporaryDir dir;
    const SettingsFile settings(ConfigPathIn(dir.path()));
    ActiveTool tool(settings);
    FakeHost host;
    host.destination = dir.path();
    host.add(QStringLiteral("one"), dir.path());
    host.add(QStringLiteral("two"), dir.path());
    std::unique_ptr<Launcher> launcher = CreateLauncher();
    launcher->setConsoleFactory(ConsoleWindowFactory());
    BatchRun batch(host, *launcher, tool, dir.path());

    ToolProfile profile;
    profile.program = QStringLiteral("cmd /c");
    // The marker file lets the command end only after the test has seen
    // its first line in the window, so the output is checked while it runs.
    profile.commandTemplate = QStringLiteral(
        "echo 输出 $SName$; while [ ! -e go$Index$ ]; do sleep 0.01; done; echo 完 >&2");
    profile.captureOutput = capture;
    profile.showConsole = true;
    tool.setProfile(profile);

    QStringList seenTitles;
    QStringList seenLive;
    connect(&batch, &BatchRun::entryStarted, this, [&](int index, const QString &line) {
        const QList<ConsoleWindow *> windows = consoleWindows();
        ConsoleWindow *visible = nullptr;
        for (ConsoleWindow *window : windows) {
            if (window->isVisible())
                visible = window;
        }
        QVERIFY(visible);
        seenTitles << visible->windowTitle();
        QCOMPARE(visible->windowTitle(), line);
        QTRY_VERIFY(visible->toPlainText().contains(QStringLiteral("输出 ")));
        seenLive << visible->toPlainText();
        QFile go(QDir(dir.path()).filePath(QStringLiteral("go%1").arg(index)));
        QVERIFY(go.open(QIODevice::WriteOnly));
    });
    QSignalSpy finished(&batch, &BatchRun::finished);
    batch.run();
    QVERIFY(finished.wait(30000));

    QCOMPARE(seenTitles.size(), 2);
    QCOMPARE(seenLive, QStringList({QStringLiteral("输出 one\n"), QStringLiteral("输出 two\n")}));
    for (ConsoleWindow *window : consoleWindows())
        QVERIFY(!window->isVisible());
    QFile report(batch.reportPath());
    if (capture) {
        QVERIFY(report.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(report.readAll()),
                 QStringLiteral("输出 one\n完\n输出 two\n完\n"));
    } else {
        QVERIFY(!report.exists());
    }
}

void TestConsoleWindow::noWindowWhenFlagIsClear()
{
    QTemporaryDir dir;
    const SettingsFile settings(ConfigPathIn(dir.path()));
    ActiveTool tool(settings);
    FakeHost host;
    host.destination = dir.path();
    host.add(QStringLiteral("one"), dir.path());
    std::unique_ptr<Launcher> launcher = CreateLauncher();
    launcher->setConsoleFactory(ConsoleWindowFactory());
    BatchRun batch(host, *launcher, tool, dir.path());
    ToolProfile profile;
    profile.program = QStringLiteral("cmd /c");
    profile.commandTemplate = QStringLiteral("true");
    tool.setProfile(profile);
    int windowsDuringRun = -1;
    connect(&batch, &BatchRun::entryStarted, this, [&] {
        windowsDuringRun = 0;
        for (ConsoleWindow *window : consoleWindows())
            windowsDuringRun += window->isVisible() ? 1 : 0;
    });
    QSignalSpy finished(&batch, &BatchRun::finished);
    batch.run();
    QVERIFY(finished.wait(30000));
    QCOMPARE(windowsDuringRun, 0);
}

void TestConsoleWindow::decodesCharactersSplitAcrossReads()
{
    ConsoleWindow window(QStringLiteral("title"));
    const QByteArray bytes = QStringLiteral("中文").toUtf8();
    for (char byte : bytes)
        window.appendOutput(QByteArray(1, byte));
    QCOMPARE(window.toPlainText(), QStringLiteral("中文"));
    QCOMPARE(window.windowTitle(), QStringLiteral("title"));
    QVERIFY(window.findChild<QPlainTextEdit *>()->isReadOnly());
}

QTEST_MAIN(TestConsoleWindow)
#include "tst_console_window.moc"
