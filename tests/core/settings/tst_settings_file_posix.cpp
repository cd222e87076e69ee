#include "core/platform/atomic_file.h"
#include "core/platform/data_folder.h"
#include "core/settings/profile.h"
#include "core/settings/settings_file.h"
#include "message_recorder.h"
#include "test_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <array>
#include <cerrno>
#include <climits>
#include <iconv.h>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

using namespace corvane;
using corvane::test::MessageRecorder;
using corvane::test::readFile;
using corvane::test::writeBytes;

namespace {

const QString kConfigName = QStringLiteral("config.ini");

struct ToolFields {
    QString name;
    QString program;
    QString commandLine;
    int capture = 0;
    int console = 0;
};
using Tools = std::array<ToolFields, 8>;

QString key(const char *prefix, int index)
{
    return QLatin1String(prefix) + QString::number(index) + QLatin1Char(')');
}

// The writes of the options dialog's save, in its order.
void saveOptions(const Tools &tools)
{
    for (int i = 0; i < 8; ++i) {
        const ToolFields &tool = tools[size_t(i)];
        WriteStringSetting(key("Text1(", i), tool.name);
        WriteStringSetting(key("Text2(", i), tool.program);
        WriteStringSetting(key("Text3(", i), tool.commandLine);
        WriteIntSetting(key("Check1(", i), tool.capture);
        WriteIntSetting(key("Check2(", i), tool.console);
    }
}

// The same save through a settings file; returns how many writes failed.
int saveOptions(const SettingsFile &file, const Tools &tools)
{
    int failed = 0;
    for (int i = 0; i < 8; ++i) {
        const ToolFields &tool = tools[size_t(i)];
        failed += !file.writeString(key("Text1(", i), tool.name);
        failed += !file.writeString(key("Text2(", i), tool.program);
        failed += !file.writeString(key("Text3(", i), tool.commandLine);
        failed += !file.writeInt(key("Check1(", i), tool.capture);
        failed += !file.writeInt(key("Check2(", i), tool.console);
    }
    return failed;
}

Tools convertTool()
{
    Tools tools;
    tools[0] = {QStringLiteral("Convert"), QStringLiteral("C:\\tools\\conv.exe"),
                QStringLiteral("$SPath$$SName$ -o $DPath$$SNameNo$.txt"), 1, 0};
    return tools;
}

// GB18030 bytes of a text, made by iconv as the Windows tool's files are.
QByteArray toGb18030(const QString &text)
{
    iconv_t converter = iconv_open("GB18030", "UTF-8");
    if (converter == iconv_t(-1))
        return QByteArray();
    QByteArray in = text.toUtf8();
    QByteArray out(in.size() * 4 + 16, '\0');
    char *inPtr = in.data();
    size_t inLeft = size_t(in.size());
    char *outPtr = out.data();
    size_t outLeft = size_t(out.size());
    const size_t result = iconv(converter, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(converter);
    if (result == size_t(-1))
        return QByteArray();
    out.truncate(out.size() - qsizetype(outLeft));
    return out;
}

QStringList entriesOf(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

QFile::Permissions permissionsFromMode(int mode)
{
    QFile::Permissions permissions;
    const std::pair<int, QFile::Permission> bits[] = {
        {0400, QFile::ReadOwner}, {0200, QFile::WriteOwner}, {0100, QFile::ExeOwner},
        {040, QFile::ReadGroup},  {020, QFile::WriteGroup},  {010, QFile::ExeGroup},
        {04, QFile::ReadOther},   {02, QFile::WriteOther},   {01, QFile::ExeOther},
    };
    for (const auto &[bit, permission] : bits) {
        if (mode & bit)
            permissions |= permission;
    }
    return permissions;
}

constexpr QFile::Permissions kModeBits = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                         QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                         QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;

QFile::Permissions modeOf(const QString &path)
{
    return QFile::permissions(path) & kModeBits;
}

} // namespace

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
    void gb18030File_data();
    void gb18030File();
    void readOnlyFile_data();
    void readOnlyFile();
    void unwritableFolder_data();
    void unwritableFolder();
    void notARegularFile_data();
    void notARegularFile();
    void symlinkFollowed_data();
    void symlinkFollowed();
    void symlinkToReadOnlyFile();
    void permissionsKept_data();
    void permissionsKept();
    void lineBreakRefused_data();
    void lineBreakRefused();
    void noTemporaryFilesLeft();
    void killedWhileSaving();

private:
    QString configPath() const { return m_dir->filePath(kConfigName); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<MessageRecorder> m_messages;
    QStringList m_lockedFolders;
};

void TestSettingsFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    SetDataFolder(m_dir->path());
    m_messages = std::make_unique<MessageRecorder>();
}

void TestSettingsFile::cleanup()
{
    // Give locked folders their bits back so that the temporary folder can go.
    for (const QString &folder : std::as_const(m_lockedFolders))
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_lockedFolders.clear();
    m_messages.reset();
    m_dir.reset();
}

void TestSettingsFile::missingFileReadsDefaults()
{
    const SettingsFile file(configPath());
    QCOMPARE(file.readInt(QStringLiteral("CurrentTool")), 0);
    QCOMPARE(file.readString(QStringLiteral("Text1(0)")), QString());
    QCOMPARE(ReadIntSetting(QStringLiteral("Check1(3)")), 0);
    QCOMPARE(ReadStringSetting(QStringLiteral("Text2(7)")), QString());
    QCOMPARE(m_messages->count(), 0);
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
    QCOMPARE(m_messages->count(), 0);
    QCOMPARE(readFile(configPath()), content);
}

void TestSettingsFile::freeRoutinesUseDataFolder()
{
    QCOMPARE(ConfigPath(), m_dir->path() + QStringLiteral("/config.ini"));
    WriteStringSetting(QStringLiteral("Text1(4)"), QStringLiteral("Four"));
    WriteIntSetting(QStringLiteral("CurrentTool"), 4);
    QCOMPARE(readFile(configPath()),
             QByteArray("[StringSection]\nText1(4)=Four\n[IntegerSection]\nCurrentTool=4\n"));
    QCOMPARE(ReadStringSetting(QStringLiteral("Text1(4)")), QStringLiteral("Four"));
    QCOMPARE(ReadIntSetting(QStringLiteral("CurrentTool")), 4);
    QCOMPARE(SettingsFile(configPath()).readInt(QStringLiteral("CurrentTool")), 4);
    QCOMPARE(m_messages->count(), 0);
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
        WriteIntSetting(QStringLiteral("CurrentTool"), 0);
    saveOptions(convertTool());
    WriteIntSetting(QStringLiteral("CurrentTool"), 0);

    const QByteArray actual = readFile(configPath());
    const QList<QByteArray> actualLines = actual.split('\n');
    const QList<QByteArray> expectedLines = expected.split('\n');
    QCOMPARE(actualLines.size(), expectedLines.size());
    for (qsizetype i = 0; i < expectedLines.size(); ++i)
        QCOMPARE(actualLines[i], expectedLines[i]);
    QCOMPARE(actual, expected);
    QCOMPARE(m_messages->count(), 0);
}

void TestSettingsFile::caseBlindLookup()
{
    QVERIFY(writeBytes(configPath(),
                       "[stringsection]\nTEXT1(2)=Two\n[INTEGERSECTION]\nCurrenttool=2\n"));
    QCOMPARE(ReadStringSetting(QStringLiteral("text1(2)")), QStringLiteral("Two"));
    QCOMPARE(ReadStringSetting(QStringLiteral("Text1(2)")), QStringLiteral("Two"));
    QCOMPARE(ReadIntSetting(QStringLiteral("CurrentTool")), 2);

    WriteStringSetting(QStringLiteral("Text1(2)"), QStringLiteral("Deux"));
    WriteIntSetting(QStringLiteral("currenttool"), 3);
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

    WriteIntSetting(QStringLiteral("CurrentTool"), value);
    QCOMPARE(readFile(configPath()), "[IntegerSection]\nCurrentTool=" + text + '\n');
    QCOMPARE(ReadIntSetting(QStringLiteral("CurrentTool")), value);
    // Integers and strings live apart.
    QCOMPARE(ReadStringSetting(QStringLiteral("CurrentTool")), QString());
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
    QCOMPARE(ReadIntSetting(QStringLiteral("CurrentTool")), value);
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
    QCOMPARE(m_messages->count(), 0);
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

    const QByteArray bom = QByteArray(QTest::currentDataTag()).contains("byte order mark")
                               ? QByteArray("\xEF\xBB\xBF")
                               : QByteArray();
    QVERIFY(writeBytes(configPath(),
                       bom + "[StringSection]\r\nText1(0)=" + stored + "\r\n" + restOfFile));
    QCOMPARE(ReadStringSetting(QStringLiteral("Text1(0)")), value);
}

void TestSettingsFile::gb18030File_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expectedText");

