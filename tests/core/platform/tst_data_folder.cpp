#include "core/files/paths.h"
#include "core/platform/data_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <pwd.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace corvane;

namespace {
constexpr QFile::Permissions kOwnerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
constexpr QFile::Permissions kOwnerGroupOther = kOwnerOnly | QFile::ReadGroup | QFile::WriteGroup |
                                                QFile::ExeGroup | QFile::ReadOther |
                                                QFile::WriteOther | QFile::ExeOther;

QFile::Permissions modeOf(const QString &path)
{
    return QFileInfo(path).permissions() & kOwnerGroupOther;
}
} // namespace

class TestDataFolder final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void realDataFolderOfABuildTreeProgram();
    void userConfigFolder_data();
    void userConfigFolder();
    void chooseDataFolder_data();
    void chooseDataFolder();
    void missingParentsAreCreatedPrivate();
    void existingUserFolderKeepsItsMode();
    void rootKeepsToItsOwnHome_data();
    void rootKeepsToItsOwnHome();

private:
    QString path(const QString &pattern) const;

    QTemporaryDir m_tmp;
    QString m_home;
    QString m_xdg;
    int m_userFolders = 0;
    bool m_aclSet = false;
};

// "@TMP@" stands for the temporary folder, "@HOME@" for the test's home.
QString TestDataFolder::path(const QString &pattern) const
{
    QString result = pattern;
    result.replace(QStringLiteral("@TMP@"), m_tmp.path());
    result.replace(QStringLiteral("@HOME@"), m_home);
    return result;
}

void TestDataFolder::initTestCase()
{
    QVERIFY(m_tmp.isValid());
    m_home = m_tmp.filePath(QStringLiteral("home"));
    m_xdg = m_tmp.filePath(QStringLiteral("xdg"));
    // Set before anything asks for a standard location.
    qputenv("HOME", QFile::encodeName(m_home));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_xdg));

    QDir tmp(m_tmp.path());
    for (const char *folder :
         {"portable", "readonly", "home/.local/bin", "home/bin", "home/apps/corvane", "xdg",
          "open-to-all", "other-group", "other-owner", "other-config", "acl-shared"})
        QVERIFY(tmp.mkpath(QLatin1String(folder)));
    // user::rwx user:65534:rwx group::r-x mask::rwx other::r-x as the kernel
    // keeps it; the mask shows as the group's write bit.
    const QByteArray acl = QByteArray::fromHex("0200000001000700ffffffff02000700feff0000"
                                               "04000500ffffffff10000700ffffffff20000500ffffffff");
    m_aclSet = ::setxattr(QFile::encodeName(tmp.filePath(QStringLiteral("acl-shared"))).constData(),
                          "system.posix_acl_access", acl.constData(), size_t(acl.size()), 0) == 0;
    // Folders that another user could plant a config.ini in, or did.
    QVERIFY(QFile::setPermissions(tmp.filePath(QStringLiteral("open-to-all")),
                                  kOwnerOnly | QFile::ReadGroup | QFile::WriteGroup |
                                      QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther |
                                      QFile::ExeOther));
    if (::geteuid() == 0) {
        const QByteArray otherGroup =
            QFile::encodeName(tmp.filePath(QStringLiteral("other-group")));
        QCOMPARE(::chown(otherGroup.constData(), 0, 65534), 0);
        QCOMPARE(::chmod(otherGroup.constData(), 0775), 0);
        QCOMPARE(::chown(QFile::encodeName(tmp.filePath(QStringLiteral("other-owner"))).constData(),
                         65534, 65534),
                 0);
        const QString config = tmp.filePath(QStringLiteral("other-config/config.ini"));
        QFile planted(config);
        QVERIFY(planted.open(QIODevice::WriteOnly));
        planted.close();
        QCOMPARE(::chown(QFile::encodeName(config).constData(), 65534, 65534), 0);
    }
    QVERIFY(QFile::setPermissions(tmp.filePath(QStringLiteral("readonly")),
                                  QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                      QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther));
    QFile file(tmp.filePath(QStringLiteral("file")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY(QFile::link(QStringLiteral("/usr/bin"), tmp.filePath(QStringLiteral("usr-bin-link"))));
    QVERIFY(QFile::link(tmp.filePath(QStringLiteral("portable")),
                        tmp.filePath(QStringLiteral("portable-link"))));
}

void TestDataFolder::cleanupTestCase()
{
    // Give the owner back the right to delete the temporary folder.
    QFile::setPermissions(m_tmp.filePath(QStringLiteral("readonly")), kOwnerOnly);
}

// The test program lives in the build tree, which is writable: like Corvane
// run from its build folder, it keeps its data beside the program.
void TestDataFolder::realDataFolderOfABuildTreeProgram()
{
    const QString programFolder = QDir::cleanPath(QCoreApplication::applicationDirPath());
    QCOMPARE(ProgramFolder(), programFolder);
    QCOMPARE(ChooseDataFolder(ProgramFolder(), UserConfigFolder()), programFolder);
    QVERIFY(!QFileInfo::exists(JoinPath(m_xdg, QStringLiteral("Corvane"))));
}

void TestDataFolder::userConfigFolder_data()
{
    QTest::addColumn<bool>("xdgSet");
    QTest::addColumn<QString>("expected");

    QTest::newRow("XDG_CONFIG_HOME set") << true << QStringLiteral("@TMP@/xdg/Corvane");
    QTest::newRow("XDG_CONFIG_HOME not set") << false << QStringLiteral("@HOME@/.config/Corvane");
}

void TestDataFolder::userConfigFolder()
{
    QFETCH(bool, xdgSet);
    QFETCH(QString, expected);

    if (!xdgSet)
        qunsetenv("XDG_CONFIG_HOME");
    const QString folder = UserConfigFolder();
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_xdg));
    QCOMPARE(folder, path(expected));
}

