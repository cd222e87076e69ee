#include "gui/main_window/main_window.h"

#include "core/command/command_line.h"
#include "core/files/drive_of_folder.h"
#include "core/files/file_pattern.h"
#include "core/files/paths.h"
#include "core/launch/launcher.h"
#include "core/platform/data_folder.h"
#include "core/platform/drives.h"
#include "core/platform/file_ops.h"
#include "core/platform/folder_listing.h"
#include "core/platform/message_box.h"
#include "core/platform/single_instance.h"
#include "core/settings/active_tool.h"
#include "core/settings/settings_file.h"
#include "gui/common/enter_key.h"
#include "gui/common/form_layout.h"
#include "gui/common/form_look.h"
#include "gui/common/program_icon.h"
#include "gui/common/version.h"
#include "gui/console/console_window.h"
#include "gui/dialogs/about_box.h"
#include "gui/dialogs/help_window.h"
#include "gui/dialogs/options_dialog.h"
#include "gui/main_window/drive_list.h"
#include "gui/main_window/file_list.h"
#include "gui/main_window/folder_list.h"
#include "gui/main_window/job_list.h"
#include "gui/main_window/job_list_view.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QStyleFactory>
#include <QTimer>

#include <algorithm>
#include <cmath>

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

void leaveEventLoop()
{
    QCoreApplication::quit();
}
} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint),
      m_launcher(CreateLauncher()), m_processEnd(leaveEventLoop)
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(ApplicationTitle());
    setWindowIcon(ProgramIcon());
    UseFormLook(this);

    m_launcher->setConsoleFactory(ConsoleWindowFactory());
    m_batch = std::make_unique<BatchRun>(*this, *m_launcher);

    createControls();
    createMenus();
    connectHandlers();
    applyTabOrder();
    SetCaptionSink([this](const QString &caption) { setWindowTitle(LiteralWindowTitle(caption)); });
}

MainWindow::~MainWindow()
{
    SetCaptionSink({});
}

void MainWindow::createControls()
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

    m_jobFolders = place(new QListView(m_client), "List2", PxRect(8040, 1320, 1095, 1680));
    m_jobFolders->setModel(m_jobs);
    m_jobFolders->setModelColumn(JobList::FolderColumn);
    m_jobFolders->setUniformItemSizes(true);
    m_jobFolders->setVisible(false);

    m_reportTimer = new QTimer(this);
    m_reportTimer->setObjectName(QStringLiteral("Timer1"));
    m_reportTimer->setInterval(1000);

    m_sameFolderButton =
        button(m_client, "Command7", QStringLiteral("="), PxRect(3600, 1680, 855, 375));
    m_removeAllButton =
        button(m_client, "Command6", QStringLiteral("<<"), PxRect(3600, 5280, 855, 375));
    m_addAllButton =
        button(m_client, "Command5", QStringLiteral(">>"), PxRect(3600, 3840, 855, 375));

    m_patternBox = place(new QComboBox(m_client), "Combo1", PxRect(120, 5760, 3375, 300));
    m_patternBox->setEditable(true);
    // Patterns go to the list only through Enter, every time, duplicates too.
    m_patternBox->setInsertPolicy(QComboBox::NoInsert);
    m_patternBox->setDuplicatesEnabled(true);
    m_patternBox->setCompleter(nullptr);
    m_patternBox->addItems({QStringLiteral("*.bmp"), QStringLiteral("*.wav"),
                            QStringLiteral("*.bin"), QStringLiteral("*.*")});
    m_patternBox->setCurrentIndex(-1);
    m_patternBox->setEditText(QStringLiteral("*.*"));

    m_progressBar = place(new QProgressBar(m_client), "ProgressBar1", PxRect(120, 6120, 7815, 255));
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

    m_exitButton =
        button(m_client, "Command4", QStringLiteral("退出"), PxRect(8160, 5280, 855, 375));
    m_processButton =
        button(m_client, "Command3", QStringLiteral("处理"), PxRect(8160, 4800, 855, 375));
    m_destinationDrives = place(new DriveList(m_client), "Drive2", PxRect(4560, 360, 3375, 300));
    m_destinationFolders = place(new FolderList(m_client), "Dir2", PxRect(4560, 720, 3375, 2400));

    m_jobNames = place(new JobListView(m_client), "List1", PxRect(4560, 3120, 3375, 2940));
    m_jobNames->setModel(new JobNameList(m_jobs));
    m_jobNames->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_jobNames->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_jobNames->setContextMenuPolicy(Qt::CustomContextMenu);
    m_jobs->setCommandPreview([this](int row) { return previewCommandLine(row); });
    m_copyCommandLinesAction = new QAction(QStringLiteral("复制命令行"), this);
    m_copyCommandLinesAction->setObjectName(QStringLiteral("CopyCommandLines"));
    m_stopBatchAction = new QAction(QStringLiteral("停止处理"), this);
    m_stopBatchAction->setObjectName(QStringLiteral("StopBatch"));
    m_rerunAction = new QAction(QStringLiteral("重新处理未成功的条目"), this);
    m_rerunAction->setObjectName(QStringLiteral("RerunUnsuccessful"));
    // Esc stops a batch only while one runs; otherwise it is left to the
    // control that has the focus.
    m_stopShortcut = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    m_stopShortcut->setObjectName(QStringLiteral("StopShortcut"));
    m_stopShortcut->setEnabled(false);
    // File names need no ligatures or kerning: without them Latin text is
    // measured (fitJobListScrollWidth) and drawn several times faster, and exactly
    // alike. Scripts that need shaping still get it.
    QFont listFont = m_jobNames->font();
    listFont.setStyleStrategy(QFont::PreferNoShaping);
    m_jobNames->setFont(listFont);

    m_removeSelectedButton =
        button(m_client, "Command2", QStringLiteral("<-"), PxRect(3600, 4800, 855, 375));
    m_addSelectedButton =
        button(m_client, "Command1", QStringLiteral("->"), PxRect(3600, 4320, 855, 375));
    m_sourceFolders = place(new FolderList(m_client), "Dir1", PxRect(120, 720, 3375, 2400));
    m_sourceFiles = place(new FileList(m_client), "File1", PxRect(120, 3120, 3375, 2610));
    m_sourceDrives = place(new DriveList(m_client), "Drive1", PxRect(120, 360, 3375, 300));

    m_statusLabel = label(m_client, "Label3", QStringLiteral("..."), PxRect(8040, 6240, 615, 495));
    m_destinationLabel =
        label(m_client, "Label2", QStringLiteral("文件存储路径"), PxRect(4560, 120, 2775, 375));
    m_sourceLabel =
        label(m_client, "Label1", QStringLiteral("源文件路径"), PxRect(120, 120, 2775, 255));
}

