#include "gui/dialogs/about_box.h"

#include "core/desktop/desktop.h"
#include "core/platform/code_page.h"
#include "core/platform/file_ops.h"
#include "core/platform/registry.h"
#include "core/platform/system_information.h"
#include "gui/common/form_layout.h"
#include "gui/common/form_look.h"
#include "gui/common/form_widgets.h"
#include "gui/common/program_icon.h"
#include "gui/common/version.h"

#include <QDir>
#include <QFontDatabase>
#include <QLabel>
#include <QPushButton>
#include <QtEndian>

namespace corvane {

namespace {

// Where the system-information viewer is registered.
const char kSysInfoKey[] = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const char kSysInfoValue[] = "PATH";
const char kSysInfoLocationKey[] = "SOFTWARE\\Microsoft\\Shared Tools Location";
const char kSysInfoLocationValue[] = "MSINFO";
const char kSysInfoProgram[] = "MSINFO32.EXE";
constexpr quint32 kKeyAccess = 0x2003F;
constexpr int kValueBufferSize = 1024;
// The darker line of the etched separator.
const QColor kEtchedLineGrey(0x80, 0x80, 0x80);

void SetBlackText(QLabel *label)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    label->setPalette(palette);
}

// One line of the etched separator: a strip filled with a solid colour.
void CreateLine(const char *name, const QRect &geometry, const QColor &color, QWidget *parent)
{
    auto *line = new QWidget(parent);
    line->setObjectName(QLatin1String(name));
    line->setGeometry(geometry);
    line->setAutoFillBackground(true);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, color);
    line->setPalette(palette);
}

} // namespace

QFont AboutTitleFont()
{
    const QStringList families = QFontDatabase::families();
    QFont font;
    // Song (serif) faces first, as 宋体 is one; then any Chinese face.
    for (const char *family :
         {"宋体", "SimSun", "NSimSun", "Noto Serif CJK SC", "AR PL UMing CN", "Noto Sans CJK SC",
          "WenQuanYi Micro Hei", "WenQuanYi Zen Hei", "Droid Sans Fallback"}) {
        const QString name = QString::fromUtf8(family);
        if (families.contains(name, Qt::CaseInsensitive)) {
            font.setFamily(name);
            break;
        }
    }
    font.setPointSizeF(FormPoints(10.5));
    font.setWeight(QFont::Normal);
    return font;
}

