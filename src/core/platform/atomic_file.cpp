#include "core/platform/atomic_file.h"

#include <QFileInfo>

#include <atomic>

namespace corvane {

namespace {
std::atomic<int> flushCount{0};
} // namespace

int AtomicSaveFlushCount()
{
    return flushCount;
}

void CountAtomicSaveFlush()
{
    ++flushCount;
}

QString AtomicWriteTemporaryName(const QString &path)
{
    const QFileInfo info(path);
    return info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".saving");
}

} // namespace corvane
