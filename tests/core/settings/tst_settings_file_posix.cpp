#include "core/files/paths.h"
#include "core/platform/atomic_file.h"
#include "core/settings/ini_file.h"
#include "core/settings/settings_file.h"
#include "settings_tools.h"
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
using namespace corvane::test;

namespace {

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

class TestSettingsFilePosix final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

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
    void otherUsersFileSwappedIn();
    void permissionsKept_data();
    void permissionsKept();
    void killedWhileSaving();

private:
    QString configPath() const { return m_dir->filePath(kConfigName); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<RecordingSettings> m_config;
    QStringList m_lockedFolders;
};

void TestSettingsFilePosix::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_config = std::make_unique<RecordingSettings>(m_dir->path());
}

void TestSettingsFilePosix::cleanup()
{
    // Give locked folders their bits back so that the temporary folder can go.
    for (const QString &folder : std::as_const(m_lockedFolders))
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_lockedFolders.clear();
    m_config.reset();
    m_dir.reset();
}

void TestSettingsFilePosix::gb18030File_data()
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

void TestSettingsFilePosix::gb18030File()
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
    QCOMPARE(m_config->failureCount(), 0);
}

void TestSettingsFilePosix::readOnlyFile_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("sameValues");

    QTest::newRow("0444, new values") << 0444 << false;
    QTest::newRow("0444, same values") << 0444 << true;
    QTest::newRow("0400") << 0400 << false;
    QTest::newRow("0440") << 0440 << false;
    QTest::newRow("0000") << 0000 << false;
}

void TestSettingsFilePosix::readOnlyFile()
{
    QFETCH(int, mode);
    QFETCH(bool, sameValues);

    saveOptions(*m_config, convertTool());
    m_config->writeInt(QStringLiteral("CurrentTool"), 0);
    const QByteArray before = readFile(configPath());
    QVERIFY(QFile::setPermissions(configPath(), permissionsFromMode(mode)));
    QCOMPARE(m_config->failureCount(), 0);

    Tools tools = convertTool();
    if (!sameValues) {
        for (int i = 0; i < 8; ++i)
            tools[size_t(i)] = {QStringLiteral("N%1").arg(i), QStringLiteral("P%1").arg(i),
                                QStringLiteral("C%1").arg(i), 1, 1};
    }
    saveOptions(*m_config, tools);
    QCOMPARE(m_config->failureCount(), 40);
    m_config->writeInt(QStringLiteral("CurrentTool"), 3);
    QCOMPARE(m_config->failureCount(), 41);
    for (const Message &message : m_config->failures()) {
        QCOMPARE(message.text, QStringLiteral("写入配置文件错误  "));
        QCOMPARE(message.title, QStringLiteral("Corvane"));
        QCOMPARE(message.icon, MessageIcon::None);
    }

    m_config->clearFailures();
    QCOMPARE(saveOptions(SettingsFile(configPath()), tools), 40);

    QCOMPARE(modeOf(configPath()), permissionsFromMode(mode));
    QVERIFY(QFile::setPermissions(configPath(), QFile::ReadOwner | QFile::WriteOwner));
    QCOMPARE(readFile(configPath()), before);
    QCOMPARE(entriesOf(m_dir->path()), QStringList{kConfigName});
}

void TestSettingsFilePosix::unwritableFolder_data()
{
    QTest::addColumn<bool>("fileExists");
    QTest::addColumn<int>("folderMode");

    QTest::newRow("file, folder 0555") << true << 0555;
    QTest::newRow("file, folder 0500") << true << 0500;
    QTest::newRow("no file, folder 0555") << false << 0555;
}

void TestSettingsFilePosix::unwritableFolder()
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
    QVERIFY(!file.writeInt(QStringLiteral("CurrentTool"), 1));

    QCOMPARE(readFile(path), before);
    QCOMPARE(entriesOf(folder), fileExists ? QStringList{kConfigName} : QStringList{});
    QCOMPARE(file.readString(QStringLiteral("Text1(0)")),
             fileExists ? QStringLiteral("old") : QString());
}

void TestSettingsFilePosix::notARegularFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("folder") << QStringLiteral("folder");
    QTest::newRow("FIFO") << QStringLiteral("fifo");
    QTest::newRow("link to /dev/zero") << QStringLiteral("zero");
    QTest::newRow("file over 64 MiB") << QStringLiteral("huge");
}

