#include "core/platform/atomic_file.h"
#include "core/platform/code_page.h"
#include "core/settings/ini_file.h"
#include "core/settings/settings_file.h"
#include "settings_tools.h"
#include "test_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <array>
#include <climits>
#include <memory>

using namespace corvane;
using namespace corvane::test;

class TestSettingsFile final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void missingFileReadsDefaults();
    void missingSectionOrKey_data();
    void missingSectionOrKey();
    void freeRoutinesUseDataFolder();
    void exampleFile_data();
    void exampleFile();
    void caseBlindLookup();
    void noCache();
    void writeInt_data();
    void writeInt();
    void readInt_data();
    void readInt();
    void chineseRoundTrip_data();
    void chineseRoundTrip();
    void longValues_data();
    void longValues();
    void valueEncodings_data();
    void valueEncodings();
    void lineBreakRefused_data();
    void lineBreakRefused();
    void noTemporaryFilesLeft();

private:
    QString configPath() const { return m_dir->filePath(kConfigName); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<RecordingSettings> m_config;
};

void TestSettingsFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_config = std::make_unique<RecordingSettings>(m_dir->path());
}

void TestSettingsFile::cleanup()
{
    m_config.reset();
    m_dir.reset();
}

void TestSettingsFile::missingFileReadsDefaults()
{
    const SettingsFile file(configPath());
    QCOMPARE(file.readInt(QStringLiteral("CurrentTool")), 0);
    QCOMPARE(file.readString(QStringLiteral("Text1(0)")), QString());
    QCOMPARE(m_config->readInt(QStringLiteral("Check1(3)")), 0);
    QCOMPARE(m_config->readString(QStringLiteral("Text2(7)")), QString());
    QCOMPARE(m_config->failureCount(), 0);
    QVERIFY(!QFile::exists(configPath()));
}

void TestSettingsFile::missingSectionOrKey_data()
{
    QTest::addColumn<QByteArray>("content");

    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("sections swapped")
        << QByteArray("[IntegerSection]\nText2(9)=x\n[StringSection]\nCurrentTool=5\n");
    QTest::newRow("other keys only")
        << QByteArray("[StringSection]\nText2(0)=x\n[IntegerSection]\nCheck1(0)=1\n");
    QTest::newRow("keys commented out")
        << QByteArray("[StringSection]\n;Text2(9)=x\n[IntegerSection]\n;CurrentTool=5\n");
    QTest::newRow("keys before any section")
        << QByteArray("Text2(9)=x\nCurrentTool=5\n[StringSection]\n[IntegerSection]\n");
    QTest::newRow("not an ini file") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
}

void TestSettingsFile::missingSectionOrKey()
{
    QFETCH(QByteArray, content);
    QVERIFY(writeBytes(configPath(), content));

    const SettingsFile file(configPath());
    QCOMPARE(file.readString(QStringLiteral("Text2(9)")), QString());
    QCOMPARE(file.readString(QStringLiteral("Text2(-1)")), QString());
    QCOMPARE(file.readInt(QStringLiteral("CurrentTool")), 0);
    QCOMPARE(m_config->failureCount(), 0);
    QCOMPARE(readFile(configPath()), content);
}

void TestSettingsFile::freeRoutinesUseDataFolder()
{
    QCOMPARE(ConfigPathIn(m_dir->path()), m_dir->path() + QStringLiteral("/config.ini"));
    m_config->writeString(QStringLiteral("Text1(4)"), QStringLiteral("Four"));
    m_config->writeInt(QStringLiteral("CurrentTool"), 4);
    QCOMPARE(readFile(configPath()),
             QByteArray("[StringSection]\nText1(4)=Four\n[IntegerSection]\nCurrentTool=4\n"));
    QCOMPARE(m_config->readString(QStringLiteral("Text1(4)")), QStringLiteral("Four"));
    QCOMPARE(m_config->readInt(QStringLiteral("CurrentTool")), 4);
    QCOMPARE(SettingsFile(configPath()).readInt(QStringLiteral("CurrentTool")), 4);
    QCOMPARE(m_config->failureCount(), 0);
}