    // The file as the Windows tool leaves it; expectedText is the file after
    // the write, all of it still GB18030.
    QTest::newRow("new key in its section")
        << QStringLiteral("Text3(0)") << QStringLiteral("转换 -o $DPath$$SNameNo$.mp3")
        << QStringLiteral("[StringSection]\r\n"
                          "Text1(0)=转换工具\r\n"
                          "Text2(0)=C:\\工具\\转换.exe\r\n"
                          "Text1(1)=音乐 🎵\r\n"
                          "Text3(0)=转换 -o $DPath$$SNameNo$.mp3\r\n"
                          "; 说明\r\n"
                          "[IntegerSection]\r\n"
                          "CurrentTool=1\r\n");
    QTest::newRow("replace a Chinese value")
        << QStringLiteral("Text1(0)") << QStringLiteral("新名称")
        << QStringLiteral("[StringSection]\r\n"
                          "Text1(0)=新名称\r\n"
                          "Text2(0)=C:\\工具\\转换.exe\r\n"
                          "Text1(1)=音乐 🎵\r\n"
                          "; 说明\r\n"
                          "[IntegerSection]\r\n"
                          "CurrentTool=1\r\n");
}

void TestSettingsFile::gb18030File()
{
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QString, expectedText);

    const QString original = QStringLiteral("[StringSection]\r\n"
                                            "Text1(0)=转换工具\r\n"
                                            "Text2(0)=C:\\工具\\转换.exe\r\n"
                                            "Text1(1)=音乐 🎵\r\n"
                                            "; 说明\r\n"
                                            "[IntegerSection]\r\n"
                                            "CurrentTool=1\r\n");
    const QByteArray originalBytes = toGb18030(original);
    QVERIFY(!originalBytes.isEmpty());
    QVERIFY(originalBytes.contains("\xD7\xAA\xBB\xBB")); // 转换 in code page 936
    QVERIFY(writeBytes(configPath(), originalBytes));

    const SettingsFile file(configPath());
    QCOMPARE(file.readString(QStringLiteral("Text1(0)")), QStringLiteral("转换工具"));
    QCOMPARE(file.readString(QStringLiteral("Text2(0)")), QStringLiteral("C:\\工具\\转换.exe"));
    QCOMPARE(file.readString(QStringLiteral("Text1(1)")), QStringLiteral("音乐 🎵"));
    QCOMPARE(file.readInt(QStringLiteral("CurrentTool")), 1);

    QVERIFY(file.writeString(key, value));

    QCOMPARE(readFile(configPath()), toGb18030(expectedText));

    QCOMPARE(file.readString(key), value);
    if (key != QStringLiteral("Text1(0)"))
        QCOMPARE(file.readString(QStringLiteral("Text1(0)")), QStringLiteral("转换工具"));
    QCOMPARE(file.readString(QStringLiteral("Text2(0)")), QStringLiteral("C:\\工具\\转换.exe"));
    QCOMPARE(file.readString(QStringLiteral("Text1(1)")), QStringLiteral("音乐 🎵"));
    QCOMPARE(file.readInt(QStringLiteral("CurrentTool")), 1);

    // A write to the other section leaves the GB18030 lines as they were.
    const QByteArray beforeInt = readFile(configPath());
    QVERIFY(file.writeInt(QStringLiteral("CurrentTool"), 0));
    QByteArray expectedInt = beforeInt;
    expectedInt.replace("CurrentTool=1", "CurrentTool=0");
    QCOMPARE(readFile(configPath()), expectedInt);
    QCOMPARE(m_messages->count(), 0);
}

