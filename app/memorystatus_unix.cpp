#include "memorystatus.h"

#include <QFile>
#include <unistd.h>

namespace app {

std::optional<MemoryStatus> physicalMemory()
{
    MemoryStatus status;
    QFile meminfo(QStringLiteral("/proc/meminfo"));
    if (meminfo.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : meminfo.readAll().split('\n')) {
            const QList<QByteArray> parts = line.simplified().split(' ');
            if (parts.size() < 2)
                continue;
            if (parts[0] == "MemTotal:")
                status.totalBytes = parts[1].toULongLong() * 1024;
            else if (parts[0] == "MemAvailable:")
                status.availableBytes = parts[1].toULongLong() * 1024;
        }
    }
    if (status.totalBytes == 0) { // no /proc: ask the C library
        const long pages = sysconf(_SC_PHYS_PAGES);
        const long size = sysconf(_SC_PAGESIZE);
        if (pages <= 0 || size <= 0)
            return std::nullopt;
        status.totalBytes = quint64(pages) * quint64(size);
#ifdef _SC_AVPHYS_PAGES
        const long avail = sysconf(_SC_AVPHYS_PAGES);
        status.availableBytes = avail > 0 ? quint64(avail) * quint64(size) : 0;
#endif
    }
    return status;
}

} // namespace app
