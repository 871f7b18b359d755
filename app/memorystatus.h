#pragma once
// Physical memory of the computer, for the about box. The query has one
// implementation per platform (memorystatus_unix.cpp, memorystatus_win.cpp);
// the lines the box shows are formatted here.

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <optional>

namespace app {

struct MemoryStatus
{
    quint64 totalBytes = 0;
    quint64 availableBytes = 0;
};

// Total and available physical memory, or nothing when the system will not say.
std::optional<MemoryStatus> physicalMemory();

#ifndef Q_OS_WIN
// The figures of a /proc/meminfo text (MemTotal, MemAvailable or, on old
// kernels, MemFree); nothing without MemTotal. Available never exceeds total.
std::optional<MemoryStatus> memoryFromMeminfo(const QByteArray &text);
#endif

namespace detail {
// Kilobytes rounded half up, with the locale's digit groups; empty when that
// rounds to nothing. Written so that it cannot overflow near 2^64.
inline QString kilobytes(quint64 bytes, const QLocale &locale)
{
    const quint64 kb = bytes / 1024 + (bytes % 1024 >= 512 ? 1 : 0);
    if (kb == 0)
        return {};
    QLocale grouped = locale;
    grouped.setNumberOptions(grouped.numberOptions() & ~QLocale::OmitGroupSeparator);
    return grouped.toString(qulonglong(kb));
}
} // namespace detail

// "Всего физической памяти: 2 097 152 KB".
inline QString totalMemoryLine(quint64 bytes, const QLocale &locale = QLocale())
{
    const QString number = detail::kilobytes(bytes, locale);
    return QStringLiteral("Всего физической памяти: ") + (number.isEmpty() ? QStringLiteral("0") : number)
           + QStringLiteral(" KB");
}

// "Доступно физической памяти: 1 048 576 KB"; "… 0 KB" below half a kilobyte.
inline QString availableMemoryLine(quint64 bytes, const QLocale &locale = QLocale())
{
    const QString number = detail::kilobytes(bytes, locale);
    if (number.isEmpty())
        return QStringLiteral("Доступно физической памяти: 0 KB");
    return QStringLiteral("Доступно физической памяти: ") + number + QStringLiteral(" KB");
}

} // namespace app