void TestSettingsFile::readOnlyFile_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("sameValues");

    QTest::newRow("0444, new values") << 0444 << false;
    QTest::newRow("0444, same values") << 0444 << true;
    QTest::newRow("0400") << 0400 << false;
    QTest::newRow("0440") << 0440 << false;
    QTest::newRow("0000") << 0000 << false;
}

void TestSettingsFile::readOnlyFile()
{
    QFETCH(int, mode);
    QFETCH(bool, sameValues);

    saveOptions(convertTool());
    WriteIntSetting(QStringLiteral("CurrentTool"), 0);
    const QByteArray before = readFile(configPath());
    QVERIFY(QFile::setPermissions(configPath(), permissionsFromMode(mode)));
    QCOMPARE(m_messages->count(), 0);

    Tools tools = convertTool();
    if (!sameValues) {
        for (int i = 0; i < 8; ++i)
            tools[size_t(i)] = {QStringLiteral("N%1").arg(i), QStringLiteral("P%1").arg(i),
                                QStringLiteral("C%1").arg(i), 1, 1};
    }
    saveOptions(tools);
    QCOMPARE(m_messages->count(), 40);
    WriteIntSetting(QStringLiteral("CurrentTool"), 3);
    QCOMPARE(m_messages->count(), 41);
    for (const Message &message : m_messages->messages()) {
        QCOMPARE(message.text, QStringLiteral("写入配置文件错误  "));
        QCOMPARE(message.title, QStringLiteral("Corvane"));
        QCOMPARE(message.icon, MessageIcon::None);
    }

    m_messages->clear();
    QCOMPARE(saveOptions(SettingsFile(configPath()), tools), 40);
    QCOMPARE(m_messages->count(), 40);

    QCOMPARE(modeOf(configPath()), permissionsFromMode(mode));
    QVERIFY(QFile::setPermissions(configPath(), QFile::ReadOwner | QFile::WriteOwner));
    QCOMPARE(readFile(configPath()), before);
    QCOMPARE(entriesOf(m_dir->path()), QStringList{kConfigName});
}

