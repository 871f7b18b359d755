#include "tracetime.h"

namespace meterlink {

QChar timeSeparator(const QLocale &locale)
{
    const QString fmt = locale.timeFormat(QLocale::ShortFormat);
    // The first character that is neither a pattern letter nor a quote, after an hour field.
    const qsizetype h = fmt.indexOf(QLatin1Char('h'), 0, Qt::CaseInsensitive);
    for (qsizetype i = h < 0 ? 0 : h; i < fmt.size(); ++i) {
        const QChar c = fmt[i];
        if (!c.isLetter() && c != QLatin1Char('\'') && !c.isSpace())
            return c;
    }
    return QLatin1Char(':');
}

QString traceTime(const QTime &time, QChar msSeparator, QChar separator)
{
    auto two = [](int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
    return two(time.hour()) + separator + two(time.minute()) + separator + two(time.second()) + msSeparator
           + QStringLiteral("%1").arg(time.msec(), 3, 10, QLatin1Char('0'));
}

QString frameTraceTime(const QTime &time, const QLocale &locale)
{
    return traceTime(time, QLatin1Char('.'), timeSeparator(locale));
}

QString timeoutTraceTime(const QTime &time, const QLocale &locale)
{
    const QChar sep = timeSeparator(locale);
    return traceTime(time, sep, sep);
}

QString hexBytes(const QByteArray &bytes)
{
    QString out;
    out.reserve(bytes.size() * 3);
    static const char digits[] = "0123456789ABCDEF";
    for (const char c : bytes) {
        const auto b = static_cast<quint8>(c);
        out += QLatin1Char(digits[b >> 4]);
        out += QLatin1Char(digits[b & 15]);
        out += QLatin1Char(' ');
    }
    return out;
}

} // namespace meterlink
