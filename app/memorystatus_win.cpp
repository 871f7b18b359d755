// Physical memory on Windows.

#include "memorystatus.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace app {

std::optional<MemoryStatus> physicalMemory()
{
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof(status);
    if (!GlobalMemoryStatusEx(&status))
        return std::nullopt;
    return MemoryStatus{status.ullTotalPhys, status.ullAvailPhys};
}

} // namespace app
