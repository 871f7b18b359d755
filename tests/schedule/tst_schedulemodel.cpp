// The schedule model: zone edits with their record order, copying the
// current day to marked cells, merging, commit and revert, the selection
// rules with the save question, and a long random walk checked cell by cell
// against a plain per-cell model of the schedule.

#include "schedule/cellflags.h"
#include "schedule/schedulemodel.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

#include <map>
#include <tuple>

using namespace schedule;

namespace {

// A zone's values; without a limit the limit tariff follows the tariff.
ZoneRecord zone(const char *time, int tariff, int limit = 0, int limitTariff = 0)
{
    ZoneRecord z;
    z.startTime = QString::fromLatin1(time);
    z.tariff = quint8(tariff);
    z.powerLimit = quint8(limit);
    z.limitTariff = quint8(limitTariff ? limitTariff : tariff);
    return z;
}

ZoneRecord rec(const char *time, int tariff, int dayMask, int monthMask)
{
    ZoneRecord r = zone(time, tariff);
    r.dayMask = quint8(dayMask);
    r.monthMask = quint16(monthMask);
    return r;
}

// The part of a cell's day the operator sees: start time -> values.
using Values = std::tuple<int, int, int>;
using Day = std::map<QString, Values>;

Day dayOf(const ZoneList &zones, DayCell c)
{
    Day day;
    for (const ZoneRecord &r : recordsOf(zones, c))
        day[r.startTime] = {r.tariff, r.powerLimit, r.limitTariff};
    return day;
}

// The merge as its passes run over the whole list: for i from the first
// record, j from i + 1; after a removal j stays.
void mergeAsWritten(ZoneList &z)
{
    bool removed = true;
    while (removed) {
        removed = false;
        for (int i = 0; i + 1 < z.size(); ++i) {
            for (int j = i + 1; j < z.size();) {
                if (z[i].sameZone(z[j]) && z[i].dayMask == z[j].dayMask)
                    z[i].monthMask |= z[j].monthMask;
                else if (z[i].sameZone(z[j]) && z[i].monthMask == z[j].monthMask)
                    z[i].dayMask |= z[j].dayMask;
                else {
                    ++j;
                    continue;
                }
                z.removeAt(j);
                removed = true;
            }
        }
    }
}

QString describe(const ZoneList &zones)
{
    QStringList parts;
    for (const ZoneRecord &r : zones)
        parts << QStringLiteral("%1 T%2 P%3 L%4 d%5 m%6")
                     .arg(r.startTime)
                     .arg(r.tariff)
                     .arg(r.powerLimit)
                     .arg(r.limitTariff)
                     .arg(r.dayMask, 0, 16)
                     .arg(r.monthMask, 0, 16);
    return parts.join(QStringLiteral("; "));
}

// A model whose save question answers `answer` and counts how often it is put.
struct Fixture
{
    ScheduleModel model;
    bool answer = true;
    int questions = 0;
    Fixture()
    {
        model.setSaveQuestion([this] {
            ++questions;
            return answer;
        });
    }
    void click(int m, int d, Qt::KeyboardModifiers mods = Qt::NoModifier) { QVERIFY(model.selectCell(m, d, mods)); }
};

CellMatrix cells(std::initializer_list<DayCell> list)
{
    CellMatrix m;
    for (DayCell c : list)
        m.set(c, true);
    return m;
}

CellMatrix rectangle(int m0, int d0, int m1, int d1)
{
    CellMatrix m;
    for (int mm = m0; mm <= m1; ++mm)
        for (int d = d0; d <= d1; ++d)
            m.set(mm, d, true);
    return m;
}

CellMatrix without(CellMatrix m, DayCell c)
{
    m.set(c, false);
    return m;
}

} // namespace

Q_DECLARE_METATYPE(ZoneRecord)
Q_DECLARE_METATYPE(ZoneList)
Q_DECLARE_METATYPE(CellMatrix)
Q_DECLARE_METATYPE(DayCell)

class TestScheduleModel : public QObject
{
    Q_OBJECT
private slots:
    void initialState()
    {
        ScheduleModel m;
        QVERIFY(m.workingZones().isEmpty());
        QVERIFY(m.committedZones().isEmpty());
        QCOMPARE(m.currentCell(), (DayCell{1, 1}));
        QCOMPARE(m.selectedCells(), cells({{1, 1}}));
        QCOMPARE(m.emptyCells(), CellMatrix(true));
        QCOMPARE(m.noMidnightCells(), CellMatrix(true));
        QCOMPARE(m.equivalentCells(), CellMatrix(true));
        QCOMPARE(m.pendingCells(), CellMatrix(false));
        QVERIFY(!m.changesPending());
    }

