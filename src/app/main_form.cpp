#include "app/main_form.h"

#include "app/drive_list.h"
#include "app/file_list.h"
#include "app/folder_list.h"
#include "app/form_layout.h"
#include "app/job_list.h"
#include "app/job_list_view.h"
#include "app/program_icon.h"
#include "app/version.h"
#include "batch/console_window.h"
#include "dialogs/about_box.h"
#include "dialogs/help_window.h"
#include "platform/launcher.h"
#include "platform/message_box.h"
#include "platform/single_instance.h"
#include "settings/active_tool.h"
#include "settings/options_dialog.h"
#include "settings/settings_file.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace corvane {

namespace {
const QColor kFormGrey(0xE0, 0xE0, 0xE0);

template <typename Widget> Widget *place(Widget *widget, const char *name, const QRect &geometry)
{
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(geometry);
    return widget;
}

QPushButton *button(QWidget *parent, const char *name, const QString &text, const QRect &geometry)
{
    auto *result = place(new QPushButton(text, parent), name, geometry);
    result->setAutoDefault(false);
    result->setDefault(false);
    return result;
}

QLabel *label(QWidget *parent, const char *name, const QString &text, const QRect &geometry)
{
    auto *result = place(new QLabel(text, parent), name, geometry);
    result->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette palette = result->palette();
    palette.setColor(QPalette::Window, kFormGrey);
    result->setPalette(palette);
    return result;
}

QString alreadyRunningText()
{
    return ApplicationTitle() + QLatin1Char('(') + ProgramVersionText() +
           QStringLiteral(")已运行！");
}

[[noreturn]] void endProcessNow()
{
    // Nothing runs after this: no destructor, so a command that is still
    // running is left alone, and no event loop of a batch goes on.
    std::fflush(nullptr);
    std::_Exit(EXIT_SUCCESS);
}
} // namespace

MainForm::MainForm(QWidget *parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint),
      m_launcher(CreateLauncher()), m_processEnd(endProcessNow)
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(ApplicationTitle());
    setWindowIcon(ProgramIcon());

    m_launcher->setConsoleFactory(ConsoleWindowFactory());
    m_batch = std::make_unique<BatchRun>(*this, *m_launcher);

    createControls();
    createMenus();
    connectHandlers();
    applyTabOrder();
    SetCaptionSink([this](const QString &caption) { setWindowTitle(caption); });
}

MainForm::~MainForm()
{
    SetCaptionSink({});
}