void TestSettingsFile::unwritableFolder_data()
{
    QTest::addColumn<bool>("fileExists");
    QTest::addColumn<int>("folderMode");

    QTest::newRow("file, folder 0555") << true << 0555;
    QTest::newRow("file, folder 0500") << true << 0500;
    QTest::newRow("no file, folder 0555") << false << 0555;
}

void TestSettingsFile::unwritableFolder()
{
    QFETCH(bool, fileExists);
    QFETCH(int, folderMode);

    const QString folder = m_dir->filePath(QStringLiteral("locked"));
    QVERIFY(QDir().mkpath(folder));
    const QString path = QDir(folder).filePath(kConfigName);
    const SettingsFile file(path);
    if (fileExists)
        QVERIFY(file.writeString(QStringLiteral("Text1(0)"), QStringLiteral("old")));
    const QByteArray before = readFile(path);

    m_lockedFolders.append(folder);
    QVERIFY(QFile::setPermissions(folder, permissionsFromMode(folderMode)));
    QVERIFY(!file.writeString(QStringLiteral("Text1(0)"), QStringLiteral("new")));
    QCOMPARE(m_messages->count(), 1);
    QVERIFY(!file.writeInt(QStringLiteral("CurrentTool"), 1));
    QCOMPARE(m_messages->count(), 2);

    QCOMPARE(readFile(path), before);
    QCOMPARE(entriesOf(folder), fileExists ? QStringList{kConfigName} : QStringList{});
    QCOMPARE(file.readString(QStringLiteral("Text1(0)")),
             fileExists ? QStringLiteral("old") : QString());
}

void TestSettingsFile::notARegularFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("folder") << QStringLiteral("folder");
    QTest::newRow("FIFO") << QStringLiteral("fifo");
    QTest::newRow("link to /dev/zero") << QStringLiteral("zero");
    QTest::newRow("file over 64 MiB") << QStringLiteral("huge");
}

void TestSettingsFile::notARegularFile()
{
    QFETCH(QString, kind);
    const QByteArray path = QFile::encodeName(configPath());
    if (kind == QLatin1String("folder"))
        QVERIFY(QDir().mkpath(configPath()));
    else if (kind == QLatin1String("fifo"))
        QCOMPARE(::mkfifo(path.constData(), 0644), 0);
    else if (kind == QLatin1String("zero"))
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), configPath()));
    else
        QVERIFY(writeBytes(configPath(), "[IntegerSection]\nCurrentTool=3\n") &&
                ::truncate(path.constData(), (64 << 20) + 1) == 0);
    const auto identity = [&path] {
        struct stat status {};
        ::lstat(path.constData(), &status);
        return QPair<quint64, quint64>(status.st_mode, status.st_ino);
    };
    const auto before = identity();

    // Reads as missing at once, without blocking or filling the memory.
    const SettingsFile file(configPath());
    QCOMPARE(file.readInt(QStringLiteral("CurrentTool")), 0);
    QCOMPARE(file.readString(QStringLiteral("Text1(0)")), QString());
    // A write is refused with the usual message and replaces nothing.
    QVERIFY(!file.writeInt(QStringLiteral("CurrentTool"), 1));
    QCOMPARE(m_messages->count(), 1);
    QVERIFY(identity() == before);
}

