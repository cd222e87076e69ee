#include "batch_folders.h"
#include "core/command/command_line.h"
#include "core/files/file_name.h"
#include "core/files/paths.h"
#include "core/platform/data_folder.h"
#include "core/platform/single_instance.h"
#include "core/settings/active_tool.h"
#include "core/settings/settings_file.h"
#include "gui/main_window/job_list.h"
#include "gui/main_window/job_list_editor.h"
#include "gui/main_window/main_window.h"
#include "message_recorder.h"
#include "test_files.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListView>
#include <QMimeData>
#include <QProcess>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <memory>

#include <fcntl.h>
#include <unistd.h>

using namespace corvane;

namespace {
bool makeFile(const QString &path)
{
    return QDir().mkpath(QFileInfo(path).path()) && test::writeBytes(path, "x");
}
} // namespace

// The additions to the batch around the main window: each entry's outcome,
// stopping a batch, and files dropped on the job list.
class TestBatchOutcomes final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void outcomesTooltipsAndClipboard();
    void stopFromEscOrMenu_data();
    void stopFromEscOrMenu();
    void dropAddsFilesAndFolders();
    void modalWindowHoldsBackNextStart();
    void rerunOnlyWhatDidNotSucceed();
    void marksStayOnTheirEntries();
    void nextGoodBatchClearsTheRedBar();

private:
    void setTool(const QString &program, const QString &commandTemplate);
    QListView *jobView() const { return m_form->findChild<QListView *>(QStringLiteral("List1")); }
    QString jobData(int row, int role) const
    {
        return jobView()->model()->index(row, 0).data(role).toString();
    }
    // Each entry's name and outcome badge, in the list's order.
    QStringList marks() const
    {
        QStringList rows;
        for (int row = 0; row < m_form->jobList().count(); ++row)
            rows << m_form->jobList().name(row) + QLatin1Char(' ') +
                        jobData(row, JobList::OutcomeBadgeRole);
        return rows;
    }
    void removeRow(int row)
    {
        jobView()->clearSelection();
        jobView()->selectionModel()->select(jobView()->model()->index(row, 0),
                                            QItemSelectionModel::Select);
        m_form->jobEditor().removeSelectedJobs();
    }
    QString reportPath() const { return JoinPath(m_folders->data, QStringLiteral("report.txt")); }
    // Presses "处理" and waits for the batch to end.
    bool runBatchToEnd()
    {
        QSignalSpy finished(&m_form->batchRun(), &BatchRun::finished);
        m_form->runBatch();
        return !finished.isEmpty() || finished.wait(30000);
    }

    std::unique_ptr<test::BatchFolders> m_folders;
    std::unique_ptr<test::MessageRecorder> m_messages;
    std::unique_ptr<SingleInstance> m_instance;
    std::unique_ptr<MainWindow> m_form;
};

void TestBatchOutcomes::init()
{
    m_folders = std::make_unique<test::BatchFolders>();
    QVERIFY(m_folders->isValid());
    for (const char *name : {"a.bmp", "b.wav", "c.txt"})
        QVERIFY(makeFile(QDir(m_folders->source).filePath(QLatin1String(name))));
    QVERIFY(QDir::setCurrent(m_folders->source));
    m_messages = std::make_unique<test::MessageRecorder>(m_folders->desktop);

    m_instance = std::make_unique<SingleInstance>(m_folders->path(QStringLiteral("lock")));
    m_form = std::make_unique<MainWindow>(m_folders->desktop, m_folders->settings, m_folders->tool);
    QVERIFY(m_form->loadOnStartup(*m_instance));
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
}

void TestBatchOutcomes::cleanup()
{
    m_form.reset();
    m_instance.reset();
    m_messages.reset();
    m_folders.reset();
}

void TestBatchOutcomes::setTool(const QString &program, const QString &commandTemplate)
{
    m_folders->settings.writeString(QStringLiteral("Text2(0)"), program);
    m_folders->settings.writeString(QStringLiteral("Text3(0)"), commandTemplate);
    m_folders->tool.select(0);
}

