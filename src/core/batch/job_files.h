#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace corvane {

class FilePattern;

// A file as the job list holds it: its name and the folder it is in.
struct JobFile final {
    QString name;
    QString folder;
};

// The files that the paths add to the job list, in their order, as a drop
// from a file manager adds them: a file as it is; a folder's files that the
// pattern shows, in name order, without its subfolders and hidden files. A
// relative path is taken from the current folder. A path that is neither a
// file nor a folder (missing, a device) adds nothing and, as given, goes to
// skipped when that is set.
QList<JobFile> JobFilesOf(const QStringList &paths, const FilePattern &pattern,
                          QStringList *skipped = nullptr);

} // namespace corvane