    // The first zone of an empty cell is one record of that cell; the same
    // zone in the cell below (next day type) widens it.
    void firstZoneThenTheCellBelow()
    {
        Fixture f;
        f.click(4, 2);
        QSignalSpy count(&f.model, &ScheduleModel::recordCountChanged);
        QSignalSpy pending(&f.model, &ScheduleModel::changesPendingChanged);
        QVERIFY(f.model.InsertTZone(zone("06:00", 2)));
        QCOMPARE(f.model.workingZones(), ZoneList({rec("06:00", 2, 0x02, 0x008)}));
        QVERIFY(f.model.changesPending());
        QCOMPARE(pending.size(), 1);
        QCOMPARE(count.last().at(0).toInt(), 1);
        QVERIFY(f.model.committedZones().isEmpty());

        f.click(4, 3); // asks, and commits
        QCOMPARE(f.questions, 1);
        QCOMPARE(f.model.committedZones(), ZoneList({rec("06:00", 2, 0x02, 0x008)}));
        QVERIFY(f.model.InsertTZone(zone("06:00", 2)));
        QCOMPARE(f.model.workingZones(), ZoneList({rec("06:00", 2, 0x06, 0x008)}));
    }

    // Zone edits of cell (2, 3) in one record: which parts stay, in which
    // order, and where the new record goes.
    void editOfOneCell_data()
    {
        QTest::addColumn<ZoneList>("before");
        QTest::addColumn<bool>("isDelete");
        QTest::addColumn<ZoneList>("after");
        // Months 1..3 x day types 1..5: the other day types in all three
        // months first, this day type in months 1 and 3, the new zone last.
        const ZoneRecord big = rec("00:00", 1, 0x1F, 0x007);
        QTest::newRow("3x5 update") << ZoneList{big} << false
                                    << ZoneList{rec("00:00", 1, 0x1B, 0x007), rec("00:00", 1, 0x04, 0x005),
                                                rec("00:00", 4, 0x04, 0x002)};
        QTest::newRow("3x5 delete") << ZoneList{big} << true
                                    << ZoneList{rec("00:00", 1, 0x1B, 0x007), rec("00:00", 1, 0x04, 0x005)};
        // Only this day type: the record loses this month.
        QTest::newRow("column update") << ZoneList{rec("00:00", 1, 0x04, 0x00F)} << false
                                       << ZoneList{rec("00:00", 1, 0x04, 0x00D), rec("00:00", 4, 0x04, 0x002)};
        // Only this month: the record loses this day type.
        QTest::newRow("row delete") << ZoneList{rec("00:00", 1, 0x0F, 0x002)} << true
                                    << ZoneList{rec("00:00", 1, 0x0B, 0x002)};
        // The cell alone: overwritten in place, no new record.
        QTest::newRow("single update") << ZoneList{rec("05:00", 2, 0x01, 0x001), rec("00:00", 1, 0x04, 0x002)}
                                       << false
                                       << ZoneList{rec("05:00", 2, 0x01, 0x001), rec("00:00", 4, 0x04, 0x002)};
        QTest::newRow("single delete") << ZoneList{rec("05:00", 2, 0x01, 0x001), rec("00:00", 1, 0x04, 0x002)}
                                       << true << ZoneList{rec("05:00", 2, 0x01, 0x001)};
    }
    void editOfOneCell()
    {
        QFETCH(ZoneList, before);
        QFETCH(bool, isDelete);
        QFETCH(ZoneList, after);
        Fixture f;
        f.model.replaceCommitted(before);
        f.click(2, 3);
        QVERIFY(isDelete ? f.model.DeleteTZone(QStringLiteral("00:00")) : f.model.UpdateTZone(zone("00:00", 4)));
        QVERIFY2(f.model.workingZones() == after, qPrintable(describe(f.model.workingZones())));
        QCOMPARE(f.model.committedZones(), before);
        QVERIFY(f.model.changesPending());
    }

    // A time the cell lacks is added by an update, appended.
    void updateOfAMissingTimeAdds()
    {
        Fixture f;
        f.model.replaceCommitted({rec("00:00", 1, 0x01, 0x001)});
        QVERIFY(f.model.UpdateTZone(zone("07:00", 3)));
        QCOMPARE(f.model.workingZones(), ZoneList({rec("00:00", 1, 0x01, 0x001), rec("07:00", 3, 0x01, 0x001)}));
    }

    // Deleting the only zone: the cell is empty, and alike to every empty cell.
    void deletingTheOnlyZone()
    {
        Fixture f;
        f.model.replaceCommitted({rec("00:00", 1, 0x01, 0x001), rec("00:00", 2, 0x08, 0x004)});
        f.click(3, 4);
        QVERIFY(!f.model.emptyCells().at(3, 4));
        QVERIFY(!f.model.noMidnightCells().at(3, 4));
        QVERIFY(f.model.DeleteTZone(QStringLiteral("00:00")));
        QCOMPARE(f.model.workingZones(), ZoneList({rec("00:00", 1, 0x01, 0x001)}));
        QVERIFY(f.model.emptyCells().at(3, 4));
        QVERIFY(f.model.noMidnightCells().at(3, 4));
        CellMatrix allButJanMon(true);
        allButJanMon.set(1, 1, false);
        QCOMPARE(f.model.emptyCells(), allButJanMon);
        QCOMPARE(f.model.equivalentCells(), allButJanMon);
        QVERIFY(f.model.GetSheduleDay().isEmpty());
    }

