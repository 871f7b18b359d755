// The simulated meter's six journals over function 0x5D: headers, the
// layouts of month, day, event, settings and profile records, the shapes of
// the load-profile store, and refusals.

#include "meterbench.h"

#include <QTest>

using simtest::hex;
using simtest::kStartSeconds;
using simtest::MeterBench;
using simtest::u32;

namespace {

constexpr quint32 kDay = 86400;
// Day number (days since 2000) of 2026-03-14.
constexpr quint32 kToday = kStartSeconds / kDay;
// The profile period running at the start began at 10:00.
constexpr quint32 kPeriodStart = kToday * kDay + 10 * 3600;

QByteArray u16(quint32 v)
{
    QByteArray out;
    sim::putU16(out, v);
    return out;
}

QByteArray header(int journal) { return hex("5D 03") + char(journal); }
QByteArray recordRequest(int journal, int index) { return hex("5D 05") + char(journal) + u16(index); }

double floatAt(const QByteArray &bytes, int at) { return sim::decodeMeterFloat(sim::getU32(bytes, at)); }

// Registers at moment t: the anchored value times the share of the 400 days
// of service that had passed.
double registerAt(double anchored, quint32 t)
{
    const double start = double(kStartSeconds) - 400.0 * kDay;
    return anchored * (double(t) - start) / (double(kStartSeconds) - start);
}

struct Shape
{
    int a, b, c;
};

} // namespace

Q_DECLARE_METATYPE(Shape)

class TestSimJournals : public QObject
{
    Q_OBJECT

private slots:
    void headers_data();
    void headers();
    void monthRecordLayout();
    void monthWithoutTheBillingDayIsEmpty();
    void dayRecordLayout();
    void onOffAndQualityEvents();
    void settingsWritesAppearInJournal3();
    void profileStoreShapes_data();
    void profileStoreShapes();
    void profileStoreGrowsWithTime();
    void gapDayHasNoRecords();
    void refusals_data();
    void refusals();
    void listingsMatchTheWire();
};

void TestSimJournals::headers_data()
{
    QTest::addColumn<int>("journal");
    QTest::addColumn<QByteArray>("expected"); // payload after 5D L

    QTest::newRow("month: 12 slots, all held") << 0 << hex("00 0C 00 0C 00 00 00");
    QTest::newRow("day: 45 slots, 40 held") << 1 << hex("01 2D 00 28 00 00 00");
    QTest::newRow("settings: 128 slots, none yet") << 3 << hex("03 80 00 00 00 00 00");
    // Default store: 1488 slots, full, newest at 744.
    QTest::newRow("profile") << 5 << hex("05 D0 05 D0 05 E8 02");
}

void TestSimJournals::headers()
{
    QFETCH(int, journal);
    QFETCH(QByteArray, expected);
    MeterBench bench;
    QCOMPARE(bench.payloadOf(header(journal)).toHex(' '), expected.toHex(' '));
}

void TestSimJournals::monthRecordLayout()
{
    MeterBench bench;
    // Billing moment 1st, 00:00: slot 2 (March) holds 01.03.2026, slot 3
    // (April) the April of the year before.
    const QByteArray march = bench.payloadOf(recordRequest(0, 2));
    QCOMPARE(march.left(3).toHex(' '), QByteArray("00 02 00"));
    const QByteArray p = march.mid(3);
    QCOMPARE(p.size(), 73);
    QCOMPARE(p.mid(1, 3).toHex(' '), QByteArray("01 03 26"));
    QCOMPARE(bench.payloadOf(recordRequest(0, 3)).mid(3 + 1, 3).toHex(' '), QByteArray("01 04 25"));

    const quint32 moment = (kToday - 13) * kDay; // 2026-03-01 00:00
    QVERIFY(qAbs(floatAt(p, 4) - registerAt(4521.375, moment)) < 0.01);
    QVERIFY(qAbs(floatAt(p, 8) - registerAt(1873.5, moment)) < 0.01);
    QCOMPARE(sim::getU32(p, 16), 0u); // tariff 4 never counted
    QVERIFY(qAbs(floatAt(p, 36) - registerAt(1402.125, moment)) < 0.01);
    QVERIFY(qAbs(floatAt(p, 40) - registerAt(28.5, moment)) < 0.001);
    QVERIFY(sim::getU32(p, 44) < moment); // the peak came before the billing moment
    QVERIFY(sim::getU24(p, 48) > 0);
    QCOMPARE(p.mid(54, 3).toHex(' '), QByteArray("d8 00 00")); // threshold 216, no flags
    QVERIFY(qAbs(double(sim::getU32(p, 57)) - registerAt(1234567, moment)) < 1.0);
    QVERIFY(qAbs(floatAt(p, 61) - registerAt(123.456, moment)) < 0.001); // 123456 pulses / 1000

    // Later months hold larger registers.
    const QByteArray feb = bench.payloadOf(recordRequest(0, 1)).mid(3);
    QVERIFY(floatAt(feb, 4) < floatAt(p, 4));
}

