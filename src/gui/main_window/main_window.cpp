#include "gui/main_window/main_window.h"

#include "core/batch/batch_run.h"
#include "core/batch/report_writer.h"
#include "core/desktop/desktop.h"
#include "core/files/file_name.h"
#include "core/launch/launcher.h"
#include "core/platform/single_instance.h"
#include "core/settings/active_tool.h"
#include "core/settings/settings_file.h"
#include "gui/common/accessibility.h"
#include "gui/common/form_layout.h"
#include "gui/common/form_look.h"
#include "gui/common/form_widgets.h"
#include "gui/common/program_icon.h"
#include "gui/common/version.h"
#include "gui/console/console_window.h"
#include "gui/dialogs/about_box.h"
#include "gui/dialogs/help_window.h"
#include "gui/dialogs/options_dialog.h"
#include "gui/main_window/batch_status.h"
#include "gui/main_window/browsing_side.h"
#include "gui/main_window/drive_list.h"
#include "gui/main_window/file_list.h"
#include "gui/main_window/folder_list.h"
#include "gui/main_window/job_list.h"
#include "gui/main_window/job_list_editor.h"
#include "gui/main_window/job_list_view.h"
#include "gui/main_window/pattern_box.h"
#include "gui/main_window/tools_menu.h"
#include "gui/main_window/window_batch_host.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QStyleFactory>
#include <QTimer>

#include <utility>

namespace corvane {

namespace {
// How long after a captured batch its report opens.
constexpr int kReportDelayMilliseconds = 1000;

QString alreadyRunningText()
{
    return ApplicationTitle() + QLatin1Char('(') + ProgramVersionText() +
           QStringLiteral(")已运行！");
}

void leaveEventLoop()
{
    QCoreApplication::quit();
}
} // namespace

MainWindow::MainWindow(Desktop &desktop, const SettingsFile &settings, ActiveTool &tool,
                       QWidget *parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint),
      m_desktop(desktop), m_settings(settings), m_tool(tool), m_launcher(CreateLauncher()),
      m_processEnd(leaveEventLoop)
{
    SetUpFixedWindow(this, QStringLiteral("MainForm"), ApplicationTitle(), QSize());
    createControls();
    createMenus();
    createWorkers();
    connectHandlers();
    applyTabOrder();
}

MainWindow::~MainWindow() = default;

void MainWindow::createControls()
{
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("MainFormClient"));
    m_client->setFixedSize(Px(9240), Px(6450));
    m_client->setAutoFillBackground(true);
    QPalette grey = m_client->palette();
    grey.setColor(QPalette::Window, kFormGrey);
    m_client->setPalette(grey);
    // The folders of the job list are never shown, nor offered to assistive
    // technology.
    OfferShownChildrenOnly(m_client);
    setCentralWidget(m_client);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    // The buttons of the window are all of one size.
    const auto button = [this](const char *name, const char *text, int left, int top) {
        return MakeButton(m_client, QLatin1String(name), QString::fromUtf8(text),
                          PxRect(left, top, 855, 375));
    };

    // In the order of the layout table.
    m_jobs = new JobList(this);
    m_jobFolders =
        Placed(new QListView(m_client), QStringLiteral("List2"), PxRect(8040, 1320, 1095, 1680));
    m_jobFolders->setModel(m_jobs);
    m_jobFolders->setModelColumn(JobList::FolderColumn);
    m_jobFolders->setUniformItemSizes(true);
    m_jobFolders->setVisible(false);

    m_reportTimer = new QTimer(this);
    m_reportTimer->setObjectName(QStringLiteral("Timer1"));
    m_reportTimer->setInterval(kReportDelayMilliseconds);

    m_sameFolderButton = button("Command7", "=", 3600, 1680);
    m_removeAllButton = button("Command6", "<<", 3600, 5280);
    m_addAllButton = button("Command5", ">>", 3600, 3840);

    m_patternBox =
        Placed(new PatternBox(m_client), QStringLiteral("Combo1"), PxRect(120, 5760, 3375, 300));

