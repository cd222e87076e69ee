#include "gui/dialogs/options_dialog.h"

#include "core/desktop/desktop.h"
#include "core/settings/active_tool.h"
#include "core/settings/settings_file.h"
#include "gui/common/accessibility.h"
#include "gui/common/form_layout.h"
#include "gui/common/form_widgets.h"
#include "gui/platform/file_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QStyleOptionTab>
#include <QTabBar>
#include <QTabWidget>
#include <QThread>
#include <QToolButton>
#include <QWindow>

#include <utility>

namespace corvane {

namespace {

constexpr int kPageLeft = 240;
constexpr int kHiddenPageLeft = -20000;
constexpr int kPageTop = 360;

QString DefaultTabCaption(int index)
{
    return QStringLiteral("工具") + QString::number(index + 1);
}

// The tab strip. Ctrl+Tab belongs to the dialog, so the strip does not use
// Ctrl+Tab or Ctrl+Shift+Tab to change tabs itself.
class OptionsTabStrip final : public QTabWidget {
public:
    using QTabWidget::QTabWidget;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        if ((event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) &&
            event->modifiers().testFlag(Qt::ControlModifier)) {
            event->ignore();
            return;
        }
        QTabWidget::keyPressEvent(event);
    }
};

// Tabs with narrow side margins, so that the eight default captions fit the
// strip's width without scrolling. The style draws each tab's shape; the
// caption is drawn here, centred in the whole tab. Left to the style, the
// caption would go into the tab less the style's own margins, which a themed
// style (itself a proxy over another style) takes at its full width rather
// than this narrow one, cutting the caption at both ends.
class CompactTabStyle final : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption *option,
                    const QWidget *widget) const override
    {
        if (metric == PM_TabBarTabHSpace)
            return kTabSideSpace;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }

    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget) const override
    {
        const auto *tab = qstyleoption_cast<const QStyleOptionTab *>(option);
        if (element != CE_TabBarTab || !tab) {
            QProxyStyle::drawControl(element, option, painter, widget);
            return;
        }
        QProxyStyle::drawControl(CE_TabBarTabShape, tab, painter, widget);
        QRect captionRect = tab->rect;
        if (!tab->state.testFlag(State_Selected))
            captionRect.translate(pixelMetric(PM_TabBarTabShiftHorizontal, tab, widget),
                                  pixelMetric(PM_TabBarTabShiftVertical, tab, widget));
        drawItemText(painter, captionRect, Qt::AlignCenter | Qt::TextShowMnemonic, tab->palette,
                     tab->state.testFlag(State_Enabled), tab->text, QPalette::WindowText);
        if (tab->state.testFlag(State_HasFocus)) {
            // The focus mark round the caption, as the style puts it.
            QStyleOptionFocusRect focus;
            focus.QStyleOption::operator=(*tab);
            const QSize caption = tab->fontMetrics.size(Qt::TextShowMnemonic, tab->text);
            focus.rect = QRect(QPoint(), caption + QSize(4, 2));
            focus.rect.moveCenter(captionRect.center());
            drawPrimitive(PE_FrameFocusRect, &focus, painter, widget);
        }
    }

private:
    static constexpr int kTabSideSpace = 10;
};

// A check box that can show the grey state of a stored 2, while a click only
// ever turns it on or off.
class ProfileCheckBox final : public QCheckBox {
public:
    ProfileCheckBox(const QString &text, QWidget *parent) : QCheckBox(text, parent)
    {
        setTristate(true);
    }

protected:
    void nextCheckState() override
    {
        setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    }
};

QString ArrayName(const char *name, int index)
{
    return QLatin1String(name) + QLatin1Char('_') + QString::number(index);
}

// The window frame round a top-level widget; none while it has no frame yet.
QMargins FrameMargins(const QWidget *window)
{
    return window && window->windowHandle() ? window->windowHandle()->frameMargins() : QMargins();
}