void TestSimJournals::monthWithoutTheBillingDayIsEmpty()
{
    MeterBench bench;
    bench.meter.state().settlementDay = 31;
    QCOMPARE(bench.payloadOf(recordRequest(0, 3)).toHex(' '), QByteArray("00 03 00")); // no 31 April
    QCOMPARE(bench.payloadOf(recordRequest(0, 0)).mid(3 + 1, 3).toHex(' '), QByteArray("31 01 26"));
}

void TestSimJournals::dayRecordLayout()
{
    MeterBench bench;
    // Midnight of day n lies in slot n mod 45; the last 40 are held.
    const int todaySlot = int(kToday % 45);
    const QByteArray today = bench.payloadOf(recordRequest(1, todaySlot)).mid(3);
    QCOMPARE(today.size(), 67);
    QCOMPARE(today.mid(1, 3).toHex(' '), QByteArray("14 03 26"));
    QVERIFY(qAbs(floatAt(today, 4) - registerAt(4521.375, kToday * kDay)) < 0.01);
    // The day that ended, 13.03 (n mod 3 = 1, n mod 7 = 6, n mod 4 = 0): flags
    // 05 for 6 min 20 s = 19 units, by voltage only.
    QCOMPARE(today.mid(44, 7).toHex(' '), QByteArray("13 00 00 00 00 00 05"));
    QVERIFY(qAbs(double(sim::getU32(today, 51)) - registerAt(1234567, kToday * kDay)) < 1.0);

    const QByteArray yesterday = bench.payloadOf(recordRequest(1, (todaySlot + 44) % 45)).mid(3);
    QCOMPARE(yesterday.mid(1, 3).toHex(' '), QByteArray("13 03 26"));
    // 39 days back is held, 40 days back is not.
    QCOMPARE(bench.payloadOf(recordRequest(1, (todaySlot + 45 - 39) % 45)).size(), 3 + 67);
    QCOMPARE(bench.payloadOf(recordRequest(1, (todaySlot + 45 - 40) % 45)).size(), 3);
}

void TestSimJournals::onOffAndQualityEvents()
{
    MeterBench bench;
    // Day n = kToday - 4 has n mod 5 = 0 and n mod 7 = 3: power off and on
    // at night, load off and on in the evening; nothing later.
    const QByteArray onOff = bench.payloadOf(header(2));
    const int held = int(sim::getU16(onOff, 3));
    QVERIFY(held >= 4 && held <= 64);
    QCOMPARE(sim::getU16(onOff, 5), quint32(held - 1));
    const quint32 day = (kToday - 4) * kDay;
    const QList<QByteArray> expected = {u32(day + 3 * 3600 + 10 * 60 + 17) + char(0), u32(day + 3 * 3600 + 24 * 60 + 40) + char(1),
                                        u32(day + 18 * 3600 + 40 * 60 + 5) + char(2), u32(day + 19 * 3600 + 5 * 60 + 30) + char(3)};
    for (int k = 0; k < 4; ++k)
        QCOMPARE(bench.payloadOf(recordRequest(2, held - 4 + k)).mid(3).toHex(' '), expected[k].toHex(' '));
    QCOMPARE(bench.payloadOf(recordRequest(2, held)).toHex(' '), (hex("02") + u16(held)).toHex(' ')); // empty slot

    // Quality: the last deviation was on 13.03 (n mod 7 = 6): flags 05 at
    // 10:00 + 6 x 17 min, back to 0 after 6 min 20 s.
    const int qualityHeld = int(sim::getU16(bench.payloadOf(header(4)), 3));
    const quint32 begin = (kToday - 1) * kDay + 10 * 3600 + 102 * 60;
    QCOMPARE(bench.payloadOf(recordRequest(4, qualityHeld - 2)).mid(3).toHex(' '), (u32(begin) + char(0x05)).toHex(' '));
    QCOMPARE(bench.payloadOf(recordRequest(4, qualityHeld - 1)).mid(3).toHex(' '), (u32(begin + 380) + char(0)).toHex(' '));
}

