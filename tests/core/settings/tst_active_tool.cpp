#include "core/settings/active_tool.h"
#include "core/settings/settings_file.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <utility>

using namespace corvane;

class TestActiveTool final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void noConfigLoadsEmptyTool();
    void loadsToolOfCurrentIndex_data();
    void loadsToolOfCurrentIndex();
    void jobsReadAsOneUnlessInRange_data();
    void jobsReadAsOneUnlessInRange();
    void rereadsFileOnEveryLoad();
    void changedGivesCaption();
    void menuNames();

private:
    void writeConfig(const QByteArray &bytes);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<SettingsFile> m_settings;
    std::unique_ptr<ActiveTool> m_tool;
};

void TestActiveTool::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_settings = std::make_unique<SettingsFile>(ConfigPathIn(m_dir->path()));
    m_tool = std::make_unique<ActiveTool>(*m_settings);
}

void TestActiveTool::cleanup()
{
    m_tool.reset();
    m_settings.reset();
    m_dir.reset();
}

void TestActiveTool::writeConfig(const QByteArray &bytes)
{
    QFile file(m_settings->path());
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

void TestActiveTool::noConfigLoadsEmptyTool()
{
    ToolProfile stale;
    stale.program = QStringLiteral("stale");
    stale.captureOutput = true;
    m_tool->setProfile(stale);
    m_tool->reload();
    QCOMPARE(m_tool->caption(), QStringLiteral("Corvane:  -  "));
    QCOMPARE(m_tool->index(), 0);
    QCOMPARE(m_tool->profile().program, QString());
    QCOMPARE(m_tool->profile().commandTemplate, QString());
    QCOMPARE(m_tool->profile().captureOutput, false);
    QCOMPARE(m_tool->profile().showConsole, false);
    QVERIFY(!QFile::exists(m_settings->path()));
}

void TestActiveTool::loadsToolOfCurrentIndex_data()
{
    QTest::addColumn<int>("current");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<bool>("capture");
    QTest::addColumn<bool>("showWindow");
    QTest::addColumn<QString>("caption");

    QTest::newRow("tool 0") << 0 << QStringLiteral("/bin/zero") << QStringLiteral("$SName$")
                            << false << true << QStringLiteral("Corvane:  -  Zero");
    QTest::newRow("tool 2, flag 2 is on")
        << 2 << QStringLiteral("/usr/bin/conv") << QStringLiteral("-i \"$SPath$$SName$\"") << true
        << false << QStringLiteral("Corvane:  -  转换");
    QTest::newRow("tool 3, negative flag is on")
        << 3 << QString() << QString() << true << true << QStringLiteral("Corvane:  -  ");
    QTest::newRow("index 9 has no keys")
        << 9 << QString() << QString() << false << false << QStringLiteral("Corvane:  -  ");
    QTest::newRow("index -1 has no keys")
        << -1 << QString() << QString() << false << false << QStringLiteral("Corvane:  -  ");
}

void TestActiveTool::loadsToolOfCurrentIndex()
{
    QFETCH(int, current);
    QFETCH(QString, program);
    QFETCH(QString, commandLine);
    QFETCH(bool, capture);
    QFETCH(bool, showWindow);
    QFETCH(QString, caption);

    writeConfig(
        QStringLiteral("[StringSection]\n"
                       "Text1(0)=Zero\nText2(0)=/bin/zero\nText3(0)=$SName$\n"
                       "text1(2)=转换\nTEXT2(2)=/usr/bin/conv\nText3(2)=-i \"$SPath$$SName$\"\n"
                       "[IntegerSection]\n"
                       "Check1(0)=0\nCheck2(0)=1\n"
                       "Check1(2)=2\nCheck2(2)=0\n"
                       "Check1(3)=-5\nCheck2(3)=-1\n"
                       "CurrentTool=2\n")
            .toUtf8());
    m_tool->select(current);
    QCOMPARE(m_tool->caption(), caption);
    QCOMPARE(m_tool->index(), current);
    QCOMPARE(m_tool->profile().program, program);
    QCOMPARE(m_tool->profile().commandTemplate, commandLine);
    QCOMPARE(m_tool->profile().captureOutput, capture);
    QCOMPARE(m_tool->profile().showConsole, showWindow);
}

void TestActiveTool::jobsReadAsOneUnlessInRange_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<int>("jobs");
    const std::pair<const char *, int> rows[] = {{"", 1},  {"0", 1}, {"-1", 1},  {"65", 1},
                                                 {"1", 1}, {"8", 8}, {"64", 64}, {"four", 1}};
    for (const auto &[stored, jobs] : rows)
        QTest::newRow(*stored ? stored : "missing") << QByteArray(stored) << jobs;
}

void TestActiveTool::jobsReadAsOneUnlessInRange()
{
    QFETCH(QByteArray, stored);
    QFETCH(int, jobs);
    // The neighbouring tool's key must not be taken for the active tool's.
    writeConfig("[IntegerSection]\nJobs(2)=9\n" +
                (stored.isEmpty() ? QByteArray() : "jobs(3)=" + stored));
    m_tool->select(3);
    QCOMPARE(m_tool->profile().jobs, jobs);
}

void TestActiveTool::rereadsFileOnEveryLoad()
{
    writeConfig("[StringSection]\nText2(1)=/bin/first\n");
    m_tool->select(1);
    QCOMPARE(m_tool->profile().program, QStringLiteral("/bin/first"));

    QVERIFY(m_settings->writeString(QStringLiteral("Text2(1)"), QStringLiteral("/bin/second")));
    QVERIFY(m_settings->writeInt(QStringLiteral("Check1(1)"), 1));
    m_tool->reload();
    QCOMPARE(m_tool->profile().program, QStringLiteral("/bin/second"));
    QCOMPARE(m_tool->profile().captureOutput, true);
}

void TestActiveTool::changedGivesCaption()
{
    writeConfig("[StringSection]\nText1(4)=Four\n");
    QStringList captions;
    connect(m_tool.get(), &ActiveTool::changed, this,
            [&captions, this] { captions.append(m_tool->caption()); });
    m_tool->select(4);
    m_tool->select(5);
    QCOMPARE(captions,
             QStringList({QStringLiteral("Corvane:  -  Four"), QStringLiteral("Corvane:  -  ")}));
}

void TestActiveTool::menuNames()
{
    writeConfig("[StringSection]\nText1(0)=\nText1(2)=Convert\nText1(8)=Nine\n");
    const std::array<QString, 8> names = ReadToolMenuNames(*m_settings);
    for (int i = 0; i < 8; ++i)
        QCOMPARE(names[size_t(i)], i == 2 ? QStringLiteral("Convert") : QString());
}

QTEST_GUILESS_MAIN(TestActiveTool)
#include "tst_active_tool.moc"
