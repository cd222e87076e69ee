#include "gui/main_window/job_list_editor.h"

#include "core/batch/job_files.h"
#include "core/files/file_pattern.h"
#include "core/platform/file_ops.h"
#include "gui/main_window/file_list.h"
#include "gui/main_window/job_list.h"
#include "gui/main_window/job_list_view.h"

#include <QFontMetricsF>

#include <cmath>

namespace corvane {

namespace {
// Room beside the widest name, so that its last letter is not at the edge.
constexpr int kScrollWidthMargin = 10;
} // namespace

JobListEditor::JobListEditor(JobList *jobs, JobListView *view, const FileList *files,
                             QObject *parent)
    : QObject(parent), m_jobs(jobs), m_view(view), m_files(files)
{
}

void JobListEditor::addFiles(const QList<bool> *selected)
{
    const QString folder = m_files->path();
    const int count = m_files->count();
    QList<JobEntry> added;
    added.reserve(count);
    for (int i = 0; i < count; ++i) {
        if (!selected || selected->at(i))
            added.append(JobEntry{m_files->fileName(i), folder});
    }
    m_jobs->append(added);
    fitScrollWidth();
}

void JobListEditor::addSelectedFiles()
{
    const QList<bool> selected = m_files->selectionFlags();
    addFiles(&selected);
}

void JobListEditor::addAllFiles()
{
    addFiles(nullptr);
}

void JobListEditor::addCurrentFile()
{
    const QString name = m_files->currentFileName();
    if (!name.isEmpty())
        m_jobs->append({JobEntry{name, m_files->path()}});
    fitScrollWidth();
}

void JobListEditor::removeSelectedJobs()
{
    m_jobs->removeMarked(SelectedRowFlags(*m_view->selectionModel(), m_jobs->count()));
    fitScrollWidth();
}

void JobListEditor::removeCurrentJob()
{
    const QModelIndex current = m_view->currentIndex();
    if (current.isValid() && current.row() < m_jobs->count())
        m_jobs->removeAt(current.row());
    fitScrollWidth();
}

void JobListEditor::clearJobs()
{
    m_jobs->clear();
    fitScrollWidth();
}

void JobListEditor::addDroppedFiles(const QList<QUrl> &urls)
{
    // Names as the bytes on disk: Qt's own file functions would not find a
    // name that is no UTF-8.
    QStringList paths;
    for (const QUrl &url : urls) {
        if (url.isLocalFile())
            paths.append(LocalFilePath(url));
    }
    addPaths(paths);
}

QStringList JobListEditor::addPaths(const QStringList &paths)
{
    QStringList skipped;
    const QList<JobFile> files = JobFilesOf(paths, FilePattern(m_files->pattern()), &skipped);
    QList<JobEntry> added;
    added.reserve(files.size());
    for (const JobFile &file : files)
        added.append(JobEntry{file.name, file.folder});
    m_jobs->append(added);
    fitScrollWidth();
    return skipped;
}

QStringList JobListEditor::selectedShellLines() const
{
    const QList<bool> selected = SelectedRowFlags(*m_view->selectionModel(), m_jobs->count());
    QStringList lines;
    for (int row = 0; row < m_jobs->count(); ++row) {
        if (selected.at(row))
            lines.append(m_jobs->shellLine(row));
    }
    return lines;
}

void JobListEditor::fitScrollWidth()
{
    const QFontMetricsF metrics(m_view->font());
    const int rows = m_jobs->count();
    qreal widest = 0;
    for (int row = 0; row < rows; ++row) {
        const qreal width = metrics.horizontalAdvance(m_jobs->name(row));
        // Halves round to even, as the default rounding mode does.
        if (width > widest)
            widest = std::nearbyint(width);
    }
    m_view->setHorizontalExtent(int(widest) + kScrollWidthMargin);
}

} // namespace corvane
