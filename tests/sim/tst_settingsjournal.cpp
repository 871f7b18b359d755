// The simulated meter's journal of settings changes: every accepted write
// leaves one record with its parameter code and value bytes, a refused one
// none, and the store keeps the newest records.

#include "meterbench.h"

#include <QTest>

using simtest::hex;
using simtest::kStartSeconds;
using simtest::MeterBench;
using simtest::u32;
using simtest::withCrc;

class TestSettingsJournal : public QObject
{
    Q_OBJECT

private slots:
    void acceptedWriteLeavesItsRecord_data();
    void acceptedWriteLeavesItsRecord();
    void clockWriteKeepsThePreviousTime();
    void scheduleWriteKeepsTheChecksum();
    void refusedWritesLeaveNone_data();
    void refusedWritesLeaveNone();
    void storeKeepsTheNewest();
};

void TestSettingsJournal::acceptedWriteLeavesItsRecord_data()
{
    QTest::addColumn<QByteArray>("write");
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("value");

    QTest::newRow("coefficient") << hex("07 03 05") << 2 << hex("05");
    QTest::newRow("password") << hex("15 08 31 32 33 34 35 36") << 3 << QByteArray();
    QTest::newRow("integration time") << hex("1F 03 0E") << 4 << hex("0E");
    // Billing day 25 at hour 7: written hour first, kept day - hour.
    QTest::newRow("billing date") << hex("23 04 07 25") << 5 << hex("25 07");
    QTest::newRow("readings reset") << hex("24 02") << 6 << QByteArray();
    QTest::newRow("indicator") << hex("2F 08 61 01 00 00 00 87") << 7 << QByteArray();
    QTest::newRow("profile period") << hex("51 03 05") << 16 << hex("05");
    QTest::newRow("seal reset") << hex("5F 06 FF FF FF FF") << 20 << QByteArray();
    QTest::newRow("holidays cleared") << hex("27 02") << 51 << QByteArray();
    QTest::newRow("transfers cleared") << hex("29 02") << 52 << QByteArray();
    QTest::newRow("RF-PLC group and address") << hex("0B 04 22 38") << 53 << hex("22 38");
    QTest::newRow("route") << hex("21 07 02 11 40 E2 01") << 54 << QByteArray();
    // 72 min, "20" s, both flags: threshold 217, then the flags byte.
    QTest::newRow("poor quality") << hex("61 05 D9 00 03") << 55 << hex("D9 00 03");
    QTest::newRow("power limit") << hex("19 04 E8 03") << 57 << hex("E8 03");
    QTest::newRow("remote control") << hex("17 06 39 30 00 02") << 58 << hex("39 30 00 02");
    // Address 5, 19200 in MODBUS with even parity.
    QTest::newRow("communication") << hex("03 04 05 52") << 59 << hex("05 52");
    QTest::newRow("calibration of sensor 2") << hex("1D 06 01 00 E8 03") << 61 << hex("E8 03");
    QTest::newRow("count of sensor 3") << hex("1D 08 02 01 40 E2 01 00") << 65 << hex("40 E2 01 00");
}

void TestSettingsJournal::acceptedWriteLeavesItsRecord()
{
    QFETCH(QByteArray, write);
    QFETCH(int, code);
    QFETCH(QByteArray, value);

    MeterBench bench;
    QVERIFY(bench.enterPassword());
    bench.clock.advance(5000);
    QCOMPARE(bench.exchange(write), withCrc(write.left(1) + char(2)));
    const auto &records = bench.meter.state().settingsJournal.records();
    QCOMPARE(records.size(), std::size_t(1));
    const sim::SettingsJournalRecord &r = records.front();
    QCOMPARE(int(r.code), code);
    QCOMPARE(r.value.toHex(' '), value.toHex(' '));
    QCOMPARE(r.time, kStartSeconds + 5);
    QCOMPARE(r.bytes().toHex(' '), (u32(kStartSeconds + 5) + char(code) + value).toHex(' '));
}

void TestSettingsJournal::clockWriteKeepsThePreviousTime()
{
    MeterBench bench;
    QVERIFY(bench.enterPassword());
    // 2000-01-02 12:00:00: the record is stamped with the new time and holds the one before.
    const quint32 set = 86400 + 43200;
    QCOMPARE(bench.exchange(hex("05 07 80") + u32(set)), withCrc(hex("05 02")));
    const auto &records = bench.meter.state().settingsJournal.records();
    QCOMPARE(records.size(), std::size_t(1));
    QCOMPARE(records.front().bytes().toHex(' '), (u32(set) + char(1) + u32(kStartSeconds)).toHex(' '));
}

void TestSettingsJournal::scheduleWriteKeepsTheChecksum()
{
    MeterBench bench;
    QVERIFY(bench.enterPassword());
    QCOMPARE(bench.exchange(hex("09 0A 02 10 07 30 FF 7F FF 0F")), withCrc(hex("09 02")));
    QCOMPARE(bench.exchange(hex("09 02")), withCrc(hex("09 02")));
    // The checksums after each write, as the meter reports them with 08 02.
    QCOMPARE(bench.exchange(hex("09 0A 02 10 07 30 FF 7F FF 0F")), withCrc(hex("09 02")));
    const QByteArray held = bench.payloadOf(hex("08 02"));
    QCOMPARE(held.size(), 2);
    const auto &records = bench.meter.state().settingsJournal.records();
    QCOMPARE(records.size(), std::size_t(3));
    for (const auto &r : records)
        QCOMPARE(int(r.code), 50);
    QCOMPARE(records[0].value, held);
    QCOMPARE(records[2].value, held);
    QVERIFY(records[1].value != held); // the empty schedule's sum
}

void TestSettingsJournal::refusedWritesLeaveNone_data()
{
    QTest::addColumn<bool>("password");
    QTest::addColumn<QByteArray>("write");
    QTest::addColumn<QByteArray>("reply");

    QTest::newRow("no password entered") << false << hex("19 04 E8 03") << hex("99 03 06");
    QTest::newRow("hour 24") << true << hex("23 04 24 25") << hex("A3 03 04");
    QTest::newRow("sensor 4") << true << hex("1D 06 03 00 E8 03") << hex("9D 03 04");
    // Accepted, but no parameter code: serial number, telemetry channel.
    QTest::newRow("serial number") << true << hex("02 05 40 E2 01") << hex("02 02");
    QTest::newRow("telemetry") << true << hex("4F 03 01") << hex("4F 02");
}

void TestSettingsJournal::refusedWritesLeaveNone()
{
    QFETCH(bool, password);
    QFETCH(QByteArray, write);
    QFETCH(QByteArray, reply);

    MeterBench bench;
    if (password)
        QVERIFY(bench.enterPassword());
    QCOMPARE(bench.exchange(write).toHex(' '), withCrc(reply).toHex(' '));
    QCOMPARE(bench.meter.state().settingsJournal.size(), 0);
}

void TestSettingsJournal::storeKeepsTheNewest()
{
    sim::SettingsJournal journal;
    const int total = sim::SettingsJournal::kCapacity + 3;
    for (int k = 0; k < total; ++k)
        journal.append({quint32(k), 4, QByteArray(1, char(k))});
    QCOMPARE(journal.size(), sim::SettingsJournal::kCapacity);
    QCOMPARE(journal.records().front().time, 3u);
    QCOMPARE(journal.records().back().time, quint32(total - 1));
}

QTEST_GUILESS_MAIN(TestSettingsJournal)
#include "tst_settingsjournal.moc"