void MainWindow::createMenus()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MenuBar"));

    m_fileMenu = bar->addMenu(QStringLiteral("文件(&F)"));
    m_fileMenu->setObjectName(QStringLiteral("MenuFile"));
    m_endAction = m_fileMenu->addAction(QStringLiteral("结束"));
    m_endAction->setObjectName(QStringLiteral("FileEnd"));

    m_toolsMenu = bar->addMenu(QStringLiteral("工具(&T)"));
    m_toolsMenu->setObjectName(QStringLiteral("MenuTools"));
    for (int i = 0; i < int(m_toolActions.size()); ++i) {
        QAction *tool = m_toolsMenu->addAction(QStringLiteral("工具%1").arg(i + 1));
        tool->setObjectName(QStringLiteral("Tools_%1").arg(i));
        m_toolActions[size_t(i)] = tool;
    }

    m_optionsAction = bar->addAction(QStringLiteral("选项"));
    m_optionsAction->setObjectName(QStringLiteral("MenuOption"));

    m_helpMenu = bar->addMenu(QStringLiteral("帮助(&H)"));
    m_helpMenu->setObjectName(QStringLiteral("MenuHelp"));
    m_helpTopicsAction = m_helpMenu->addAction(QStringLiteral("主题"));
    m_helpTopicsAction->setObjectName(QStringLiteral("HelpTopic"));
    m_aboutAction = m_helpMenu->addAction(QStringLiteral("关于"));
    m_aboutAction->setObjectName(QStringLiteral("HelpAbout"));
}

