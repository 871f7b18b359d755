#include "zoneentry.h"

#include "bcd.h"

namespace schedule {

namespace {

// The number in characters [from, from + 2) of "hh:mm"; 0 when it is none,
// so that a malformed time can never put a non-BCD byte on the wire.
int timeField(const QString &time, int from)
{
    bool ok = false;
    const int v = time.mid(from, 2).toInt(&ok);
    return ok && v >= 0 && v <= 99 ? v : 0;
}

} // namespace

QByteArray ZoneEntry::encode(const ZoneRecord &zone)
{
    QByteArray e(kSize, '\0');
    e[0] = char(((zone.tariff - 1) & 7) | (((zone.limitTariff - 1) & 7) << 4));
    e[1] = char(toBcd8(timeField(zone.startTime, 0)));
    e[2] = char(toBcd8(timeField(zone.startTime, 3)));
    e[3] = char(zone.powerLimit);
    e[4] = char(zone.dayMask);
    e[5] = char(zone.monthMask & 0xFF);
    e[6] = char(zone.monthMask >> 8);
    return e;
}

std::optional<ZoneRecord> ZoneEntry::decode(QByteArrayView entry)
{
    if (entry.size() != kSize)
        return std::nullopt;
    const auto byte = [&](int i) { return static_cast<quint8>(entry[i]); };
    const std::optional<int> hour = bcdInRange(byte(1), 0, 23);
    const std::optional<int> minute = bcdInRange(byte(2), 0, 59);
    if (!hour || !minute)
        return std::nullopt;

    ZoneRecord z;
    z.tariff = quint8((byte(0) & 7) + 1);
    z.limitTariff = quint8(((byte(0) >> 4) & 7) + 1);
    z.startTime = QStringLiteral("%1:%2").arg(*hour, 2, 10, QLatin1Char('0')).arg(*minute, 2, 10, QLatin1Char('0'));
    z.powerLimit = byte(3);
    z.dayMask = byte(4);
    z.monthMask = quint16(byte(5) | (byte(6) << 8));
    return z;
}

DecodedZones decodeZoneEntries(const QList<QByteArray> &entries)
{
    DecodedZones out;
    for (const QByteArray &e : entries) {
        if (const std::optional<ZoneRecord> z = ZoneEntry::decode(e))
            out.zones.append(*z);
        else
            ++out.skipped;
    }
    return out;
}

} // namespace schedule