    // Zones only after 00:00: not empty, but no midnight zone, until one is added.
    void dayStartingAfterMidnight()
    {
        Fixture f;
        f.click(6, 7);
        QVERIFY(f.model.InsertTZone(zone("12:00", 2)));
        QVERIFY(f.model.InsertTZone(zone("06:00", 3, 10, 1)));
        QVERIFY(!f.model.emptyCells().at(6, 7));
        QVERIFY(f.model.noMidnightCells().at(6, 7));
        QVERIFY(f.model.noMidnightCells().at(6, 6)); // empty cells too
        // The day list keeps list order, not time order.
        const ZoneList day = f.model.GetSheduleDay();
        QCOMPARE(day.size(), 2);
        QCOMPARE(day[0].startTime, QStringLiteral("12:00"));
        QCOMPARE(day[1].startTime, QStringLiteral("06:00"));
        QVERIFY(f.model.InsertTZone(zone("00:00", 1)));
        QVERIFY(!f.model.noMidnightCells().at(6, 7));
    }

    // A cell in neither the current row nor column gets every zone of the
    // current day as new single-cell records put first.
    void markingACellOffRowAndColumn()
    {
        Fixture f;
        f.click(2, 2);
        QVERIFY(f.model.InsertTZone(zone("00:00", 1)));
        QVERIFY(f.model.InsertTZone(zone("07:00", 3)));
        f.model.commit();
        QVERIFY(!f.model.changesPending());
        f.click(5, 6, Qt::ControlModifier);
        QCOMPARE(f.questions, 0);
        QCOMPARE(f.model.currentCell(), (DayCell{2, 2}));
        QCOMPARE(f.model.workingZones(),
                 ZoneList({rec("07:00", 3, 0x20, 0x010), rec("00:00", 1, 0x20, 0x010), rec("00:00", 1, 0x02, 0x002),
                           rec("07:00", 3, 0x02, 0x002)}));
        QVERIFY(f.model.changesPending()); // an uncommitted change
        QVERIFY(f.model.pendingCells().at(5, 6)); // still shown as just overwritten
        QVERIFY(!f.model.emptyCells().at(5, 6));
        QVERIFY(!f.model.noMidnightCells().at(5, 6));
    }

    // Marking in the current row or column widens the current day's records.
    void markingAlongTheRowWidens()
    {
        Fixture f;
        f.click(2, 2);
        QVERIFY(f.model.InsertTZone(zone("00:00", 1)));
        f.model.commit();
        f.click(5, 2, Qt::ShiftModifier); // months 2..5 of day type 2
        QCOMPARE(f.model.workingZones(), ZoneList({rec("00:00", 1, 0x02, 0x01E)}));
        f.model.commit();
        f.click(2, 4, Qt::ShiftModifier); // day types 2..4 of month 2
        QCOMPARE(dayOf(f.model.workingZones(), {2, 4}), dayOf(f.model.workingZones(), {2, 2}));
        QCOMPARE(dayOf(f.model.workingZones(), {3, 4}), Day());
        QCOMPARE(dayOf(f.model.workingZones(), {5, 2}), dayOf(f.model.workingZones(), {2, 2}));
    }

    // With the current cell empty, the marked cells lose their zones; cells
    // outside the marking keep theirs.
    void markingWithAnEmptyCurrentCell()
    {
        Fixture f;
        f.model.replaceCommitted({rec("00:00", 2, 0x03, 0x03E), rec("08:00", 5, 0x3F, 0x002)});
        QVERIFY(f.model.emptyCells().at(1, 1));
        f.click(4, 3, Qt::ShiftModifier);
        const ZoneList &w = f.model.workingZones();
        forEachCell([&](DayCell c) {
            const bool marked = c.month <= 4 && c.dayType <= 3;
            if (marked)
                QVERIFY2(dayOf(w, c).empty(), qPrintable(describe(w)));
        });
        QCOMPARE(dayOf(w, {5, 1}), Day({{"00:00", {2, 0, 2}}}));
        QCOMPARE(dayOf(w, {2, 4}), Day({{"08:00", {5, 0, 5}}}));
        QCOMPARE(dayOf(w, {2, 6}), Day({{"08:00", {5, 0, 5}}}));
        QCOMPARE(dayOf(w, {6, 2}), Day({{"00:00", {2, 0, 2}}}));
        QCOMPARE(f.model.emptyCells().at(3, 3), true);
        QVERIFY(f.model.changesPending());
    }

