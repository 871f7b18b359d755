#include "memorystatus.h"

namespace app {

namespace {
QString kilobytes(quint64 bytes, const QLocale &locale)
{
    const quint64 kb = (bytes + 512) / 1024;
    QLocale grouped = locale;
    grouped.setNumberOptions(grouped.numberOptions() & ~QLocale::OmitGroupSeparator);
    return kb == 0 ? QString() : grouped.toString(kb);
}
} // namespace

QString totalMemoryLine(quint64 bytes, const QLocale &locale)
{
    const QString number = kilobytes(bytes, locale);
    return QStringLiteral("Всего физической памяти: ") + (number.isEmpty() ? QStringLiteral("0") : number)
           + QStringLiteral(" KB");
}

QString availableMemoryLine(quint64 bytes, const QLocale &locale)
{
    const QString number = kilobytes(bytes, locale);
    if (number.isEmpty())
        return QStringLiteral("Доступно физической памяти: 0 KB");
    return QStringLiteral("Доступно физической памяти: ") + number + QStringLiteral(" KB");
}

} // namespace app