    m_progressBar = Placed(new QProgressBar(m_client), QStringLiteral("ProgressBar1"),
                           PxRect(120, 6120, 7815, 255));
    m_progressBar->setTextVisible(false);
    m_progressBar->setRange(0, 100);
    m_progressBar->setValue(0);
    // Drawn by Qt itself on every system: a native progress bar (Windows'
    // themes) ignores the palette, and the bar's red is how a batch with a
    // failed entry shows at a glance.
    if (QStyle *const barStyle = QStyleFactory::create(QStringLiteral("Fusion"))) {
        barStyle->setParent(m_progressBar);
        m_progressBar->setStyle(barStyle);
    }

    m_exitButton = button("Command4", "退出", 8160, 5280);
    m_processButton = button("Command3", "处理", 8160, 4800);
    m_destinationDrives =
        Placed(new DriveList(m_client), QStringLiteral("Drive2"), PxRect(4560, 360, 3375, 300));
    m_destinationFolders =
        Placed(new FolderList(m_client), QStringLiteral("Dir2"), PxRect(4560, 720, 3375, 2400));

    m_jobNames =
        Placed(new JobListView(m_client), QStringLiteral("List1"), PxRect(4560, 3120, 3375, 2940));
    m_jobNames->setModel(new JobNameList(m_jobs));
    m_jobNames->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_jobNames->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_jobNames->setContextMenuPolicy(Qt::CustomContextMenu);
    // File names need no ligatures or kerning: without them Latin text is
    // measured (for the scroll width) and drawn several times faster, and
    // exactly alike. Scripts that need shaping still get it.
    QFont listFont = m_jobNames->font();
    listFont.setStyleStrategy(QFont::PreferNoShaping);
    m_jobNames->setFont(listFont);

    m_removeSelectedButton = button("Command2", "<-", 3600, 4800);
    m_addSelectedButton = button("Command1", "->", 3600, 4320);
    m_sourceFolders =
        Placed(new FolderList(m_client), QStringLiteral("Dir1"), PxRect(120, 720, 3375, 2400));
    m_sourceFiles =
        Placed(new FileList(m_client), QStringLiteral("File1"), PxRect(120, 3120, 3375, 2610));
    m_sourceDrives =
        Placed(new DriveList(m_client), QStringLiteral("Drive1"), PxRect(120, 360, 3375, 300));

    m_statusLabel = MakeLabel(m_client, QStringLiteral("Label3"), QStringLiteral("..."),
                              PxRect(8040, 6240, 615, 495));
    QLabel *destinationLabel =
        MakeLabel(m_client, QStringLiteral("Label2"), QStringLiteral("文件存储路径"),
                  PxRect(4560, 120, 2775, 375));
    QLabel *sourceLabel = MakeLabel(m_client, QStringLiteral("Label1"),
                                    QStringLiteral("源文件路径"), PxRect(120, 120, 2775, 255));

    // The job list's menu, and Esc, which stops a batch only while one runs;
    // otherwise Esc is left to the control that has the focus.
    m_copyCommandLinesAction = new QAction(QStringLiteral("复制命令行"), this);
    m_copyCommandLinesAction->setObjectName(QStringLiteral("CopyCommandLines"));
    m_stopBatchAction = new QAction(QStringLiteral("停止处理"), this);
    m_stopBatchAction->setObjectName(QStringLiteral("StopBatch"));
    m_rerunAction = new QAction(QStringLiteral("重新处理未成功的条目"), this);
    m_rerunAction->setObjectName(QStringLiteral("RerunUnsuccessful"));
    m_stopShortcut = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    m_stopShortcut->setObjectName(QStringLiteral("StopShortcut"));
    m_stopShortcut->setEnabled(false);
    // Shift+F10 opens the job list's menu, as the Menu key does.
    m_jobMenuShortcut = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10), m_jobNames);
    m_jobMenuShortcut->setContext(Qt::WidgetShortcut);

    nameForAssistiveTechnology(sourceLabel, destinationLabel);
}

