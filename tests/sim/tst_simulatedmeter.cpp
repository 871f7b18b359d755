// The simulated meter seen from the PC side of an in-memory line.

#include "meterbench.h"

#include <QSignalSpy>
#include <QTest>

using simtest::hex;
using simtest::kStartSeconds;
using simtest::MeterBench;
using simtest::u32;
using simtest::withCrc;

class TestSimulatedMeter : public QObject
{
    Q_OBJECT

private slots:
    void lineExchange_data();
    void lineExchange();
    void errorReplies_data();
    void errorReplies();
    void writeThenRead_data();
    void writeThenRead();
    void pollingCycle_data();
    void pollingCycle();
    void passwordAccess();
    void communicationParameters_data();
    void communicationParameters();

    void clockRuns();
    void clockWrite();
    void energyFollowsLoadAndTariff_data();
    void energyFollowsLoadAndTariff();
    void workingTimeAdvances();
    void settlementCopiesReadings();
    void scheduleDecidesTariff();
    void scheduleChecksumFollowsWrites();
    void instantaneousValues_data();
    void instantaneousValues();

    void faultSilent();
    void faultSilentAfter();
    void faultErrorForFunction();
    void faultBusy();
    void faultCorrupt_data();
    void faultCorrupt();
    void faultSplit();
    void faultStray();
    void faultDelay();
    void lineTimeEmulated_data();
    void lineTimeEmulated();
};

// ------------------------------------------------------------ line modes

// PC-side writes ("delay ms:bytes", the delay counted from the previous
// write) and every byte the meter sends back.
void TestSimulatedMeter::lineExchange_data()
{
    QTest::addColumn<bool>("modbus");
    QTest::addColumn<int>("address");
    QTest::addColumn<QStringList>("writes");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray idReply = hex("4C 04 3C 5A C6 4E");
    QTest::newRow("Rs-485 address 5, 4C 02") << false << 5 << QStringList{"0:05", "10:4C 02 B4 B1"}
                                             << hex("05") + idReply;
    QTest::newRow("Rs-485 address 0, 00 02") << false << 0 << QStringList{"0:00", "10:00 02 80 71"}
                                             << hex("00 00 07 15 02 01 04 05 85 CF");
    QTest::newRow("Rs-485 other address ignored") << false << 5 << QStringList{"0:06", "10:4C 02 B4 B1"} << QByteArray();
    QTest::newRow("Rs-485 frame in three chunks") << false << 5 << QStringList{"0:05", "10:4C", "10:02 B4", "10:B1"}
                                                  << hex("05") + idReply;
    QTest::newRow("Rs-485 address and frame in one chunk") << false << 5 << QStringList{"0:05 4C 02 B4 B1"}
                                                           << hex("05") + idReply;
    QTest::newRow("Rs-485 late frame: back to idle") << false << 5 << QStringList{"0:05", "150:4C 02 B4 B1"} << hex("05");
    QTest::newRow("Rs-485 answers again after a late frame")
        << false << 5 << QStringList{"0:05", "150:4C 02 B4 B1", "50:05", "10:4C 02 B4 B1"} << hex("05 05") + idReply;
    QTest::newRow("Rs-485 bad CRC: error 3") << false << 5 << QStringList{"0:05", "10:4C 02 B4 B2"}
                                             << hex("05 CC 03 03 F1 0E");

    QTest::newRow("MODBUS address 1, 00 02") << true << 1 << QStringList{"0:01 00 02 A1 C1"}
                                             << hex("01 00 07 15 02 01 04 05 1F 08");
    QTest::newRow("MODBUS address 5, 4C 02") << true << 5 << QStringList{"0:05 4C 02 D4 C0"}
                                             << hex("05 4C 04 3C 5A 2E 6A");
    QTest::newRow("MODBUS other address ignored") << true << 5 << QStringList{"0:01 00 02 A1 C1"} << QByteArray();
    QTest::newRow("MODBUS bad CRC ignored") << true << 1 << QStringList{"0:01 00 02 A1 C2"} << QByteArray();
    QTest::newRow("MODBUS frame in two chunks") << true << 1 << QStringList{"0:01 00", "5:02 A1 C1"}
                                                << hex("01 00 07 15 02 01 04 05 1F 08");
    QTest::newRow("MODBUS garbage dropped after a silence") << true << 1 << QStringList{"0:01 0F", "30:01 00 02 A1 C1"}
                                                            << hex("01 00 07 15 02 01 04 05 1F 08");
    QTest::newRow("MODBUS bad frame does not stick") << true << 1 << QStringList{"0:01 00 02 A1 C2", "5:01 00 02 A1 C1"}
                                                     << hex("01 00 07 15 02 01 04 05 1F 08");
}

