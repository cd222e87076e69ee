#pragma once

#include <QString>
#include <QtGlobal>

namespace corvane {

// A file that a batch writes command output to: the report, opened for
// appending, or a temporary file beside it that holds an entry's output
// until the entry's turn in the report comes. Owns its descriptor (a HANDLE
// on Windows) and closes it when it goes.
class OutputFile final {
public:
    OutputFile() = default;
    ~OutputFile();
    Q_DISABLE_COPY_MOVE(OutputFile)

    // Opens the file at path for appending, creating it when missing: only a
    // regular file, never through a symbolic link, never blocking on a FIFO.
    // False with reason set otherwise.
    bool openForAppend(const QString &path, QString *reason);
    // Creates a file in folder that nobody else can open and that is gone
    // once it is closed, by whatever process closes it last, and even when
    // Corvane crashes where the system allows it. False with reason set
    // otherwise.
    bool openTemporary(const QString &folder, QString *reason);

    bool isOpen() const { return m_handle != kNoHandle; }
    // Appends all bytes; false with reason set when a write fails.
    bool append(const char *bytes, qint64 size, QString *reason);
    // Reads up to size bytes from offset; the count read, 0 at the end, -1
    // on an error.
    qint64 read(qint64 offset, char *bytes, qint64 size);
    void close();

    // The descriptor (or HANDLE), still owned by this object.
    qintptr nativeHandle() const { return m_handle; }

    static constexpr qintptr kNoHandle = -1;

private:
    qintptr m_handle = kNoHandle;
};

} // namespace corvane
