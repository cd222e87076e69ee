#include "core/platform/registry.h"
#include "core/platform/system_information.h"
#include "fake_registry.h"
#include "gui/common/form_layout.h"
#include "gui/common/version.h"
#include "gui/dialogs/about_box.h"
#include "gui/platform/qt_desktop.h"
#include "message_recorder.h"
#include "modal_driver.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <memory>
#include <optional>

using namespace corvane;
using corvane::test::DriveModal;
using corvane::test::FakeRegistry;
using corvane::test::MessageRecorder;
using corvane::test::VisibleWindows;

namespace {

const QString kViewerKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString kViewerValue = QStringLiteral("PATH");
const QString kFolderKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
const QString kFolderValue = QStringLiteral("MSINFO");

QByteArray Dword(quint32 number)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian(number, bytes.data());
    return bytes;
}

// A string value as the registry's ANSI functions hand it over: in the
// system's code page, with its NUL.
QByteArray Sz(const QString &text)
{
    return text.toLocal8Bit() + '\0';
}

// One registry value a case sets up: type and data.
struct Value final {
    quint32 type = kRegSz;
    QByteArray data;
};

} // namespace

Q_DECLARE_METATYPE(std::optional<Value>)

class TestAboutBox final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void versionText_data();
    void versionText();
    void versionLabelAtLoad();
    void layout_data();
    void layout();
    void windowAndTexts();
    void titleFont();
    void closing_data();
    void closing();
    void sysInfoUnavailableWithoutRegistry();
    void getKeyValue_data();
    void getKeyValue();
    void emptyValueIsAnError();
    void startSysInfo_data();
    void startSysInfo();
    void sysInfoFromPath();
    void realStartFailsWithoutProgram();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QByteArray m_path;
    std::unique_ptr<test::FakeDesktop> m_desktop;
    std::unique_ptr<MessageRecorder> m_messages;
};

void TestAboutBox::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_desktop = std::make_unique<test::FakeDesktop>(m_dir->path());
    m_messages = std::make_unique<MessageRecorder>(*m_desktop);
    // Starts only what a real start could: an existing file.
    m_desktop->starter = [](const QString &path) { return QFileInfo(path).isFile(); };
    // PATH is an empty folder, so that no system-information program of this
    // machine is found.
    m_path = qgetenv("PATH");
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("bin")));
    qputenv("PATH", QFile::encodeName(m_dir->filePath(QStringLiteral("bin"))));
}

void TestAboutBox::cleanup()
{
    QCOMPARE(VisibleWindows(), QStringList());
    QVERIFY(!QApplication::activeModalWidget());
    qputenv("PATH", m_path);
    m_messages.reset();
    m_desktop.reset();
    m_dir.reset();
}

void TestAboutBox::versionText_data()
{
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<int>("patch");
    QTest::addColumn<QString>("text");

    QTest::newRow("1.3.5") << 1 << 3 << 5 << QStringLiteral("版本 1.3.5");
    QTest::newRow("two-digit minor") << 1 << 10 << 5 << QStringLiteral("版本 1.10.5");
    QTest::newRow("zeros") << 0 << 0 << 0 << QStringLiteral("版本 0.0.0");
    QTest::newRow("no padding") << 2 << 0 << 100 << QStringLiteral("版本 2.0.100");
}

void TestAboutBox::versionText()
{
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(int, patch);
    QFETCH(QString, text);
    QCOMPARE(VersionText(major, minor, patch), text);
}

void TestAboutBox::versionLabelAtLoad()
{
    AboutBox box(*m_desktop);
    const QLabel *label = box.findChild<QLabel *>(QStringLiteral("lblVersion"));
    QVERIFY(label);
    QCOMPARE(label->text(),
             VersionText(CORVANE_VERSION_MAJOR, CORVANE_VERSION_MINOR, CORVANE_VERSION_PATCH));
    // The program's version, as the project declares it.
    QCOMPARE(label->text(), QStringLiteral("版本 1.3.5"));
}

