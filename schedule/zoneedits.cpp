#include "zoneedits.h"

#include <algorithm>
#include <numeric>
#include <tuple>
#include <vector>

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

bool zoneLess(const ZoneRecord &a, const ZoneRecord &b)
{
    return std::tie(a.startTime, a.tariff, a.powerLimit, a.limitTariff)
        < std::tie(b.startTime, b.tariff, b.powerLimit, b.limitTariff);
}

// The merge passes over the records `group` (indices in list order, all
// with the same zone values): for every record, every later one with an
// equal dayMask (or monthMask) joins it and is dropped; the next one then
// takes its place. Passes repeat until one drops nothing.
bool mergeGroup(ZoneList &zones, QList<int> &group, std::vector<bool> &removed)
{
    bool anyRemoved = false;
    bool merged = true;
    while (merged) {
        merged = false;
        for (int a = 0; a + 1 < group.size(); ++a) {
            for (int b = a + 1; b < group.size();) {
                ZoneRecord &x = zones[group[a]];
                const ZoneRecord &y = zones[group[b]];
                if (x.dayMask == y.dayMask)
                    x.monthMask |= y.monthMask;
                else if (x.monthMask == y.monthMask)
                    x.dayMask |= y.dayMask;
                else {
                    ++b;
                    continue;
                }
                removed[group[b]] = true;
                group.removeAt(b);
                merged = anyRemoved = true;
            }
        }
    }
    return anyRemoved;
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
    // Only records with the same zone values ever merge, and a removal keeps
    // the order of the others: each group of alike records goes through the
    // passes on its own, exactly as the passes over the whole list treat it,
    // without comparing every record with every other one.
    QList<int> order(zones.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return zoneLess(zones[a], zones[b]); });
    std::vector<bool> removed(zones.size(), false);
    bool anyRemoved = false;
    for (int first = 0; first < order.size();) {
        int end = first + 1;
        while (end < order.size() && zones[order[first]].sameZone(zones[order[end]]))
            ++end;
        QList<int> group = order.mid(first, end - first); // list order: the sort is stable
        anyRemoved = mergeGroup(zones, group, removed) || anyRemoved;
        first = end;
    }
    if (!anyRemoved)
        return;
    ZoneList kept;
    kept.reserve(zones.size());
    for (int i = 0; i < zones.size(); ++i)
        if (!removed[i])
            kept.append(zones[i]);
    zones = kept;
}

} // namespace schedule
