#include "protocol/encodings.h"

#include <cmath>

namespace protocol {

int bcd8(quint8 byte)
{
    return (byte >> 4) * 10 + (byte & 0x0F);
}

quint8 toBcd8(int value)
{
    return static_cast<quint8>((value % 10) + (value / 10) * 16);
}

static quint32 byteAt(QByteArrayView bytes, qsizetype at)
{
    return static_cast<quint8>(bytes[at]);
}

quint16 u16le(QByteArrayView bytes, qsizetype at)
{
    return static_cast<quint16>(byteAt(bytes, at) | byteAt(bytes, at + 1) << 8);
}

quint32 u24le(QByteArrayView bytes, qsizetype at)
{
    return byteAt(bytes, at) | byteAt(bytes, at + 1) << 8 | byteAt(bytes, at + 2) << 16;
}

quint32 u32le(QByteArrayView bytes, qsizetype at)
{
    return u24le(bytes, at) | byteAt(bytes, at + 3) << 24;
}

QDateTime meterEpoch()
{
    return QDateTime(QDate(2000, 1, 1), QTime(0, 0));
}

QDateTime meterSecondsToDateTime(quint32 seconds)
{
    const QDate date = QDate(2000, 1, 1).addDays(seconds / 86400);
    const QTime time = QTime(0, 0).addSecs(int(seconds % 86400));
    return QDateTime(date, time);
}

double meterFloat(quint32 word)
{
    if (word == 0)
        return 0.0;
    const quint32 fraction = word & 0x7FFFFF;
    const bool negative = (word >> 23) & 1;
    const int exponent = int(word >> 24);
    const double value = std::ldexp(1.0 + double(fraction) / double(1 << 23), exponent - 127);
    return negative ? -value : value;
}

int typeCode(quint8 b0, quint8 b1, quint8 b2)
{
    return bcd8(b0) + 100 * bcd8(b1) + 10000 * bcd8(b2);
}

QLocale displayLocale(const QLocale &system)
{
    const QString name = system.name();
    if (system.language() == QLocale::C || name == u"C" || name == u"POSIX")
        return QLocale(QLocale::Russian, QLocale::Russia);
    return system;
}

QString formatFixed3(double value, const QLocale &locale)
{
    return formatFixed(value, 3, locale);
}

QString formatFixed(double value, int decimals, const QLocale &locale)
{
    QLocale plain = locale;
    plain.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    if (!std::isfinite(value))
        return plain.toString(value);

    // At most 8 significant digits: fewer decimals once the whole part is long.
    const double magnitude = std::fabs(value);
    const int wholeDigits = magnitude >= 1.0 ? int(std::floor(std::log10(magnitude))) + 1 : 0;
    const int shown = qBound(0, 8 - wholeDigits, decimals);
    double rounded = QString::number(value, 'f', shown).toDouble();
    if (std::fabs(rounded) >= 1e8)
        return plain.toString(value, 'E', 7);
    if (rounded == 0.0)
        rounded = 0.0; // no "-0.000"
    return plain.toString(rounded, 'f', decimals);
}

QString longTimeFormat(const QLocale &locale)
{
    // Drop every unquoted run of 't' (time zone) with the blanks in front of it.
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString out;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c == u'\'') {
            quoted = !quoted;
            out += c;
        } else if (!quoted && c == u't') {
            while (!out.isEmpty() && out.back().isSpace())
                out.chop(1);
            while (i + 1 < format.size() && format[i + 1] == u't')
                ++i;
        } else {
            out += c;
        }
    }
    return out.trimmed();
}

QString formatDateTime(const QDateTime &value, const QLocale &locale)
{
    QString text = locale.toString(value.date(), QLocale::ShortFormat);
    if (value.time() != QTime(0, 0))
        text += u' ' + locale.toString(value.time(), longTimeFormat(locale));
    return text;
}

QByteArray le(quint32 value, int count)
{
    QByteArray out;
    for (int i = 0; i < count; ++i)
        out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
    return out;
}

QByteArray request(quint8 code, const QByteArray &payload)
{
    QByteArray out;
    out.append(static_cast<char>(code));
    out.append(static_cast<char>(payload.size() + 2));
    out.append(payload);
    return out;
}

} // namespace protocol
