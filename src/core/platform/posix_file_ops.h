#pragma once

#include <QString>

namespace corvane {

// Opens the file at path for appending, creating it when missing, as a
// close-on-exec descriptor: never through a symbolic link, never blocking on
// a FIFO, and only a regular file. -1 with reason set otherwise.
int OpenForAppend(const QString &path, QString *reason);

} // namespace corvane
