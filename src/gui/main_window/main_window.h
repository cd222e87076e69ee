#pragma once

#include <QMainWindow>

#include <functional>
#include <memory>

class QAction;
class QLabel;
class QListView;
class QMenu;
class QProgressBar;
class QPushButton;
class QShortcut;
class QTimer;

namespace corvane {

class ActiveTool;
class BatchRun;
class BatchStatus;
class BrowsingSide;
class Desktop;
class DriveList;
class FileList;
class FolderList;
class JobList;
class JobListEditor;
class JobListView;
class Launcher;
class PatternBox;
class SettingsFile;
class SingleInstance;
class ToolsMenu;
class WindowBatchHost;

// The main window: source drive, folder and file list with the pattern box
// on the left, destination drive and folder with the job list on the right,
// the list buttons between them, "处理" and "退出" at the lower right and the
// progress bar along the bottom. It lays the controls out and connects them
// to the objects that do the work: a browsing side each for source and
// destination, the job list's editor, the batch with its status and host,
// and the Tools menu. Each control's objectName is set where it is created.
class MainWindow final : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(Desktop &desktop, const SettingsFile &settings, ActiveTool &tool,
               QWidget *parent = nullptr);
    ~MainWindow() override;
    Q_DISABLE_COPY_MOVE(MainWindow)

    // Start-up, run once before the window is first shown. Returns false when
    // another instance is running: the message has been shown, nothing was
    // read or written, and the window must not be shown.
    bool loadOnStartup(SingleInstance &instance);

    // Ends the program, used by the exit commands and by the close box
    // during a batch: the default leaves the application's event loop;
    // tests put a recorder in its place.
    using ProcessEnd = std::function<void()>;
    void setProcessEnd(ProcessEnd end);

    // Files and folders from outside the window (the program's arguments, a
    // later start's hand-over): added to the job list as a drop adds them.
    // Paths that are neither a file nor a folder are named in one message
    // once the window is up. A hand-over also brings the window to the front.
    enum class PathsFrom { Start, HandOver };
    void addPathsFromOutside(const QStringList &paths, PathsFrom from);

    // "退出" and "结束": saves the active tool's index and ends the program.
    void exitProgram();
    // "处理".
    void runBatch();

    const JobList &jobList() const { return *m_jobs; }
    JobListEditor &jobEditor() { return *m_jobEditor; }
    BatchRun &batchRun() { return *m_batch; }
    // The horizontal extent of the job list's view, in pixels.
    int listScrollExtent() const;

protected:
    void closeEvent(QCloseEvent *event) override;
    bool event(QEvent *event) override;

private:
    void createControls();
    void nameForAssistiveTechnology(QLabel *sourceLabel, QLabel *destinationLabel);
    void createMenus();
    void createWorkers();
    void connectHandlers();
    void applyTabOrder();
    void endProgram(bool saveTool);
    void showInvalidDrive();
    void showSourceFolderFiles();
    void askToStopBatch();
    void copyCommandLines();
    void showJobListMenu(const QPoint &position);
    void openOptions();

    Desktop &m_desktop;
    const SettingsFile &m_settings;
    ActiveTool &m_tool;

    QWidget *m_client = nullptr;
    QLabel *m_statusLabel = nullptr;
    DriveList *m_sourceDrives = nullptr;
    DriveList *m_destinationDrives = nullptr;
    FolderList *m_sourceFolders = nullptr;
    FolderList *m_destinationFolders = nullptr;
    FileList *m_sourceFiles = nullptr;
    PatternBox *m_patternBox = nullptr;
    JobListView *m_jobNames = nullptr;
    QListView *m_jobFolders = nullptr;
    QPushButton *m_addSelectedButton = nullptr;
    QPushButton *m_removeSelectedButton = nullptr;
    QPushButton *m_processButton = nullptr;
    QPushButton *m_exitButton = nullptr;
    QPushButton *m_addAllButton = nullptr;
    QPushButton *m_removeAllButton = nullptr;
    QPushButton *m_sameFolderButton = nullptr;
    QProgressBar *m_progressBar = nullptr;
    QTimer *m_reportTimer = nullptr;
    QShortcut *m_stopShortcut = nullptr;
    QShortcut *m_jobMenuShortcut = nullptr;
    QAction *m_copyCommandLinesAction = nullptr;
    QAction *m_stopBatchAction = nullptr;
    QAction *m_rerunAction = nullptr;
    QAction *m_endAction = nullptr;
    QMenu *m_toolsMenu = nullptr;
    QAction *m_optionsAction = nullptr;
    QAction *m_helpTopicsAction = nullptr;
    QAction *m_aboutAction = nullptr;

    JobList *m_jobs = nullptr;
    BrowsingSide *m_source = nullptr;
    BrowsingSide *m_destination = nullptr;
    JobListEditor *m_jobEditor = nullptr;
    BatchStatus *m_batchStatus = nullptr;
    ToolsMenu *m_tools = nullptr;
    std::unique_ptr<Launcher> m_launcher;
    std::unique_ptr<WindowBatchHost> m_batchHost;
    std::unique_ptr<BatchRun> m_batch;
    SingleInstance *m_instance = nullptr;
    ProcessEnd m_processEnd;
};

} // namespace corvane