void TestDataFolder::chooseDataFolder_data()
{
    QTest::addColumn<QString>("programFolder");
    QTest::addColumn<bool>("besideProgram");

    const auto beside = [](const char *name, const char *folder) {
        QTest::newRow(name) << QString::fromUtf8(folder) << true;
    };
    const auto perUser = [](const char *name, const char *folder) {
        QTest::newRow(name) << QString::fromUtf8(folder) << false;
    };

    beside("writable folder (unpacked program)", "@TMP@/portable");
    beside("writable folder with a trailing slash", "@TMP@/portable/");
    beside("writable folder in the home folder", "@HOME@/apps/corvane");
    beside("link to a writable folder", "@TMP@/portable-link");

    // No write bit at all: read-only for Corvane even when run as root.
    perUser("folder without write permission bits", "@TMP@/readonly");
    perUser("missing folder", "@TMP@/missing");
    perUser("a file, not a folder", "@TMP@/file");
    perUser("empty program folder", "");
    // Installed beside other programs: never the program's own folder, even
    // for root, who may write there.
    perUser("/usr/bin", "/usr/bin");
    perUser("/bin", "/bin");
    perUser("/usr/bin with a trailing slash", "/usr/bin/");
    perUser("link to /usr/bin", "@TMP@/usr-bin-link");
    perUser("/usr/local/bin", "/usr/local/bin");
    perUser("~/.local/bin", "@HOME@/.local/bin");
    perUser("~/bin", "@HOME@/bin");

    // Others could choose the tool this user runs.
    perUser("folder writable by everyone", "@TMP@/open-to-all");
    perUser("folder writable by another user through an ACL", "@TMP@/acl-shared");
    perUser("folder writable by another group (as root)", "@TMP@/other-group");
    perUser("folder of another user (as root)", "@TMP@/other-owner");
    perUser("config.ini of another user (as root)", "@TMP@/other-config");
}

