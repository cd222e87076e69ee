#pragma once

#include "core/batch/batch_run.h"
#include "core/settings/active_tool.h"

#include <QHash>
#include <QList>
#include <QMainWindow>
#include <QPalette>
#include <QUrl>

#include <array>
#include <functional>
#include <memory>

class QAction;
class QComboBox;
class QLabel;
class QListView;
class QMenu;
class QProgressBar;
class QShortcut;
class QPushButton;
class QTimer;

namespace corvane {

class DriveList;
class FileList;
class FolderList;
class JobList;
class JobListView;
class Launcher;
class SingleInstance;

// The main window: source drive, folder and file list with the pattern box
// on the left, destination drive and folder with the job list on the right,
// the list buttons between them, "处理" and "退出" at the lower right and the
// progress bar along the bottom. Each control's objectName is set where it
// is created, in createControls() and createMenus().
class MainWindow final : public QMainWindow, public BatchHost {
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);
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

    // The job list and the horizontal extent of its view.
    const JobList &jobList() const { return *m_jobs; }
    int listScrollExtent() const;
    BatchRun &batchRun() { return *m_batch; }

    // "退出" and "结束": saves the active tool's index and ends the process.
    void exitProgram();

    // Source and destination browsing, the job list.
    void showSourceDrive();
    void showSourceFolderFiles();
    void addCurrentFile();
    void applyPickedPattern();
    // Enter in the pattern box: applies the typed pattern and appends it to
    // the box's list, every time.
    void applyAndRememberPattern();
    void addSelectedFiles();
    void removeSelectedJobs();
    void addAllFiles();
    void clearJobs();
    void copySourceFolderToDestination();
    void showDestinationDrive();
    void removeCurrentJob();

    // The batch run.
    void runBatch();
    // "重新处理未成功的条目": a batch of the entries whose last outcome was
    // not a success, with the active tool as it is now.
    void rerunUnsuccessful();
    void openReport();
    // Esc during a batch, and "停止处理" in the job list's menu: asks
    // "停止处理？" and stops the batch on 是.
    void askToStopBatch();
    // The selected entries' command lines, one per line, to the clipboard:
    // the line that ran, or the one that would run now.
    void copyCommandLines();
    // Files and folders dropped on the job list, added at its end as "->"
    // adds files; a folder gives the files that the file list would show
    // for it with the current pattern.
    void addDroppedFiles(const QList<QUrl> &urls);
    // What the last batch came to, for the status label's tooltip: how many
    // entries did not succeed, and how long it took.
    QString batchSummary() const;

    // The Tools menu and the other menu commands.
    void selectTool(int index);
    void refreshToolMenu();
    void openOptions();
    void openHelp();
    void openAbout();

    // BatchHost
    int jobCount() const override;
    QString jobName(int index) const override;
    QString jobFolder(int index) const override;
    quint64 jobKey(int index) const override;
    int jobIndexOf(quint64 key) const override;
    QString destinationFolder() const override;
    bool holdsBackStarts() const override;
    void setStatusText(const QString &text) override;
    void setProcessEnabled(bool enabled) override;
    void setProgressMinimum(int minimum) override;
    void setProgressMaximum(int maximum) override;
    void setProgressValue(int value) override;
    void setReportTimerEnabled(bool enabled) override;

protected:
    void closeEvent(QCloseEvent *event) override;
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    void createMenus();
    void connectHandlers();
    void applyTabOrder();
    void startBrowsing();
    void addFiles(const QList<bool> *selected);
    void fitJobListScrollWidth();
    void showInvalidDrive();
    // Per drive, the folder a side showed there last.
    using DriveFolders = QHash<QString, QString>;
    static void rememberDriveFolder(const DriveList &drives, const QString &folder,
                                    DriveFolders &lastFolders);
    static bool showDriveFolder(const DriveList &drives, FolderList &folders,
                                const DriveFolders &lastFolders);
    void endProgram(bool saveTool);
    void showJobListMenu(const QPoint &position);
    QString previewCommandLine(int row) const;
    void showBatchSummary();

    QWidget *m_client = nullptr;
    QLabel *m_sourceLabel = nullptr;
    QLabel *m_destinationLabel = nullptr;
    QLabel *m_statusLabel = nullptr;
    DriveList *m_sourceDrives = nullptr;
    DriveList *m_destinationDrives = nullptr;
    FolderList *m_sourceFolders = nullptr;
    FolderList *m_destinationFolders = nullptr;
    FileList *m_sourceFiles = nullptr;
    QComboBox *m_patternBox = nullptr;
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
    QAction *m_copyCommandLinesAction = nullptr;
    QAction *m_stopBatchAction = nullptr;
    QAction *m_rerunAction = nullptr;
    // The bar's colours as start-up gave them, before a batch marked it.
    QPalette m_progressPalette;

    QMenu *m_fileMenu = nullptr;
    QAction *m_endAction = nullptr;
    QMenu *m_toolsMenu = nullptr;
    std::array<QAction *, kToolCount> m_toolActions{};
    QAction *m_optionsAction = nullptr;
    QMenu *m_helpMenu = nullptr;
    QAction *m_helpTopicsAction = nullptr;
    QAction *m_aboutAction = nullptr;

    JobList *m_jobs = nullptr;
    std::unique_ptr<Launcher> m_launcher;
    std::unique_ptr<BatchRun> m_batch;
    SingleInstance *m_instance = nullptr;
    ProcessEnd m_processEnd;
    bool m_focusParkedInJobList = false;
    DriveFolders m_sourceDriveFolders;
    DriveFolders m_destinationDriveFolders;
};

} // namespace corvane
