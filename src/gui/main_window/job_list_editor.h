#pragma once

#include <QList>
#include <QObject>
#include <QStringList>
#include <QUrl>

namespace corvane {

class FileList;
class JobList;
class JobListView;

// Edits the job list: files added from the source file list (the selected
// ones, all of them, the one double-clicked) or dropped from a file manager,
// entries removed (the selected ones, the one double-clicked, all of them),
// and after each change the job list's horizontal scroll width fitted to
// its widest name.
class JobListEditor final : public QObject {
    Q_OBJECT
public:
    JobListEditor(JobList *jobs, JobListView *view, const FileList *files,
                  QObject *parent = nullptr);
    Q_DISABLE_COPY_MOVE(JobListEditor)

    void addSelectedFiles();
    void addAllFiles();
    void addCurrentFile();
    void removeSelectedJobs();
    void removeCurrentJob();
    void clearJobs();
    // Files and folders dropped on the job list, added at its end as "->"
    // adds files; a folder gives the files that the file list would show
    // for it with the current pattern, no subfolders.
    void addDroppedFiles(const QList<QUrl> &urls);
    // Adds files and folders as a drop does; returns the paths that are
    // neither (missing, a device), as given.
    QStringList addPaths(const QStringList &paths);

    // The selected entries' lines for the system's shell, one per entry: the
    // line that ran, or the one that would run now.
    QStringList selectedShellLines() const;

private:
    void addFiles(const QList<bool> *selected);
    void fitScrollWidth();

    JobList *m_jobs;
    JobListView *m_view;
    const FileList *m_files;
};

} // namespace corvane