void TestSettingsFile::exampleFile_data()
{
    QTest::addColumn<bool>("exitBeforeSave");
    QTest::addColumn<QByteArray>("expected");

    // The two sections as the options dialog's save leaves them, spelled out
    // line for line; only their order depends on what came first.
    const QByteArray strings(R"([StringSection]
Text1(0)=Convert
Text2(0)=C:\tools\conv.exe
Text3(0)=$SPath$$SName$ -o $DPath$$SNameNo$.txt
Text1(1)=
Text2(1)=
Text3(1)=
Text1(2)=
Text2(2)=
Text3(2)=
Text1(3)=
Text2(3)=
Text3(3)=
Text1(4)=
Text2(4)=
Text3(4)=
Text1(5)=
Text2(5)=
Text3(5)=
Text1(6)=
Text2(6)=
Text3(6)=
Text1(7)=
Text2(7)=
Text3(7)=
)");
    const QByteArray checks(R"(Check1(0)=1
Check2(0)=0
Check1(1)=0
Check2(1)=0
Check1(2)=0
Check2(2)=0
Check1(3)=0
Check2(3)=0
Check1(4)=0
Check2(4)=0
Check1(5)=0
Check2(5)=0
Check1(6)=0
Check2(6)=0
Check1(7)=0
Check2(7)=0
)");
    QTest::newRow("save, then exit")
        << false << strings + "[IntegerSection]\n" + checks + "CurrentTool=0\n";
    QTest::newRow("exit, save, exit")
        << true << "[IntegerSection]\nCurrentTool=0\n" + checks + strings;
}

void TestSettingsFile::exampleFile()
{
    QFETCH(bool, exitBeforeSave);
    QFETCH(QByteArray, expected);

    if (exitBeforeSave)
        m_config->writeInt(QStringLiteral("CurrentTool"), 0);
    saveOptions(*m_config, convertTool());
    m_config->writeInt(QStringLiteral("CurrentTool"), 0);

    const QByteArray actual = readFile(configPath());
    const QList<QByteArray> actualLines = actual.split('\n');
    const QList<QByteArray> expectedLines = expected.split('\n');
    QCOMPARE(actualLines.size(), expectedLines.size());
    for (qsizetype i = 0; i < expectedLines.size(); ++i)
        QCOMPARE(actualLines[i], expectedLines[i]);
    QCOMPARE(actual, expected);
    QCOMPARE(m_config->failureCount(), 0);
}

void TestSettingsFile::caseBlindLookup()
{
    QVERIFY(writeBytes(configPath(),
                       "[stringsection]\nTEXT1(2)=Two\n[INTEGERSECTION]\nCurrenttool=2\n"));
    QCOMPARE(m_config->readString(QStringLiteral("text1(2)")), QStringLiteral("Two"));
    QCOMPARE(m_config->readString(QStringLiteral("Text1(2)")), QStringLiteral("Two"));
    QCOMPARE(m_config->readInt(QStringLiteral("CurrentTool")), 2);

    m_config->writeString(QStringLiteral("Text1(2)"), QStringLiteral("Deux"));
    m_config->writeInt(QStringLiteral("currenttool"), 3);
    QCOMPARE(readFile(configPath()),
             QByteArray("[stringsection]\nTEXT1(2)=Deux\n[INTEGERSECTION]\nCurrenttool=3\n"));
}

void TestSettingsFile::noCache()
{
    const SettingsFile file(configPath());
    QVERIFY(file.writeString(QStringLiteral("Text1(0)"), QStringLiteral("One")));
    QCOMPARE(file.readString(QStringLiteral("Text1(0)")), QStringLiteral("One"));
    QVERIFY(writeBytes(configPath(), "[StringSection]\nText1(0)=Other\n"));
    QCOMPARE(file.readString(QStringLiteral("Text1(0)")), QStringLiteral("Other"));
    QVERIFY(QFile::remove(configPath()));
    QCOMPARE(file.readString(QStringLiteral("Text1(0)")), QString());
}

