#include "core/platform/folder_listing.h"
#include "core/files/file_name.h"
#include "core/files/name_order.h"

#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace corvane {

namespace {

// The kind of an entry: from the folder listing itself where the file
// system gives it, so that a folder of 100,000 files needs no stat per file.
bool isWanted(int folderFd, const dirent &entry, EntryKind kind)
{
    const unsigned char wanted = kind == EntryKind::Files ? DT_REG : DT_DIR;
    if (entry.d_type == wanted)
        return true;
    if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN)
        return false;
    struct stat status {};
    if (::fstatat(folderFd, entry.d_name, &status, 0) != 0)
        return false; // a broken link
    return kind == EntryKind::Files ? S_ISREG(status.st_mode) : S_ISDIR(status.st_mode);
}

} // namespace

QStringList ListFolder(const QString &folder, EntryKind kind)
{
    DIR *handle = ::opendir(EncodeFileName(folder).constData());
    if (!handle)
        return {};
    QStringList names;
    const int folderFd = ::dirfd(handle);
    while (const dirent *entry = ::readdir(handle)) {
        if (entry->d_name[0] == '.' || !isWanted(folderFd, *entry, kind))
            continue;
        names.append(DecodeFileName(entry->d_name));
    }
    ::closedir(handle);
    return SortedByName(std::move(names));
}

} // namespace corvane
