#include "core/platform/drives.h"

#include "core/platform/windows/file_ops.h"

#include <QDir>

#include <vector>

namespace corvane {

namespace {
// The volume's label, or nothing when the drive is not ready (no disc in
// it, say) or is a network drive that might keep us waiting.
QString volumeLabel(const std::wstring &root)
{
    const UINT type = ::GetDriveTypeW(root.c_str());
    if (type != DRIVE_FIXED && type != DRIVE_REMOVABLE && type != DRIVE_CDROM &&
        type != DRIVE_RAMDISK)
        return {};
    const NoDriveErrorDialogs quiet;
    wchar_t label[MAX_PATH + 1] = {};
    if (!::GetVolumeInformationW(root.c_str(), label, MAX_PATH + 1, nullptr, nullptr, nullptr,
                                 nullptr, 0))
        return {};
    return QString::fromWCharArray(label);
}
} // namespace

QList<Drive> MountedDrives()
{
    QList<Drive> drives;
    std::vector<wchar_t> buffer(256);
    DWORD length = ::GetLogicalDriveStringsW(DWORD(buffer.size()), buffer.data());
    if (length > buffer.size()) {
        buffer.resize(length);
        length = ::GetLogicalDriveStringsW(DWORD(buffer.size()), buffer.data());
    }
    if (length == 0 || length > buffer.size())
        return drives;
    // "A:\", "C:\", ... each ended by a NUL, the list by a second one.
    for (const wchar_t *root = buffer.data(); *root; root += wcslen(root) + 1) {
        const std::wstring native(root);
        drives.append(Drive{QDir::fromNativeSeparators(QString::fromStdWString(native)),
                            volumeLabel(native)});
    }
    return drives;
}

bool CanOpenFolder(const QString &folder)
{
    if (folder.isEmpty())
        return false;
    const NoDriveErrorDialogs quiet;
    const QString pattern = folder.endsWith(QLatin1Char('/')) ? folder + QLatin1Char('*')
                                                              : folder + QStringLiteral("/*");
    WIN32_FIND_DATAW entry{};
    const HANDLE search = ::FindFirstFileExW(NativePath(pattern).c_str(), FindExInfoBasic, &entry,
                                             FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) {
        // An empty drive root has no entries at all, not even "." and "..".
        const DWORD error = ::GetLastError();
        const DWORD attributes = ::GetFileAttributesW(NativePath(folder).c_str());
        return error == ERROR_FILE_NOT_FOUND && attributes != INVALID_FILE_ATTRIBUTES &&
               (attributes & FILE_ATTRIBUTE_DIRECTORY);
    }
    ::FindClose(search);
    return true;
}

} // namespace corvane