void MainForm::createControls()
{
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("MainFormClient"));
    m_client->setFixedSize(Px(9240), Px(6450));
    m_client->setAutoFillBackground(true);
    QPalette grey = m_client->palette();
    grey.setColor(QPalette::Window, kFormGrey);
    m_client->setPalette(grey);
    setCentralWidget(m_client);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    m_jobs = new JobList(this);

    List2 = place(new QListView(m_client), "List2", PxRect(8040, 1320, 1095, 1680));
    List2->setModel(m_jobs);
    List2->setModelColumn(JobList::FolderColumn);
    List2->setUniformItemSizes(true);
    List2->setVisible(false);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);

    Command7 = button(m_client, "Command7", QStringLiteral("="), PxRect(3600, 1680, 855, 375));
    Command6 = button(m_client, "Command6", QStringLiteral("<<"), PxRect(3600, 5280, 855, 375));
    Command5 = button(m_client, "Command5", QStringLiteral(">>"), PxRect(3600, 3840, 855, 375));

    Combo1 = place(new QComboBox(m_client), "Combo1", PxRect(120, 5760, 3375, 300));
    Combo1->setEditable(true);
    // Patterns go to the list only through Enter, every time, duplicates too.
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    Combo1->setDuplicatesEnabled(true);
    Combo1->setCompleter(nullptr);
    Combo1->addItems({QStringLiteral("*.bmp"), QStringLiteral("*.wav"), QStringLiteral("*.bin"),
                      QStringLiteral("*.*")});
    Combo1->setCurrentIndex(-1);
    Combo1->setEditText(QStringLiteral("*.*"));

    ProgressBar1 = place(new QProgressBar(m_client), "ProgressBar1", PxRect(120, 6120, 7815, 255));
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);

    Command4 = button(m_client, "Command4", QStringLiteral("退出"), PxRect(8160, 5280, 855, 375));
    Command3 = button(m_client, "Command3", QStringLiteral("处理"), PxRect(8160, 4800, 855, 375));
    Drive2 = place(new DriveList(m_client), "Drive2", PxRect(4560, 360, 3375, 300));
    Dir2 = place(new FolderList(m_client), "Dir2", PxRect(4560, 720, 3375, 2400));

    List1 = place(new JobListView(m_client), "List1", PxRect(4560, 3120, 3375, 2940));
    List1->setModel(m_jobs);
    List1->setModelColumn(JobList::NameColumn);
    List1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    List1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // File names need no ligatures or kerning: without them Latin text is
    // measured (FitListScroll) and drawn several times faster, and exactly
    // alike. Scripts that need shaping still get it.
    QFont listFont = List1->font();
    listFont.setStyleStrategy(QFont::PreferNoShaping);
    List1->setFont(listFont);

    Command2 = button(m_client, "Command2", QStringLiteral("<-"), PxRect(3600, 4800, 855, 375));
    Command1 = button(m_client, "Command1", QStringLiteral("->"), PxRect(3600, 4320, 855, 375));
    Dir1 = place(new FolderList(m_client), "Dir1", PxRect(120, 720, 3375, 2400));
    File1 = place(new FileList(m_client), "File1", PxRect(120, 3120, 3375, 2610));
    Drive1 = place(new DriveList(m_client), "Drive1", PxRect(120, 360, 3375, 300));

    Label3 = label(m_client, "Label3", QStringLiteral("..."), PxRect(8040, 6240, 615, 495));
    Label2 =
        label(m_client, "Label2", QStringLiteral("文件存储路径"), PxRect(4560, 120, 2775, 375));
    Label1 = label(m_client, "Label1", QStringLiteral("源文件路径"), PxRect(120, 120, 2775, 255));
}

void MainForm::createMenus()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MenuBar"));

    MenuFile = bar->addMenu(QStringLiteral("文件(&F)"));
    MenuFile->setObjectName(QStringLiteral("MenuFile"));
    FileEnd = MenuFile->addAction(QStringLiteral("结束"));
    FileEnd->setObjectName(QStringLiteral("FileEnd"));

    MenuTools = bar->addMenu(QStringLiteral("工具(&T)"));
    MenuTools->setObjectName(QStringLiteral("MenuTools"));
    for (int i = 0; i < int(Tools.size()); ++i) {
        QAction *tool = MenuTools->addAction(QStringLiteral("工具%1").arg(i + 1));
        tool->setObjectName(QStringLiteral("Tools_%1").arg(i));
        Tools[size_t(i)] = tool;
    }

    MenuOption = bar->addAction(QStringLiteral("选项"));
    MenuOption->setObjectName(QStringLiteral("MenuOption"));

    MenuHelp = bar->addMenu(QStringLiteral("帮助(&H)"));
    MenuHelp->setObjectName(QStringLiteral("MenuHelp"));
    HelpTopic = MenuHelp->addAction(QStringLiteral("主题"));
    HelpTopic->setObjectName(QStringLiteral("HelpTopic"));
    HelpAbout = MenuHelp->addAction(QStringLiteral("关于"));
    HelpAbout->setObjectName(QStringLiteral("HelpAbout"));
}