void TestSimulatedMeter::lineExchange()
{
    QFETCH(bool, modbus);
    QFETCH(int, address);
    QFETCH(QStringList, writes);
    QFETCH(QByteArray, expected);

    MeterBench bench;
    if (modbus)
        bench.useModbus(quint8(address));
    else
        bench.useRs485(quint8(address));
    for (const QString &write : writes) {
        const qsizetype colon = write.indexOf(QLatin1Char(':'));
        bench.clock.advance(write.left(colon).toInt());
        bench.line.write(QByteArray::fromHex(write.mid(colon + 1).toLatin1()));
    }
    bench.clock.advance(300);
    QCOMPARE(bench.received().toHex(' '), expected.toHex(' '));
}

// Request [code][L][payload] (CRC added here), the password entered first or
// not, and the exact reply.
void TestSimulatedMeter::errorReplies_data()
{
    QTest::addColumn<bool>("modbus");
    QTest::addColumn<bool>("password");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("reply");

    QTest::newRow("unknown function") << false << false << hex("12 02") << hex("92 03 01 11 1D");
    QTest::newRow("function not offered on the bus") << false << false << hex("32 02") << hex("B2 03 01 10 D7");
    QTest::newRow("read with a payload") << false << false << hex("04 03 00") << hex("84 03 02 B0 D8");
    QTest::newRow("write too short") << false << true << hex("05 06 00 01 02 03") << hex("85 03 02 E1 18");
    QTest::newRow("write before the password") << false << false << hex("23 04 07 25") << hex("A3 03 06 01 10");
    QTest::newRow("wrong password") << false << false << hex("14 08 01 00 00 00 00 00") << hex("94 03 05 F0 DF");
    QTest::newRow("hour 25") << false << true << hex("23 04 25 07") << hex("A3 03 04 80 D1");
    QTest::newRow("unknown value selector") << false << false << hex("0F 03 20") << hex("8F 03 04 41 18");
    QTest::newRow("unknown line-mode bits") << false << true << hex("03 04 07 62") << hex("83 03 04 81 1B");
    QTest::newRow("speed index 6") << false << true << hex("03 04 07 06") << hex("83 03 04 81 1B");
    QTest::newRow("seal reset without FF FF FF FF") << false << true << hex("5F 06 FF FF FF 00") << hex("DF 03 04 41 09");
    QTest::newRow("MODBUS: prefixed with the address") << true << false << hex("12 02") << hex("01 92 03 01 61 05");
}

void TestSimulatedMeter::errorReplies()
{
    QFETCH(bool, modbus);
    QFETCH(bool, password);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, reply);

    MeterBench bench;
    if (modbus)
        bench.useModbus(1);
    if (password)
        QVERIFY(bench.enterPassword());
    QCOMPARE(bench.exchange(request).toHex(' '), reply.toHex(' '));
}