void MainWindow::connectHandlers()
{
    connect(m_addSelectedButton, &QPushButton::clicked, this, &MainWindow::addSelectedFiles);
    connect(m_removeSelectedButton, &QPushButton::clicked, this, &MainWindow::removeSelectedJobs);
    connect(m_processButton, &QPushButton::clicked, this, &MainWindow::runBatch);
    connect(m_exitButton, &QPushButton::clicked, this, &MainWindow::exitProgram);
    connect(m_addAllButton, &QPushButton::clicked, this, &MainWindow::addAllFiles);
    connect(m_removeAllButton, &QPushButton::clicked, this, &MainWindow::clearJobs);
    connect(m_sameFolderButton, &QPushButton::clicked, this,
            &MainWindow::copySourceFolderToDestination);
    connect(m_sourceDrives, &DriveList::driveChanged, this, &MainWindow::showSourceDrive);
    connect(m_destinationDrives, &DriveList::driveChanged, this, &MainWindow::showDestinationDrive);
    connect(m_sourceFolders, &FolderList::pathChanged, this, &MainWindow::showSourceFolderFiles);
    // Each side keeps, per drive, the folder it last showed there.
    connect(m_sourceFolders, &FolderList::pathChanged, this, [this](const QString &folder) {
        rememberDriveFolder(*m_sourceDrives, folder, m_sourceDriveFolders);
    });
    connect(m_destinationFolders, &FolderList::pathChanged, this, [this](const QString &folder) {
        rememberDriveFolder(*m_destinationDrives, folder, m_destinationDriveFolders);
    });
    connect(m_sourceFiles, &QAbstractItemView::doubleClicked, this, &MainWindow::addCurrentFile);
    connect(m_jobNames, &QWidget::customContextMenuRequested, this, &MainWindow::showJobListMenu);
    connect(m_jobNames, &JobListView::filesDropped, this, &MainWindow::addDroppedFiles);
    connect(m_copyCommandLinesAction, &QAction::triggered, this, &MainWindow::copyCommandLines);
    connect(m_stopBatchAction, &QAction::triggered, this, &MainWindow::askToStopBatch);
    connect(m_rerunAction, &QAction::triggered, this, &MainWindow::rerunUnsuccessful);
    connect(m_stopShortcut, &QShortcut::activated, this, &MainWindow::askToStopBatch);
    // Each entry's outcome: cleared when a batch of it starts, then set as it
    // goes, on the entry whatever moved around it.
    connect(m_batch.get(), &BatchRun::started, this, [this](const QList<quint64> &keys) {
        m_jobs->clearOutcomes(keys);
        m_statusLabel->setToolTip(QString());
        m_statusLabel->setAccessibleDescription(QString());
        m_progressBar->setToolTip(QString());
        m_progressBar->setPalette(m_progressPalette);
    });
    connect(m_batch.get(), &BatchRun::entryStarted, this,
            [this](int, const QString &, quint64 key) {
                m_jobs->setRunning(key);
                const int row = m_jobs->indexOfKey(key);
                if (row >= 0)
                    m_jobNames->scrollTo(m_jobNames->model()->index(row, 0));
            });
    connect(m_batch.get(), &BatchRun::entryFinished, this,
            [this](const BatchEntryResult &result) { m_jobs->setResult(result.key, result); });
    connect(m_batch.get(), &BatchRun::finished, this, [this] {
        if (!m_batch->lastResults().isEmpty())
            showBatchSummary();
    });
    connect(m_jobNames, &QAbstractItemView::doubleClicked, this, &MainWindow::removeCurrentJob);
    connect(m_patternBox, &QComboBox::activated, this, &MainWindow::applyPickedPattern);
    // The box itself reports a typed text that equals an entry as a pick
    // when its edit field loses the focus; only a real pick may apply it.
    disconnect(m_patternBox->lineEdit(), &QLineEdit::editingFinished, m_patternBox, nullptr);
    // Enter reaches the combo box first; sent to its line edit, it comes on
    // to the combo box, which the line edit leaves it to.
    m_patternBox->installEventFilter(this);
    connect(m_reportTimer, &QTimer::timeout, this, &MainWindow::openReport);

    connect(m_endAction, &QAction::triggered, this, &MainWindow::exitProgram);
    for (int i = 0; i < int(m_toolActions.size()); ++i)
        connect(m_toolActions[size_t(i)], &QAction::triggered, this, [this, i] { selectTool(i); });
    connect(m_optionsAction, &QAction::triggered, this, &MainWindow::openOptions);
    connect(m_helpTopicsAction, &QAction::triggered, this, &MainWindow::openHelp);
    connect(m_aboutAction, &QAction::triggered, this, &MainWindow::openAbout);
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
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order.at(i - 1), order.at(i));
    m_progressBar->setFocusPolicy(Qt::NoFocus);
    m_sourceDrives->setFocus();
    // Enter presses the focused button; Esc is left to the focused control.
    PressOnEnterWhenFocused({m_addSelectedButton, m_removeSelectedButton, m_processButton,
                             m_exitButton, m_addAllButton, m_removeAllButton, m_sameFolderButton});
}

