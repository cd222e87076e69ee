#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace corvane {

class FilePattern;

// A file for the job list: its name and its folder, apart.
struct JobFile final {
    QString name;
    QString folder;
};

// What a list of paths adds to the job list, as a drop adds it: a file as
// it is; a folder, its files that the pattern shows, in name order, without
// subfolders or hidden files. Paths that name nothing are left out and
// returned in `missing`, as given; anything else (a device, a pipe) is left
// out.
struct PathsForJobs final {
    QList<JobFile> files;
    QStringList missing;
};
PathsForJobs FilesOfPaths(const QStringList &paths, const FilePattern &pattern);

} // namespace corvane