// Shows the text from its start, as a freshly filled text box does.
void SetFieldText(QLineEdit *edit, const QString &text)
{
    edit->setText(text);
    edit->setCursorPosition(0);
}

} // namespace

OptionsDialog::OptionsDialog(Desktop &desktop, const SettingsFile &settings, ActiveTool &tool,
                             std::function<void()> refreshToolMenu)
    : QDialog(nullptr, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_desktop(desktop), m_settings(settings), m_tool(tool),
      m_refreshToolMenu(std::move(refreshToolMenu))
{
    SetUpFixedWindow(this, QStringLiteral("frmOptions"), QStringLiteral("选项"),
                     QSize(Px(6120), Px(4905)));
    OfferShownChildrenOnly(this);

    m_tabs = new OptionsTabStrip(this);
    m_tabs->setObjectName(QStringLiteral("tbsOptions"));
    m_tabs->setGeometry(PxRect(120, 0, 5895, 4245));
    auto *tabStyle = new CompactTabStyle;
    tabStyle->setParent(this);
    m_tabs->tabBar()->setStyle(tabStyle);
    m_tabs->tabBar()->setAccessibleName(QStringLiteral("工具"));
    // The strip offers its tabs, not its empty pages nor hidden arrows.
    OfferShownChildrenOnly(m_tabs);
    OfferShownChildrenOnly(m_tabs->tabBar());
    for (int i = 0; i < kToolCount; ++i)
        m_tabs->addTab(new QWidget, DefaultTabCaption(i));
    m_tabs->setCurrentIndex(0);
    // The scroll arrows that long names bring up are for the mouse only.
    const QList<QToolButton *> arrows = m_tabs->tabBar()->findChildren<QToolButton *>();
    for (QToolButton *arrow : arrows)
        arrow->setFocusPolicy(Qt::NoFocus);

    // The pages are the dialog's own children, laid over the tab strip.
    for (int i = 0; i < kToolCount; ++i)
        m_pages[size_t(i)] = createPage(i);
    // The pages off screen are disabled from the start, not only after the
    // first tab change: Tab must never move the focus into a hidden field.
    showSelectedPage();

    m_okButton = MakeButton(this, QStringLiteral("cmdOK"), QStringLiteral("确定"),
                            PxRect(2520, 4440, 1095, 375));
    m_cancelButton = MakeButton(this, QStringLiteral("cmdCancel"), QStringLiteral("取消"),
                                PxRect(3720, 4440, 1095, 375));
    m_applyButton = MakeButton(this, QStringLiteral("cmdApply"), QStringLiteral("应用"),
                               PxRect(4920, 4440, 1095, 375));

    QList<QWidget *> order = {m_tabs, m_okButton, m_cancelButton, m_applyButton};
    for (size_t i = 0; i < size_t(kToolCount); ++i)
        order << m_nameEdits[i] << m_programEdits[i] << m_browseButtons[i] << m_commandLineEdits[i]
              << m_captureBoxes[i] << m_consoleBoxes[i] << m_jobsBoxes[i];
    SetTabChain(order);
    m_tabs->setFocus();

    connect(m_tabs, &QTabWidget::currentChanged, this, [this] { showSelectedPage(); });
    for (int i = 0; i < kToolCount; ++i)
        connect(m_browseButtons[size_t(i)], &QPushButton::clicked, this,
                [this, i] { browseForProgram(i); });
    connect(m_okButton, &QPushButton::clicked, this, [this] { saveAndClose(); });
    connect(m_cancelButton, &QPushButton::clicked, this, [this] { closeWithoutSaving(); });
    connect(m_applyButton, &QPushButton::clicked, this, [this] { apply(); });

    // Key preview: the dialog sees every key before the control that has the
    // focus.
    installEventFilter(this);
    const QList<QWidget *> children = findChildren<QWidget *>();
    for (QWidget *child : children)
        child->installEventFilter(this);

    centreOnScreen();
}

OptionsDialog::~OptionsDialog() = default;

QWidget *OptionsDialog::createPage(int index)
{
    const size_t i = size_t(index);
    auto *page = new QWidget(this);
    page->setObjectName(ArrayName("picOptions", index));
    page->setGeometry(PxRect(index == 0 ? kPageLeft : kHiddenPageLeft, kPageTop, 5685, 3780));

    QLabel *nameLabel = MakeLabel(page, ArrayName("Label1", index), QStringLiteral("名称："),
                                  PxRect(120, 360, 735, 255));
    m_nameEdits[i] = MakeTextBox(page, ArrayName("Text1", index), PxRect(720, 360, 1815, 270));
    QLabel *programLabel = MakeLabel(page, ArrayName("Label2", index), QStringLiteral("程序："),
                                     PxRect(120, 840, 735, 255));
    m_programEdits[i] = MakeTextBox(page, ArrayName("Text2", index), PxRect(720, 840, 4095, 270));
    m_programEdits[i]->setToolTip(
        QStringLiteral("程序名或程序的完整路径（完整路径含空格也不必加引号），"
                       "也可在后面写上固定的参数。\n"
                       "以 cmd /c 开头时，其后的命令由系统的命令解释器执行；\n"
                       "文件名、路径等占位符的值只作为数据传入，不会被当作命令执行。\n"
                       "但占位符若写进交给另一层命令解释器的脚本（如 sh -c 'echo $SName$'），"
                       "其值会被当作命令执行。"));
    m_browseButtons[i] = MakeButton(page, ArrayName("Command1", index), QStringLiteral("..."),
                                    PxRect(4920, 840, 495, 255));
    m_captureBoxes[i] = Placed(new ProfileCheckBox(QStringLiteral("捕获输出"), page),
                               ArrayName("Check1", index), PxRect(720, 1440, 1095, 375));
    m_consoleBoxes[i] = Placed(new ProfileCheckBox(QStringLiteral("显示DOS窗口"), page),
                               ArrayName("Check2", index), PxRect(3120, 1440, 1335, 375));
    // The layout was made for a narrower font: a caption never gets cut off.
    for (QCheckBox *box : {m_captureBoxes[i], m_consoleBoxes[i]})
        box->resize(qMax(box->width(), box->sizeHint().width()), box->height());
    // How many of the tool's commands may run at once, in the free band
    // between the check boxes and the command line.
    QLabel *jobsLabel = MakeLabel(page, ArrayName("LabelJobs", index), QStringLiteral("同时运行："),
                                  PxRect(120, 2040, 1095, 255));
    m_jobsBoxes[i] =
        Placed(new QSpinBox(page), ArrayName("Jobs", index), PxRect(1320, 1995, 855, 330));
    m_jobsBoxes[i]->setRange(1, kMaxJobs);
    m_jobsBoxes[i]->setAccessibleName(QStringLiteral("同时运行的命令数"));
    m_jobsBoxes[i]->setToolTip(
        QStringLiteral("同一工具最多同时运行的命令数（1 至 %1）。本机有 %2 个处理器核心。")
            .arg(kMaxJobs)
            .arg(QThread::idealThreadCount()));
    jobsLabel->setBuddy(m_jobsBoxes[i]);
    QLabel *commandLineLabel = MakeLabel(page, ArrayName("Label3", index),
                                         QStringLiteral("命令行："), PxRect(120, 3120, 735, 255));
    m_commandLineEdits[i] =
        MakeTextBox(page, ArrayName("Text3", index), PxRect(120, 3360, 5295, 270));

    // Each field is named by its label; the browse button says what it
    // browses for.
    nameLabel->setBuddy(m_nameEdits[i]);
    programLabel->setBuddy(m_programEdits[i]);
    commandLineLabel->setBuddy(m_commandLineEdits[i]);
    m_nameEdits[i]->setAccessibleName(QStringLiteral("名称"));
    m_programEdits[i]->setAccessibleName(QStringLiteral("程序"));
    m_commandLineEdits[i]->setAccessibleName(QStringLiteral("命令行"));
    m_browseButtons[i]->setAccessibleName(QStringLiteral("浏览程序文件"));
    return page;
}

int OptionsDialog::CheckValue(const QCheckBox *box)
{
    switch (box->checkState()) {
    case Qt::Unchecked:
        return 0;
    case Qt::PartiallyChecked:
        return 2;
    case Qt::Checked:
        break;
    }
    return 1;
}

void OptionsDialog::SetCheckValue(QCheckBox *box, int value)
{
    // Any other non-zero value means on, as the active tool reads it.
    if (value == 0)
        box->setCheckState(Qt::Unchecked);
    else if (value == 2)
        box->setCheckState(Qt::PartiallyChecked);
    else
        box->setCheckState(Qt::Checked);
}

void OptionsDialog::loadAllTools()
{
    for (int i = 0; i < kToolCount; ++i) {
        const size_t at = size_t(i);
        SetFieldText(m_nameEdits[at], m_settings.readString(ToolKey(ToolField::Name, i)));
        SetFieldText(m_programEdits[at], m_settings.readString(ToolKey(ToolField::Program, i)));
        SetFieldText(m_commandLineEdits[at],
                     m_settings.readString(ToolKey(ToolField::CommandTemplate, i)));
        SetCheckValue(m_captureBoxes[at], m_settings.readInt(ToolKey(ToolField::CaptureOutput, i)));
        SetCheckValue(m_consoleBoxes[at], m_settings.readInt(ToolKey(ToolField::ShowConsole, i)));
        m_jobsBoxes[at]->setValue(JobsSetting(m_settings.readInt(ToolKey(ToolField::Jobs, i))));
        if (!m_nameEdits[at]->text().isEmpty())
            m_tabs->setTabText(i, LiteralCaption(m_nameEdits[at]->text()));
    }
}

bool OptionsDialog::saveAllTools()
{
    // One save of all the keys: one flush to disk instead of one per key, and
    // the same bytes as one write per key.
    QList<SettingValue> values;
    for (int i = 0; i < kToolCount; ++i) {
        const size_t at = size_t(i);
        values.append(SettingValue::string(ToolKey(ToolField::Name, i), m_nameEdits[at]->text()));
        values.append(
            SettingValue::string(ToolKey(ToolField::Program, i), m_programEdits[at]->text()));
        values.append(SettingValue::string(ToolKey(ToolField::CommandTemplate, i),
                                           m_commandLineEdits[at]->text()));
        values.append(SettingValue::integer(ToolKey(ToolField::CaptureOutput, i),
                                            CheckValue(m_captureBoxes[at])));
        values.append(SettingValue::integer(ToolKey(ToolField::ShowConsole, i),
                                            CheckValue(m_consoleBoxes[at])));
        // A tool left at one command at a time adds no key to a file that
        // never had one; a key already there is always brought up to date.
        const QString jobsKey = ToolKey(ToolField::Jobs, i);
        const int jobs = m_jobsBoxes[at]->value();
        if (jobs != 1 || m_settings.hasInt(jobsKey))
            values.append(SettingValue::integer(jobsKey, jobs));
    }
    const int failed = m_settings.writeAll(values);
    for (int i = 0; i < failed; ++i)
        m_desktop.showMessage(SettingsWriteFailure());
    return failed == 0;
}

void OptionsDialog::centreOnScreen()
{
    // Centred on the screen by the dialog's outer size. Until the window
    // manager has framed the dialog, its frame is taken to be that of the
    // window it was opened from, framed by the same window manager.
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QMargins frame = FrameMargins(this);
    if (frame.isNull())
        frame = FrameMargins(QApplication::activeWindow());
    const QRect area = screen->geometry();
    const QSize outer = size().grownBy(frame);
    // move() places the frame's top left corner.
    move(area.x() + (area.width() - outer.width()) / 2,
         area.y() + (area.height() - outer.height()) / 2);
}

void OptionsDialog::showSelectedPage()
{
    const int selected = m_tabs->currentIndex();
    for (int i = 0; i < m_tabs->count(); ++i) {
        QWidget *page = m_pages[size_t(i)];
        // A hidden page is moved out of sight and disabled, so that the
        // focus cannot enter it.
        // Hidden too, so that assistive technology offers the shown page
        // alone.
        if (i == selected) {
            page->move(Px(kPageLeft), Px(kPageTop));
            page->setEnabled(true);
            page->show();
        } else {
            page->move(Px(kHiddenPageLeft), Px(kPageTop));
            page->setEnabled(false);
            page->hide();
        }
    }
}

bool OptionsDialog::nextTabOnCtrlTab(int keyCode, Qt::KeyboardModifiers shift)
{
    const Qt::KeyboardModifiers shiftState =
        shift & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    if (keyCode != Qt::Key_Tab || shiftState != Qt::ControlModifier)
        return false;
    const int position = m_tabs->currentIndex() + 1;
    if (position == m_tabs->count())
        m_tabs->setCurrentIndex(0);
    else
        m_tabs->setCurrentIndex(position);
    return true;
}

void OptionsDialog::browseForProgram(int index)
{
    const QString fileName = m_desktop.chooseOpenFile(ProgramFileFilters());
    if (fileName.isEmpty())
        return;
    SetFieldText(m_programEdits[size_t(index)], QDir::toNativeSeparators(fileName));
}

void OptionsDialog::apply()
{
    saveAllTools();
    m_tool.reload();
}

void OptionsDialog::saveAndClose()
{
    const bool saved = saveAllTools();
    m_tool.reload();
    if (saved)
        done(QDialog::Accepted);
}

void OptionsDialog::closeWithoutSaving()
{
    done(QDialog::Rejected);
}

void OptionsDialog::refreshToolMenuOnClose()
{
    if (m_refreshToolMenu)
        m_refreshToolMenu();
}

void OptionsDialog::done(int result)
{
    refreshToolMenuOnClose();
    QDialog::done(result);
}

void OptionsDialog::reject()
{
    // Esc and the close box end here: both act as Cancel.
    closeWithoutSaving();
}

bool OptionsDialog::event(QEvent *event)
{
    const bool handled = QDialog::event(event);
    // The window manager frames the dialog some time after it is shown:
    // centre it again by its real outer size as soon as that is known.
    if (!m_centredByFrame && isVisible() &&
        (event->type() == QEvent::Show || event->type() == QEvent::Move ||
         event->type() == QEvent::WindowActivate) &&
        !FrameMargins(this).isNull()) {
        m_centredByFrame = true;
        centreOnScreen();
    }
    return handled;
}

bool OptionsDialog::eventFilter(QObject *watched, QEvent *event)
{
    // Key preview: Ctrl+Tab selects the next tab and then goes on to the
    // control it was meant for, as any key does. It is handed on from here,
    // so that its way up through the parents, which pass this filter too,
    // selects no further tab.
    if (event->type() == QEvent::KeyPress && !m_handingOnKey) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (nextTabOnCtrlTab(key->key(), key->modifiers())) {
            m_handingOnKey = true;
            QCoreApplication::sendEvent(watched, key);
            m_handingOnKey = false;
            // It has been where it goes: the first delivery ends here.
            key->accept();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void OpenOptionsDialog(Desktop &desktop, const SettingsFile &settings, ActiveTool &tool,
                       const std::function<void()> &refreshToolMenu)
{
    OptionsDialog dialog(desktop, settings, tool, refreshToolMenu);
    dialog.loadAllTools();
    dialog.exec();
}

} // namespace corvane