bool MainWindow::loadOnStartup(SingleInstance &instance)
{
    if (!instance.tryAcquire()) {
        ShowMessage(Message{alreadyRunningText(), ApplicationTitle(), MessageIcon::Information});
        return false;
    }
    m_instance = &instance;
    startBrowsing();

    m_sourceFiles->setPattern(m_patternBox->currentText());
    ActiveTool().index = ReadIntSetting(QStringLiteral("CurrentTool"));
    LoadActiveTool();
    refreshToolMenu();

    // The empty part of the bar in the window's grey.
    QPalette palette = m_progressBar->palette();
    palette.setColor(QPalette::Base, kFormGrey);
    palette.setColor(QPalette::Window, kFormGrey);
    palette.setColor(QPalette::Button, kFormGrey);
    m_progressBar->setPalette(palette);
    m_progressPalette = palette;
    return true;
}

void MainWindow::startBrowsing()
{
    // Both sides start at the process's current folder, as a new window's
    // lists do.
    const QString current = QDir::currentPath();
    m_sourceDrives->refreshDrives();
    m_destinationDrives->refreshDrives();
    m_sourceDrives->showFolder(current);
    m_destinationDrives->showFolder(current);
    const QSignalBlocker blocker(m_sourceFolders);
    m_sourceFolders->setPath(current);
    m_destinationFolders->setPath(current);
    m_sourceFiles->setPath(current);
    rememberDriveFolder(*m_sourceDrives, current, m_sourceDriveFolders);
    rememberDriveFolder(*m_destinationDrives, current, m_destinationDriveFolders);
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
    if (saveTool)
        WriteIntSetting(QStringLiteral("CurrentTool"), ActiveTool().index);
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
    ShowMessage(
        Message{QStringLiteral("设备无效   "), QStringLiteral("注意"), MessageIcon::Warning});
}

void MainWindow::showSourceDrive()
{
    if (!showDriveFolder(*m_sourceDrives, *m_sourceFolders, m_sourceDriveFolders))
        showInvalidDrive();
}

void MainWindow::showDestinationDrive()
{
    if (!showDriveFolder(*m_destinationDrives, *m_destinationFolders, m_destinationDriveFolders))
        showInvalidDrive();
}

void MainWindow::rememberDriveFolder(const DriveList &drives, const QString &folder,
                                     DriveFolders &lastFolders)
{
    lastFolders.insert(DriveOfFolder(folder, drives.mountPoints()), folder);
}

bool MainWindow::showDriveFolder(const DriveList &drives, FolderList &folders,
                                 const DriveFolders &lastFolders)
{
    // The drive's current folder: the one last shown on it on this side, its
    // root at first. A folder that has gone since gives way to the nearest
    // parent that opens; only a drive whose root does not open is invalid.
    const QString drive = drives.drive();
    QString folder = lastFolders.value(drive, drive);
    while (!folders.setPath(folder)) {
        const QString parent = QFileInfo(folder).path();
        if (folder == drive || parent == folder)
            return false;
        folder = parent;
    }
    return true;
}

void MainWindow::showSourceFolderFiles()
{
    m_sourceFiles->setPattern(m_patternBox->currentText());
    m_sourceFiles->setPath(m_sourceFolders->path());
}

void MainWindow::applyPickedPattern()
{
    m_sourceFiles->setPattern(m_patternBox->currentText());
}