void TestDataFolder::chooseDataFolder()
{
    QFETCH(QString, programFolder);
    QFETCH(bool, besideProgram);

    if (QByteArray(QTest::currentDataTag()).contains("(as root)") && ::geteuid() != 0)
        QSKIP("only root can give a file to another user");
    if (QByteArray(QTest::currentDataTag()).contains("ACL") && !m_aclSet)
        QSKIP("this file system has no ACLs");
    programFolder = path(programFolder);
    if (programFolder.startsWith(QLatin1Char('/')) && !programFolder.startsWith(m_tmp.path()) &&
        !QFileInfo(programFolder).isDir())
        QSKIP("this system has no such folder");

    const QString userFolder =
        m_tmp.filePath(QStringLiteral("config%1/Corvane").arg(++m_userFolders));
    const QString chosen = ChooseDataFolder(programFolder, userFolder);
    if (besideProgram) {
        QCOMPARE(chosen, QDir::cleanPath(programFolder));
        QVERIFY(!QFileInfo::exists(userFolder));
    } else {
        QCOMPARE(chosen, userFolder);
        QVERIFY(QFileInfo(userFolder).isDir());
        QCOMPARE(modeOf(userFolder), kOwnerOnly);
    }
}

void TestDataFolder::missingParentsAreCreatedPrivate()
{
    const QString parent = m_tmp.filePath(QStringLiteral("fresh/config"));
    const QString userFolder = JoinPath(parent, QStringLiteral("Corvane"));
    QCOMPARE(
        ChooseDataFolder(m_tmp.filePath(QStringLiteral("readonly")), userFolder + QLatin1Char('/')),
        userFolder);
    QCOMPARE(modeOf(m_tmp.filePath(QStringLiteral("fresh"))), kOwnerOnly);
    QCOMPARE(modeOf(parent), kOwnerOnly);
    QCOMPARE(modeOf(userFolder), kOwnerOnly);
}

void TestDataFolder::existingUserFolderKeepsItsMode()
{
    const QString userFolder = m_tmp.filePath(QStringLiteral("shared-config/Corvane"));
    QVERIFY(QDir().mkpath(userFolder));
    const QFile::Permissions mode = kOwnerOnly | QFile::ReadGroup | QFile::ExeGroup;
    QVERIFY(QFile::setPermissions(userFolder, mode));
    QCOMPARE(ChooseDataFolder(QStringLiteral("/usr/bin"), userFolder), userFolder);
    QCOMPARE(modeOf(userFolder), mode);
}

void TestDataFolder::rootKeepsToItsOwnHome_data()
{
    QTest::addColumn<bool>("exists");
    QTest::newRow("root's Corvane folder in a folder of another user") << true;
    QTest::newRow("no Corvane folder in a folder of another user") << false;
}

// Root with another user's XDG_CONFIG_HOME (sudo -E, su without -) keeps to
// its own home and makes nothing in that user's folder.
void TestDataFolder::rootKeepsToItsOwnHome()
{
    QFETCH(bool, exists);
    if (::geteuid() != 0)
        QSKIP("only root can give a folder to another user");
    const QString other = m_tmp.filePath(QStringLiteral("other-home-%1").arg(exists));
    const QString userFolder = JoinPath(other, QStringLiteral("Corvane"));
    QVERIFY(QDir().mkpath(exists ? userFolder : other));
    QCOMPARE(::chown(QFile::encodeName(other).constData(), 65534, 65534), 0);

    const QString own =
        QFile::decodeName(::getpwuid(0)->pw_dir) + QStringLiteral("/.config/Corvane");
    QStringList made; // folders made in root's home, removed again
    for (QString folder = own; !QFileInfo::exists(folder); folder = QFileInfo(folder).path())
        made.append(folder);
    const auto removeMade = qScopeGuard([&made] {
        for (const QString &folder : std::as_const(made))
            QDir().rmdir(folder);
    });
    QCOMPARE(ChooseDataFolder(m_tmp.filePath(QStringLiteral("readonly")), userFolder), own);
    QCOMPARE(QFileInfo::exists(userFolder), exists);
}

QTEST_GUILESS_MAIN(TestDataFolder)
#include "tst_data_folder.moc"