// Writes (after the password entry), each acknowledged [code][2][CRC], then
// a read whose reply payload shows what was written.
void TestSimulatedMeter::writeThenRead_data()
{
    QTest::addColumn<QStringList>("writes");
    QTest::addColumn<QByteArray>("read");
    QTest::addColumn<QByteArray>("payload");

    QTest::newRow("serial number") << QStringList{"02 05 40 E2 01"} << hex("01 02") << hex("40 E2 01");
    QTest::newRow("settlement hour 7, day 25") << QStringList{"23 04 07 25"} << hex("22 02") << hex("07 25");
    QTest::newRow("integration time") << QStringList{"1F 03 0E"} << hex("1E 02") << hex("0E");
    QTest::newRow("profile period") << QStringList{"51 03 05"} << hex("50 02") << hex("05");
    QTest::newRow("control panel and load mode") << QStringList{"17 06 39 30 00 02"} << hex("16 02") << hex("39 30 00 02");
    QTest::newRow("power limit") << QStringList{"19 04 E8 03"} << hex("18 02") << hex("E8 03");
    QTest::newRow("poor-quality parameters") << QStringList{"61 05 D9 00 03"} << hex("60 02") << hex("D9 00 03");
    QTest::newRow("telemetry channel") << QStringList{"4F 03 01"} << hex("4E 02") << hex("01");
    QTest::newRow("RF-PLC group and address") << QStringList{"0B 04 01 64"} << hex("0A 02") << hex("01 64");
    QTest::newRow("route written") << QStringList{"21 07 02 11 40 E2 01"} << hex("20 03 02") << hex("02 11 40 E2 01");
    QTest::newRow("route deleted") << QStringList{"21 03 00"} << hex("20 03 00") << hex("00");
    QTest::newRow("sensor calibration") << QStringList{"1D 06 01 00 E8 03"} << hex("1C 04 01 00") << hex("01 00 E8 03");
    QTest::newRow("sensor count") << QStringList{"1D 08 01 01 40 E2 01 00"} << hex("1C 04 01 01") << hex("01 01 40 E2 01 00");
    QTest::newRow("indicator") << QStringList{"2F 08 61 01 00 00 00 87"} << hex("2E 02") << hex("61 01 00 00 00 87");
    QTest::newRow("limit coefficient") << QStringList{"07 03 05"} << hex("06 02") << hex("05");
    QTest::newRow("zone entry") << QStringList{"09 0A 02 10 07 30 FF 7F FF 0F"} << hex("08 03 02")
                                << hex("02 10 07 30 FF 7F FF 0F");
    QTest::newRow("zones cleared") << QStringList{"09 0A 02 10 07 30 FF 7F FF 0F", "09 02"} << hex("08 03 02") << hex("02");
    QTest::newRow("holiday") << QStringList{"27 05 03 08 03"} << hex("26 03 03") << hex("03 08 03");
    QTest::newRow("holidays cleared") << QStringList{"27 05 03 08 03", "27 02"} << hex("26 03 03") << hex("03");
    QTest::newRow("transfer") << QStringList{"29 07 01 09 05 26 07"} << hex("28 03 01") << hex("01 09 05 26 07");
    QTest::newRow("transfers cleared") << QStringList{"29 07 01 09 05 26 07", "29 02"} << hex("28 03 01") << hex("01");
    QTest::newRow("seal indication reset") << QStringList{"5F 06 FF FF FF FF"} << hex("5C 02") << hex("00");
    QTest::newRow("settlement readings reset") << QStringList{"24 02"} << hex("0F 03 08") << hex("08 00 00 00 00 00");
    QTest::newRow("settlement sensor count reset") << QStringList{"24 02"} << hex("1C 04 00 02") << hex("00 02 00 00 00 00");
}

void TestSimulatedMeter::writeThenRead()
{
    QFETCH(QStringList, writes);
    QFETCH(QByteArray, read);
    QFETCH(QByteArray, payload);

    MeterBench bench;
    QVERIFY(bench.enterPassword());
    for (const QString &write : writes) {
        const QByteArray request = QByteArray::fromHex(write.toLatin1());
        QCOMPARE(bench.exchange(request).toHex(' '), withCrc(request.left(1) + char(2)).toHex(' '));
    }
    QCOMPARE(bench.payloadOf(read).toHex(' '), payload.toHex(' '));
}

