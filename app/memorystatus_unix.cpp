// Physical memory on Linux and other Unix systems: /proc/meminfo when there
// is one, otherwise the C library's page counts.

#include "memorystatus.h"

#include <QFile>
#include <algorithm>
#include <unistd.h>

namespace app {

std::optional<MemoryStatus> memoryFromMeminfo(const QByteArray &text)
{
    quint64 total = 0, available = 0, free = 0;
    bool haveAvailable = false;
    for (const QByteArray &line : text.split('\n')) {
        const QList<QByteArray> parts = line.simplified().split(' ');
        if (parts.size() < 2)
            continue;
        const quint64 kb = parts[1].toULongLong(); // the figures are in kB
        if (parts[0] == "MemTotal:")
            total = kb * 1024;
        else if (parts[0] == "MemAvailable:") {
            available = kb * 1024;
            haveAvailable = true;
        } else if (parts[0] == "MemFree:")
            free = kb * 1024;
    }
    if (total == 0)
        return std::nullopt;
    // Kernels before 3.14 have no MemAvailable; free memory is the nearest figure.
    return MemoryStatus{total, std::min(haveAvailable ? available : free, total)};
}

std::optional<MemoryStatus> physicalMemory()
{
    QFile meminfo(QStringLiteral("/proc/meminfo"));
    if (meminfo.open(QIODevice::ReadOnly)) {
        if (auto status = memoryFromMeminfo(meminfo.readAll()))
            return status;
    }
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0)
        return std::nullopt;
    MemoryStatus status;
    status.totalBytes = quint64(pages) * quint64(pageSize);
#ifdef _SC_AVPHYS_PAGES
    const long free = sysconf(_SC_AVPHYS_PAGES);
    status.availableBytes = free > 0 ? std::min(quint64(free) * quint64(pageSize), status.totalBytes) : 0;
#endif
    return status;
}

} // namespace app
