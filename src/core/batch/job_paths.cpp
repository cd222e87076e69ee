#include "core/batch/job_paths.h"

#include "core/files/file_pattern.h"
#include "core/platform/file_ops.h"
#include "core/platform/folder_listing.h"

#include <QDir>
#include <QFileInfo>

namespace corvane {

PathsForJobs FilesOfPaths(const QStringList &paths, const FilePattern &pattern)
{
    PathsForJobs result;
    for (const QString &path : paths) {
        // Names as the bytes on disk: Qt's own file functions would not find
        // a name that is no UTF-8, so the kind comes from the platform.
        const QFileInfo info(path);
        const PathKind kind = KindOfPath(path);
        if (kind == PathKind::Folder) {
            const QString folder = QDir::cleanPath(info.absoluteFilePath());
            const QStringList names = ListFolder(folder, EntryKind::Files);
            for (const QString &name : names) {
                if (pattern.matches(name))
                    result.files.append(JobFile{name, folder});
            }
        } else if (kind == PathKind::File) {
            result.files.append(JobFile{info.fileName(), QDir::cleanPath(info.absolutePath())});
        } else if (kind == PathKind::Missing) {
            result.missing.append(path);
        }
    }
    return result;
}

} // namespace corvane
