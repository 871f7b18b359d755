#include "encoding.h"

#include <QTimeZone>
#include <cmath>

namespace sim {

quint8 toBcd8(int value)
{
    value = qBound(0, value, 99);
    return static_cast<quint8>((value % 10) + (value / 10) * 16);
}

int fromBcd8(quint8 byte)
{
    const int hi = byte >> 4;
    const int lo = byte & 0x0F;
    if (hi > 9 || lo > 9)
        return -1;
    return hi * 10 + lo;
}

void putU16(QByteArray &out, quint32 value)
{
    out.append(static_cast<char>(value & 0xFF));
    out.append(static_cast<char>((value >> 8) & 0xFF));
}

void putU24(QByteArray &out, quint32 value)
{
    putU16(out, value);
    out.append(static_cast<char>((value >> 16) & 0xFF));
}

void putU32(QByteArray &out, quint32 value)
{
    putU24(out, value);
    out.append(static_cast<char>((value >> 24) & 0xFF));
}

static quint32 byteAt(QByteArrayView bytes, qsizetype at) { return static_cast<quint8>(bytes[at]); }

quint32 getU16(QByteArrayView bytes, qsizetype at) { return byteAt(bytes, at) | byteAt(bytes, at + 1) << 8; }

quint32 getU24(QByteArrayView bytes, qsizetype at) { return getU16(bytes, at) | byteAt(bytes, at + 2) << 16; }

quint32 getU32(QByteArrayView bytes, qsizetype at) { return getU24(bytes, at) | byteAt(bytes, at + 3) << 24; }

quint32 encodeMeterFloat(double value)
{
    if (value == 0.0 || std::isnan(value))
        return 0;
    const bool negative = value < 0;
    int exp2 = 0;
    // |value| = m * 2^exp2 with m in [0.5, 1); the meter wants (1 + f) * 2^(e - 127).
    const double m = std::frexp(std::fabs(value), &exp2);
    int e = exp2 - 1 + 127;
    auto fraction = static_cast<quint32>(std::llround((m * 2.0 - 1.0) * double(1 << 23)));
    if (fraction == (1u << 23)) { // rounded up to the next power of two
        fraction = 0;
        ++e;
    }
    if (e > 255 || std::isinf(value)) {
        e = 255;
        fraction = (1u << 23) - 1;
    }
    if (e < 0)
        return 0;
    quint32 word = static_cast<quint32>(e) << 24 | fraction;
    if (negative)
        word |= 1u << 23;
    // The word 0 means 0.0; the one value it would otherwise encode (2^-127)
    // is below anything a meter reports.
    return word;
}

double decodeMeterFloat(quint32 word)
{
    if (word == 0)
        return 0.0;
    const double fraction = double(word & 0x7FFFFF) / double(1 << 23);
    const int e = int(word >> 24);
    const double magnitude = std::ldexp(1.0 + fraction, e - 127);
    return (word & 0x800000) ? -magnitude : magnitude;
}

void putMeterFloat(QByteArray &out, double value) { putU32(out, encodeMeterFloat(value)); }

static QDateTime epoch2000() { return QDateTime(QDate(2000, 1, 1), QTime(0, 0), QTimeZone::utc()); }

qint64 msSince2000(const QDateTime &localTime)
{
    const QDateTime fields(localTime.date(), localTime.time(), QTimeZone::utc());
    return epoch2000().msecsTo(fields);
}

QDateTime dateTimeFromMsSince2000(qint64 ms)
{
    const QDateTime fields = epoch2000().addMSecs(ms);
    return QDateTime(fields.date(), fields.time()); // local time, the same fields
}

} // namespace sim