    // Merging by equal day masks or equal month masks, j staying after a
    // removal, passes repeated until nothing merges.
    void merges_data()
    {
        QTest::addColumn<ZoneList>("before");
        QTest::addColumn<ZoneList>("after");
        QTest::newRow("equal day masks") << ZoneList{rec("00:00", 1, 0x05, 0x001), rec("00:00", 1, 0x05, 0x300)}
                                         << ZoneList{rec("00:00", 1, 0x05, 0x301)};
        QTest::newRow("equal month masks") << ZoneList{rec("00:00", 1, 0x01, 0x00C), rec("00:00", 1, 0x80, 0x00C)}
                                           << ZoneList{rec("00:00", 1, 0x81, 0x00C)};
        QTest::newRow("j stays") << ZoneList{rec("00:00", 1, 0x01, 0x001), rec("00:00", 1, 0x01, 0x002),
                                             rec("00:00", 1, 0x01, 0x004)}
                                 << ZoneList{rec("00:00", 1, 0x01, 0x007)};
        // Record 0 grows by record 2 only after record 1 was passed: the
        // second pass joins them.
        QTest::newRow("second pass") << ZoneList{rec("00:00", 1, 0x01, 0x001), rec("00:00", 1, 0x02, 0x003),
                                                 rec("00:00", 1, 0x01, 0x002)}
                                     << ZoneList{rec("00:00", 1, 0x03, 0x003)};
        QTest::newRow("other values stay") << ZoneList{rec("00:00", 1, 0x01, 0x001), rec("00:00", 2, 0x01, 0x002),
                                                       rec("01:00", 1, 0x01, 0x004)}
                                           << ZoneList{rec("00:00", 1, 0x01, 0x001), rec("00:00", 2, 0x01, 0x002),
                                                       rec("01:00", 1, 0x01, 0x004)};
        QTest::newRow("neither mask equal") << ZoneList{rec("00:00", 1, 0x01, 0x001), rec("00:00", 1, 0x02, 0x002)}
                                            << ZoneList{rec("00:00", 1, 0x01, 0x001), rec("00:00", 1, 0x02, 0x002)};
    }
    void merges()
    {
        QFETCH(ZoneList, before);
        QFETCH(ZoneList, after);
        ScheduleModel m;
        m.replaceCommitted(before);
        QCOMPARE(m.workingZones(), before); // loading does not merge
        QSignalSpy count(&m, &ScheduleModel::recordCountChanged);
        m.EditDays();
        QVERIFY2(m.workingZones() == after, qPrintable(describe(m.workingZones())));
        QCOMPARE(count.size(), 1);
        QCOMPARE(count.last().at(0).toInt(), int(after.size()));
    }

    // The merge compares only records with the same zone values; on any list
    // it must leave what the passes over the whole list, record by record,
    // leave: the same records in the same order.
    void mergeAgreesWithWholeListPasses()
    {
        const quint8 days[] = {0x00, 0x01, 0x02, 0x03, 0x81, 0xFF};
        const quint16 months[] = {0x000, 0x001, 0x002, 0x003, 0x8001, 0xFFF};
        QRandomGenerator rng(5);
        for (int round = 0; round < 2000; ++round) {
            ZoneList zones;
            const int n = rng.bounded(1, 60);
            for (int k = 0; k < n; ++k) {
                ZoneRecord r = zone(rng.bounded(2) ? "00:00" : "12:00", 1 + rng.bounded(2));
                r.dayMask = days[rng.bounded(6)];
                r.monthMask = months[rng.bounded(6)];
                zones.append(r);
            }
            ZoneList expected = zones;
            mergeAsWritten(expected);
            ZoneList merged = zones;
            mergeZones(merged);
            QVERIFY2(merged == expected, qPrintable(QStringLiteral("round %1: %2").arg(round).arg(describe(zones))));
        }
    }

    void revertAfterMarking()
    {
        Fixture f;
        const ZoneList old{rec("00:00", 1, 0x01, 0x001), rec("00:00", 2, 0x02, 0x001), rec("06:00", 3, 0x01, 0x002)};
        f.model.replaceCommitted(old);
        f.click(2, 2, Qt::ShiftModifier);
        QCOMPARE(f.model.selectedCells(), rectangle(1, 1, 2, 2));
        QCOMPARE(dayOf(f.model.workingZones(), {2, 1}), Day({{"00:00", {1, 0, 1}}}));
        QVERIFY(f.model.changesPending());
        QSignalSpy count(&f.model, &ScheduleModel::recordCountChanged);
        QSignalSpy day(&f.model, &ScheduleModel::dayChanged);
        f.model.revert();
        QCOMPARE(f.model.workingZones(), old);
        QCOMPARE(dayOf(f.model.workingZones(), {1, 2}), Day({{"00:00", {2, 0, 2}}}));
        QCOMPARE(f.model.selectedCells(), cells({{1, 1}}));
        QCOMPARE(f.model.pendingCells(), CellMatrix(false));
        QVERIFY(!f.model.changesPending());
        QCOMPARE(count.size(), 1);
        QCOMPARE(count.last().at(0).toInt(), 3);
        QCOMPARE(day.size(), 1);
    }

    void replaceCommittedWithNothing()
    {
        Fixture f;
        f.click(3, 3);
        QVERIFY(f.model.InsertTZone(zone("00:00", 4)));
        f.click(3, 5, Qt::ShiftModifier);
        QSignalSpy count(&f.model, &ScheduleModel::recordCountChanged);
        f.model.replaceCommitted({});
        QVERIFY(f.model.workingZones().isEmpty());
        QVERIFY(f.model.committedZones().isEmpty());
        QCOMPARE(f.model.emptyCells(), CellMatrix(true));
        QCOMPARE(f.model.equivalentCells(), CellMatrix(true));
        QCOMPARE(f.model.selectedCells(), cells({{3, 3}}));
        QVERIFY(!f.model.changesPending());
        QCOMPARE(count.last().at(0).toInt(), 0);
    }

