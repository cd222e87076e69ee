#include "core/files/drive_of_folder.h"
#include "core/files/paths.h"
#include "core/files/save_flushes.h"
#include "core/platform/atomic_file.h"
#include "core/platform/code_page.h"
#include "core/platform/drives.h"
#include "core/platform/registry.h"
#include "core/text/text_encoding.h"
#include "test_files.h"

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>

#include <windows.h>

using namespace corvane;
using corvane::test::readFile;
using corvane::test::writeFile;

namespace {
DWORD attributesOf(const QString &path)
{
    return ::GetFileAttributesW(reinterpret_cast<const wchar_t *>(path.utf16()));
}

bool setAttributes(const QString &path, DWORD attributes)
{
    return ::SetFileAttributesW(reinterpret_cast<const wchar_t *>(path.utf16()), attributes);
}

// A key of our own under HKEY_CURRENT_USER, removed again by the test.
const wchar_t kTestKey[] = L"Software\\Corvane\\RegistryTest";
} // namespace

// What Windows does differently: drive letters, the replace of a file with
// the read-only attribute, the registry, the ANSI code page.
class TestWindowsPlatform final : public QObject {
    Q_OBJECT

private slots:
    void driveLettersAsTheSystemHasThem();
    void driveOfFolder_data();
    void driveOfFolder();
    void atomicReplace_data();
    void atomicReplace();
    void registryThroughTheSeam_data();
    void registryThroughTheSeam();
    void codePage936();
    void localMachineRoot();
};

void TestWindowsPlatform::driveLettersAsTheSystemHasThem()
{
    // GetLogicalDrives' bit mask, another way to ask for the same letters.
    QStringList expected;
    const DWORD mask = ::GetLogicalDrives();
    for (int letter = 0; letter < 26; ++letter) {
        if (mask & (1u << letter))
            expected << QStringLiteral("%1:/").arg(QChar(u'A' + letter));
    }
    QStringList listed;
    for (const Drive &drive : MountedDrives())
        listed << drive.path;
    QCOMPARE(listed, expected);
    QVERIFY(listed.contains(QStringLiteral("C:/")));
    QVERIFY(CanOpenFolder(QStringLiteral("C:/")));

    // A letter the system does not have cannot be opened, nor can a folder
    // that is missing or a file.
    for (int letter = 25; letter >= 0; --letter) {
        if (!(mask & (1u << letter))) {
            QVERIFY(!CanOpenFolder(QStringLiteral("%1:/").arg(QChar(u'A' + letter))));
            break;
        }
    }
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QVERIFY(CanOpenFolder(folder.path()));
    QVERIFY(!CanOpenFolder(folder.filePath(QStringLiteral("missing"))));
    writeFile(folder.filePath(QStringLiteral("file")), "x");
    QVERIFY(!CanOpenFolder(folder.filePath(QStringLiteral("file"))));
}

void TestWindowsPlatform::driveOfFolder_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QStringList>("drives");
    QTest::addColumn<QString>("expected");

    const QStringList drives = {QStringLiteral("C:/"), QStringLiteral("D:/"),
                                QStringLiteral("C:/Mount/usb")};
    QTest::newRow("root") << QStringLiteral("C:/") << drives << QStringLiteral("C:/");
    QTest::newRow("folder") << QStringLiteral("D:/Music/live") << drives << QStringLiteral("D:/");
    QTest::newRow("mounted folder")
        << QStringLiteral("C:/Mount/usb/x") << drives << QStringLiteral("C:/Mount/usb");
    QTest::newRow("name only shares the beginning")
        << QStringLiteral("C:/Mount/usb2") << drives << QStringLiteral("C:/");
    QTest::newRow("letter not listed") << QStringLiteral("Q:/x") << drives << QStringLiteral("Q:/");
}

void TestWindowsPlatform::driveOfFolder()
{
    QFETCH(QString, folder);
    QFETCH(QStringList, drives);
    QFETCH(QString, expected);
    QCOMPARE(DriveOfFolder(folder, drives), expected);
}