// Every request of the station's polling cycle gets a reply with its code
// and the length byte its decoder expects.
void TestSimulatedMeter::pollingCycle_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("length");

    auto row = [](const QByteArray &request, int length) {
        QTest::addRow("%s", request.toHex(' ').constData()) << request << length;
    };
    row(hex("4C 02"), 4);
    row(hex("01 02"), 5);
    row(hex("00 02"), 7);
    row(hex("04 02"), 7);
    row(hex("22 02"), 4);
    row(hex("08 02"), 4);
    row(hex("50 02"), 3);
    row(hex("1E 02"), 3);
    row(hex("16 02"), 6);
    row(hex("18 02"), 4);
    row(hex("60 02"), 5);
    for (int s = 0; s <= 0x10; ++s)
        row(hex("0F 03") + char(s), 8);
    row(hex("2B 02"), 16);
    for (int s : {0x40, 0x48, 0x42, 0x4A, 0x45, 0x4D, 0x80, 0x81, 0x82, 0x83, 0x84, 0x85, 0x88})
        row(hex("0F 03") + char(s), 8);
    row(hex("4D 02"), 3);
    row(hex("4E 02"), 3);
    row(hex("11 02"), 8);
    row(hex("25 02"), 6);
    row(hex("5C 02"), 3);
    row(hex("0A 02"), 4);
    row(hex("20 03 00"), 7); // route 0 is set, the others are absent
    for (int r = 1; r < 4; ++r)
        row(hex("20 03") + char(r), 3);
    for (int d = 0; d < 3; ++d)
        for (int k = 0; k < 3; ++k)
            row(hex("1C 04") + char(d) + char(k), k == 0 ? 6 : 8);
}

void TestSimulatedMeter::pollingCycle()
{
    QFETCH(QByteArray, request);
    QFETCH(int, length);

    MeterBench bench;
    const QByteArray reply = bench.exchange(request);
    QCOMPARE(reply.size(), length + 2);
    QCOMPARE(reply.at(0), request.at(0));
    QCOMPARE(int(quint8(reply.at(1))), length);
    QVERIFY(meterlink::checkCrc(reply));
    if (request.size() > 2) // selector, route, sensor and kind are repeated
        QCOMPARE(reply.mid(2, request.size() - 2), request.mid(2));
}

void TestSimulatedMeter::passwordAccess()
{
    MeterBench bench;
    const QByteArray write = hex("19 04 E8 03");
    const QByteArray ack = withCrc(hex("19 02"));

    // The route write goes without a password entry.
    QCOMPARE(bench.exchange(hex("21 03 01")), withCrc(hex("21 02")));

    // The fixed service password opens as well as the meter's own.
    QVERIFY(bench.enterPassword(QByteArray(6, char(0xA5))));
    QCOMPARE(bench.exchange(write), ack);

    // A new password replaces the old one; a wrong entry withdraws access.
    QCOMPARE(bench.exchange(hex("15 08 31 32 33 34 35 36")), withCrc(hex("15 02")));
    QVERIFY(!bench.enterPassword());
    QCOMPARE(bench.exchange(write), withCrc(hex("99 03 06")));
    QVERIFY(bench.enterPassword("123456"));
    QCOMPARE(bench.exchange(write), ack);

    // Access lapses after a minute without requests, not while polled.
    bench.clock.advance(50000);
    QCOMPARE(bench.payloadOf(hex("4C 02")).size(), 2);
    bench.clock.advance(50000);
    QCOMPARE(bench.exchange(write), ack);
    bench.clock.advance(61000);
    QCOMPARE(bench.exchange(write), withCrc(hex("99 03 06")));
}

void TestSimulatedMeter::communicationParameters_data()
{
    QTest::addColumn<bool>("fromModbus");
    QTest::addColumn<int>("fromAddress");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("ack");
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("speed");
    QTest::addColumn<bool>("modbus");
    QTest::addColumn<int>("parity");

    QTest::newRow("Rs-485 to MODBUS, 19200, even") << false << 0 << hex("03 04 07 52") << hex("03 02 80 81") << 7 << 2
                                                   << true << int(meterlink::ModbusParity::Even);
    QTest::newRow("Rs-485 to MODBUS, 115200, odd") << false << 0 << hex("03 04 20 75") << hex("03 02 80 81") << 32 << 5
                                                   << true << int(meterlink::ModbusParity::Odd);
    QTest::newRow("MODBUS to Rs-485, 9600") << true << 1 << hex("03 04 09 01") << withCrc(hex("01 03 02")) << 9 << 1
                                            << false << int(meterlink::ModbusParity::None);
}