    // Export commits first, whatever is pending, and keeps the list order.
    void exportCommits()
    {
        Fixture f;
        f.click(1, 8);
        QVERIFY(f.model.InsertTZone(zone("10:00", 2)));
        QVERIFY(f.model.InsertTZone(zone("00:00", 1)));
        const ZoneList expected{rec("10:00", 2, 0x80, 0x001), rec("00:00", 1, 0x80, 0x001)};
        QCOMPARE(f.model.exportCommitted(), expected);
        QCOMPARE(f.model.committedZones(), expected);
        QVERIFY(!f.model.changesPending());
    }

    // Clicks on an empty schedule (nothing is ever pending): where the
    // current cell goes and what is marked.
    void selectionRules_data()
    {
        QTest::addColumn<QList<QList<int>>>("clicks"); // month, day type, 0 none / 1 Ctrl / 2 Shift / 3 both
        QTest::addColumn<DayCell>("current");
        QTest::addColumn<CellMatrix>("selected");
        QTest::newRow("plain") << QList<QList<int>>{{5, 3, 0}} << DayCell{5, 3} << cells({{5, 3}});
        QTest::newRow("plain after marks") << QList<QList<int>>{{2, 2, 1}, {3, 3, 2}, {7, 1, 0}} << DayCell{7, 1}
                                           << cells({{7, 1}});
        QTest::newRow("ctrl adds") << QList<QList<int>>{{3, 2, 1}, {12, 8, 1}} << DayCell{1, 1}
                                   << cells({{1, 1}, {3, 2}, {12, 8}});
        QTest::newRow("ctrl toggles off") << QList<QList<int>>{{3, 2, 1}, {4, 4, 1}, {3, 2, 1}} << DayCell{1, 1}
                                          << cells({{1, 1}, {4, 4}});
        QTest::newRow("shift rectangle") << QList<QList<int>>{{3, 4, 2}} << DayCell{1, 1} << rectangle(1, 1, 3, 4);
        QTest::newRow("shift towards the corner")
            << QList<QList<int>>{{5, 5, 0}, {2, 7, 2}} << DayCell{5, 5} << rectangle(2, 5, 5, 7);
        QTest::newRow("shift replaces ctrl marks")
            << QList<QList<int>>{{9, 8, 1}, {2, 2, 2}} << DayCell{1, 1} << rectangle(1, 1, 2, 2);
        QTest::newRow("ctrl wins over shift") << QList<QList<int>>{{3, 4, 3}} << DayCell{1, 1} << cells({{1, 1}, {3, 4}});
        QTest::newRow("ctrl+shift toggles off")
            << QList<QList<int>>{{3, 4, 2}, {2, 2, 3}} << DayCell{1, 1} << without(rectangle(1, 1, 3, 4), {2, 2});
        QTest::newRow("shift on the current cell")
            << QList<QList<int>>{{3, 4, 2}, {1, 1, 2}} << DayCell{1, 1} << cells({{1, 1}});
        QTest::newRow("ctrl on the current cell")
            << QList<QList<int>>{{6, 6, 0}, {7, 7, 1}, {6, 6, 1}} << DayCell{6, 6} << cells({{6, 6}});
    }
    void selectionRules()
    {
        QFETCH(QList<QList<int>>, clicks);
        QFETCH(DayCell, current);
        QFETCH(CellMatrix, selected);
        Fixture f;
        for (const QList<int> &c : clicks) {
            Qt::KeyboardModifiers mods;
            mods.setFlag(Qt::ControlModifier, c[2] & 1);
            mods.setFlag(Qt::ShiftModifier, c[2] & 2);
            f.click(c[0], c[1], mods);
        }
        QCOMPARE(f.model.currentCell(), current);
        QCOMPARE(f.model.selectedCells(), selected);
        QCOMPARE(f.questions, 0);
    }

    void cellsOutsideTheGridAreIgnored_data()
    {
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("dayType");
        QTest::newRow("month 0") << 0 << 1;
        QTest::newRow("month 13") << 13 << 1;
        QTest::newRow("day type 0") << 1 << 0;
        QTest::newRow("day type 9") << 1 << 9;
        QTest::newRow("negative") << -1 << -5;
    }
    void cellsOutsideTheGridAreIgnored()
    {
        QFETCH(int, month);
        QFETCH(int, dayType);
        Fixture f;
        f.click(2, 2);
        QVERIFY(f.model.InsertTZone(zone("00:00", 1)));
        QSignalSpy grid(&f.model, &ScheduleModel::gridChanged);
        QVERIFY(!f.model.selectCell(month, dayType, Qt::NoModifier));
        QVERIFY(!f.model.selectCell(month, dayType, Qt::ControlModifier | Qt::ShiftModifier));
        QCOMPARE(f.questions, 0);
        QCOMPARE(f.model.currentCell(), (DayCell{2, 2}));
        QCOMPARE(f.model.selectedCells(), cells({{2, 2}}));
        QVERIFY(f.model.changesPending());
        QCOMPARE(grid.size(), 0);
        QVERIFY(!f.model.selectedCells().at(month, dayType));
    }

