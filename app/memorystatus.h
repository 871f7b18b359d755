#pragma once
// Physical memory of the computer, for the about box. One implementation
// per platform.

#include <QLocale>
#include <QString>
#include <optional>

namespace app {

struct MemoryStatus
{
    quint64 totalBytes = 0;
    quint64 availableBytes = 0;
};

std::optional<MemoryStatus> physicalMemory();

// "Всего физической памяти: 2 097 152 KB" (KB rounded, the locale's digit groups).
QString totalMemoryLine(quint64 bytes, const QLocale &locale = QLocale::system());
// "Доступно физической памяти: … KB"; 0 KB when it rounds to nothing.
QString availableMemoryLine(quint64 bytes, const QLocale &locale = QLocale::system());

} // namespace app