void MainWindow::applyAndRememberPattern()
{
    const QString text = m_patternBox->currentText();
    m_sourceFiles->setPattern(text);
    m_patternBox->addItem(text);
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_patternBox && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            applyAndRememberPattern(); // with any modifier keys
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::copySourceFolderToDestination()
{
    m_destinationFolders->setPath(m_sourceFolders->path());
}

void MainWindow::addFiles(const QList<bool> *selected)
{
    const QString folder = m_sourceFiles->path();
    const int count = m_sourceFiles->count();
    QList<JobEntry> added;
    added.reserve(count);
    for (int i = 0; i < count; ++i) {
        if (!selected || selected->at(i))
            added.append(JobEntry{m_sourceFiles->fileName(i), folder});
    }
    m_jobs->append(added);
    fitJobListScrollWidth();
}

void MainWindow::addSelectedFiles()
{
    const QList<bool> selected = m_sourceFiles->selectionFlags();
    addFiles(&selected);
}

void MainWindow::addAllFiles()
{
    addFiles(nullptr);
}

void MainWindow::addCurrentFile()
{
    const QString name = m_sourceFiles->currentFileName();
    if (!name.isEmpty())
        m_jobs->append({JobEntry{name, m_sourceFiles->path()}});
    fitJobListScrollWidth();
}

void MainWindow::removeSelectedJobs()
{
    m_jobs->removeMarked(SelectedRowFlags(*m_jobNames->selectionModel(), m_jobs->count()));
    fitJobListScrollWidth();
}

void MainWindow::clearJobs()
{
    m_jobs->clear();
    fitJobListScrollWidth();
}

void MainWindow::removeCurrentJob()
{
    const QModelIndex current = m_jobNames->currentIndex();
    if (current.isValid() && current.row() < m_jobs->count())
        m_jobs->removeAt(current.row());
    fitJobListScrollWidth();
}

void MainWindow::fitJobListScrollWidth()
{
    const QFontMetricsF metrics(m_jobNames->font());
    const int rows = m_jobs->count();
    qreal widest = 0;
    for (int row = 0; row < rows; ++row) {
        const qreal width = metrics.horizontalAdvance(m_jobs->name(row));
        // Halves round to even, as the default rounding mode does.
        if (width > widest)
            widest = std::nearbyint(width);
    }
    m_jobNames->setHorizontalExtent(int(widest) + 10);
}

void MainWindow::runBatch()
{
    m_batch->run();
}

void MainWindow::rerunUnsuccessful()
{
    m_batch->runEntries(m_jobs->unsuccessfulKeys());
}

QString MainWindow::batchSummary() const
{
    int failed = 0;
    int signalled = 0;
    int notStarted = 0;
    int notRun = 0;
    const QList<BatchEntryResult> &results = m_batch->lastResults();
    for (const BatchEntryResult &result : results) {
        switch (result.outcome) {
        case BatchEntryResult::Outcome::Succeeded:
            break;
        case BatchEntryResult::Outcome::Failed:
            ++failed;
            break;
        case BatchEntryResult::Outcome::Signalled:
            ++signalled;
            break;
        case BatchEntryResult::Outcome::NotStarted:
            ++notStarted;
            break;
        case BatchEntryResult::Outcome::NotRun:
            ++notRun;
            break;
        }
    }
    const QString time = QStringLiteral("共用时 ") + DurationText(m_batch->lastElapsedMs());
    const int unsuccessful = failed + signalled + notStarted + notRun;
    if (unsuccessful == 0)
        return QStringLiteral("%1 个条目全部成功\n").arg(results.size()) + time;
    QStringList parts;
    const std::pair<int, QString> counts[] = {{failed, QStringLiteral("失败 %1")},
                                              {signalled, QStringLiteral("被信号终止 %1")},
                                              {notStarted, QStringLiteral("未启动 %1")},
                                              {notRun, QStringLiteral("未运行 %1")}};
    for (const auto &[number, text] : counts) {
        if (number > 0)
            parts.append(text.arg(number));
    }
    return QStringLiteral("%1 个条目中 %2 个未成功：%3\n")
               .arg(results.size())
               .arg(unsuccessful)
               .arg(parts.join(QStringLiteral("，"))) +
           time;
}

void MainWindow::showBatchSummary()
{
    // "完成" stays as it is; that not everything succeeded shows on the bar,
    // in red, and in the label's tooltip.
    const QString summary = batchSummary();
    m_statusLabel->setToolTip(summary);
    m_statusLabel->setAccessibleDescription(summary);
    m_progressBar->setToolTip(summary);
    const QList<BatchEntryResult> &results = m_batch->lastResults();
    if (std::none_of(results.cbegin(), results.cend(), IsFailure))
        return;
    QPalette failed = m_progressPalette;
    failed.setColor(QPalette::Highlight, QColor(0xC6, 0x28, 0x28));
    m_progressBar->setPalette(failed);
}

void MainWindow::askToStopBatch()
{
    if (!m_batch->isRunning())
        return;
    if (AskYesNo(Message{QStringLiteral("停止处理？"), ApplicationTitle(), MessageIcon::Question}))
        m_batch->stop();
}

QString MainWindow::previewCommandLine(int row) const
{
    const ActiveToolState &tool = ActiveTool();
    // The same line as the batch builds.
    return BuildCommandLine(
        tool.program, tool.commandTemplate, tool.captureOutput, m_jobs->name(row),
        QDir::toNativeSeparators(m_jobs->folder(row)), row,
        QDir::toNativeSeparators(m_destinationFolders->path()),
        QDir::toNativeSeparators(JoinPath(DataFolder(), QStringLiteral("report.txt"))),
        QDir::separator());
}

void MainWindow::copyCommandLines()
{
    const QList<bool> selected = SelectedRowFlags(*m_jobNames->selectionModel(), m_jobs->count());
    QStringList lines;
    for (int row = 0; row < m_jobs->count(); ++row) {
        if (selected.at(row))
            lines.append(m_jobs->commandLine(row));
    }
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

void MainWindow::addDroppedFiles(const QList<QUrl> &urls)
{
    if (m_batch->isRunning())
        return;
    const FilePattern pattern(m_sourceFiles->pattern());
    QList<JobEntry> added;
    for (const QUrl &url : urls) {
        if (!url.isLocalFile())
            continue;
        // Names as the bytes on disk: Qt's own file functions would not find
        // a name that is no UTF-8.
        const QString path = LocalFilePath(url);
        const QFileInfo info(path);
        const PathKind kind = KindOfPath(path);
        if (kind == PathKind::Folder) {
            const QString folder = QDir::cleanPath(info.absoluteFilePath());
            const QStringList names = ListFolder(folder, EntryKind::Files);
            for (const QString &name : names) {
                if (pattern.matches(name))
                    added.append(JobEntry{name, folder});
            }
        } else if (kind == PathKind::File) {
            added.append(JobEntry{info.fileName(), QDir::cleanPath(info.absolutePath())});
        }
    }
    m_jobs->append(added);
    fitJobListScrollWidth();
}

void MainWindow::openReport()
{
    m_batch->openReport();
}

void MainWindow::selectTool(int index)
{
    ActiveTool().index = index;
    LoadActiveTool();
}

void MainWindow::refreshToolMenu()
{
    const std::array<QString, kToolCount> names = ReadToolMenuNames();
    for (size_t i = 0; i < names.size(); ++i) {
        if (!names[i].isEmpty())
            m_toolActions[i]->setText(LiteralCaption(names[i]));
    }
}

void MainWindow::openOptions()
{
    OpenOptionsDialog([this] { refreshToolMenu(); });
}

void MainWindow::openHelp()
{
    OpenHelpWindow();
}

void MainWindow::openAbout()
{
    OpenAboutBox();
}

int MainWindow::jobCount() const
{
    return m_jobs->count();
}

QString MainWindow::jobName(int index) const
{
    return m_jobs->name(index);
}

QString MainWindow::jobFolder(int index) const
{
    return m_jobs->folder(index);
}

quint64 MainWindow::jobKey(int index) const
{
    return m_jobs->key(index);
}

int MainWindow::jobIndexOf(quint64 key) const
{
    return m_jobs->indexOfKey(key);
}

bool MainWindow::holdsBackStarts() const
{
    return QApplication::activeModalWidget() != nullptr;
}

QString MainWindow::destinationFolder() const
{
    return m_destinationFolders->path();
}

void MainWindow::setStatusText(const QString &text)
{
    m_statusLabel->setText(text);
}

void MainWindow::setProcessEnabled(bool enabled)
{
    // A batch runs while "处理" is disabled: Esc may stop it, drops wait.
    m_stopShortcut->setEnabled(!enabled);
    m_jobNames->setAcceptsFiles(enabled);
    // Disabled with the focus, "处理" would pass it on to "退出", where one
    // more key ends the program mid-batch: the job list takes it instead and
    // gives it back at the end, unless the user has moved it meanwhile.
    if (!enabled && focusWidget() == m_processButton) {
        m_jobNames->setFocus(Qt::OtherFocusReason);
        m_focusParkedInJobList = true;
    }
    m_processButton->setEnabled(enabled);
    if (enabled && m_focusParkedInJobList) {
        m_focusParkedInJobList = false;
        if (focusWidget() == m_jobNames)
            m_processButton->setFocus(Qt::OtherFocusReason);
    }
}

void MainWindow::setProgressMinimum(int minimum)
{
    m_progressBar->setMinimum(minimum);
}

void MainWindow::setProgressMaximum(int maximum)
{
    m_progressBar->setMaximum(maximum);
}

void MainWindow::setProgressValue(int value)
{
    m_progressBar->setValue(value);
}

void MainWindow::setReportTimerEnabled(bool enabled)
{
    if (enabled)
        m_reportTimer->start();
    else
        m_reportTimer->stop();
}

} // namespace corvane
