#pragma once

#include "batch/batch_run.h"
#include "settings/active_tool.h"

#include <QMainWindow>

#include <array>
#include <functional>
#include <memory>

class QAction;
class QComboBox;
class QLabel;
class QListView;
class QMenu;
class QProgressBar;
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
// progress bar along the bottom. The handlers carry the names of the
// controls and events they belong to.
class MainForm final : public QMainWindow, public BatchHost {
    Q_OBJECT
public:
    explicit MainForm(QWidget *parent = nullptr);
    ~MainForm() override;
    Q_DISABLE_COPY_MOVE(MainForm)

    // Start-up, run once before the window is first shown. Returns false when
    // another instance is running: the message has been shown, nothing was
    // read or written, and the window must not be shown.
    bool Form_Load(SingleInstance &instance);

    // Ends the process at once, used by the exit commands and by the close
    // box during a batch. The program's default flushes standard output and
    // calls std::_Exit; tests put a recorder in its place.
    using ProcessEnd = std::function<void()>;
    void setProcessEnd(ProcessEnd end);

    // The job list (List1 and List2) and List1's horizontal extent.
    const JobList &jobList() const { return *m_jobs; }
    int listScrollExtent() const;
    BatchRun &batchRun() { return *m_batch; }

    // Exit.
    void Command4_Click();
    void FileEnd_Click();

    // Source and destination browsing, the job list.
    void Drive1_Change();
    void Dir1_Change();
    void File1_DblClick();
    void Combo1_Click();
    void Combo1_KeyDown(int keyCode, Qt::KeyboardModifiers shift);
    void Command1_Click();
    void Command2_Click();
    void Command5_Click();
    void Command6_Click();
    void Command7_Click();
    void Drive2_Change();
    void List1_DblClick();

    // The batch run.
    void Command3_Click();
    void Timer1_Timer();

    // The Tools menu and the other menu commands.
    void Tools_Click(int index);
    void RefreshToolMenu();
    void MenuOption_Click();
    void HelpTopic_Click();
    void HelpAbout_Click();

    // BatchHost
    int jobCount() const override;
    QString jobName(int index) const override;
    QString jobFolder(int index) const override;
    QString destinationFolder() const override;
    void setStatusText(const QString &text) override;
    void setProcessEnabled(bool enabled) override;
    void setProgressMinimum(int minimum) override;
    void setProgressMaximum(int maximum) override;
    void setProgressValue(int value) override;
    void setReportTimerEnabled(bool enabled) override;

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    void createMenus();
    void connectHandlers();
    void applyTabOrder();
    void startBrowsing();
    void addFiles(const QList<bool> *selected);
    void FitListScroll(JobListView *list);
    void showInvalidDrive();
    void endProgram(bool saveTool);

    // Controls, named as their objectName.
    QWidget *m_client = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
    DriveList *Drive1 = nullptr;
    DriveList *Drive2 = nullptr;
    FolderList *Dir1 = nullptr;
    FolderList *Dir2 = nullptr;
    FileList *File1 = nullptr;
    QComboBox *Combo1 = nullptr;
    JobListView *List1 = nullptr;
    QListView *List2 = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *Command2 = nullptr;
    QPushButton *Command3 = nullptr;
    QPushButton *Command4 = nullptr;
    QPushButton *Command5 = nullptr;
    QPushButton *Command6 = nullptr;
    QPushButton *Command7 = nullptr;
    QProgressBar *ProgressBar1 = nullptr;
    QTimer *Timer1 = nullptr;

    QMenu *MenuFile = nullptr;
    QAction *FileEnd = nullptr;
    QMenu *MenuTools = nullptr;
    std::array<QAction *, kToolCount> Tools{};
    QAction *MenuOption = nullptr;
    QMenu *MenuHelp = nullptr;
    QAction *HelpTopic = nullptr;
    QAction *HelpAbout = nullptr;

    JobList *m_jobs = nullptr;
    std::unique_ptr<Launcher> m_launcher;
    std::unique_ptr<BatchRun> m_batch;
    SingleInstance *m_instance = nullptr;
    ProcessEnd m_processEnd;
};

} // namespace corvane
