#pragma once
// CPU time this process has used so far (user and system), in seconds: the
// one platform-specific bit of the benchmarks that report CPU.

#if defined(_WIN32)
#include <windows.h>
#include <cstdint>
inline double cpuSeconds()
{
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        return 0;
    const auto seconds = [](const FILETIME &t) {
        return double((std::uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7; // 100 ns units
    };
    return seconds(kernel) + seconds(user);
}
#else
#include <sys/resource.h>
inline double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}
#endif