    // Pending edits: the next click asks once; yes keeps them, no drops them
    // and leaves only the clicked (now current) cell marked.
    void saveQuestion_data()
    {
        QTest::addColumn<bool>("answer");
        QTest::addColumn<int>("modifier"); // 0 plain click on (4, 4), 1 Ctrl-click on (4, 4)
        QTest::newRow("yes, plain") << true << 0;
        QTest::newRow("no, plain") << false << 0;
        QTest::newRow("yes, ctrl") << true << 1;
        QTest::newRow("no, ctrl") << false << 1;
    }
    void saveQuestion()
    {
        QFETCH(bool, answer);
        QFETCH(int, modifier);
        Fixture f;
        f.answer = answer;
        f.click(2, 2);
        QCOMPARE(f.questions, 0);
        QVERIFY(f.model.InsertTZone(zone("00:00", 3)));
        const ZoneList edited = f.model.workingZones();
        f.click(4, 4, modifier ? Qt::ControlModifier : Qt::NoModifier);
        QCOMPARE(f.questions, 1);
        if (answer) {
            QCOMPARE(f.model.committedZones(), edited);
        } else {
            QVERIFY(f.model.committedZones().isEmpty());
            QCOMPARE(f.model.selectedCells(), cells({f.model.currentCell()}));
        }
        const DayCell current = modifier ? DayCell{2, 2} : DayCell{4, 4};
        QCOMPARE(f.model.currentCell(), current);
        // Yes with Ctrl: the newly marked cell then gets the current day, a
        // new pending change.
        const bool copied = answer && modifier;
        QCOMPARE(f.model.changesPending(), copied);
        QCOMPARE(dayOf(f.model.workingZones(), {4, 4}), copied ? Day({{"00:00", {3, 0, 3}}}) : Day());
        QCOMPARE(dayOf(f.model.workingZones(), {2, 2}), answer ? Day({{"00:00", {3, 0, 3}}}) : Day());
        f.click(4, 4);
        QCOMPARE(f.questions, copied ? 2 : 1); // asked again only with a change pending
    }

    // A zone that is not valid, an insert at a time the cell has, a delete
    // at a time it has not: refused, nothing changes, nothing is signalled.
    void refusedEdits_data()
    {
        QTest::addColumn<int>("op"); // 0 insert, 1 update, 2 delete
        QTest::addColumn<ZoneRecord>("values");
        const struct
        {
            const char *name;
            ZoneRecord z;
        } invalid[] = {
            {"limit tariff differs without a limit", zone("08:00", 2, 0, 3)},
            {"limit with the same limit tariff", zone("08:00", 2, 5, 2)},
            {"tariff 0", zone("08:00", 0)},
            {"tariff 9", zone("08:00", 9)},
            {"limit tariff 9", zone("08:00", 2, 5, 9)},
            {"hour 24", zone("24:00", 1)},
            {"minute 60", zone("10:60", 1)},
            {"one-digit hour", zone("6:00", 1)},
            {"not a time", zone("ab:cd", 1)},
            {"empty time", zone("", 1)},
        };
        for (const auto &c : invalid) {
            QTest::addRow("insert: %s", c.name) << 0 << c.z;
            QTest::addRow("update: %s", c.name) << 1 << c.z;
        }
        QTest::newRow("insert at an existing time") << 0 << zone("00:00", 2);
        QTest::newRow("delete at a missing time") << 2 << zone("08:00", 1);
        QTest::newRow("delete at a time of another cell") << 2 << zone("05:00", 1);
    }
    void refusedEdits()
    {
        QFETCH(int, op);
        QFETCH(ZoneRecord, values);
        Fixture f;
        const ZoneList loaded{rec("00:00", 1, 0x01, 0x001), rec("05:00", 1, 0x02, 0x001)};
        f.model.replaceCommitted(loaded);
        QSignalSpy count(&f.model, &ScheduleModel::recordCountChanged);
        QSignalSpy grid(&f.model, &ScheduleModel::gridChanged);
        const bool done = op == 0   ? f.model.InsertTZone(values)
                          : op == 1 ? f.model.UpdateTZone(values)
                                    : f.model.DeleteTZone(values.startTime);
        QVERIFY(!done);
        QCOMPARE(f.model.workingZones(), loaded);
        QVERIFY(!f.model.changesPending());
        QCOMPARE(count.size() + grid.size(), 0);
    }

