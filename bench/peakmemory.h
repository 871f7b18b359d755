#pragma once
// The process's peak resident memory so far, in KiB (0 where unknown): the
// one platform-specific bit of the benchmarks that report memory.

#if defined(Q_OS_WIN) || defined(_WIN32)
#include <windows.h>
#include <psapi.h>
inline long long peakMemoryKiB()
{
    PROCESS_MEMORY_COUNTERS counters{};
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
        return 0;
    return static_cast<long long>(counters.PeakWorkingSetSize / 1024);
}
#else
#include <sys/resource.h>
inline long long peakMemoryKiB()
{
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) != 0)
        return 0;
#if defined(__APPLE__)
    return usage.ru_maxrss / 1024; // bytes there
#else
    return usage.ru_maxrss; // KiB on Linux and the BSDs
#endif
}
#endif
