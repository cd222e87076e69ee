// A stand-in for a CPU-bound tool: spins until it has used about 100 ms of
// processor time, then exits with status 0. It takes the file name that the
// batch passes and ignores it. Processor time, not wall time, so that the
// work per command stays the same however many commands share the cores.
//
//   bench_cpu_burn [file name]

#include <ctime>

namespace {

long long processCpuNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

} // namespace

int main()
{
    constexpr long long kBurnNanoseconds = 100LL * 1000000LL;
    const long long start = processCpuNanoseconds();
    // The volatile sum keeps the compiler from dropping the loop's work.
    volatile unsigned long sink = 0;
    while (processCpuNanoseconds() - start < kBurnNanoseconds) {
        for (int i = 0; i < 1000; ++i)
            sink = sink + static_cast<unsigned long>(i);
    }
    return 0;
}