void TestSettingsFile::writeInt_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<QByteArray>("text");

    QTest::newRow("0") << 0 << QByteArray("0");
    QTest::newRow("1") << 1 << QByteArray("1");
    QTest::newRow("-1") << -1 << QByteArray("-1");
    QTest::newRow("3") << 3 << QByteArray("3");
    QTest::newRow("int16 max") << 32767 << QByteArray("32767");
    QTest::newRow("int16 min") << -32768 << QByteArray("-32768");
    QTest::newRow("int32 max") << INT_MAX << QByteArray("2147483647");
    QTest::newRow("int32 min") << INT_MIN << QByteArray("-2147483648");
}

void TestSettingsFile::writeInt()
{
    QFETCH(int, value);
    QFETCH(QByteArray, text);

    m_config->writeInt(QStringLiteral("CurrentTool"), value);
    QCOMPARE(readFile(configPath()), "[IntegerSection]\nCurrentTool=" + text + '\n');
    QCOMPARE(m_config->readInt(QStringLiteral("CurrentTool")), value);
    // Integers and strings live apart.
    QCOMPARE(m_config->readString(QStringLiteral("CurrentTool")), QString());
}

void TestSettingsFile::readInt_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<int>("value");

    QTest::newRow("plain") << QByteArray("7") << 7;
    QTest::newRow("blanks and quotes") << QByteArray("  \" 12\"  ") << 12;
    QTest::newRow("trailing text") << QByteArray("5 tools") << 5;
    QTest::newRow("no digits") << QByteArray("none") << 0;
    QTest::newRow("wraps past 32 bits") << QByteArray("4294967298") << 2;
    QTest::newRow("negative") << QByteArray("-3") << -3;
}

void TestSettingsFile::readInt()
{
    QFETCH(QByteArray, stored);
    QFETCH(int, value);

    QVERIFY(writeBytes(configPath(), "[IntegerSection]\r\nCurrentTool=" + stored + "\r\n"));
    QCOMPARE(m_config->readInt(QStringLiteral("CurrentTool")), value);
}

void TestSettingsFile::chineseRoundTrip_data()
{
    QTest::addColumn<QString>("value");

    QTest::newRow("name") << QStringLiteral("转换工具");
    QTest::newRow("mixed with ASCII") << QStringLiteral("MP3 转 WAV (快速)");
    QTest::newRow("path") << QStringLiteral("/home/用户/工具/转换");
    QTest::newRow("template") << QStringLiteral("$SPath$$SName$ -o \"$DPath$输出 $SNameNo$.txt\"");
    QTest::newRow("127 two-byte characters") << QString(127, QChar(0x4E2D));
    QTest::newRow("outside the BMP") << QStringLiteral("音乐🎵文件");
    QTest::newRow("other scripts") << QStringLiteral("Ελληνικά ру́сский 日本語");
}

void TestSettingsFile::chineseRoundTrip()
{
    QFETCH(QString, value);

    const SettingsFile file(configPath());
    QVERIFY(file.writeString(QStringLiteral("Text1(0)"), QStringLiteral("before")));
    QVERIFY(file.writeString(QStringLiteral("Text1(1)"), value));
    QVERIFY(file.writeString(QStringLiteral("Text1(2)"), QStringLiteral("after")));
    QCOMPARE(file.readString(QStringLiteral("Text1(1)")), value);
    QCOMPARE(file.readString(QStringLiteral("Text1(0)")), QStringLiteral("before"));
    QCOMPARE(file.readString(QStringLiteral("Text1(2)")), QStringLiteral("after"));
    // Stored as UTF-8.
    QVERIFY(readFile(configPath()).contains("\nText1(1)=" + value.toUtf8() + '\n'));
    QCOMPARE(m_config->failureCount(), 0);
}