void TestBatchOutcomes::outcomesTooltipsAndClipboard()
{
    const QString commandTemplate = QStringLiteral("case $Index$ in 1) exit 3;; esac");
    setTool(QStringLiteral("cmd /c"), commandTemplate);
    m_form->jobEditor().addAllFiles();
    const auto line = [&](const char *name, int index) {
        return BuildCommandLine(QStringLiteral("cmd /c"), commandTemplate, false,
                                QLatin1String(name), m_folders->source, index, m_folders->source,
                                reportPath());
    };
    // Before a batch: no outcome, and the line that would run now.
    QCOMPARE(jobData(1, Qt::ToolTipRole), line("b.wav", 1));
    QCOMPARE(jobData(1, JobList::OutcomeBadgeRole), QString());

    QVERIFY(runBatchToEnd());
    QCOMPARE(jobData(0, JobList::OutcomeBadgeRole), QStringLiteral("成功"));
    QCOMPARE(jobData(1, JobList::OutcomeBadgeRole), QStringLiteral("退出码 3"));
    QCOMPARE(jobData(1, Qt::AccessibleDescriptionRole), QStringLiteral("失败，退出码 3"));
    QCOMPARE(jobData(2, JobList::OutcomeBadgeRole), QStringLiteral("成功"));
    // The line that ran, and how long it ran.
    QVERIFY(jobData(1, Qt::ToolTipRole).startsWith(line("b.wav", 1) + QStringLiteral("\n用时 ")));
    // "完成" stays; that one entry failed shows without scrolling, with the
    // batch's time.
    auto *status = m_form->findChild<QLabel *>(QStringLiteral("Label3"));
    QCOMPARE(status->text(), QStringLiteral("完成"));
    QVERIFY(status->toolTip().startsWith(QStringLiteral("3 个条目中 1 个未成功：失败 1\n共用时 ")));
    auto *bar = m_form->findChild<QProgressBar *>(QStringLiteral("ProgressBar1"));
    QCOMPARE(bar->palette().color(QPalette::Highlight), QColor(0xC6, 0x28, 0x28));

    // The selected entries' lines for sh, one per line.
    jobView()->selectionModel()->select(jobView()->model()->index(0, 0),
                                        QItemSelectionModel::Select);
    jobView()->selectionModel()->select(jobView()->model()->index(1, 0),
                                        QItemSelectionModel::Select);
    m_form->findChild<QAction *>(QStringLiteral("CopyCommandLines"))->trigger();
    const QStringList copied = QGuiApplication::clipboard()->text().split(QLatin1Char('\n'));
    QCOMPARE(copied.size(), 2);
    // Run by sh, each ends as it did in the batch.
    for (int row = 0; row < 2; ++row)
        QCOMPARE(
            QProcess::execute(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), copied.at(row)}),
            row == 1 ? 3 : 0);

    // "<-" keeps the outcomes of the entries it keeps.
    jobView()->clearSelection();
    jobView()->selectionModel()->select(jobView()->model()->index(0, 0),
                                        QItemSelectionModel::Select);
    m_form->jobEditor().removeSelectedJobs();
    QCOMPARE(jobData(0, JobList::OutcomeBadgeRole), QStringLiteral("退出码 3"));

    // The next batch clears them: while it runs, entries not yet run show
    // nothing and the running one is marked.
    QStringList seen;
    connect(&m_form->batchRun(), &BatchRun::entryStarted, this, [&](int index) {
        if (index == 0)
            seen << jobData(0, JobList::OutcomeBadgeRole) << jobData(1, JobList::OutcomeBadgeRole);
    });
    QVERIFY(runBatchToEnd());
    QCOMPARE(seen, QStringList({QStringLiteral("运行中"), QString()}));
    QVERIFY(status->toolTip().startsWith(QStringLiteral("2 个条目中 1 个未成功：失败 1\n")));

    // "<<" takes the entries and their outcomes away.
    m_form->jobEditor().clearJobs();
    m_form->jobEditor().addAllFiles();
    QCOMPARE(jobData(0, JobList::OutcomeBadgeRole), QString());
    QCOMPARE(m_messages->count(), 0);
}

void TestBatchOutcomes::stopFromEscOrMenu_data()
{
    QTest::addColumn<bool>("fromMenu");
    QTest::addColumn<bool>("answer");
    QTest::newRow("Esc, 是") << false << true;
    QTest::newRow("context menu, 是") << true << true;
    QTest::newRow("Esc, 否") << false << false;
}

