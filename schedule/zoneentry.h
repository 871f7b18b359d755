#pragma once
// ZoneEntry: a ZoneRecord as the 7 bytes that travel to and from the meter
// and are kept in *.tsc files.
//
//   byte 0  bits 0-2 tariff - 1, bits 4-6 limitTariff - 1 (bits 3, 7 ignored)
//   byte 1  hour of startTime, BCD
//   byte 2  minute of startTime, BCD
//   byte 3  powerLimit
//   byte 4  dayMask (bit 0 = "ПН" … bit 7 = "ПР")
//   byte 5  monthMask bits 0-7 (January … August)
//   byte 6  monthMask bits 8-15 (September … December in bits 8-11)

#include "schedule/zonerecord.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <optional>

namespace schedule {

struct ZoneEntry
{
    static constexpr int kSize = 7;

    static QByteArray encode(const ZoneRecord &zone);
    // nullopt when the view is not 7 bytes, or the hour is not 00..23 or the
    // minute not 00..59 in BCD; such an entry is skipped by the caller.
    static std::optional<ZoneRecord> decode(QByteArrayView entry);
};

// Entries decoded in order; the ones decode() refuses are left out and
// counted so the operator can be told how many were lost.
struct DecodedZones
{
    QList<ZoneRecord> zones;
    int skipped = 0;
};
DecodedZones decodeZoneEntries(const QList<QByteArray> &entries);

} // namespace schedule