void MainWindow::nameForAssistiveTechnology(QLabel *sourceLabel, QLabel *destinationLabel)
{
    // What each control is or does, for a screen reader; the visible texts
    // ("=", "<<", "->") stay as they are.
    const std::pair<QWidget *, const char *> names[] = {
        {m_sourceFolders, "源文件夹"},
        {m_sourceFiles, "源文件列表"},
        {m_sameFolderButton, "将源文件夹设为文件存储路径"},
        {m_addAllButton, "添加全部文件到任务列表"},
        {m_addSelectedButton, "添加选中的文件到任务列表"},
        {m_removeSelectedButton, "从任务列表移除选中的条目"},
        {m_removeAllButton, "清空任务列表"},
        {m_destinationFolders, "文件存储文件夹"},
        {m_jobNames, "任务列表"},
        {m_processButton, "处理任务列表"},
        {m_exitButton, "退出"},
    };
    for (const auto &[widget, name] : names)
        widget->setAccessibleName(QString::fromUtf8(name));
    NameComboBox(m_sourceDrives, QStringLiteral("源文件驱动器"));
    NameComboBox(m_destinationDrives, QStringLiteral("文件存储驱动器"));
    NameComboBox(m_patternBox, QStringLiteral("文件名筛选"));
    m_patternBox->lineEdit()->setAccessibleName(QStringLiteral("文件名筛选"));
    // Each heading labels the first control of its side.
    sourceLabel->setBuddy(m_sourceDrives);
    destinationLabel->setBuddy(m_destinationDrives);
}

void MainWindow::createMenus()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MenuBar"));

    QMenu *fileMenu = bar->addMenu(QStringLiteral("文件(&F)"));
    fileMenu->setObjectName(QStringLiteral("MenuFile"));
    m_endAction = fileMenu->addAction(QStringLiteral("结束"));
    m_endAction->setObjectName(QStringLiteral("FileEnd"));

    m_toolsMenu = bar->addMenu(QStringLiteral("工具(&T)"));
    m_toolsMenu->setObjectName(QStringLiteral("MenuTools"));

    m_optionsAction = bar->addAction(QStringLiteral("选项"));
    m_optionsAction->setObjectName(QStringLiteral("MenuOption"));

    QMenu *helpMenu = bar->addMenu(QStringLiteral("帮助(&H)"));
    helpMenu->setObjectName(QStringLiteral("MenuHelp"));
    m_helpTopicsAction = helpMenu->addAction(QStringLiteral("主题"));
    m_helpTopicsAction->setObjectName(QStringLiteral("HelpTopic"));
    m_aboutAction = helpMenu->addAction(QStringLiteral("关于"));
    m_aboutAction->setObjectName(QStringLiteral("HelpAbout"));
}

void MainWindow::createWorkers()
{
    m_source = new BrowsingSide(m_sourceDrives, m_sourceFolders, this);
    m_destination = new BrowsingSide(m_destinationDrives, m_destinationFolders, this);
    m_jobEditor = new JobListEditor(m_jobs, m_jobNames, m_sourceFiles, this);
    m_batchStatus = new BatchStatus(m_statusLabel, m_progressBar, this);
    m_tools = new ToolsMenu(m_toolsMenu, m_tool, m_settings, this);
    m_jobs->setCommandPreview([this](int row) { return m_batch->previewEntry(row).commandLine; });
    m_jobs->setShellPreview([this](int row) { return m_batch->previewEntry(row).shellLine; });

    m_launcher->setConsoleFactory(ConsoleWindowFactory());
    m_batchHost = std::make_unique<WindowBatchHost>(
        WindowBatchHost::Controls{m_jobs, m_jobNames, m_destinationFolders, m_batchStatus,
                                  m_processButton, m_stopShortcut, m_reportTimer});
    m_batch = std::make_unique<BatchRun>(*m_batchHost, *m_launcher, m_tool, m_desktop.dataFolder());
    m_batchHost->follow(*m_batch, m_desktop);
}