void TestSimulatedMeter::communicationParameters()
{
    QFETCH(bool, fromModbus);
    QFETCH(int, fromAddress);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, ack);
    QFETCH(int, address);
    QFETCH(int, speed);
    QFETCH(bool, modbus);
    QFETCH(int, parity);

    MeterBench bench;
    if (fromModbus)
        bench.useModbus(quint8(fromAddress));
    QSignalSpy changed(&bench.meter, &sim::SimulatedMeter::communicationChanged);
    QVERIFY(bench.enterPassword());
    QCOMPARE(bench.exchange(request).toHex(' '), ack.toHex(' ')); // old address and mode
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed[0][0].toInt(), address);
    QCOMPARE(changed[0][1].toInt(), speed);
    QCOMPARE(changed[0][2].value<meterlink::LineMode>(), modbus ? meterlink::LineMode::Modbus : meterlink::LineMode::Rs485);
    if (modbus)
        QCOMPARE(int(changed[0][3].value<meterlink::ModbusParity>()), parity);

    QVERIFY(bench.exchange(hex("4C 02")).isEmpty()); // the old settings reach nobody
    bench.modbus = modbus;
    bench.address = quint8(address);
    QCOMPARE(bench.payloadOf(hex("4C 02")), hex("3C 5A"));
}

// ------------------------------------------------------------ living values

void TestSimulatedMeter::clockRuns()
{
    MeterBench bench;
    // Status 00: no DST switching, clock fine, tariff 1 in the morning.
    QCOMPARE(bench.payloadOf(hex("04 02")).toHex(' '), (hex("00") + u32(kStartSeconds)).toHex(' '));
    bench.clock.advance(3600 * 1000);
    QCOMPARE(bench.payloadOf(hex("04 02")).toHex(' '), (hex("00") + u32(kStartSeconds + 3600)).toHex(' '));
    bench.clock.advance(12 * 3600 * 1000); // 23:20: night tariff 2
    QCOMPARE(bench.payloadOf(hex("04 02")).toHex(' '), (hex("01") + u32(kStartSeconds + 13 * 3600)).toHex(' '));
}

void TestSimulatedMeter::clockWrite()
{
    MeterBench bench;
    bench.meter.state().clockFaults = 0x40; // date and time not set
    QCOMPARE(quint8(bench.payloadOf(hex("04 02")).at(0)) & 0x70, 0x40);
    QVERIFY(bench.enterPassword());
    // 2000-01-02 12:00:00 with DST switching; status: DST, fault cleared, tariff 1.
    QCOMPARE(bench.exchange(hex("05 07 80") + u32(86400 + 43200)), withCrc(hex("05 02")));
    QCOMPARE(bench.payloadOf(hex("04 02")).toHex(' '), (hex("80") + u32(86400 + 43200)).toHex(' '));
    QCOMPARE(bench.meter.meterTime().toString("yyyy-MM-dd hh:mm:ss"), QStringLiteral("2000-01-02 12:00:00"));
    bench.clock.advance(86400 * 1000);
    QCOMPARE(bench.payloadOf(hex("04 02")).mid(1), u32(2 * 86400 + 43200));
}

// Energy registers of tariffs 1 (07:00..23:00) and 2 (night) after running
// from a start time with a load.
void TestSimulatedMeter::energyFollowsLoadAndTariff_data()
{
    QTest::addColumn<QTime>("start");
    QTest::addColumn<double>("watts");
    QTest::addColumn<int>("minutes");
    QTest::addColumn<double>("tariff1");
    QTest::addColumn<double>("tariff2");

    QTest::newRow("day, 2 kW, 1 h") << QTime(10, 0) << 2000.0 << 60 << 2.0 << 0.0;
    QTest::newRow("night, 1 kW, 2 h") << QTime(1, 0) << 1000.0 << 120 << 0.0 << 2.0;
    QTest::newRow("across 23:00") << QTime(22, 30) << 2000.0 << 60 << 1.0 << 1.0;
    QTest::newRow("no load") << QTime(10, 0) << 0.0 << 60 << 0.0 << 0.0;
}