void TestSimJournals::settingsWritesAppearInJournal3()
{
    MeterBench bench;
    QVERIFY(bench.enterPassword());
    QCOMPARE(bench.payloadOf(hex("07 03 05")), QByteArray());
    QCOMPARE(bench.payloadOf(hex("51 03 0C")), QByteArray());
    QCOMPARE(bench.payloadOf(header(3)).toHex(' '), QByteArray("03 80 00 02 00 01 00"));
    const QByteArray first = bench.payloadOf(recordRequest(3, 0)).mid(3);
    QCOMPARE(first.mid(4).toHex(' '), QByteArray("02 05"));
    QVERIFY(sim::getU32(first, 0) >= kStartSeconds && sim::getU32(first, 0) < kStartSeconds + 5);
    QCOMPARE(bench.payloadOf(recordRequest(3, 1)).mid(3 + 4).toHex(' '), QByteArray("10 0c"));
    QCOMPARE(bench.payloadOf(recordRequest(3, 2)).toHex(' '), QByteArray("03 02 00"));
}

void TestSimJournals::profileStoreShapes_data()
{
    QTest::addColumn<Shape>("shape");
    QTest::addColumn<int>("periodCode");

    QTest::newRow("not full") << Shape{100, 30, 29} << 11;
    QTest::newRow("full, newest in the last slot") << Shape{48, 48, 47} << 11;
    QTest::newRow("full, wrapped") << Shape{48, 48, 10} << 11;
    QTest::newRow("full, newest in slot 0") << Shape{48, 48, 0} << 11;
    QTest::newRow("one slot") << Shape{1, 1, 0} << 11;
    QTest::newRow("hourly, wrapped") << Shape{500, 500, 123} << 12;
    QTest::newRow("15 minutes, not full") << Shape{4000, 7, 6} << 9;
}

// Header A B C as shaped; the newest record is the period now running, the
// one before it one period older, and the slot after the newest is either
// empty (not full) or the oldest record, A - 1 periods back.
void TestSimJournals::profileStoreShapes()
{
    QFETCH(Shape, shape);
    QFETCH(int, periodCode);
    MeterBench bench;
    bench.meter.state().profilePeriodCode = quint8(periodCode);
    bench.meter.setProfileShape({shape.a, shape.b, shape.c, {}});
    const quint32 period = quint32(sim::profilePeriodMinutes(periodCode)) * 60;
    const quint32 periodStart = kStartSeconds - kStartSeconds % period;

    QCOMPARE(bench.payloadOf(header(5)).toHex(' '), (hex("05") + u16(shape.a) + u16(shape.b) + u16(shape.c)).toHex(' '));
    const QByteArray newest = bench.payloadOf(recordRequest(5, shape.c)).mid(3);
    QCOMPARE(newest.size(), 16);
    QCOMPARE(sim::getU32(newest, 0), periodStart);
    // 1500 W at cos phi 0.95: the period's energy follows the day's shape.
    const double full = 1.5 * period / 3600.0;
    QVERIFY2(floatAt(newest, 4) > 0.1 * full && floatAt(newest, 4) < 1.1 * full, qPrintable(QString::number(floatAt(newest, 4))));
    QVERIFY(qAbs(floatAt(newest, 8) - floatAt(newest, 4) * std::sqrt(1 - 0.95 * 0.95) / 0.95) < 1e-4);

    if (shape.b > 1) {
        const QByteArray before = bench.payloadOf(recordRequest(5, (shape.c + shape.a - 1) % shape.a)).mid(3);
        QCOMPARE(sim::getU32(before, 0), periodStart - period);
    }
    const QByteArray after = bench.payloadOf(recordRequest(5, (shape.c + 1) % shape.a));
    if (shape.b < shape.a)
        QCOMPARE(after.size(), 3);
    else
        QCOMPARE(sim::getU32(after, 3), periodStart - quint32(shape.a - 1) * period);
}

