#include "core/platform/folder_listing.h"

#include "core/files/name_order.h"
#include "core/platform/windows/file_ops.h"

namespace corvane {

QStringList ListFolder(const QString &folder, EntryKind kind)
{
    const NoDriveErrorDialogs quiet;
    const QString pattern = folder.endsWith(QLatin1Char('/')) ? folder + QLatin1Char('*')
                                                              : folder + QStringLiteral("/*");
    WIN32_FIND_DATAW entry{};
    // The listing itself carries each entry's attributes, so a folder of
    // 100,000 files needs no look-up per file.
    const HANDLE search =
        ::FindFirstFileExW(NativePath(pattern).c_str(), FindExInfoBasic, &entry,
                           FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE)
        return {};
    QStringList names;
    const bool wantFolders = kind == EntryKind::Folders;
    do {
        const DWORD attributes = entry.dwFileAttributes;
        if (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))
            continue;
        // A link to a folder carries the folder attribute as well.
        if (bool(attributes & FILE_ATTRIBUTE_DIRECTORY) != wantFolders)
            continue;
        const QString name = QString::fromWCharArray(entry.cFileName);
        if (name == QLatin1String(".") || name == QLatin1String(".."))
            continue;
        names.append(name);
    } while (::FindNextFileW(search, &entry));
    ::FindClose(search);
    return SortedByName(std::move(names));
}

} // namespace corvane
