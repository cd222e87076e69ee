#pragma once

#include <QString>

#include <cstddef>

#include <sys/stat.h>

namespace corvane {

// Whether a file or folder belongs to the user running Corvane, or to root.
bool OwnedByUserOrRoot(const struct stat &status);

// Opens the file at path for appending, creating it when missing, as a
// close-on-exec descriptor: never through a symbolic link, never blocking on
// a FIFO, only a regular file, and only in a folder that belongs to the user
// running Corvane (or to root). -1 with reason set otherwise.
int OpenForAppend(const QString &path, QString *reason);

// Writes all bytes to the descriptor, going on after interruptions; 0, or
// the errno of the write that failed. Uses write() alone, so that a process
// just forked may call it too.
int WriteAll(int fd, const char *bytes, size_t size);

} // namespace corvane
