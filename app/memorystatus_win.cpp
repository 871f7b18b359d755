#include "memorystatus.h"

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