    // Month bits 12..15 name no cell: no cell is touched through them, they
    // survive edits, and records that cover no cell are kept as they are.
    void unusedMonthBitsAndEmptyMasks()
    {
        Fixture f;
        const ZoneList loaded{rec("00:00", 1, 0x01, 0xF003), rec("03:00", 2, 0x00, 0x0FFF), rec("04:00", 2, 0xFF, 0x0000),
                              rec("05:00", 3, 0x01, 0x8000)};
        f.model.replaceCommitted(loaded);
        QCOMPARE(f.model.exportCommitted(), loaded); // loaded then saved: the same records
        CellMatrix twoCells = cells({{1, 1}, {2, 1}});
        CellMatrix notEmpty(true);
        forEachCell([&](DayCell c) { notEmpty.set(c, !twoCells.at(c)); });
        QCOMPARE(f.model.emptyCells(), notEmpty);
        QCOMPARE(f.model.GetSheduleDay(), ZoneList({loaded[0]}));

        QVERIFY(f.model.UpdateTZone(zone("00:00", 2)));
        QCOMPARE(f.model.workingZones(),
                 ZoneList({rec("00:00", 1, 0x01, 0xF002), loaded[1], loaded[2], loaded[3], rec("00:00", 2, 0x01, 0x001)}));
        f.click(12, 8, Qt::ShiftModifier); // every cell marked
        for (int m = 1; m <= 12; ++m)
            for (int d = 1; d <= 8; ++d)
                QCOMPARE(dayOf(f.model.workingZones(), {m, d}), Day({{"00:00", {2, 0, 2}}}));
        QCOMPARE(f.model.workingZones().size(), 5);
        QVERIFY(f.model.workingZones().contains(loaded[3]));
    }

    // After any sequence of clicks, edits, commits and reverts, every cell
    // has the day a plain per-cell model gives it; no two records could be
    // merged; no cell has two zones at one time.
    void randomWalk_data()
    {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed : {1u, 2u, 77u, 20261210u, 4242u})
            QTest::addRow("seed %u", seed) << seed;
    }
    void randomWalk();
};

namespace {

// The schedule as 96 independent days, edited by the plain meaning of each
// operation.
struct Reference
{
    std::array<Day, 96> work, committed;
    DayCell current;
    CellMatrix selected = cells({{1, 1}});
    bool pending = false;

    static int at(DayCell c) { return (c.month - 1) * 8 + c.dayType - 1; }
    Day &day(DayCell c) { return work[at(c)]; }
    bool markedDiffer()
    {
        bool differ = false;
        forEachCell([&](DayCell c) { differ = differ || (selected.at(c) && day(c) != day(current)); });
        return differ;
    }
    void copyToMarked()
    {
        forEachCell([&](DayCell c) {
            if (selected.at(c))
                day(c) = day(current);
        });
    }
    void edited()
    {
        pending = true;
        copyToMarked();
    }
};

struct Walk
{
    QRandomGenerator rng;
    Fixture f;
    Reference ref;
    QStringList log;

    explicit Walk(quint32 seed)
        : rng(seed)
    {
    }

    QString time()
    {
        static const char *const times[] = {"00:00", "03:30", "06:00", "12:00", "18:45", "23:59"};
        const Day &day = ref.day(ref.current);
        if (!day.empty() && rng.bounded(3) > 0) { // mostly a time the day has
            auto it = day.begin();
            std::advance(it, rng.bounded(int(day.size())));
            return it->first;
        }
        return QString::fromLatin1(times[rng.bounded(6)]);
    }
    ZoneRecord values()
    {
        ZoneRecord z;
        z.startTime = time();
        z.tariff = quint8(1 + rng.bounded(3));
        const bool limit = rng.bounded(4) == 0;
        z.powerLimit = limit ? 7 : 0;
        z.limitTariff = limit ? quint8(z.tariff % 3 + 1) : z.tariff;
        if (rng.bounded(12) == 0)
            z.limitTariff = quint8(z.limitTariff % 3 + 1); // breaks the limit rule
        return z;
    }
    static QString text(const ZoneRecord &z)
    {
        return QStringLiteral("%1 T%2 P%3 L%4").arg(z.startTime).arg(z.tariff).arg(z.powerLimit).arg(z.limitTariff);
    }

    void select()
    {
        DayCell p{1 + int(rng.bounded(12)), 1 + int(rng.bounded(8))};
        if (rng.bounded(10) == 0)
            p = ref.current;
        const int k = rng.bounded(10);
        Qt::KeyboardModifiers mods;
        mods.setFlag(Qt::ControlModifier, (k >= 2 && k <= 5) || k == 9); // plain 2, Ctrl 4, Shift 3,
        mods.setFlag(Qt::ShiftModifier, k >= 6);                          // both 1 in 10
        f.answer = rng.bounded(2);
        log << QStringLiteral("click %1,%2 ctrl=%3 shift=%4 answer=%5")
                   .arg(p.month)
                   .arg(p.dayType)
                   .arg(mods.testFlag(Qt::ControlModifier))
                   .arg(mods.testFlag(Qt::ShiftModifier))
                   .arg(f.answer);
        // The reference: the marking, the question, then the current day
        // copied to every marked cell.
        if (!mods) {
            ref.current = p;
            ref.selected = cells({p});
        } else if (p == ref.current) {
            ref.selected = cells({p});
        } else if (mods.testFlag(Qt::ControlModifier)) {
            ref.selected.set(p, !ref.selected.at(p));
        } else {
            ref.selected = rectangle(qMin(p.month, ref.current.month), qMin(p.dayType, ref.current.dayType),
                                     qMax(p.month, ref.current.month), qMax(p.dayType, ref.current.dayType));
        }
        const bool asks = ref.pending;
        if (asks && f.answer) {
            ref.committed = ref.work;
            ref.pending = false;
        } else if (asks) {
            ref.work = ref.committed;
            ref.selected = cells({ref.current});
            ref.pending = false;
        }
        ref.pending = ref.pending || ref.markedDiffer();
        ref.copyToMarked();
        const int before = f.questions;
        f.model.selectCell(p.month, p.dayType, mods);
        QCOMPARE(f.questions - before, asks ? 1 : 0);
    }

