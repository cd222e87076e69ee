#pragma once

#include "core/platform/output_file.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <deque>
#include <memory>

class QLockFile;

namespace corvane {

// Writes the output of a batch's captured entries to the report: each
// entry's output as one block, the blocks in the order the entries started,
// however the output of commands running at the same time interleaves. The
// first block that has not ended goes straight to the report; the others
// wait in memory and, past a small bound, in a temporary file beside the
// report, so memory stays bounded whatever the commands print. With one
// command at a time the report gets the same bytes as if each command wrote
// to it itself.
class ReportWriter final {
public:
    using Block = int;

    ReportWriter() = default;
    ~ReportWriter();
    Q_DISABLE_COPY_MOVE(ReportWriter)

    // Opens the report at path for appending, creating it when missing.
    // False with reason set when it cannot be (a link, a FIFO, a folder).
    bool open(const QString &path, QString *reason);
    bool isOpen() const { return m_report.isOpen(); }
    // Closes the report; blocks that have not ended lose what follows.
    void close();

    // A new block after every block begun before it.
    Block begin();
    void append(Block block, const char *bytes, qint64 size);
    // The block has all its output: it is written once the blocks before
    // it have ended too.
    void end(Block block);

    // Why the report misses some output (a full disk, say); empty when it
    // does not. Once a write has failed nothing more is written, so that
    // what the report holds stays in order.
    const QString &error() const { return m_error; }

    // A block not written yet, as it is left when Corvane ends.
    struct Pending {
        Block block;
        bool ended;
        // A file with what the block holds so far, from its start; the
        // block's later output goes at its end. -1 for the first block,
        // whose output goes straight to the report.
        qintptr file;
    };
    // The blocks not written yet, in order, each that waits behind another
    // with all it holds moved into a file of its own. The files stay open
    // while this writer lives.
    QList<Pending> pendingBlocks();
    qintptr reportHandle() const { return m_report.nativeHandle(); }

    // How much a waiting block keeps in memory before it moves to a file.
    static constexpr qint64 kMemoryPerBlock = 64 * 1024;

private:
    struct Waiting {
        Block block = 0;
        bool ended = false;
        QByteArray memory;
        std::unique_ptr<OutputFile> file;
        qint64 fileSize = 0;
    };

    Waiting *find(Block block);
    void write(const char *bytes, qint64 size);
    bool spill(Waiting &waiting);
    void writeOut(Waiting &waiting);
    void advance();

    OutputFile m_report;
    QString m_folder;
    QString m_error;
    // The blocks not written yet, in order; the first goes straight to the
    // report.
    std::deque<Waiting> m_blocks;
    Block m_next = 0;
};

// Keeps two batches, of this process or of another, from writing one report
// at once: a lock file beside the report (ReportLockPath) that a batch holds
// from before it removes the old report until it ends. A lock left behind
// by a process that has ended does not count, however old; one held by a
// running process counts, however long it has been held.
class ReportLock final {
public:
    enum class Result {
        Taken,
        // Another batch holds it.
        Held,
        // No lock file can be made there (a read-only folder, a missing
        // one): the report's own checks say what is wrong.
        Unavailable,
    };

    ReportLock();
    ~ReportLock();
    Q_DISABLE_COPY_MOVE(ReportLock)

    Result take(const QString &reportPath);
    void release();
    bool isHeld() const { return m_lock != nullptr; }

private:
    std::unique_ptr<QLockFile> m_lock;
};

// The message for a report that another batch is writing.
QString ReportInUseText(const QString &path);

// The report's path in the data folder.
QString ReportPathIn(const QString &dataFolder);

// The message for a report that cannot be opened.
QString ReportOpenFailure(const QString &path, const QString &reason);

} // namespace corvane