void TestSimJournals::profileStoreGrowsWithTime()
{
    MeterBench bench;
    bench.meter.setProfileShape({48, 46, 45, {}});
    bench.clock.advance(60 * 60 * 1000); // two more periods: 10:30 and 11:00
    QCOMPARE(bench.payloadOf(header(5)).toHex(' '), QByteArray("05 30 00 30 00 2f 00"));
    QCOMPARE(sim::getU32(bench.payloadOf(recordRequest(5, 47)), 3), kPeriodStart + 3600);
    bench.clock.advance(30 * 60 * 1000); // full now, the oldest overwritten
    QCOMPARE(bench.payloadOf(header(5)).toHex(' '), QByteArray("05 30 00 30 00 00 00"));
    QCOMPARE(sim::getU32(bench.payloadOf(recordRequest(5, 0)), 3), kPeriodStart + 5400);
}

void TestSimJournals::gapDayHasNoRecords()
{
    MeterBench bench;
    const QDate gap(2026, 3, 10);
    bench.meter.setProfileShape({1488, 1488, 744, {gap}});
    QVERIFY(bench.meter.profileDay(gap).isEmpty());
    const QList<sim::JournalRecord> before = bench.meter.profileDay(gap.addDays(-1));
    const QList<sim::JournalRecord> after = bench.meter.profileDay(gap.addDays(1));
    QCOMPARE(before.size(), 48);
    QCOMPARE(after.size(), 48);
    // The record of 23:30 before the gap is followed by 00:00 after it.
    QCOMPARE(sim::getU32(before.last().payload, 0), (kToday - 4) * kDay - 1800);
    QCOMPARE(sim::getU32(after.first().payload, 0), (kToday - 3) * kDay);
    QCOMPARE(after.first().index, (before.last().index + 1) % 1488);
    // The day of 14.03 runs from 00:00 to the newest record at 10:00.
    const QList<sim::JournalRecord> today = bench.meter.profileDay(QDate(2026, 3, 14));
    QCOMPARE(today.size(), 21);
    QCOMPARE(today.last().index, 744);

    // The on/off journal shows the outage: off at the gap's start, on after it.
    const QList<sim::JournalRecord> events = bench.meter.journalRecords(2);
    const QByteArray off = u32((kToday - 4) * kDay + 5) + char(0);
    const QByteArray on = u32((kToday - 3) * kDay + 40) + char(1);
    bool found = false;
    for (int i = 0; i + 1 < events.size(); ++i)
        found = found || (events[i].payload == off && events[i + 1].payload == on);
    QVERIFY(found);
}

void TestSimJournals::refusals_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("reply");

    QTest::newRow("journal 6") << header(6) << hex("DD 03 04");
    QTest::newRow("profile index = A") << recordRequest(5, 48) << hex("DD 03 04");
    QTest::newRow("month index 12") << recordRequest(0, 12) << hex("DD 03 04");
    QTest::newRow("settings index 128") << recordRequest(3, 128) << hex("DD 03 04");
    QTest::newRow("two payload bytes") << hex("5D 04 05 00") << hex("DD 03 02");
}

void TestSimJournals::refusals()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, reply);
    MeterBench bench;
    bench.meter.setProfileShape({48, 48, 10, {}});
    const QByteArray frame = bench.exchange(request);
    QCOMPARE(frame.left(frame.size() - 2).toHex(' '), reply.toHex(' '));
}

// What the meter lists is what it serves, slot by slot.
void TestSimJournals::listingsMatchTheWire()
{
    MeterBench bench;
    bench.meter.setProfileShape({60, 60, 7, {}});
    for (int journal = 0; journal < 6; ++journal) {
        const int slotCount = int(sim::getU16(bench.payloadOf(header(journal)), 1));
        QList<sim::JournalRecord> wire;
        for (int i = 0; i < slotCount; ++i) {
            const QByteArray p = bench.payloadOf(recordRequest(journal, i));
            if (p.size() > 3)
                wire.append({i, p.mid(3)});
        }
        QVERIFY(!wire.isEmpty() || journal == 3);
        QCOMPARE(bench.meter.journalRecords(journal), wire);
    }
}

QTEST_GUILESS_MAIN(TestSimJournals)
#include "tst_simjournals.moc"