void TestSimulatedMeter::energyFollowsLoadAndTariff()
{
    QFETCH(QTime, start);
    QFETCH(double, watts);
    QFETCH(int, minutes);
    QFETCH(double, tariff1);
    QFETCH(double, tariff2);

    MeterBench bench;
    bench.meter.setMeterTime(QDateTime(QDate(2026, 3, 10), start));
    bench.meter.state().loadPowerW = watts;
    const double before1 = bench.readFloat(0x00), before2 = bench.readFloat(0x01);
    const double total = bench.readFloat(0x40);
    bench.clock.advance(qint64(minutes) * 60000);
    // MeterFloat keeps 24 significant bits: about 0.0005 kWh at these readings.
    QVERIFY(qAbs(bench.readFloat(0x00) - before1 - tariff1) < 0.002);
    QVERIFY(qAbs(bench.readFloat(0x01) - before2 - tariff2) < 0.002);
    QVERIFY(qAbs(bench.readFloat(0x40) - total - tariff1 - tariff2) < 0.002);
}

void TestSimulatedMeter::workingTimeAdvances()
{
    MeterBench bench;
    const quint32 before = sim::getU32(bench.payloadOf(hex("11 02")), 0);
    bench.clock.advance(90061 * 1000);
    QCOMPARE(sim::getU32(bench.payloadOf(hex("11 02")), 0), before + 90061);
}

void TestSimulatedMeter::settlementCopiesReadings()
{
    MeterBench bench;
    QVERIFY(bench.enterPassword());
    QCOMPARE(bench.exchange(hex("23 04 00 15")), withCrc(hex("23 02"))); // 00:00 on the 15th
    bench.meter.setMeterTime(QDateTime(QDate(2026, 3, 14), QTime(23, 59)));
    const double dayTariff = bench.readFloat(0x00); // tariff 1 stands still at night
    QCOMPARE(bench.readFloat(0x08), 4398.0);
    bench.clock.advance(30000);
    QCOMPARE(bench.readFloat(0x08), 4398.0);
    bench.clock.advance(60000);
    QCOMPARE(bench.readFloat(0x08), dayTariff);
    QVERIFY(bench.readFloat(0x01) > bench.readFloat(0x09)); // tariff 2 went on after the copy

    // The peak of the month moves to settlement; the new month's peak is the present load.
    const QByteArray peaks = bench.payloadOf(hex("2B 02"));
    QCOMPARE(peaks.size(), 14);
    QCOMPARE(sim::getU24(peaks, 4), 1500u);
    QCOMPARE(sim::getU24(peaks, 11), 4870u);
    QVERIFY(sim::getU32(peaks, 0) > sim::getU32(peaks, 7));
}

void TestSimulatedMeter::scheduleDecidesTariff()
{
    MeterBench bench;
    QVERIFY(bench.enterPassword());
    // Tariff 3 from 00:00 on Monday..Sunday, tariff 5 from 00:00 on holidays, all months.
    QCOMPARE(bench.exchange(hex("09 0A 02 02 00 00 00 7F FF 0F")), withCrc(hex("09 02")));
    QCOMPARE(bench.exchange(hex("09 0A 03 04 00 00 00 80 FF 0F")), withCrc(hex("09 02")));
    QCOMPARE(quint8(bench.payloadOf(hex("04 02")).at(0)) & 7, 2);
    QCOMPARE(bench.exchange(hex("27 05 00 14 03")), withCrc(hex("27 02"))); // 14 March is a holiday
    QCOMPARE(quint8(bench.payloadOf(hex("04 02")).at(0)) & 7, 4);

    const double before = bench.readFloat(0x04);
    bench.clock.advance(3600 * 1000);
    QVERIFY(qAbs(bench.readFloat(0x04) - before - 1.5) < 0.002);
}

void TestSimulatedMeter::scheduleChecksumFollowsWrites()
{
    MeterBench bench;
    QVERIFY(bench.enterPassword());
    const QByteArray empty = bench.payloadOf(hex("08 02"));
    QCOMPARE(empty.size(), 2);
    QCOMPARE(bench.exchange(hex("09 0A 02 10 07 30 FF 7F FF 0F")), withCrc(hex("09 02")));
    const QByteArray withZone = bench.payloadOf(hex("08 02"));
    QVERIFY(withZone != empty);
    QCOMPARE(bench.exchange(hex("09 0A 02 11 07 30 FF 7F FF 0F")), withCrc(hex("09 02")));
    QVERIFY(bench.payloadOf(hex("08 02")) != withZone);
    QCOMPARE(bench.exchange(hex("09 02")), withCrc(hex("09 02")));
    QCOMPARE(bench.payloadOf(hex("08 02")), empty);
}