void TestSettingsFilePosix::notARegularFile()
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
    QVERIFY(identity() == before);
}

void TestSettingsFilePosix::symlinkFollowed_data()
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

void TestSettingsFilePosix::symlinkFollowed()
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
    QCOMPARE(m_config->failureCount(), 0);

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

void TestSettingsFilePosix::symlinkToReadOnlyFile()
{
    const QString target = m_dir->filePath(QStringLiteral("target.ini"));
    const QByteArray before("[StringSection]\nText1(0)=old\n");
    QVERIFY(writeBytes(target, before));
    QVERIFY(QFile::setPermissions(target, permissionsFromMode(0444)));
    QVERIFY(QFile::link(QStringLiteral("target.ini"), configPath()));

    QVERIFY(
        !SettingsFile(configPath()).writeString(QStringLiteral("Text1(0)"), QStringLiteral("new")));
    QVERIFY(QFileInfo(configPath()).isSymLink());
    QCOMPARE(readFile(target), before);
    QCOMPARE(modeOf(target), permissionsFromMode(0444));
}

// A config.ini that has become another user's since start-up reads as
// missing, and a save leaves it as it is.
void TestSettingsFilePosix::otherUsersFileSwappedIn()
{
    if (::geteuid() != 0)
        QSKIP("only root can give a file to another user");
    const QByteArray bytes("[StringSection]\nText2(0)=/tmp/their-program\n"
                           "[IntegerSection]\nCurrentTool=5\n");
    QVERIFY(writeBytes(configPath(), bytes));
    QCOMPARE(::chown(QFile::encodeName(configPath()).constData(), 65534, 65534), 0);

    QCOMPARE(m_config->readString(QStringLiteral("Text2(0)")), QString());
    QCOMPARE(m_config->readInt(QStringLiteral("CurrentTool")), 0);
    m_config->writeInt(QStringLiteral("CurrentTool"), 2);
    m_config->writeAll({SettingValue::string(QStringLiteral("Text1(0)"), QStringLiteral("x"))});
    QCOMPARE(m_config->failureCount(), 2);
    QCOMPARE(readFile(configPath()), bytes);
}

void TestSettingsFilePosix::permissionsKept_data()
{
    QTest::addColumn<int>("mode");

    QTest::newRow("0600") << 0600;
    QTest::newRow("0640") << 0640;
    QTest::newRow("0664") << 0664;
    QTest::newRow("0606") << 0606;
    QTest::newRow("0755") << 0755;
}

void TestSettingsFilePosix::permissionsKept()
{
    QFETCH(int, mode);

    QVERIFY(writeBytes(configPath(), "[IntegerSection]\nCurrentTool=0\n"));
    QVERIFY(QFile::setPermissions(configPath(), permissionsFromMode(mode)));
    QVERIFY(SettingsFile(configPath()).writeInt(QStringLiteral("CurrentTool"), 5));
    QCOMPARE(modeOf(configPath()), permissionsFromMode(mode));
    QVERIFY(QFile::setPermissions(configPath(), QFile::ReadOwner | QFile::WriteOwner));
    QCOMPARE(readFile(configPath()), QByteArray("[IntegerSection]\nCurrentTool=5\n"));
}

void TestSettingsFilePosix::killedWhileSaving()
{
    // A child process saves one key over and over, alternating between two
    // values of different lengths, and is killed at random moments. Each
    // time the file must be whole: the state before one of its saves or
    // after it, never something in between.
    saveOptions(*m_config, convertTool());
    m_config->writeInt(QStringLiteral("CurrentTool"), 0);
    QCOMPARE(m_config->failureCount(), 0);
    const QByteArray initial = readFile(configPath());

    const QString key = QStringLiteral("Text3(0)");
    const QString valueA = QString(3000, QLatin1Char('A'));
    const QString valueB = QStringLiteral("$SPath$$SName$ -b ") + QString(7000, QLatin1Char('B'));
    const QByteArray withA = *WriteIniValue(initial, kStringSection, key.toUtf8(), valueA.toUtf8());
    const QByteArray withB = *WriteIniValue(initial, kStringSection, key.toUtf8(), valueB.toUtf8());

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
    QCOMPARE(m_config->failureCount(), 0);
}

QTEST_GUILESS_MAIN(TestSettingsFilePosix)
#include "tst_settings_file_posix.moc"