void TestSettingsFile::symlinkFollowed_data()
{
    QTest::addColumn<QString>("linkTarget"); // relative to the link's folder "links"
    QTest::addColumn<bool>("absolute");
    QTest::addColumn<bool>("chain");
    QTest::addColumn<bool>("targetExists");

    QTest::newRow("relative") << QStringLiteral("../real/settings.ini") << false << false << true;
    QTest::newRow("absolute") << QStringLiteral("../real/settings.ini") << true << false << true;
    QTest::newRow("chain of two") << QStringLiteral("../real/settings.ini") << false << true
                                  << true;
    QTest::newRow("dangling link creates its target")
        << QStringLiteral("../real/settings.ini") << false << false << false;
}

void TestSettingsFile::symlinkFollowed()
{
    QFETCH(QString, linkTarget);
    QFETCH(bool, absolute);
    QFETCH(bool, chain);
    QFETCH(bool, targetExists);

    const QString links = m_dir->filePath(QStringLiteral("links"));
    const QString real = m_dir->filePath(QStringLiteral("real"));
    QVERIFY(QDir().mkpath(links));
    QVERIFY(QDir().mkpath(real));
    const QString target = QDir(real).filePath(QStringLiteral("settings.ini"));
    const QByteArray before("; mine\r\n[StringSection]\r\nText1(0)=old\r\n");
    if (targetExists)
        QVERIFY(writeBytes(target, before));

    const QString link = QDir(links).filePath(kConfigName);
    const QString linkText =
        absolute ? QDir::cleanPath(links + QLatin1Char('/') + linkTarget) : linkTarget;
    if (chain) {
        QVERIFY(QFile::link(linkText, QDir(links).filePath(QStringLiteral("middle.ini"))));
        QVERIFY(QFile::link(QStringLiteral("middle.ini"), link));
    } else {
        QVERIFY(QFile::link(linkText, link));
    }
    const QStringList linkFolderBefore = entriesOf(links);
    const QString linkTargetBefore = QFileInfo(link).symLinkTarget();
    // The link's own folder may be locked: only the target's folder is written.
    m_lockedFolders.append(links);
    QVERIFY(QFile::setPermissions(links, permissionsFromMode(0555)));

    const SettingsFile file(link);
    QVERIFY(file.writeString(QStringLiteral("Text1(0)"), QStringLiteral("new")));
    QCOMPARE(m_messages->count(), 0);

    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(QFileInfo(link).symLinkTarget(), linkTargetBefore);
    QCOMPARE(QFileInfo(link).canonicalFilePath(), QFileInfo(target).canonicalFilePath());
    QCOMPARE(entriesOf(links), linkFolderBefore);
    QCOMPARE(entriesOf(real), QStringList{QStringLiteral("settings.ini")});
    QVERIFY(!QFileInfo(target).isSymLink());
    QCOMPARE(readFile(target), targetExists
                                   ? QByteArray("; mine\r\n[StringSection]\r\nText1(0)=new\r\n")
                                   : QByteArray("[StringSection]\nText1(0)=new\n"));
    QCOMPARE(file.readString(QStringLiteral("Text1(0)")), QStringLiteral("new"));
}

void TestSettingsFile::symlinkToReadOnlyFile()
{
    const QString target = m_dir->filePath(QStringLiteral("target.ini"));
    const QByteArray before("[StringSection]\nText1(0)=old\n");
    QVERIFY(writeBytes(target, before));
    QVERIFY(QFile::setPermissions(target, permissionsFromMode(0444)));
    QVERIFY(QFile::link(QStringLiteral("target.ini"), configPath()));

    QVERIFY(
        !SettingsFile(configPath()).writeString(QStringLiteral("Text1(0)"), QStringLiteral("new")));
    QCOMPARE(m_messages->count(), 1);
    QVERIFY(QFileInfo(configPath()).isSymLink());
    QCOMPARE(readFile(target), before);
    QCOMPARE(modeOf(target), permissionsFromMode(0444));
}

void TestSettingsFile::permissionsKept_data()
{
    QTest::addColumn<int>("mode");

    QTest::newRow("0600") << 0600;
    QTest::newRow("0640") << 0640;
    QTest::newRow("0664") << 0664;
    QTest::newRow("0606") << 0606;
    QTest::newRow("0755") << 0755;
}

