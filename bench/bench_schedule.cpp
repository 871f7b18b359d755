// The schedule model's heavy steps on a full schedule of 254 records (what
// the meter holds at most), with all 96 day cells marked:
//  - EditDays: the current day copied to the 95 other cells, then the merge;
//  - EquivalentDays: empty/no-midnight flags, equivalent and pending cells;
//  - a Shift-click over the whole grid (both, as the editor runs them).
// Two schedules: every cell with its own day of 2-3 zones, and one day of
// 254 zones over every cell. Prints the median and worst of the runs (ms).
// Target: under 20 ms each (the median is held against it). Not a test; run
// by hand.

#include "schedule/cellflags.h"
#include "schedule/schedulemodel.h"
#include "result.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace schedule;

namespace {

constexpr int kRecords = 254;

QString timeText(int minute)
{
    return QStringLiteral("%1:%2").arg(minute / 60, 2, 10, QLatin1Char('0')).arg(minute % 60, 2, 10, QLatin1Char('0'));
}

// Cell i of 96 gets its own zones (the power limit tells the cells apart,
// so nothing merges): 3 zones in the first 62 cells, 2 in the rest.
ZoneList cellByCell()
{
    ZoneList zones;
    int i = 0;
    forEachCell([&](DayCell c) {
        const int count = i < 62 ? 3 : 2;
        for (int k = 0; k < count; ++k) {
            ZoneRecord r;
            r.startTime = timeText(k * 480);
            r.tariff = quint8(1 + k);
            r.powerLimit = quint8(i + 1);
            r.limitTariff = quint8(4 + k);
            r.dayMask = c.dayBit();
            r.monthMask = c.monthBit();
            zones.append(r);
        }
        ++i;
    });
    return zones;
}

// One day of 254 zones: the current cell alone has them, every other cell
// is empty, so marking copies 254 zones into each of 95 cells.
ZoneList oneLongDay()
{
    ZoneList zones;
    for (int k = 0; k < kRecords; ++k) {
        ZoneRecord r;
        r.startTime = timeText(k * 5);
        r.tariff = quint8(1 + k % 8);
        r.limitTariff = r.tariff;
        r.dayMask = 1;
        r.monthMask = 1;
        zones.append(r);
    }
    return zones;
}

struct Figures
{
    double median;
    double worst;
};

Figures measure(int runs, const std::function<void()> &prepare, const std::function<void()> &work)
{
    std::vector<double> ms;
    QElapsedTimer t;
    for (int n = 0; n < runs; ++n) {
        prepare();
        t.start();
        work();
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.back()};
}

constexpr double kTargetMs = 20.0;

void report(const char *what, const char *schedule, const QByteArray &name, Figures f, int recordsAfter)
{
    std::printf("%-34s %-14s median %8.3f ms  worst %8.3f ms  records after %d\n", what, schedule, f.median, f.worst,
                recordsAfter);
    printResult(name.constData(), f.median, "ms", kTargetMs, Kind::Max);
}

void benchSchedule(const char *name, const char *tag, const ZoneList &zones, int runs)
{
    const DayCell current{1, 1};
    const CellMatrix all(true);
    ZoneList work;
    const auto fresh = [&] { work = zones; };

    Figures f = measure(runs, fresh, [&] {
        copyDay(work, current, all, false);
        mergeZones(work);
    });
    report("EditDays (copy + merge)", name, QByteArray("EditDays_") + tag, f, int(work.size()));

    CellMatrix empty, noMidnight, pending;
    f = measure(runs, fresh, [&] {
        emptyDays(work, empty, noMidnight);
        const CellMatrix equivalent = equivalentDays(work, current, empty);
        forEachCell([&](DayCell c) { pending.set(c, all.at(c) && !equivalent.at(c)); });
    });
    report("EquivalentDays", name, QByteArray("EquivalentDays_") + tag, f, int(work.size()));

    ScheduleModel model;
    f = measure(runs, [&] { model.replaceCommitted(zones); },
                [&] { model.selectCell(12, 8, Qt::ShiftModifier); });
    report("Shift-click over the whole grid", name, QByteArray("shift_click_") + tag, f, int(model.workingZones().size()));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 50;
    std::printf("%d records, all 96 cells marked, %d runs each\n", kRecords, runs);
    benchSchedule("cell by cell", "cell_by_cell", cellByCell(), runs);
    benchSchedule("one long day", "one_long_day", oneLongDay(), runs);
    return 0;
}