void MainWindow::connectHandlers()
{
    // The list buttons and the job list.
    connect(m_addSelectedButton, &QPushButton::clicked, m_jobEditor,
            &JobListEditor::addSelectedFiles);
    connect(m_removeSelectedButton, &QPushButton::clicked, m_jobEditor,
            &JobListEditor::removeSelectedJobs);
    connect(m_addAllButton, &QPushButton::clicked, m_jobEditor, &JobListEditor::addAllFiles);
    connect(m_removeAllButton, &QPushButton::clicked, m_jobEditor, &JobListEditor::clearJobs);
    // With its entries goes what the last batch made of them.
    connect(m_removeAllButton, &QPushButton::clicked, m_batchStatus, [this] {
        if (!m_batch->isRunning())
            m_batchStatus->clearSummary();
    });
    connect(m_sourceFiles, &QAbstractItemView::doubleClicked, m_jobEditor,
            &JobListEditor::addCurrentFile);
    connect(m_jobNames, &QAbstractItemView::doubleClicked, m_jobEditor,
            &JobListEditor::removeCurrentJob);
    connect(m_jobNames, &JobListView::filesDropped, this, [this](const QList<QUrl> &urls) {
        if (!m_batch->isRunning())
            m_jobEditor->addDroppedFiles(urls);
    });
    connect(m_jobNames, &QWidget::customContextMenuRequested, this, &MainWindow::showJobListMenu);
    connect(m_jobMenuShortcut, &QShortcut::activated, this, [this] {
        const QModelIndex current = m_jobNames->currentIndex();
        const QRect place =
            current.isValid() ? m_jobNames->visualRect(current) : m_jobNames->viewport()->rect();
        showJobListMenu(place.center());
    });
    connect(m_copyCommandLinesAction, &QAction::triggered, this, &MainWindow::copyCommandLines);
    connect(m_rerunAction, &QAction::triggered, this,
            [this] { m_batch->runEntries(m_jobs->unsuccessfulKeys()); });

    // Browsing.
    connect(m_sameFolderButton, &QPushButton::clicked, this,
            [this] { m_destinationFolders->setPath(m_sourceFolders->path()); });
    for (BrowsingSide *side : {m_source, m_destination})
        connect(side, &BrowsingSide::driveUnavailable, this, &MainWindow::showInvalidDrive);
    connect(m_sourceFolders, &FolderList::pathChanged, this, &MainWindow::showSourceFolderFiles);
    connect(m_patternBox, &PatternBox::patternChosen, m_sourceFiles, &FileList::setPattern);

    // The batch.
    connect(m_processButton, &QPushButton::clicked, this, &MainWindow::runBatch);
    connect(m_stopBatchAction, &QAction::triggered, this, &MainWindow::askToStopBatch);
    connect(m_stopShortcut, &QShortcut::activated, this, &MainWindow::askToStopBatch);

    // The menus; the title follows the active tool.
    connect(m_exitButton, &QPushButton::clicked, this, &MainWindow::exitProgram);
    connect(m_endAction, &QAction::triggered, this, &MainWindow::exitProgram);
    connect(m_optionsAction, &QAction::triggered, this, &MainWindow::openOptions);
    connect(m_helpTopicsAction, &QAction::triggered, this, [] { OpenHelpWindow(); });
    connect(m_aboutAction, &QAction::triggered, this, [this] { OpenAboutBox(m_desktop); });
    connect(&m_tool, &ActiveTool::changed, this,
            [this] { setWindowTitle(LiteralWindowTitle(m_tool.caption())); });
}

void MainWindow::applyTabOrder()
{
    // The order of the layout table; labels and the progress bar take no
    // focus, and the folder view of the job list is never shown.
    const QList<QWidget *> order = {m_sourceDrives,       m_sourceFiles,          m_sourceFolders,
                                    m_addSelectedButton,  m_removeSelectedButton, m_jobNames,
                                    m_destinationFolders, m_destinationDrives,    m_processButton,
                                    m_exitButton,         m_patternBox,           m_addAllButton,
                                    m_removeAllButton,    m_sameFolderButton};
    SetTabChain(order);
    m_progressBar->setFocusPolicy(Qt::NoFocus);
    m_sourceDrives->setFocus();
}

bool MainWindow::loadOnStartup(SingleInstance &instance)
{
    if (!instance.tryAcquire()) {
        m_desktop.showMessage(
            Message{alreadyRunningText(), ApplicationTitle(), MessageIcon::Information});
        return false;
    }
    m_instance = &instance;
    // Both sides start at the process's current folder, as a new window's
    // lists do.
    const QString current = QDir::currentPath();
    m_source->startAt(current);
    m_destination->startAt(current);
    m_sourceFiles->setPath(current);

    m_sourceFiles->setPattern(m_patternBox->currentText());
    m_tool.select(m_settings.readInt(QLatin1String(kCurrentToolKey)));
    m_tools->refresh();
    m_batchStatus->useWindowGrey();
    return true;
}