void TestAboutBox::layout_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("twips");

    QTest::newRow("picIcon") << QStringLiteral("picIcon") << QRect(240, 240, 780, 780);
    QTest::newRow("lblTitle") << QStringLiteral("lblTitle") << QRect(1050, 240, 3885, 480);
    QTest::newRow("lblVersion") << QStringLiteral("lblVersion") << QRect(1050, 780, 3885, 225);
    QTest::newRow("lblDescription")
        << QStringLiteral("lblDescription") << QRect(1050, 1125, 3885, 1170);
    QTest::newRow("lblDisclaimer")
        << QStringLiteral("lblDisclaimer") << QRect(240, 2625, 3375, 825);
    QTest::newRow("cmdOK") << QStringLiteral("cmdOK") << QRect(4125, 2625, 1500, 345);
    QTest::newRow("cmdSysInfo") << QStringLiteral("cmdSysInfo") << QRect(4140, 3075, 1485, 345);
    // The lines by their end points, one pixel and two pixels thick.
    QTest::newRow("Line1(1)") << QStringLiteral("Line1_1") << QRect(90, 2445, 5654 - 90 + 15, 15);
    QTest::newRow("Line1(0)") << QStringLiteral("Line1_0") << QRect(105, 2460, 5654 - 105 + 15, 30);
}

void TestAboutBox::layout()
{
    QFETCH(QString, name);
    QFETCH(QRect, twips);

    AboutBox box(*m_desktop);
    const QWidget *widget = box.findChild<QWidget *>(name);
    QVERIFY(widget);
    QCOMPARE(widget->geometry(),
             QRect(Px(twips.x()), Px(twips.y()), Px(twips.width()), Px(twips.height())));
}