// Instantaneous readings stay in a plausible band around the nominal values
// (1.5 kW at cos 0.95 on 230 V, 50 Hz) and are not frozen.
void TestSimulatedMeter::instantaneousValues_data()
{
    QTest::addColumn<int>("selector");
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");

    QTest::newRow("active power, kW") << 0x80 << 1.47 << 1.53;
    QTest::newRow("reactive power, kvar") << 0x81 << 0.42 << 0.58;
    QTest::newRow("voltage") << 0x82 << 228.0 << 232.0;
    QTest::newRow("current") << 0x83 << 6.6 << 7.1;
    QTest::newRow("frequency") << 0x84 << 49.9 << 50.1;
    QTest::newRow("cos phi") << 0x85 << 0.94 << 0.96;
    QTest::newRow("apparent power, kVA") << 0x88 << 1.53 << 1.63;
}

void TestSimulatedMeter::instantaneousValues()
{
    QFETCH(int, selector);
    QFETCH(double, low);
    QFETCH(double, high);

    MeterBench bench;
    QSet<double> seen;
    for (int i = 0; i < 8; ++i) {
        const double v = bench.readFloat(quint8(selector));
        QVERIFY2(v >= low && v <= high, qPrintable(QString::number(v)));
        seen.insert(v);
    }
    QVERIFY(seen.size() > 1);
}

// ------------------------------------------------------------------ faults

void TestSimulatedMeter::faultSilent()
{
    MeterBench bench;
    bench.meter.faults().silent = true;
    bench.line.write(hex("00"));
    bench.clock.advance(200);
    QVERIFY(bench.chunks.isEmpty()); // not even the echo
    bench.meter.faults().silent = false;
    QCOMPARE(bench.payloadOf(hex("4C 02")), hex("3C 5A"));
}

void TestSimulatedMeter::faultSilentAfter()
{
    MeterBench bench;
    bench.meter.faults().silentAfterReplies = 2;
    QCOMPARE(bench.payloadOf(hex("4C 02")), hex("3C 5A"));
    QCOMPARE(bench.payloadOf(hex("4C 02")), hex("3C 5A"));
    QVERIFY(bench.exchange(hex("4C 02")).isEmpty());
    QVERIFY(bench.chunks.isEmpty());
    QVERIFY(bench.meter.faults().silent);
}

void TestSimulatedMeter::faultErrorForFunction()
{
    MeterBench bench;
    bench.useModbus(3);
    bench.meter.faults().errors.insert(0x04, 7);
    QCOMPARE(bench.exchange(hex("04 02")), withCrc(hex("03 84 03 07")));
    QCOMPARE(bench.exchange(hex("04 02")), withCrc(hex("03 84 03 07")));
    QCOMPARE(bench.payloadOf(hex("4C 02")), hex("3C 5A"));
}

void TestSimulatedMeter::faultBusy()
{
    MeterBench bench;
    QVERIFY(bench.enterPassword());
    bench.meter.faults().busyCount = 2;
    const QByteArray write = hex("23 04 05 10");
    QCOMPARE(bench.exchange(write), withCrc(hex("A3 03 09")));
    QCOMPARE(bench.exchange(hex("22 02")), withCrc(hex("A2 03 09")));
    QCOMPARE(bench.payloadOf(hex("22 02")), hex("00 01")); // the busy write was not carried out
    QCOMPARE(bench.exchange(write), withCrc(hex("23 02")));
    QCOMPARE(bench.payloadOf(hex("22 02")), hex("05 10"));
}

void TestSimulatedMeter::faultCorrupt_data()
{
    QTest::addColumn<bool>("every");
    QTest::newRow("next reply") << false;
    QTest::newRow("every reply") << true;
}