void MainWindow::addPathsFromOutside(const QStringList &paths, PathsFrom from)
{
    const QStringList missing = m_jobEditor->addPaths(paths);
    if (from == PathsFrom::HandOver) {
        if (isMinimized())
            showNormal();
        raise();
        activateWindow();
    }
    if (missing.isEmpty())
        return;
    QStringList names;
    for (const QString &path : missing)
        names << DisplayedFileName(path);
    const Message message{QStringLiteral("以下路径不存在或不是文件、文件夹，未加入任务列表：\n") +
                              names.join(QLatin1Char('\n')),
                          ApplicationTitle(), MessageIcon::Warning};
    // After the window has shown, and not from inside whatever delivered
    // the paths.
    QTimer::singleShot(0, this, [this, message] { m_desktop.showMessage(message); });
}

void MainWindow::setProcessEnd(ProcessEnd end)
{
    m_processEnd = std::move(end);
}

int MainWindow::listScrollExtent() const
{
    return m_jobNames->horizontalExtent();
}

void MainWindow::exitProgram()
{
    endProgram(true);
}

void MainWindow::endProgram(bool saveTool)
{
    if (saveTool && !m_settings.writeInt(QLatin1String(kCurrentToolKey), m_tool.index()))
        m_desktop.showMessage(SettingsWriteFailure());
    hide();
    if (m_instance)
        m_instance->release();
    // Nothing starts after this; what runs goes on without us.
    m_batch->handOverAtExit();
    m_processEnd();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    event->accept();
    // A console window still open would keep the program alive: during a
    // batch the close box ends it as the exit commands do, but without
    // saving the tool.
    if (m_batch->isRunning())
        endProgram(false);
}

bool MainWindow::event(QEvent *event)
{
    // A modal window has closed: the batch may start what it held back,
    // once the window is quite gone.
    if (event->type() == QEvent::WindowUnblocked)
        QMetaObject::invokeMethod(m_batch.get(), &BatchRun::resume, Qt::QueuedConnection);
    return QMainWindow::event(event);
}

void MainWindow::showInvalidDrive()
{
    m_desktop.showMessage(
        Message{QStringLiteral("设备无效   "), QStringLiteral("注意"), MessageIcon::Warning});
}

void MainWindow::showSourceFolderFiles()
{
    m_sourceFiles->setPattern(m_patternBox->currentText());
    m_sourceFiles->setPath(m_sourceFolders->path());
}

void MainWindow::runBatch()
{
    m_batch->run();
}

void MainWindow::askToStopBatch()
{
    if (!m_batch->isRunning())
        return;
    if (m_desktop.askYesNo(
            Message{QStringLiteral("停止处理？"), ApplicationTitle(), MessageIcon::Question}))
        m_batch->stop();
}

void MainWindow::copyCommandLines()
{
    const QStringList lines = m_jobEditor->selectedShellLines();
    if (!lines.isEmpty())
        QGuiApplication::clipboard()->setText(lines.join(QLatin1Char('\n')));
}

void MainWindow::showJobListMenu(const QPoint &position)
{
    m_copyCommandLinesAction->setEnabled(m_jobNames->selectionModel()->hasSelection());
    m_stopBatchAction->setEnabled(m_batch->isRunning());
    m_rerunAction->setEnabled(!m_batch->isRunning() && !m_jobs->unsuccessfulKeys().isEmpty());
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("JobListMenu"));
    menu.addAction(m_copyCommandLinesAction);
    menu.addAction(m_rerunAction);
    menu.addAction(m_stopBatchAction);
    menu.exec(m_jobNames->viewport()->mapToGlobal(position));
}

void MainWindow::openOptions()
{
    OpenOptionsDialog(m_desktop, m_settings, m_tool, [this] { m_tools->refresh(); });
}

} // namespace corvane