void TestSettingsFile::permissionsKept()
{
    QFETCH(int, mode);

    QVERIFY(writeBytes(configPath(), "[IntegerSection]\nCurrentTool=0\n"));
    QVERIFY(QFile::setPermissions(configPath(), permissionsFromMode(mode)));
    QVERIFY(SettingsFile(configPath()).writeInt(QStringLiteral("CurrentTool"), 5));
    QCOMPARE(modeOf(configPath()), permissionsFromMode(mode));
    QVERIFY(QFile::setPermissions(configPath(), QFile::ReadOwner | QFile::WriteOwner));
    QCOMPARE(readFile(configPath()), QByteArray("[IntegerSection]\nCurrentTool=5\n"));
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
    QCOMPARE(m_messages->count(), 1);
    QCOMPARE(m_messages->messages().first().text, QStringLiteral("写入配置文件错误  "));
    WriteStringSetting(QStringLiteral("Text1(1)"), value);
    QCOMPARE(m_messages->count(), 2);

    if (fileExists)
        QCOMPARE(readFile(configPath()), before);
    else
        QVERIFY(!QFile::exists(configPath()));
    QCOMPARE(ReadStringSetting(QStringLiteral("Text2(0)")), QString());
}

void TestSettingsFile::noTemporaryFilesLeft()
{
    for (int round = 0; round < 3; ++round)
        saveOptions(convertTool());
    QVERIFY(!SettingsFile(configPath())
                 .writeString(QStringLiteral("Text1(0)"), QStringLiteral("a\nb")));
    QCOMPARE(entriesOf(m_dir->path()), QStringList{kConfigName});
}

void TestSettingsFile::killedWhileSaving()
{
    // A child process saves one key over and over, alternating between two
    // values of different lengths, and is killed at random moments. Each
    // time the file must be whole: the state before one of its saves or
    // after it, never something in between.
    saveOptions(convertTool());
    WriteIntSetting(QStringLiteral("CurrentTool"), 0);
    QCOMPARE(m_messages->count(), 0);
    const QByteArray initial = readFile(configPath());

    const QString key = QStringLiteral("Text3(0)");
    const QString valueA = QString(3000, QLatin1Char('A'));
    const QString valueB = QStringLiteral("$SPath$$SName$ -b ") + QString(7000, QLatin1Char('B'));
    const QByteArray withA =
        *WriteProfileValue(initial, kStringSection, key.toUtf8(), valueA.toUtf8());
    const QByteArray withB =
        *WriteProfileValue(initial, kStringSection, key.toUtf8(), valueB.toUtf8());

    const QString temporaryName = QFileInfo(AtomicWriteTemporaryName(configPath())).fileName();
    constexpr int kRounds = 100;
    int leftOver = 0;
    for (int round = 0; round < kRounds; ++round) {
        QProcess writer;
        writer.start(QStringLiteral(CORVANE_SETTINGS_WRITER), {configPath(), key, valueA, valueB});
        QVERIFY2(writer.waitForReadyRead(30000), qPrintable(writer.errorString()));
        QThread::usleep(QRandomGenerator::global()->bounded(20000));
        writer.kill();
        QVERIFY(writer.waitForFinished(30000));
        QCOMPARE(writer.exitStatus(), QProcess::CrashExit);

        const QByteArray bytes = readFile(configPath());
        QVERIFY2(bytes == withA || bytes == withB,
                 qPrintable(QStringLiteral("round %1: %2 bytes").arg(round).arg(bytes.size())));
        const QString value = SettingsFile(configPath()).readString(key);
        QVERIFY(value == valueA || value == valueB);

        // A kill between linking the finished temporary file into the folder
        // and renaming it leaves that one file; the next save reuses its name,
        // so there is never more than one.
        const QStringList entries = entriesOf(m_dir->path());
        if (entries.size() > 1) {
            ++leftOver;
            QCOMPARE(entries, (QStringList{temporaryName, kConfigName}));
            const QByteArray leftBytes = readFile(m_dir->filePath(temporaryName));
            QVERIFY(leftBytes == withA || leftBytes == withB);
        } else {
            QCOMPARE(entries, QStringList{kConfigName});
        }
    }
    qInfo("killed %d times, temporary file present after %d kills", kRounds, leftOver);
    QCOMPARE(m_messages->count(), 0);
}

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "tst_settings_file.moc"
