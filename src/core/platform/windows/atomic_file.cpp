#include "core/platform/atomic_file.h"

#include "core/files/paths.h"
#include "core/files/save_flushes.h"
#include "core/platform/windows/file_ops.h"

namespace corvane {

namespace {
// The attributes that a replaced file keeps; read-only never comes to this.
constexpr DWORD kKeptAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
} // namespace

bool WriteFileAtomically(const QString &path, const QByteArray &bytes)
{
    const std::wstring target = NativePath(path);
    const std::wstring temporary = NativePath(AtomicWriteTemporaryName(path));

    const DWORD old = ::GetFileAttributesW(target.c_str());
    const bool exists = old != INVALID_FILE_ATTRIBUTES;
    // A read-only file stays as it is: the move below would otherwise get
    // round the attribute in the folder's name.
    if (exists &&
        (old & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_READONLY)))
        return false;

    ::DeleteFileW(temporary.c_str());
    bool ok = false;
    {
        const WinHandle file(::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.isValid())
            return false;
        CountAtomicSaveFlush();
        ok = WriteAll(file.get(), bytes.constData(), bytes.size()) == 0 &&
             ::FlushFileBuffers(file.get());
    }
    if (ok && exists && (old & kKeptAttributes))
        ok = ::SetFileAttributesW(temporary.c_str(), old & kKeptAttributes);
    // WRITE_THROUGH returns only once the rename itself is on the disk.
    ok = ok && ::MoveFileExW(temporary.c_str(), target.c_str(),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok)
        ::DeleteFileW(temporary.c_str());
    return ok;
}

} // namespace corvane