void TestBatchOutcomes::stopFromEscOrMenu()
{
    QFETCH(bool, fromMenu);
    QFETCH(bool, answer);
    m_folders->desktop.answer = answer;
    // Outside a batch, Esc asks nothing.
    QTest::keyClick(m_form.get(), Qt::Key_Escape);
    QCOMPARE(m_folders->desktop.questions.size(), 0);

    // Each command ends by itself after a moment unless stopped.
    setTool(QStringLiteral("cmd /c"), QStringLiteral("sleep 1"));
    m_form->jobEditor().addAllFiles();
    connect(&m_form->batchRun(), &BatchRun::entryStarted, this, [&](int index) {
        if (index != 0)
            return;
        QTimer::singleShot(0, this, [&] {
            if (fromMenu)
                m_form->findChild<QAction *>(QStringLiteral("StopBatch"))->trigger();
            else
                QTest::keyClick(m_form.get(), Qt::Key_Escape);
        });
    });
    QVERIFY(runBatchToEnd());

    QCOMPARE(m_folders->desktop.questions.size(), 1);
    QCOMPARE(m_folders->desktop.questions.first().text, QStringLiteral("停止处理？"));
    const auto *status = m_form->findChild<QLabel *>(QStringLiteral("Label3"));
    QVERIFY(m_form->findChild<QWidget *>(QStringLiteral("Command3"))->isEnabled());
    if (!answer) {
        QCOMPARE(status->text(), QStringLiteral("完成"));
        QCOMPARE(jobData(2, JobList::OutcomeBadgeRole), QStringLiteral("成功"));
        return;
    }
    QCOMPARE(status->text(), QStringLiteral("已停止"));
    QCOMPARE(jobData(0, JobList::OutcomeBadgeRole), QStringLiteral("已终止"));
    QVERIFY(jobData(0, Qt::ToolTipRole).endsWith(QStringLiteral("被信号 SIGTERM 终止")));
    QCOMPARE(jobData(1, JobList::OutcomeBadgeRole), QStringLiteral("未运行"));
    QCOMPARE(jobData(2, JobList::OutcomeBadgeRole), QStringLiteral("未运行"));
}

void TestBatchOutcomes::dropAddsFilesAndFolders()
{
    // A folder with files that the pattern shows, one it hides, a hidden
    // file and a subfolder.
    const QString dropped = m_folders->path(QStringLiteral("dropped folder"));
    for (const char *name : {"y.wav", "x.wav", "z.txt", ".h.wav", "sub/w.wav"})
        QVERIFY(makeFile(QDir(dropped).filePath(QLatin1String(name))));
    auto *pattern = m_form->findChild<QWidget *>(QStringLiteral("Combo1"));
    pattern->setFocus();
    QTest::keyClicks(pattern, QStringLiteral("\b\b\b*.wav"));
    QTest::keyClick(pattern, Qt::Key_Return);

    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QDir(m_folders->source).filePath(QStringLiteral("c.txt"))),
                  QUrl::fromLocalFile(dropped), QUrl(QStringLiteral("https://example.com/a.wav")),
                  QUrl::fromLocalFile(m_folders->path(QStringLiteral("missing.wav")))});
    const auto drop = [&] {
        QWidget *target = jobView()->viewport();
        const QPoint point = target->rect().center();
        QDragEnterEvent enter(point, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent dropEvent(point, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &dropEvent);
        return true;
    };
    QVERIFY(drop());
    QStringList rows;
    for (int i = 0; i < m_form->jobList().count(); ++i)
        rows << m_form->jobList().folder(i) + QLatin1Char('/') + m_form->jobList().name(i);
    QCOMPARE(rows,
             QStringList({m_folders->source + QStringLiteral("/c.txt"),
                          dropped + QStringLiteral("/x.wav"), dropped + QStringLiteral("/y.wav")}));

    // During a batch a drag is refused.
    setTool(QStringLiteral("cmd /c"), QStringLiteral("true"));
    bool refused = false;
    connect(&m_form->batchRun(), &BatchRun::entryStarted, this, [&](int index) {
        if (index == 0)
            refused = !drop();
    });
    QVERIFY(runBatchToEnd());
    QVERIFY(refused);
    QCOMPARE(m_form->jobList().count(), 3);

    // A name that is no UTF-8 comes as the bytes on disk.
    const QByteArray latin1 = QFile::encodeName(m_folders->source) + "/caf\xe9.wav";
    mime.setUrls(
        {QUrl(QStringLiteral("file://") + QString::fromLatin1(latin1.toPercentEncoding("/")))});
    QVERIFY(drop());
    QCOMPARE(m_form->jobList().count(), 3);
    const int fd = ::open(latin1.constData(), O_WRONLY | O_CREAT, 0644);
    QVERIFY(fd >= 0);
    ::close(fd);
    QVERIFY(drop());
    QCOMPARE(m_form->jobList().count(), 4);
    QCOMPARE(
        EncodeFileName(m_form->jobList().folder(3) + QLatin1Char('/') + m_form->jobList().name(3)),
        latin1);
}

void TestBatchOutcomes::modalWindowHoldsBackNextStart()
{
    // The About box opens while the first command runs and stays open well
    // after it has ended: the second starts only once the box has closed.
    setTool(QStringLiteral("cmd /c"), QStringLiteral("echo $Index$ > ../ended$Index$"));
    m_form->jobEditor().addAllFiles();
    QStringList events;
    connect(&m_form->batchRun(), &BatchRun::entryStarted, this, [&](int index) {
        events << QStringLiteral("start %1").arg(index);
        if (index != 0)
            return;
        QTimer::singleShot(0, this, [&] {
            QTimer::singleShot(0, this, [&] {
                QWidget *box = QApplication::activeModalWidget();
                QTRY_VERIFY(QFile::exists(m_folders->path(QStringLiteral("ended0"))));
                QTest::qWait(300);
                events << QStringLiteral("closed");
                if (box)
                    box->close();
            });
            m_form->findChild<QAction *>(QStringLiteral("HelpAbout"))->trigger();
        });
    });
    QVERIFY(runBatchToEnd());
    QCOMPARE(events, QStringList({QStringLiteral("start 0"), QStringLiteral("closed"),
                                  QStringLiteral("start 1"), QStringLiteral("start 2")}));
}

