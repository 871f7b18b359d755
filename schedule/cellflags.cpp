#include "cellflags.h"

namespace schedule {

namespace {

// Runs f on every cell a record applies to; month bits 12..15 name no cell.
template<typename F>
void forEachCellOf(const ZoneRecord &r, F &&f)
{
    for (int m = 1; m <= kMonths; ++m) {
        if (!(r.monthMask & GetMaska(m)))
            continue;
        for (int d = 1; d <= kDayTypes; ++d)
            if (r.dayMask & GetMaska(d))
                f(DayCell{m, d});
    }
}

using Counts = std::array<int, kMonths * kDayTypes>;

int slot(DayCell c) { return (c.month - 1) * kDayTypes + (c.dayType - 1); }

} // namespace

ZoneList recordsOf(const ZoneList &zones, DayCell cell)
{
    ZoneList day;
    for (const ZoneRecord &r : zones)
        if (appliesTo(r, cell))
            day.append(r);
    return day;
}

void emptyDays(const ZoneList &zones, CellMatrix &empty, CellMatrix &noMidnight)
{
    empty.fill(true);
    noMidnight.fill(true);
    const QString midnight = QStringLiteral("00:00");
    for (const ZoneRecord &r : zones) {
        forEachCellOf(r, [&](DayCell c) {
            empty.set(c, false);
            if (r.startTime == midnight)
                noMidnight.set(c, false);
        });
    }
}

CellMatrix equivalentDays(const ZoneList &zones, DayCell current, const CellMatrix &empty)
{
    if (empty.at(current))
        return empty; // all empty cells are alike
    const ZoneList day = recordsOf(zones, current);
    // Every record x adds, for each record r of the current day, 1 to Same
    // (x has r's zone values) or to Other of every cell x applies to.
    Counts same{};
    Counts other{};
    for (const ZoneRecord &x : zones) {
        int matches = 0;
        for (const ZoneRecord &r : day)
            matches += x.sameZone(r) ? 1 : 0;
        const int misses = int(day.size()) - matches;
        forEachCellOf(x, [&](DayCell c) {
            same[slot(c)] += matches;
            other[slot(c)] += misses;
        });
    }
    CellMatrix equivalent;
    const int cur = slot(current);
    forEachCell([&](DayCell c) {
        equivalent.set(c, same[slot(c)] == same[cur] && other[slot(c)] == other[cur]);
    });
    return equivalent;
}

} // namespace schedule