AboutBox::AboutBox(Desktop &desktop)
    : QDialog(nullptr, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_desktop(desktop)
{
    SetUpFixedWindow(this, QStringLiteral("frmAbout"), QStringLiteral("关于程序"),
                     QSize(Px(5730), Px(3555)));

    // The icon in a sunken box two pixels wider on each side than the picture.
    auto *iconBox =
        MakeLabel(this, QStringLiteral("picIcon"), QString(), PxRect(240, 240, 780, 780));
    iconBox->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    iconBox->setLineWidth(2);
    iconBox->setAlignment(Qt::AlignCenter);
    iconBox->setPixmap(ProgramIcon().pixmap(QSize(48, 48)));

    auto *titleLabel =
        MakeLabel(this, QStringLiteral("lblTitle"), QStringLiteral("Corvane(批处理工具)"),
                  PxRect(1050, 240, 3885, 480));
    titleLabel->setFont(AboutTitleFont());
    SetBlackText(titleLabel);

    m_versionLabel = MakeLabel(this, QStringLiteral("lblVersion"), QStringLiteral("版本"),
                               PxRect(1050, 780, 3885, 225));

    auto *descriptionLabel =
        MakeLabel(this, QStringLiteral("lblDescription"),
                  QStringLiteral(
                      "本程序将控制台程序或DOS程序图形化，拥有批量处理功能，减少输入CMD命令行或者编"
                      "写批处理文件时繁杂的重复劳动，也能作为其它无图形界面程序的图形化扩展，是一款"
                      "便利的好工具。"),
                  PxRect(1050, 1125, 3885, 1170));
    descriptionLabel->setWordWrap(true);
    SetBlackText(descriptionLabel);

    // The etched separator: a grey line with a white line one pixel lower and
    // one pixel further right.
    CreateLine("Line1_1", QRect(Px(90), Px(2445), Px(5654) - Px(90) + 1, 1), kEtchedLineGrey, this);
    CreateLine("Line1_0", QRect(Px(105), Px(2460), Px(5654) - Px(105) + 1, 2), Qt::white, this);

    auto *disclaimerLabel = MakeLabel(this, QStringLiteral("lblDisclaimer"),
                                      QStringLiteral("本软件按原样提供，不附带任何担保。\n"
                                                     "致谢：界面基于 Qt 框架构建。"),
                                      PxRect(240, 2625, 3375, 825));
    SetBlackText(disclaimerLabel);

    m_okButton = Placed(new QPushButton(QStringLiteral("确定"), this), QStringLiteral("cmdOK"),
                        PxRect(4125, 2625, 1500, 345));
    m_okButton->setDefault(true);

    m_systemInfoButton = Placed(new QPushButton(QStringLiteral("系统信息(&S)..."), this),
                                QStringLiteral("cmdSysInfo"), PxRect(4140, 3075, 1485, 345));

    QWidget::setTabOrder(m_okButton, m_systemInfoButton);
    m_okButton->setFocus();

    connect(m_okButton, &QPushButton::clicked, this, [this] { closeBox(); });
    connect(m_systemInfoButton, &QPushButton::clicked, this, [this] { startSystemInfo(); });

    showVersion();
}

AboutBox::~AboutBox() = default;

void AboutBox::showVersion()
{
    m_versionLabel->setText(ProgramVersionText());
}

void AboutBox::closeBox()
{
    done(QDialog::Accepted);
}

void AboutBox::reject()
{
    closeBox();
}

void AboutBox::startSystemInfo()
{
    // Every failure on the way, a look-up error included, ends in the one
    // message.
    try {
        QString sysInfoPath;
        if (!readKeyValue(kHkeyLocalMachine, QLatin1String(kSysInfoKey),
                          QLatin1String(kSysInfoValue), sysInfoPath)) {
            if (!readKeyValue(kHkeyLocalMachine, QLatin1String(kSysInfoLocationKey),
                              QLatin1String(kSysInfoLocationValue), sysInfoPath)) {
                startDesktopSystemInfo();
                return;
            }
            sysInfoPath += QDir::separator() + QLatin1String(kSysInfoProgram);
            if (!PlainFileExists(sysInfoPath)) {
                startDesktopSystemInfo();
                return;
            }
        }
        if (!m_desktop.startProgram(sysInfoPath))
            showSystemInfoUnavailable();
    } catch (const std::exception &) {
        showSystemInfoUnavailable();
    }
}

bool AboutBox::readKeyValue(quint32 keyRoot, const QString &keyName, const QString &subKeyRef,
                            QString &keyVal)
{
    Registry &registry = m_desktop.registry();
    RegistryKey key = 0;
    if (!registry.openKey(keyRoot, keyName, kKeyAccess, &key)) {
        keyVal.clear();
        return false;
    }
    RegistryValue value;
    if (!registry.queryValue(key, subKeyRef, kValueBufferSize, &value)) {
        keyVal.clear();
        registry.closeKey(key);
        return false;
    }
    if (value.data.isEmpty()) {
        registry.closeKey(key);
        throw EmptyRegistryValue();
    }

    QByteArray text = value.data;
    if (text.endsWith('\0'))
        text.chop(1);
    if (value.type == kRegSz) {
        keyVal = DecodeSystemText(text);
    } else if (value.type == kRegDword) {
        // Little-endian, as the registry stores it; a short value is padded
        // with zero bytes.
        QByteArray bytes = value.data.left(4);
        bytes.append(4 - bytes.size(), '\0');
        keyVal = QString::number(qFromLittleEndian<quint32>(bytes.constData()));
    }
    registry.closeKey(key);
    return true;
}

void AboutBox::startDesktopSystemInfo()
{
    // Where the registry names no viewer (always on Linux), the desktop's
    // own system-information program, when one is installed.
    const QString program = SystemInformationProgram();
    if (program.isEmpty() || !m_desktop.startProgram(program))
        showSystemInfoUnavailable();
}

void AboutBox::showSystemInfoUnavailable()
{
    m_desktop.showMessage(
        Message{QStringLiteral("此时系统信息不可用"), ApplicationTitle(), MessageIcon::None});
}

void OpenAboutBox(Desktop &desktop)
{
    AboutBox box(desktop);
    box.exec();
}

} // namespace corvane