void TestSettingsFile::longValues_data()
{
    QTest::addColumn<QString>("value");

    QTest::newRow("254 bytes") << QString(254, QLatin1Char('a'));
    QTest::newRow("255 bytes") << QString(255, QLatin1Char('b'));
    QTest::newRow("10000 bytes") << QString(10000, QLatin1Char('c'));
    QTest::newRow("long template")
        << QStringLiteral("$SPath$$SName$ ").repeated(300) + QStringLiteral("-o $DPath$$SNameNo$");
    QTest::newRow("5000 Chinese characters") << QString(5000, QChar(0x6587));
}

void TestSettingsFile::longValues()
{
    QFETCH(QString, value);

    const SettingsFile file(configPath());
    QVERIFY(file.writeString(QStringLiteral("Text3(0)"), value));
    QVERIFY(file.writeString(QStringLiteral("Text3(1)"), QStringLiteral("next")));
    QCOMPARE(file.readString(QStringLiteral("Text3(0)")), value);
    QCOMPARE(file.readString(QStringLiteral("Text3(1)")), QStringLiteral("next"));
    QVERIFY(file.writeString(QStringLiteral("Text3(0)"), value + QLatin1Char('!')));
    QCOMPARE(file.readString(QStringLiteral("Text3(0)")), value + QLatin1Char('!'));
}

void TestSettingsFile::valueEncodings_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("restOfFile"); // other lines of the same file

    // The encoding is the file's: short GBK values whose bytes happen to be
    // valid UTF-8 read right beside a GBK value that is not, a BOM means
    // UTF-8, and in a file that is not UTF-8 as a whole a UTF-8 value reads
    // as GB18030.
    const QByteArray gbkName = "Text1(1)=\xD7\xAA\xBB\xBB\xB9\xA4\xBE\xDF\r\n"; // 转换工具
    QTest::newRow("图片 beside another GBK value")
        << QByteArray("\xCD\xBC\xC6\xAC") << QStringLiteral("图片") << gbkName;
    QTest::newRow("三个字 beside another GBK value")
        << QByteArray("\xCD\xBC\xC6\xAC\xBC\xAF") << QStringLiteral("图片集") << gbkName;
    QTest::newRow("one GBK character beside another GBK value")
        << QByteArray("\xC6\xAC") << QStringLiteral("片") << gbkName;
    QTest::newRow("UTF-8 value in a GBK file")
        << QByteArray("\xE4\xB8\xAD") << QStringLiteral("涓") + QChar(QChar::ReplacementCharacter)
        << gbkName;
    QTest::newRow("UTF-8 file with a byte order mark")
        << QByteArray("\xE5\x9B\xBE\xE7\x89\x87") << QStringLiteral("图片")
        << QByteArray("Text1(1)=\xE8\xBD\xAC\r\n");

    QTest::newRow("ASCII") << QByteArray("conv.exe") << QStringLiteral("conv.exe") << QByteArray();
    QTest::newRow("UTF-8") << QByteArray("\xE4\xB8\xAD\xE6\x96\x87") << QStringLiteral("中文")
                           << QByteArray();
    QTest::newRow("code page 936")
        << QByteArray("\xD6\xD0\xCE\xC4") << QStringLiteral("中文") << QByteArray();
    QTest::newRow("code page 936 after ASCII") << QByteArray("C:\\\xB9\xA4\xBE\xDF\\a.exe")
                                               << QStringLiteral("C:\\工具\\a.exe") << QByteArray();
    QTest::newRow("long code page 936 value")
        << QByteArray("\xD6\xD0").repeated(3000) + "\xCE\xC4"
        << QString(3000, QChar(0x4E2D)) + QChar(0x6587) << QByteArray();
    QTest::newRow("bad byte in a long value")
        << QByteArray("\xD6\xD0").repeated(100) + "\xFF" + QByteArray("\xD6\xD0").repeated(100)
        << QString(100, QChar(0x4E2D)) + QChar(QChar::ReplacementCharacter) +
               QString(100, QChar(0x4E2D))
        << QByteArray();
    QTest::newRow("GB18030 four-byte forms")
        << QByteArray("\x81\x30\x89\x38\x94\x39\xFC\x36") << QStringLiteral("ß😀") << QByteArray();
    QTest::newRow("cut-off character")
        << QByteArray("ab\xD6") << (QStringLiteral("ab") + QChar(QChar::ReplacementCharacter))
        << QByteArray();
    QTest::newRow("bytes of neither")
        << QByteArray("a\xFF"
                      "b")
        << (QStringLiteral("a") + QChar(QChar::ReplacementCharacter) + QStringLiteral("b"))
        << QByteArray();
}