void TestSimulatedMeter::faultCorrupt()
{
    QFETCH(bool, every);
    MeterBench bench;
    const QByteArray clean = hex("4C 04 3C 5A C6 4E");
    (every ? bench.meter.faults().corruptEvery : bench.meter.faults().corruptNext) = true;
    for (int i = 0; i < 2; ++i) {
        const QByteArray reply = bench.exchange(hex("4C 02"));
        const bool corrupt = i == 0 || every;
        QCOMPARE(reply.size(), clean.size());
        QCOMPARE(reply.left(5), clean.left(5));
        QCOMPARE(reply.at(5) == clean.at(5), !corrupt);
    }
    bench.meter.faults().corruptEvery = false;
    bench.meter.faults().corruptNext = true;
    bench.meter.faults().corruptOffset = 0; // the code byte
    QCOMPARE(bench.exchange(hex("4C 02")).left(1), hex("B3"));
}

void TestSimulatedMeter::faultSplit()
{
    MeterBench bench;
    bench.useModbus(1);
    bench.meter.faults().splitParts = 3;
    bench.meter.faults().splitGapMs = 5;
    QCOMPARE(bench.exchange(hex("00 02")), hex("01 00 07 15 02 01 04 05 1F 08"));
    QCOMPARE(bench.chunks.size(), 3);
    for (int i = 1; i < 3; ++i)
        QVERIFY(bench.chunks[i].atMs - bench.chunks[i - 1].atMs >= 5);
}

void TestSimulatedMeter::faultStray()
{
    MeterBench bench;
    bench.useModbus(1);
    bench.meter.faults().strayByte = true;
    QCOMPARE(bench.exchange(hex("00 02")), hex("01 00 07 15 02 01 04 05 1F 08"));
    const qint64 replyAt = bench.chunks.last().atMs;
    bench.clock.advance(100);
    QCOMPARE(bench.chunks.size(), 2);
    QCOMPARE(bench.chunks[1].bytes, hex("FF"));
    QVERIFY(bench.chunks[1].atMs - replyAt >= 20);
    QVERIFY(bench.chunks[1].atMs - replyAt <= 30);
}

void TestSimulatedMeter::faultDelay()
{
    MeterBench bench;
    bench.meter.faults().replyDelayMs = 300;
    bench.line.write(hex("00"));
    bench.clock.advance(10);
    QCOMPARE(bench.received(), hex("00")); // the echo is not delayed
    bench.chunks.clear();
    bench.line.write(hex("00 02 80 71"));
    bench.clock.advance(290);
    QVERIFY(bench.chunks.isEmpty());
    bench.clock.advance(50);
    QCOMPARE(bench.received(), hex("00 07 15 02 01 04 05 85 CF"));
}

// With the line emulated a reply comes as late as the request and the reply
// would make it on a line of the meter's speed, over and above the time the
// bench's own line takes; 11 bit times a byte at 4800 bit/s.
void TestSimulatedMeter::lineTimeEmulated_data()
{
    QTest::addColumn<bool>("modbus");
    QTest::addColumn<int>("extraMs");
    // address + echo + 00 02 80 71 + the 9-byte reply: 15 bytes, 34.4 ms
    QTest::newRow("Rs-485") << false << 35;
    // 01 00 02 A1 C1 + the 10-byte reply with its address: 15 bytes
    QTest::newRow("MODBUS") << true << 35;
}

void TestSimulatedMeter::lineTimeEmulated()
{
    QFETCH(bool, modbus);
    QFETCH(int, extraMs);
    qint64 arrival[2] = {};
    for (const bool emulated : {false, true}) {
        MeterBench bench;
        if (modbus)
            bench.useModbus(1);
        bench.meter.setLineTimeEmulated(emulated);
        const qint64 start = bench.clock.elapsedMs();
        QVERIFY(!bench.exchange(hex("00 02")).isEmpty());
        arrival[emulated] = bench.chunks.last().atMs - start;
    }
    QCOMPARE(arrival[1] - arrival[0], extraMs);
}

QTEST_GUILESS_MAIN(TestSimulatedMeter)
#include "tst_simulatedmeter.moc"
