#include "core/batch/report_writer.h"

#include "core/files/paths.h"

#include <QFileInfo>
#include <QLockFile>

namespace corvane {

namespace {
// Bytes copied at a time from a waiting block's file to the report.
constexpr qsizetype kCopySize = 64 * 1024;
} // namespace

ReportWriter::~ReportWriter() = default;

bool ReportWriter::open(const QString &path, QString *reason)
{
    m_folder = QFileInfo(path).absolutePath();
    m_error.clear();
    m_blocks.clear();
    return m_report.openForAppend(path, reason);
}

void ReportWriter::close()
{
    m_blocks.clear();
    m_report.close();
}

ReportWriter::Block ReportWriter::begin()
{
    Waiting waiting;
    waiting.block = m_next++;
    m_blocks.push_back(std::move(waiting));
    return m_blocks.back().block;
}

ReportWriter::Waiting *ReportWriter::find(Block block)
{
    for (Waiting &waiting : m_blocks) {
        if (waiting.block == block)
            return &waiting;
    }
    return nullptr;
}

void ReportWriter::append(Block block, const char *bytes, qint64 size)
{
    Waiting *waiting = find(block);
    if (!waiting || size <= 0)
        return;
    if (waiting == &m_blocks.front()) {
        write(bytes, size);
        return;
    }
    if (!waiting->file) {
        waiting->memory.append(bytes, qsizetype(size));
        if (waiting->memory.size() <= kMemoryPerBlock || spill(*waiting))
            return;
        waiting->memory.clear();
        return;
    }
    QString reason;
    if (waiting->file->append(bytes, size, &reason))
        waiting->fileSize += size;
    else if (m_error.isEmpty())
        m_error = reason;
}

void ReportWriter::end(Block block)
{
    if (Waiting *waiting = find(block)) {
        waiting->ended = true;
        advance();
    }
}

void ReportWriter::advance()
{
    while (!m_blocks.empty() && m_blocks.front().ended) {
        m_blocks.pop_front();
        if (!m_blocks.empty())
            writeOut(m_blocks.front());
    }
}

void ReportWriter::write(const char *bytes, qint64 size)
{
    if (!m_error.isEmpty() || !m_report.isOpen())
        return;
    QString reason;
    if (!m_report.append(bytes, size, &reason))
        m_error = reason;
}

bool ReportWriter::spill(Waiting &waiting)
{
    auto file = std::make_unique<OutputFile>();
    QString reason;
    if (!file->openTemporary(m_folder, &reason) ||
        !file->append(waiting.memory.constData(), waiting.memory.size(), &reason)) {
        if (m_error.isEmpty())
            m_error = reason;
        return false;
    }
    waiting.fileSize = waiting.memory.size();
    waiting.memory.clear();
    waiting.memory.squeeze();
    waiting.file = std::move(file);
    return true;
}

void ReportWriter::writeOut(Waiting &waiting)
{
    write(waiting.memory.constData(), waiting.memory.size());
    waiting.memory.clear();
    waiting.memory.squeeze();
    if (waiting.file) {
        QByteArray buffer(kCopySize, Qt::Uninitialized);
        for (qint64 offset = 0; offset < waiting.fileSize;) {
            const qint64 count = waiting.file->read(offset, buffer.data(), buffer.size());
            if (count <= 0) {
                if (m_error.isEmpty())
                    m_error = QStringLiteral("无法读回临时文件");
                break;
            }
            write(buffer.constData(), count);
            offset += count;
        }
        waiting.file.reset();
        waiting.fileSize = 0;
    }
}

QList<ReportWriter::Pending> ReportWriter::pendingBlocks()
{
    QList<Pending> pending;
    for (size_t i = 0; i < m_blocks.size(); ++i) {
        Waiting &waiting = m_blocks[i];
        if (i > 0 && !waiting.file)
            spill(waiting);
        pending.append(
            Pending{waiting.block, waiting.ended,
                    i > 0 && waiting.file ? waiting.file->nativeHandle() : OutputFile::kNoHandle});
    }
    return pending;
}

ReportLock::ReportLock() = default;

ReportLock::~ReportLock() = default;

ReportLock::Result ReportLock::take(const QString &reportPath)
{
    release();
    auto lock = std::make_unique<QLockFile>(ReportLockPath(reportPath));
    // A batch may run for hours: only a holder that has ended makes a lock
    // stale, never its age.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) {
        m_lock = std::move(lock);
        return Result::Taken;
    }
    return lock->error() == QLockFile::LockFailedError ? Result::Held : Result::Unavailable;
}

void ReportLock::release()
{
    m_lock.reset();
}

QString ReportInUseText(const QString &path)
{
    return QStringLiteral("另一个批处理正在写入输出报告“%1”，请等它结束后再处理").arg(path);
}

QString ReportPathIn(const QString &dataFolder)
{
    return JoinPath(dataFolder, QLatin1String(kReportFileName));
}

QString ReportOpenFailure(const QString &path, const QString &reason)
{
    return QStringLiteral("无法打开报告文件：%1（%2）").arg(path, reason);
}

} // namespace corvane