void MainForm::connectHandlers()
{
    connect(Command1, &QPushButton::clicked, this, &MainForm::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &MainForm::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &MainForm::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &MainForm::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &MainForm::Command5_Click);
    connect(Command6, &QPushButton::clicked, this, &MainForm::Command6_Click);
    connect(Command7, &QPushButton::clicked, this, &MainForm::Command7_Click);
    connect(Drive1, &DriveList::driveChanged, this, &MainForm::Drive1_Change);
    connect(Drive2, &DriveList::driveChanged, this, &MainForm::Drive2_Change);
    connect(Dir1, &FolderList::pathChanged, this, &MainForm::Dir1_Change);
    connect(File1, &QAbstractItemView::doubleClicked, this, &MainForm::File1_DblClick);
    connect(List1, &QAbstractItemView::doubleClicked, this, &MainForm::List1_DblClick);
    connect(Combo1, &QComboBox::activated, this, &MainForm::Combo1_Click);
    // Enter reaches the combo box first; sent to its line edit, it comes on
    // to the combo box, which the line edit leaves it to.
    Combo1->installEventFilter(this);
    connect(Timer1, &QTimer::timeout, this, &MainForm::Timer1_Timer);

    connect(FileEnd, &QAction::triggered, this, &MainForm::FileEnd_Click);
    for (int i = 0; i < int(Tools.size()); ++i)
        connect(Tools[size_t(i)], &QAction::triggered, this, [this, i] { Tools_Click(i); });
    connect(MenuOption, &QAction::triggered, this, &MainForm::MenuOption_Click);
    connect(HelpTopic, &QAction::triggered, this, &MainForm::HelpTopic_Click);
    connect(HelpAbout, &QAction::triggered, this, &MainForm::HelpAbout_Click);
}

void MainForm::applyTabOrder()
{
    // The order of the layout table; labels and the progress bar take no
    // focus, and List2 is never shown.
    const QList<QWidget *> order = {Drive1, File1,    Dir1,     Command1, Command2,
                                    List1,  Dir2,     Drive2,   Command3, Command4,
                                    Combo1, Command5, Command6, Command7};
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order.at(i - 1), order.at(i));
    ProgressBar1->setFocusPolicy(Qt::NoFocus);
    Drive1->setFocus();
}

bool MainForm::Form_Load(SingleInstance &instance)
{
    if (!instance.tryAcquire()) {
        ShowMessage(Message{alreadyRunningText(), ApplicationTitle(), MessageIcon::Information});
        return false;
    }
    m_instance = &instance;
    startBrowsing();

    File1->setPattern(Combo1->currentText());
    ActiveTool().CurrentTool = ReadIntSetting(QStringLiteral("CurrentTool"));
    LoadActiveTool();
    RefreshToolMenu();

    // The empty part of the bar in the window's grey.
    QPalette palette = ProgressBar1->palette();
    palette.setColor(QPalette::Base, kFormGrey);
    palette.setColor(QPalette::Window, kFormGrey);
    palette.setColor(QPalette::Button, kFormGrey);
    ProgressBar1->setPalette(palette);
    return true;
}

void MainForm::startBrowsing()
{
    // Both sides start at the process's current folder, as a new window's
    // lists do.
    const QString current = QDir::currentPath();
    Drive1->refreshDrives();
    Drive2->refreshDrives();
    Drive1->showFolder(current);
    Drive2->showFolder(current);
    const QSignalBlocker blocker(Dir1);
    Dir1->setPath(current);
    Dir2->setPath(current);
    File1->setPath(current);
}

void MainForm::setProcessEnd(ProcessEnd end)
{
    m_processEnd = std::move(end);
}

int MainForm::listScrollExtent() const
{
    return List1->horizontalExtent();
}

void MainForm::Command4_Click()
{
    endProgram(true);
}

void MainForm::FileEnd_Click()
{
    endProgram(true);
}

void MainForm::endProgram(bool saveTool)
{
    if (saveTool)
        WriteIntSetting(QStringLiteral("CurrentTool"), ActiveTool().CurrentTool);
    hide();
    if (m_instance)
        m_instance->release();
    m_processEnd();
}

void MainForm::closeEvent(QCloseEvent *event)
{
    event->accept();
    // The batch waits in an event loop of its own; ending the process here
    // keeps it from starting the next entry with the window gone.
    if (m_batch->isRunning())
        endProgram(false);
}

void MainForm::showInvalidDrive()
{
    ShowMessage(
        Message{QStringLiteral("设备无效   "), QStringLiteral("注意"), MessageIcon::Warning});
}

void MainForm::Drive1_Change()
{
    if (!Dir1->setPath(Drive1->drive()))
        showInvalidDrive();
}

void MainForm::Drive2_Change()
{
    if (!Dir2->setPath(Drive2->drive()))
        showInvalidDrive();
}

void MainForm::Dir1_Change()
{
    File1->setPattern(Combo1->currentText());
    File1->setPath(Dir1->path());
}

void MainForm::Combo1_Click()
{
    File1->setPattern(Combo1->currentText());
}

