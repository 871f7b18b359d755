#include "zoneedits.h"

namespace schedule {

namespace {

int firstAt(const ZoneList &zones, DayCell cell, const QString &startTime)
{
    for (int i = 0; i < zones.size(); ++i)
        if (zones[i].startTime == startTime && appliesTo(zones[i], cell))
            return i;
    return -1;
}

bool coversOnly(const ZoneRecord &r, DayCell cell)
{
    return r.dayMask == cell.dayBit() && r.monthMask == cell.monthBit();
}

// EditDays step 2 for one record that applies to the current cell: make it
// (or a new record put first) cover `target` too. Returns the scan step.
int extendToCell(ZoneList &zones, int index, DayCell current, DayCell target)
{
    ZoneRecord &r = zones[index];
    const bool onlyThisMonth = r.monthMask == current.monthBit();
    const bool onlyThisDayType = r.dayMask == current.dayBit();
    const bool sameMonth = target.month == current.month;
    const bool sameDayType = target.dayType == current.dayType;
    // A record confined to the current row (or column) grows along it.
    if (onlyThisDayType && sameDayType) {
        r.monthMask |= target.monthBit();
        return 1;
    }
    if (onlyThisMonth && sameMonth) {
        r.dayMask |= target.dayBit();
        return 1;
    }
    const bool single = onlyThisMonth && onlyThisDayType;
    if (!single && appliesTo(r, target))
        return 1;
    zones.insert(0, singleCellRecord(r, target));
    return 2;
}

} // namespace

ZoneRecord singleCellRecord(const ZoneRecord &values, DayCell cell)
{
    ZoneRecord r = values;
    r.dayMask = cell.dayBit();
    r.monthMask = cell.monthBit();
    return r;
}

void insertZone(ZoneList &zones, DayCell cell, const ZoneRecord &values)
{
    for (ZoneRecord &r : zones) {
        if (r.sameZone(values) && (r.dayMask == cell.dayBit() || r.monthMask == cell.monthBit())) {
            r.dayMask |= cell.dayBit();
            r.monthMask |= cell.monthBit();
            return;
        }
    }
    zones.append(singleCellRecord(values, cell));
}

void updateZone(ZoneList &zones, DayCell cell, const ZoneRecord &values)
{
    const int i = firstAt(zones, cell, values.startTime);
    if (i >= 0 && coversOnly(zones[i], cell)) {
        ZoneRecord &r = zones[i];
        r.tariff = values.tariff;
        r.powerLimit = values.powerLimit;
        r.limitTariff = values.limitTariff;
        return;
    }
    if (i >= 0)
        cutCell(zones, i, cell);
    zones.append(singleCellRecord(values, cell));
}

bool deleteZone(ZoneList &zones, DayCell cell, const QString &startTime)
{
    const int i = firstAt(zones, cell, startTime);
    if (i < 0)
        return false;
    cutCell(zones, i, cell);
    return true;
}

int cutCell(ZoneList &zones, int index, DayCell cell)
{
    ZoneRecord &r = zones[index];
    if (coversOnly(r, cell)) {
        zones.removeAt(index);
        return 0;
    }
    if (r.dayMask == cell.dayBit()) {
        r.monthMask ^= cell.monthBit();
        return 1;
    }
    if (r.monthMask == cell.monthBit()) {
        r.dayMask ^= cell.dayBit();
        return 1;
    }
    // The other day types in all the record's months go first; the record
    // keeps this day type in its other months.
    ZoneRecord rest = r;
    rest.dayMask = r.dayMask ^ cell.dayBit();
    r.monthMask ^= cell.monthBit();
    r.dayMask = cell.dayBit();
    zones.insert(0, rest);
    return 2;
}

void copyDay(ZoneList &zones, DayCell current, const CellMatrix &pending, bool currentEmpty)
{
    forEachCell([&](DayCell target) {
        if (!pending.at(target) || (!currentEmpty && target == current))
            return;
        for (int i = 0; i < zones.size();) {
            if (!currentEmpty && appliesTo(zones[i], current))
                i += extendToCell(zones, i, current, target);
            else if (appliesTo(zones[i], target))
                i += cutCell(zones, i, target);
            else
                ++i;
        }
    });
}

void mergeZones(ZoneList &zones)
{
    bool merged = true;
    while (merged) {
        merged = false;
        for (int i = 0; i + 1 < zones.size(); ++i) {
            for (int j = i + 1; j < zones.size();) {
                ZoneRecord &a = zones[i];
                const ZoneRecord &b = zones[j];
                if (a.sameZone(b) && a.dayMask == b.dayMask)
                    a.monthMask |= b.monthMask;
                else if (a.sameZone(b) && a.monthMask == b.monthMask)
                    a.dayMask |= b.dayMask;
                else {
                    ++j;
                    continue;
                }
                zones.removeAt(j); // j stays: the next record slid into place
                merged = true;
            }
        }
    }
}

} // namespace schedule
