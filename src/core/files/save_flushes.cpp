#include "core/files/save_flushes.h"

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

} // namespace corvane
