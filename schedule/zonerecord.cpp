#include "zonerecord.h"

#include <QTime>

namespace schedule {

bool isValidZone(const ZoneRecord &zone)
{
    const bool tariffsOk = zone.tariff >= 1 && zone.tariff <= 8 && zone.limitTariff >= 1 && zone.limitTariff <= 8;
    const bool limitRule = (zone.limitTariff == zone.tariff) == (zone.powerLimit == 0);
    const bool timeOk = zone.startTime.size() == 5 && QTime::fromString(zone.startTime, QStringLiteral("hh:mm")).isValid();
    return tariffsOk && limitRule && timeOk;
}

} // namespace schedule