    void edit(int op)
    {
        const ZoneRecord z = values();
        Day &day = ref.day(ref.current);
        const bool has = day.count(z.startTime) > 0;
        bool expect = false;
        bool done = false;
        if (op == 0) {
            log << QStringLiteral("insert ") + text(z);
            expect = isValidZone(z) && !has;
            done = f.model.InsertTZone(z);
            if (expect)
                day[z.startTime] = {z.tariff, z.powerLimit, z.limitTariff};
        } else if (op == 1) {
            log << QStringLiteral("update ") + text(z);
            expect = isValidZone(z);
            done = f.model.UpdateTZone(z);
            if (expect)
                day[z.startTime] = {z.tariff, z.powerLimit, z.limitTariff};
        } else {
            log << QStringLiteral("delete ") + z.startTime;
            expect = has;
            done = f.model.DeleteTZone(z.startTime);
            day.erase(z.startTime);
        }
        QCOMPARE(done, expect);
        if (expect)
            ref.edited();
    }

    void step()
    {
        const int k = rng.bounded(100);
        if (k < 30) {
            select();
        } else if (k < 90) {
            edit(k < 55 ? 0 : k < 75 ? 1 : 2);
        } else if (k < 95) {
            log << QStringLiteral("commit");
            f.model.commit();
            ref.committed = ref.work;
            ref.pending = ref.markedDiffer();
        } else {
            log << QStringLiteral("revert");
            f.model.revert();
            ref.work = ref.committed;
            ref.selected = cells({ref.current});
            ref.pending = false;
        }
    }

    // Empty when the model agrees with the reference, else what differs.
    QString mismatch() const
    {
        const ScheduleModel &m = f.model;
        const ZoneList &zones = m.workingZones();
        if (!(m.currentCell() == ref.current) || !(m.selectedCells() == ref.selected))
            return QStringLiteral("current cell or marking differs");
        if (m.changesPending() != ref.pending)
            return QStringLiteral("changesPending %1").arg(m.changesPending());
        QString bad;
        const Day currentDay = ref.work[Reference::at(ref.current)];
        forEachCell([&](DayCell c) {
            const ZoneList records = recordsOf(zones, c);
            const Day &expected = ref.work[Reference::at(c)];
            const Day got = dayOf(zones, c);
            if (!bad.isEmpty())
                return;
            if (int(got.size()) != records.size())
                bad = QStringLiteral("two zones at one time");
            else if (got != expected)
                bad = QStringLiteral("day differs");
            else if (m.emptyCells().at(c) != expected.empty()
                     || m.noMidnightCells().at(c) != (expected.count(QStringLiteral("00:00")) == 0))
                bad = QStringLiteral("empty or no-midnight flag differs");
            else if ((m.equivalentCells().at(c) || m.pendingCells().at(c)) != (expected == currentDay))
                bad = QStringLiteral("equivalent flag differs");
            if (!bad.isEmpty())
                bad += QStringLiteral(" in cell %1,%2").arg(c.month).arg(c.dayType);
        });
        if (!bad.isEmpty())
            return bad;
        for (int i = 0; i < zones.size(); ++i)
            for (int j = i + 1; j < zones.size(); ++j)
                if (zones[i].sameZone(zones[j])
                    && (zones[i].dayMask == zones[j].dayMask || zones[i].monthMask == zones[j].monthMask))
                    return QStringLiteral("records %1 and %2 could merge").arg(i).arg(j);
        if (m.GetSheduleDay() != recordsOf(zones, ref.current))
            return QStringLiteral("day list");
        return {};
    }
};

} // namespace

void TestScheduleModel::randomWalk()
{
    QFETCH(quint32, seed);
    Walk walk(seed);
    for (int n = 0; n < 3000; ++n) {
        walk.step();
        if (QTest::currentTestFailed())
            break;
        const QString wrong = walk.mismatch();
        if (!wrong.isEmpty()) {
            QVERIFY2(false, qPrintable(QStringLiteral("seed %1, step %2: %3\nworking: %4\nsteps:\n%5")
                                           .arg(seed)
                                           .arg(n)
                                           .arg(wrong, describe(walk.f.model.workingZones()),
                                                walk.log.mid(qMax(0, walk.log.size() - 60)).join(u'\n'))));
        }
    }
    if (QTest::currentTestFailed())
        qWarning("seed %u, steps:\n%s", seed, qPrintable(walk.log.join(u'\n')));
}

QTEST_GUILESS_MAIN(TestScheduleModel)
#include "tst_schedulemodel.moc"