void TestSettingsFile::valueEncodings()
{
    QFETCH(QByteArray, stored);
    QFETCH(QString, value);
    QFETCH(QByteArray, restOfFile);

    const QByteArray tag(QTest::currentDataTag());
    // Four-byte forms, and bytes that GB18030 leaves out but GBK's tables
    // fill, need GB18030 itself: Windows has it as code page 54936.
    if ((tag == "GB18030 four-byte forms" || tag == "bytes of neither") &&
        DecodeCodePage("\x81\x30\x89\x38") != QStringLiteral("ß"))
        QSKIP("the system has no GB18030 code page (Wine lacks code page 54936), only GBK");
    const QByteArray bom =
        tag.contains("byte order mark") ? QByteArray("\xEF\xBB\xBF") : QByteArray();
    QVERIFY(writeBytes(configPath(),
                       bom + "[StringSection]\r\nText1(0)=" + stored + "\r\n" + restOfFile));
    QCOMPARE(m_config->readString(QStringLiteral("Text1(0)")), value);
}

void TestSettingsFile::lineBreakRefused_data()
{
    QTest::addColumn<bool>("fileExists");
    QTest::addColumn<QString>("value");

    const QString values[] = {QStringLiteral("a\nb"), QStringLiteral("a\r"), QStringLiteral("\r\n"),
                              QStringLiteral("x\r\nText2(0)=injected")};
    for (const bool exists : {true, false}) {
        for (const QString &value : values) {
            QTest::addRow("%s file, %s", exists ? "existing" : "no",
                          value.toUtf8().replace('\n', "\\n").replace('\r', "\\r").constData())
                << exists << value;
        }
    }
}

void TestSettingsFile::lineBreakRefused()
{
    QFETCH(bool, fileExists);
    QFETCH(QString, value);

    const QByteArray before("[StringSection]\nText1(0)=old\n");
    if (fileExists)
        QVERIFY(writeBytes(configPath(), before));

    QVERIFY(!SettingsFile(configPath()).writeString(QStringLiteral("Text1(0)"), value));
    m_config->writeString(QStringLiteral("Text1(1)"), value);
    QCOMPARE(m_config->failureCount(), 1);
    QCOMPARE(m_config->failures().first().text, QStringLiteral("写入配置文件错误  "));

    if (fileExists)
        QCOMPARE(readFile(configPath()), before);
    else
        QVERIFY(!QFile::exists(configPath()));
    QCOMPARE(m_config->readString(QStringLiteral("Text2(0)")), QString());
}

void TestSettingsFile::noTemporaryFilesLeft()
{
    for (int round = 0; round < 3; ++round)
        saveOptions(*m_config, convertTool());
    QVERIFY(!SettingsFile(configPath())
                 .writeString(QStringLiteral("Text1(0)"), QStringLiteral("a\nb")));
    QCOMPARE(entriesOf(m_dir->path()), QStringList{kConfigName});
}

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "tst_settings_file.moc"