void TestBatchOutcomes::rerunOnlyWhatDidNotSucceed()
{
    setTool(QStringLiteral("cmd /c"),
            QStringLiteral("echo $SName$ >> ../ran.log; case $Index$ in 1) exit 3;; esac"));
    m_form->jobEditor().addAllFiles();
    QVERIFY(runBatchToEnd());
    QCOMPARE(jobData(1, JobList::OutcomeBadgeRole), QStringLiteral("退出码 3"));
    const QString firstLine = jobData(0, Qt::ToolTipRole);

    // With the tool as it is now: only b.wav runs again, and only its mark
    // changes.
    setTool(QStringLiteral("cmd /c"), QStringLiteral("echo again $SName$ >> ../ran.log"));
    QSignalSpy finished(&m_form->batchRun(), &BatchRun::finished);
    m_form->findChild<QAction *>(QStringLiteral("RerunUnsuccessful"))->trigger();
    QVERIFY(finished.wait(30000));
    QCOMPARE(test::readFile(m_folders->path(QStringLiteral("ran.log"))),
             QByteArray("a.bmp\nb.wav\nc.txt\nagain b.wav\n"));
    QCOMPARE(jobData(1, JobList::OutcomeBadgeRole), QStringLiteral("成功"));
    QCOMPARE(jobData(0, Qt::ToolTipRole), firstLine);
    QCOMPARE(jobData(2, JobList::OutcomeBadgeRole), QStringLiteral("成功"));
}

void TestBatchOutcomes::marksStayOnTheirEntries()
{
    setTool(QStringLiteral("cmd /c"),
            QStringLiteral("sleep 0.3; case $SName$ in b.wav) exit 3;; esac"));
    m_form->jobEditor().addAllFiles();
    // While b.wav runs, a.bmp (done) goes and the files come again; while
    // c.txt runs, c.txt goes.
    QStringList whileRunning;
    connect(&m_form->batchRun(), &BatchRun::entryStarted, this, [&](int index) {
        const QString name = m_form->jobList().name(index);
        QTimer::singleShot(0, this, [&, name] {
            if (name == QLatin1String("b.wav")) {
                removeRow(0);
                m_form->jobEditor().addAllFiles();
            } else if (name == QLatin1String("c.txt")) {
                removeRow(1);
            }
            whileRunning << marks().join(QLatin1Char(','));
        });
    });
    QVERIFY(runBatchToEnd());
    QCOMPARE(whileRunning, QStringList({QStringLiteral("a.bmp 运行中,b.wav ,c.txt "),
                                        QStringLiteral("b.wav 运行中,c.txt ,a.bmp ,b.wav ,c.txt "),
                                        QStringLiteral("b.wav 退出码 3,a.bmp ,b.wav ,c.txt ")}));
    QCOMPARE(marks(), QStringList({QStringLiteral("b.wav 退出码 3"), QStringLiteral("a.bmp "),
                                   QStringLiteral("b.wav "), QStringLiteral("c.txt ")}));
}

void TestBatchOutcomes::nextGoodBatchClearsTheRedBar()
{
    setTool(QStringLiteral("cmd /c"), QStringLiteral("exit $Index$"));
    m_form->jobEditor().addAllFiles();
    QVERIFY(runBatchToEnd());
    auto *status = m_form->findChild<QLabel *>(QStringLiteral("Label3"));
    auto *bar = m_form->findChild<QProgressBar *>(QStringLiteral("ProgressBar1"));
    const QColor red(0xC6, 0x28, 0x28);
    QCOMPARE(bar->palette().color(QPalette::Highlight), red);
    QVERIFY(status->toolTip().contains(QStringLiteral("未成功")));

    setTool(QStringLiteral("cmd /c"), QStringLiteral("true"));
    QVERIFY(runBatchToEnd());
    QVERIFY(bar->palette().color(QPalette::Highlight) != red);
    QVERIFY(!status->toolTip().contains(QStringLiteral("未成功")));
    QCOMPARE(status->text(), QStringLiteral("完成"));
}

QTEST_MAIN(TestBatchOutcomes)
#include "tst_batch_outcomes.moc"
