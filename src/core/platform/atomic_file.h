#pragma once
#include "core/files/paths.h"
#include "core/files/save_flushes.h"

#include <QByteArray>
#include <QString>

namespace corvane {

// Replaces the file at path with bytes so that any reader, and the file after
// a crash or a full disk, sees either the old content or the new, never a
// mix. The bytes go to a file in the same folder that is flushed to disk and
// then renamed over path. POSIX: an existing file's permission bits (and
// owner, where allowed) carry over, a new file gets 0666 less the umask, and
// a file that belongs to neither this user nor root is not replaced.
// Windows: the file's attributes carry over, and a file with the read-only
// attribute is not replaced. path must name the file itself, not a symbolic
// link to it.
//
// The temporary name is fixed (AtomicWriteTemporaryName), so a
// crash at the wrong moment leaves at most one such file, which the next
// save replaces. Not safe for two processes saving the same file at once.
bool WriteFileAtomically(const QString &path, const QByteArray &bytes);

} // namespace corvane