void TestWindowsPlatform::atomicReplace_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<bool>("replaced");

    QTest::newRow("new file") << QStringLiteral("missing") << true;
    QTest::newRow("plain file") << QStringLiteral("plain") << true;
    QTest::newRow("hidden file keeps the attribute") << QStringLiteral("hidden") << true;
    QTest::newRow("temporary file left by a crash") << QStringLiteral("stale temporary") << true;
    QTest::newRow("read-only attribute") << QStringLiteral("read-only") << false;
    QTest::newRow("folder") << QStringLiteral("folder") << false;
}

void TestWindowsPlatform::atomicReplace()
{
    QFETCH(QString, before);
    QFETCH(bool, replaced);

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString path = QDir::toNativeSeparators(folder.filePath(QStringLiteral("config.ini")));
    const QString temporary = QDir::toNativeSeparators(AtomicWriteTemporaryName(path));
    if (before == QLatin1String("folder")) {
        QVERIFY(QDir().mkdir(path));
    } else if (before != QLatin1String("missing")) {
        writeFile(path, "old");
    }
    if (before == QLatin1String("hidden"))
        QVERIFY(setAttributes(path, FILE_ATTRIBUTE_HIDDEN));
    if (before == QLatin1String("read-only"))
        QVERIFY(setAttributes(path, FILE_ATTRIBUTE_READONLY));
    if (before == QLatin1String("stale temporary"))
        writeFile(temporary, "half written");

    const int flushes = AtomicSaveFlushCount();
    QCOMPARE(WriteFileAtomically(path, "new"), replaced);
    QVERIFY(!QFileInfo::exists(temporary));
    if (before == QLatin1String("folder")) {
        QVERIFY(QFileInfo(path).isDir());
        return;
    }
    QCOMPARE(readFile(path), replaced ? QByteArray("new") : QByteArray("old"));
    if (replaced)
        QVERIFY(AtomicSaveFlushCount() > flushes);
    if (before == QLatin1String("hidden"))
        QVERIFY(attributesOf(path) & FILE_ATTRIBUTE_HIDDEN);
    if (before == QLatin1String("read-only")) {
        QVERIFY(attributesOf(path) & FILE_ATTRIBUTE_READONLY);
        QVERIFY(setAttributes(path, FILE_ATTRIBUTE_NORMAL));
    }
}

void TestWindowsPlatform::registryThroughTheSeam_data()
{
    QTest::addColumn<QString>("valueName");
    QTest::addColumn<bool>("found");
    QTest::addColumn<quint32>("type");
    QTest::addColumn<QByteArray>("data");

    // As the key holds them (below); strings in code page 936, with their NUL.
    QTest::newRow("string") << QStringLiteral("PATH") << true << kRegSz
                            << QByteArray("C:\\Program Files\\\xD0\xC5\xCF\xA2\\msinfo32.exe") +
                                   '\0';
    QTest::newRow("number") << QStringLiteral("Count") << true << kRegDword
                            << QByteArray("\x78\x56\x34\x12", 4);
    QTest::newRow("expandable string")
        << QStringLiteral("Expand") << true << kRegExpandSz << QByteArray("%SystemRoot%", 13);
    QTest::newRow("empty string") << QStringLiteral("Empty") << true << kRegSz
                                  << QByteArray(1, '\0');
    QTest::newRow("longer than the buffer")
        << QStringLiteral("Long") << false << quint32(0) << QByteArray();
    QTest::newRow("missing value")
        << QStringLiteral("Missing") << false << quint32(0) << QByteArray();
}