void TestAboutBox::windowAndTexts()
{
    AboutBox box(*m_desktop);
    QCOMPARE(box.objectName(), QStringLiteral("frmAbout"));
    QCOMPARE(box.windowTitle(), QStringLiteral("关于程序"));
    QCOMPARE(box.parentWidget(), nullptr);
    QCOMPARE(box.size(), QSize(Px(5730), Px(3555)));
    QCOMPARE(box.minimumSize(), box.size());
    QCOMPARE(box.maximumSize(), box.size());
    QVERIFY(!(box.windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(box.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(!box.windowIcon().isNull());

    const auto text = [&box](const char *name) {
        const QLabel *label = box.findChild<QLabel *>(QLatin1String(name));
        return label ? label->text() : QStringLiteral("<missing>");
    };
    QCOMPARE(text("lblTitle"), QStringLiteral("Corvane(批处理工具)"));
    QCOMPARE(
        text("lblDescription"),
        QStringLiteral("本程序将控制台程序或DOS程序图形化，拥有批量处理功能，减少输入CMD命令行或"
                       "者编写批处理文件时繁杂的重复劳动，也能作为其它无图形界面程序的图形化扩展"
                       "，是一款便利的好工具。"));
    const QStringList disclaimer = text("lblDisclaimer").split(QLatin1Char('\n'));
    QCOMPARE(disclaimer.size(), 2);
    for (const QString &line : disclaimer)
        QVERIFY(!line.trimmed().isEmpty());

    const QLabel *icon = box.findChild<QLabel *>(QStringLiteral("picIcon"));
    QVERIFY(icon);
    QCOMPARE(icon->pixmap().size(), QSize(48, 48));
    QCOMPARE(icon->contentsRect().size(), QSize(48, 48));

    const auto *ok = box.findChild<QPushButton *>(QStringLiteral("cmdOK"));
    const auto *sysInfo = box.findChild<QPushButton *>(QStringLiteral("cmdSysInfo"));
    QVERIFY(ok);
    QVERIFY(sysInfo);
    QCOMPARE(ok->text(), QStringLiteral("确定"));
    QCOMPARE(sysInfo->text(), QStringLiteral("系统信息(&S)..."));
    QVERIFY(ok->isDefault());
    QCOMPARE(box.focusWidget(), ok);
    QCOMPARE(ok->nextInFocusChain(), sysInfo);

    for (const char *name : {"lblTitle", "lblDescription", "lblDisclaimer"}) {
        const QLabel *label = box.findChild<QLabel *>(QLatin1String(name));
        QCOMPARE(label->palette().color(QPalette::WindowText), QColor(Qt::black));
    }
    const QWidget *grey = box.findChild<QWidget *>(QStringLiteral("Line1_1"));
    const QWidget *white = box.findChild<QWidget *>(QStringLiteral("Line1_0"));
    QVERIFY(grey);
    QVERIFY(white);
    QCOMPARE(grey->palette().color(QPalette::Window), QColor(0x80, 0x80, 0x80));
    QCOMPARE(white->palette().color(QPalette::Window), QColor(Qt::white));
}

void TestAboutBox::titleFont()
{
    AboutBox box(*m_desktop);
    const QLabel *title = box.findChild<QLabel *>(QStringLiteral("lblTitle"));
    QVERIFY(title);
    const QFont font = title->font();
    QCOMPARE(font.pointSizeF(), 10.5);
    QCOMPARE(font.weight(), QFont::Normal);
    const QStringList families = QFontDatabase::families();
    if (families.contains(QStringLiteral("宋体")) || families.contains(QStringLiteral("SimSun"))) {
        QVERIFY(font.family() == QStringLiteral("宋体") ||
                font.family() == QStringLiteral("SimSun"));
    } else {
        // Whatever face is used, it has the Chinese characters of the title.
        const QString used = QFontInfo(font).family();
        QVERIFY2(QFontDatabase::writingSystems(used).contains(QFontDatabase::SimplifiedChinese),
                 qPrintable(used));
    }
}

void TestAboutBox::closing_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("click OK") << QStringLiteral("click");
    QTest::newRow("Enter") << QStringLiteral("enter");
    QTest::newRow("Enter on system info") << QStringLiteral("enter elsewhere");
    QTest::newRow("Esc") << QStringLiteral("esc");
    QTest::newRow("close box") << QStringLiteral("close box");
}

void TestAboutBox::closing()
{
    QFETCH(QString, how);
    bool closed = false;
    const bool driven = DriveModal<AboutBox>(
        [this] { OpenAboutBox(*m_desktop); },
        [&](AboutBox *box) {
            QVERIFY(box->isModal());
            QCOMPARE(box->parentWidget(), nullptr);
            auto *ok = box->findChild<QPushButton *>(QStringLiteral("cmdOK"));
            QCOMPARE(box->focusWidget(), ok);
            if (how == QLatin1String("click")) {
                QTest::mouseClick(ok, Qt::LeftButton);
            } else if (how == QLatin1String("enter")) {
                QTest::keyClick(ok, Qt::Key_Return);
            } else if (how == QLatin1String("enter elsewhere")) {
                // Enter on the focused system-information button presses that
                // button, not OK.
                auto *sysInfo = box->findChild<QPushButton *>(QStringLiteral("cmdSysInfo"));
                sysInfo->setFocus();
                QTest::keyClick(sysInfo, Qt::Key_Return);
                QVERIFY(box->isVisible());
                QCOMPARE(m_messages->count(), 1);
                ok->setFocus();
                QTest::keyClick(box, Qt::Key_Return);
            } else if (how == QLatin1String("esc")) {
                QTest::keyClick(ok, Qt::Key_Escape);
            } else {
                box->close();
            }
            closed = !box->isVisible();
        });
    QVERIFY(driven);
    QVERIFY(closed);
}

void TestAboutBox::sysInfoUnavailableWithoutRegistry()
{
    // An empty registry, as where there is none.
    const bool driven =
        DriveModal<AboutBox>([this] { OpenAboutBox(*m_desktop); },
                             [this](AboutBox *box) {
                                 auto *sysInfo =
                                     box->findChild<QPushButton *>(QStringLiteral("cmdSysInfo"));
                                 QTest::mouseClick(sysInfo, Qt::LeftButton);
                                 QVERIFY(box->isVisible());
                                 QCOMPARE(m_messages->count(), 1);
                                 // Again from the keyboard: Space on the focused button.
                                 sysInfo->setFocus();
                                 QTest::keyClick(sysInfo, Qt::Key_Space);
                                 QCOMPARE(m_messages->count(), 2);
                                 QVERIFY(box->isVisible());
                                 box->findChild<QPushButton *>(QStringLiteral("cmdOK"))->click();
                             });
    QVERIFY(driven);
    QCOMPARE(m_messages->count(), 2);
    for (const Message &message : m_messages->messages()) {
        QCOMPARE(message.text, QStringLiteral("此时系统信息不可用"));
        QCOMPARE(message.title, QStringLiteral("Corvane"));
        QCOMPARE(message.icon, MessageIcon::None);
    }
    QVERIFY(m_desktop->started.isEmpty());
}

void TestAboutBox::getKeyValue_data()
{
    QTest::addColumn<std::optional<Value>>("stored");
    QTest::addColumn<QString>("before");
    QTest::addColumn<bool>("read");
    QTest::addColumn<QString>("after");

    const QString before = QStringLiteral("before");
    const auto row = [&](const char *name, std::optional<Value> stored, bool read,
                         const QString &after) {
        QTest::newRow(name) << stored << before << read << after;
    };
    row("string", Value{kRegSz, Sz(QStringLiteral("C:\\Windows\\msinfo32.exe"))}, true,
        QStringLiteral("C:\\Windows\\msinfo32.exe"));
    row("string without NUL", Value{kRegSz, QByteArray("/usr/bin/info")}, true,
        QStringLiteral("/usr/bin/info"));
    row("Chinese string", Value{kRegSz, Sz(QStringLiteral("D:\\工具\\信息.exe"))}, true,
        QStringLiteral("D:\\工具\\信息.exe"));
    row("only the NUL", Value{kRegSz, QByteArray(1, '\0')}, true, QString());
    row("DWORD", Value{kRegDword, Dword(1024)}, true, QStringLiteral("1024"));
    row("DWORD all ones", Value{kRegDword, Dword(0xFFFFFFFFu)}, true, QStringLiteral("4294967295"));
    row("DWORD zero", Value{kRegDword, Dword(0)}, true, QStringLiteral("0"));
    row("expandable string left as passed",
        Value{kRegExpandSz, Sz(QStringLiteral("%SystemRoot%\\msinfo32.exe"))}, true, before);
    row("binary left as passed", Value{3, QByteArray("\x01\x02", 2)}, true, before);
    row("1024 bytes fit", Value{kRegSz, QByteArray(1023, 'a') + '\0'}, true,
        QString(1023, QLatin1Char('a')));
    row("1025 bytes do not", Value{kRegSz, QByteArray(1024, 'a') + '\0'}, false, QString());
    row("missing value", std::nullopt, false, QString());
}

void TestAboutBox::getKeyValue()
{
    QFETCH(std::optional<Value>, stored);
    QFETCH(QString, before);
    QFETCH(bool, read);
    QFETCH(QString, after);

    m_desktop->fakeRegistry.addKey(kViewerKey);
    if (stored)
        m_desktop->fakeRegistry.setValue(kViewerKey, kViewerValue, stored->type, stored->data);
    m_desktop->fakeRegistry.setValue(kViewerKey, QStringLiteral("Other"), kRegSz,
                                     Sz(QStringLiteral("x")));

    AboutBox box(*m_desktop);
    QString value = before;
    QCOMPARE(box.readKeyValue(kHkeyLocalMachine, kViewerKey, kViewerValue, value), read);
    QCOMPARE(value, after);

    QCOMPARE(m_desktop->fakeRegistry.opens().size(), 1);
    QCOMPARE(m_desktop->fakeRegistry.opens().first().root, kHkeyLocalMachine);
    QCOMPARE(m_desktop->fakeRegistry.opens().first().keyName, kViewerKey);
    QCOMPARE(m_desktop->fakeRegistry.opens().first().access, 0x2003Fu);
    QCOMPARE(m_desktop->fakeRegistry.bufferSizes(), QList<int>{1024});
    QCOMPARE(m_desktop->fakeRegistry.keysLeftOpen(), 0);
    QCOMPARE(m_desktop->fakeRegistry.badCloses(), 0);
}

void TestAboutBox::emptyValueIsAnError()
{
    m_desktop->fakeRegistry.setValue(kViewerKey, kViewerValue, kRegSz, QByteArray());
    AboutBox box(*m_desktop);
    QString value = QStringLiteral("before");
    QVERIFY_THROWS_EXCEPTION(EmptyRegistryValue,
                             box.readKeyValue(kHkeyLocalMachine, kViewerKey, kViewerValue, value));
    QCOMPARE(m_desktop->fakeRegistry.keysLeftOpen(), 0);

    // A key that cannot be opened is no error, just no value.
    value = QStringLiteral("before");
    QVERIFY(!box.readKeyValue(kHkeyLocalMachine, QStringLiteral("SOFTWARE\\Missing"), kViewerValue,
                              value));
    QCOMPARE(value, QString());
}

void TestAboutBox::startSysInfo_data()
{
    QTest::addColumn<std::optional<Value>>("first");
    QTest::addColumn<std::optional<Value>>("second");
    QTest::addColumn<bool>("viewerInFolder");
    // What would be started; "<viewer>" stands for the viewer file in the
    // temporary folder, "<folder viewer>" for MSINFO32.EXE in it.
    QTest::addColumn<QStringList>("started");
    QTest::addColumn<bool>("secondLooked");
    QTest::addColumn<bool>("message");

    const QByteArray viewer = "<viewer>";
    const QByteArray folder = "<folder>";
    const QStringList none;
    const QStringList viewerStarted = {QStringLiteral("<viewer>")};
    const QStringList folderViewerStarted = {QStringLiteral("<folder viewer>")};

    QTest::newRow("first location names the viewer")
        << std::optional<Value>(Value{kRegSz, viewer + '\0'}) << std::optional<Value>() << false
        << viewerStarted << false << false;
    QTest::newRow("first location missing, second has the viewer")
        << std::optional<Value>() << std::optional<Value>(Value{kRegSz, folder + '\0'}) << true
        << folderViewerStarted << true << false;
    QTest::newRow("second location's folder without the viewer")
        << std::optional<Value>() << std::optional<Value>(Value{kRegSz, folder + '\0'}) << false
        << none << true << true;
    QTest::newRow("both missing") << std::optional<Value>() << std::optional<Value>() << false
                                  << none << true << true;
    QTest::newRow("first location names a missing file")
        << std::optional<Value>(Value{kRegSz, Sz(QStringLiteral("/no/such/msinfo32"))})
        << std::optional<Value>(Value{kRegSz, folder + '\0'}) << true
        << QStringList{QStringLiteral("/no/such/msinfo32")} << false << true;
    QTest::newRow("first location of another type")
        << std::optional<Value>(Value{kRegExpandSz, viewer + '\0'})
        << std::optional<Value>(Value{kRegSz, folder + '\0'}) << true << QStringList{QString()}
        << false << true;
    QTest::newRow("first location a DWORD")
        << std::optional<Value>(Value{kRegDword, Dword(7)})
        << std::optional<Value>(Value{kRegSz, folder + '\0'}) << true
        << QStringList{QStringLiteral("7")} << false << true;
    QTest::newRow("first location empty")
        << std::optional<Value>(Value{kRegSz, QByteArray()})
        << std::optional<Value>(Value{kRegSz, folder + '\0'}) << true << none << false << true;
    QTest::newRow("first location only a NUL")
        << std::optional<Value>(Value{kRegSz, QByteArray(1, '\0')})
        << std::optional<Value>(Value{kRegSz, folder + '\0'}) << true << QStringList{QString()}
        << false << true;
    QTest::newRow("first location over 1024 bytes")
        << std::optional<Value>(Value{kRegSz, QByteArray(1100, 'a') + '\0'})
        << std::optional<Value>(Value{kRegSz, folder + '\0'}) << true << folderViewerStarted << true
        << false;
    QTest::newRow("second location empty")
        << std::optional<Value>() << std::optional<Value>(Value{kRegSz, QByteArray()}) << true
        << none << true << true;
}

void TestAboutBox::startSysInfo()
{
    QFETCH(std::optional<Value>, first);
    QFETCH(std::optional<Value>, second);
    QFETCH(bool, viewerInFolder);
    QFETCH(QStringList, started);
    QFETCH(bool, secondLooked);
    QFETCH(bool, message);

    const QString viewerPath = m_dir->filePath(QStringLiteral("msinfo32"));
    QFile viewerFile(viewerPath);
    QVERIFY(viewerFile.open(QIODevice::WriteOnly));
    viewerFile.close();
    const QString folder = m_dir->filePath(QStringLiteral("shared tools"));
    QVERIFY(QDir().mkpath(folder));
    const QString folderViewer = folder + QDir::separator() + QStringLiteral("MSINFO32.EXE");
    if (viewerInFolder) {
        QFile file(folderViewer);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }

    const auto resolve = [&](QByteArray data) {
        data.replace("<viewer>", viewerPath.toUtf8());
        data.replace("<folder>", folder.toUtf8());
        return data;
    };
    if (first)
        m_desktop->fakeRegistry.setValue(kViewerKey, kViewerValue, first->type,
                                         resolve(first->data));
    if (second)
        m_desktop->fakeRegistry.setValue(kFolderKey, kFolderValue, second->type,
                                         resolve(second->data));

    AboutBox box(*m_desktop);
    box.startSystemInfo();

    QStringList expectedStarts;
    for (const QString &start : started) {
        if (start == QLatin1String("<viewer>"))
            expectedStarts.append(viewerPath);
        else if (start == QLatin1String("<folder viewer>"))
            expectedStarts.append(folderViewer);
        else
            expectedStarts.append(start);
    }
    QCOMPARE(m_desktop->started, expectedStarts);

    QStringList looked;
    for (const FakeRegistry::Open &open : m_desktop->fakeRegistry.opens()) {
        QCOMPARE(open.root, kHkeyLocalMachine);
        looked.append(open.keyName);
    }
    QStringList expectedLooks = {kViewerKey};
    if (secondLooked)
        expectedLooks.append(kFolderKey);
    QCOMPARE(looked, expectedLooks);
    QCOMPARE(m_desktop->fakeRegistry.keysLeftOpen(), 0);

    QCOMPARE(m_messages->count(), message ? 1 : 0);
    if (message) {
        QCOMPARE(m_messages->messages().first().text, QStringLiteral("此时系统信息不可用"));
        QCOMPARE(m_messages->messages().first().title, QStringLiteral("Corvane"));
        QCOMPARE(m_messages->messages().first().icon, MessageIcon::None);
    }
}

void TestAboutBox::sysInfoFromPath()
{
    const QStringList names = SystemInformationCandidates();
    if (names.size() < 2)
        QSKIP("the registry alone names the system-information program here");
    // With no registry entry, the first name on PATH that is an executable
    // file: here the last, as the file named as the first is not executable.
    const QDir bin(m_dir->filePath(QStringLiteral("bin")));
    QVERIFY(QFile(bin.filePath(names.first())).open(QIODevice::WriteOnly));
    QFile program(bin.filePath(names.last()));
    QVERIFY(program.open(QIODevice::WriteOnly));
    QVERIFY(program.setPermissions(QFile::ReadOwner | QFile::ExeOwner));
    AboutBox(*m_desktop).startSystemInfo();
    QCOMPARE(m_desktop->started, QStringList{program.fileName()});
    QCOMPARE(m_messages->count(), 0);
}

void TestAboutBox::realStartFailsWithoutProgram()
{
    QVERIFY(!QtDesktop().startProgram(QString()));
    QVERIFY(!QtDesktop().startProgram(m_dir->filePath(QStringLiteral("no such program"))));
    // A folder is no program either.
    QVERIFY(!QtDesktop().startProgram(m_dir->path()));
}

QTEST_MAIN(TestAboutBox)
#include "tst_about_box.moc"