void MainForm::Combo1_KeyDown(int keyCode, Qt::KeyboardModifiers shift)
{
    Q_UNUSED(shift)
    if (keyCode != 13)
        return;
    const QString text = Combo1->currentText();
    File1->setPattern(text);
    Combo1->addItem(text);
}

bool MainForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Combo1 && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            Combo1_KeyDown(13, key->modifiers());
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainForm::Command7_Click()
{
    Dir2->setPath(Dir1->path());
}

void MainForm::addFiles(const QList<bool> *selected)
{
    const QString folder = File1->path();
    const int count = File1->count();
    QList<JobEntry> added;
    added.reserve(count);
    for (int i = 0; i < count; ++i) {
        if (!selected || selected->at(i))
            added.append(JobEntry{File1->fileName(i), folder});
    }
    m_jobs->append(added);
    FitListScroll(List1);
}

void MainForm::Command1_Click()
{
    const QList<bool> selected = File1->selectionFlags();
    addFiles(&selected);
}

void MainForm::Command5_Click()
{
    addFiles(nullptr);
}

void MainForm::File1_DblClick()
{
    const QString name = File1->currentFileName();
    if (!name.isEmpty())
        m_jobs->append({JobEntry{name, File1->path()}});
    FitListScroll(List1);
}

void MainForm::Command2_Click()
{
    m_jobs->removeMarked(SelectedRowFlags(*List1->selectionModel(), m_jobs->count()));
    FitListScroll(List1);
}

void MainForm::Command6_Click()
{
    m_jobs->clear();
    FitListScroll(List1);
}

void MainForm::List1_DblClick()
{
    const QModelIndex current = List1->currentIndex();
    if (current.isValid() && current.row() < m_jobs->count())
        m_jobs->removeAt(current.row());
    FitListScroll(List1);
}

void MainForm::FitListScroll(JobListView *list)
{
    // List1 shows the names of the job list.
    const QFontMetricsF metrics(list->font());
    const int rows = m_jobs->count();
    qreal widest = 0;
    for (int row = 0; row < rows; ++row) {
        const qreal width = metrics.horizontalAdvance(m_jobs->name(row));
        // Halves round to even, as the default rounding mode does.
        if (width > widest)
            widest = std::nearbyint(width);
    }
    list->setHorizontalExtent(int(widest) + 10);
}

void MainForm::Command3_Click()
{
    m_batch->Command3_Click();
}

void MainForm::Timer1_Timer()
{
    m_batch->Timer1_Timer();
}

void MainForm::Tools_Click(int index)
{
    ActiveTool().CurrentTool = index;
    LoadActiveTool();
}

void MainForm::RefreshToolMenu()
{
    const std::array<QString, kToolCount> names = ReadToolMenuNames();
    for (size_t i = 0; i < names.size(); ++i) {
        if (!names[i].isEmpty())
            Tools[i]->setText(LiteralCaption(names[i]));
    }
}

void MainForm::MenuOption_Click()
{
    OpenOptionsDialog([this] { RefreshToolMenu(); });
}

void MainForm::HelpTopic_Click()
{
    OpenHelpWindow();
}

void MainForm::HelpAbout_Click()
{
    OpenAboutBox();
}

int MainForm::jobCount() const
{
    return m_jobs->count();
}

QString MainForm::jobName(int index) const
{
    return m_jobs->name(index);
}

QString MainForm::jobFolder(int index) const
{
    return m_jobs->folder(index);
}

QString MainForm::destinationFolder() const
{
    return Dir2->path();
}

void MainForm::setStatusText(const QString &text)
{
    Label3->setText(text);
}

void MainForm::setProcessEnabled(bool enabled)
{
    Command3->setEnabled(enabled);
}

void MainForm::setProgressMinimum(int minimum)
{
    ProgressBar1->setMinimum(minimum);
}

void MainForm::setProgressMaximum(int maximum)
{
    ProgressBar1->setMaximum(maximum);
}

void MainForm::setProgressValue(int value)
{
    ProgressBar1->setValue(value);
}

void MainForm::setReportTimerEnabled(bool enabled)
{
    if (enabled)
        Timer1->start();
    else
        Timer1->stop();
}

} // namespace corvane