void TestWindowsPlatform::registryThroughTheSeam()
{
    QFETCH(QString, valueName);
    QFETCH(bool, found);
    QFETCH(quint32, type);
    QFETCH(QByteArray, data);

    if (::GetACP() != 936)
        QSKIP("needs the Chinese code page 936 (scripts/windows runs the tests with it)");
    // Written with the wide functions, read through the seam's ANSI ones.
    HKEY key = nullptr;
    QCOMPARE(::RegCreateKeyExW(HKEY_CURRENT_USER, kTestKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                               &key, nullptr),
             LONG(ERROR_SUCCESS));
    const auto setString = [key](const wchar_t *name, DWORD kind, const std::wstring &text) {
        return ::RegSetValueExW(key, name, 0, kind, reinterpret_cast<const BYTE *>(text.c_str()),
                                DWORD((text.size() + 1) * sizeof(wchar_t)));
    };
    const DWORD number = 0x12345678;
    QCOMPARE(setString(L"PATH", REG_SZ, L"C:\\Program Files\\\u4FE1\u606F\\msinfo32.exe"),
             LONG(ERROR_SUCCESS));
    QCOMPARE(::RegSetValueExW(key, L"Count", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&number),
                              sizeof number),
             LONG(ERROR_SUCCESS));
    QCOMPARE(setString(L"Expand", REG_EXPAND_SZ, L"%SystemRoot%"), LONG(ERROR_SUCCESS));
    QCOMPARE(setString(L"Empty", REG_SZ, L""), LONG(ERROR_SUCCESS));
    QCOMPARE(setString(L"Long", REG_SZ, std::wstring(1024, L'x')), LONG(ERROR_SUCCESS));
    ::RegCloseKey(key);
    const auto removeKey = qScopeGuard([] { ::RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey); });

    Registry &registry = SystemRegistry();
    RegistryKey opened = 0;
    QVERIFY(registry.openKey(kHkeyCurrentUser, QStringLiteral("Software\\Corvane\\RegistryTest"),
                             0x2003F, &opened));
    RegistryValue value;
    QCOMPARE(registry.queryValue(opened, valueName, 1024, &value), found);
    registry.closeKey(opened);
    if (!found)
        return;
    QCOMPARE(value.type, type);
    QCOMPARE(value.data, data);
    if (type == kRegSz)
        QCOMPARE(DecodeSystemText(value.data.chopped(1)),
                 valueName == QLatin1String("PATH")
                     ? QStringLiteral("C:\\Program Files\\信息\\msinfo32.exe")
                     : QString());
}

void TestWindowsPlatform::codePage936()
{
    if (::GetACP() != 936)
        QSKIP("needs the Chinese code page 936 (scripts/windows runs the tests with it)");
    // 图片 in code page 936 is also valid UTF-8: the file decides, not the value.
    const QByteArray gbk("\xCD\xBC\xC6\xAC");
    QCOMPARE(EncodeCodePage(QStringLiteral("图片")), gbk);
    QCOMPARE(DecodeCodePage(gbk), QStringLiteral("图片"));
    QCOMPARE(DecodeText(gbk, TextEncoding::CodePage), QStringLiteral("图片"));
    QCOMPARE(DetectTextEncoding("a=" + gbk + "\r\nb=\xD6\xD0\r\n"), TextEncoding::CodePage);
    QCOMPARE(DetectTextEncoding(QStringLiteral("a=图片").toUtf8()), TextEncoding::Utf8);

    // Command output as the console window decodes it: 中文 in two reads
    // that split the second character.
    QStringDecoder output(CommandOutputEncoding());
    QString shown = output.decode(QByteArray("\xD6\xD0\xCE"));
    shown += output.decode(QByteArray("\xC4"));
    QCOMPARE(shown, QStringLiteral("中文"));
}

void TestWindowsPlatform::localMachineRoot()
{
    // The root keys are 32-bit numbers that a handle carries sign-extended.
    RegistryKey key = 0;
    QVERIFY(SystemRegistry().openKey(
        kHkeyLocalMachine, QStringLiteral("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion"),
        KEY_READ, &key));
    SystemRegistry().closeKey(key);
    QVERIFY(!SystemRegistry().openKey(
        kHkeyLocalMachine, QStringLiteral("SOFTWARE\\Corvane\\NoSuchKey"), KEY_READ, &key));
}

QTEST_GUILESS_MAIN(TestWindowsPlatform)
#include "tst_win_platform.moc"
