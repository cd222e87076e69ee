#include "core/batch/job_files.h"

#include "core/files/file_pattern.h"
#include "core/platform/file_ops.h"
#include "core/platform/folder_listing.h"

#include <QDir>
#include <QFileInfo>

namespace corvane {

QList<JobFile> JobFilesOf(const QStringList &paths, const FilePattern &pattern,
                          QStringList *skipped)
{
    QList<JobFile> files;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        const PathKind kind = KindOfPath(path);
        if (kind == PathKind::Folder) {
            const QString folder = QDir::cleanPath(info.absoluteFilePath());
            const QStringList names = ListFolder(folder, EntryKind::Files);
            for (const QString &name : names) {
                if (pattern.matches(name))
                    files.append(JobFile{name, folder});
            }
        } else if (kind == PathKind::File) {
            files.append(JobFile{info.fileName(), QDir::cleanPath(info.absolutePath())});
        } else if (skipped) {
            skipped->append(path);
        }
    }
    return files;
}

} // namespace corvane
