// The schedule to and from the meter: the write batch byte for byte, the
// read's requests, and both directions against the simulated meter of the
// station on the virtual clock.

#include "app/station.h"
#include "link/crc.h"
#include "link/virtualclock.h"
#include "schedule/scheduletransfer.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using schedule::ScheduleFileData;

Q_DECLARE_METATYPE(ScheduleFileData)

namespace {

QByteArray hex(const char *text) { return QByteArray::fromHex(text); }

// The default holiday list as its block: 12 dates, four empty slots.
const QByteArray kDefaultHolidays = hex("0101020103010401050107012302080301050905120604110000000000000000");

// Three zones: 00:00 tariff 2, 07:00 tariff 1 (limit 5 kW, limit tariff 3),
// 23:00 tariff 2; every day type, every month.
const QList<QByteArray> kThreeZones = {hex("010000 00 FF FF0F"), hex("200700 05 FF FF0F"), hex("012300 00 FF FF0F")};

ScheduleFileData example(const QList<QByteArray> &zones = kThreeZones)
{
    ScheduleFileData d;
    d.holidayBlock = kDefaultHolidays;
    d.transferBlock = QByteArray(64, '\0');
    d.coefficient = 1;
    d.zoneEntries = zones;
    return d;
}

QList<QByteArray> hexList(std::initializer_list<const char *> items)
{
    QList<QByteArray> out;
    for (const char *item : items)
        out << hex(item);
    return out;
}

const QList<QByteArray> kBareWrites = hexList({"2702", "2902", "0902"});
const QList<QByteArray> kDefaultHolidayWrites =
    hexList({"27050001 01", "27050102 01", "27050203 01", "27050304 01", "27050405 01", "27050507 01",
             "27050623 02", "27050708 03", "27050801 05", "27050909 05", "27050A12 06", "27050B04 11"});
const QList<QByteArray> kThreeZoneWrites =
    hexList({"090A02 010000 00 FF FF0F", "090A03 200700 05 FF FF0F", "090A04 012300 00 FF FF0F"});

// The station connected to its built-in simulated meter, polling.
struct Connected
{
    QTemporaryDir dir;
    meterlink::VirtualClock clock;
    app::Station station{clock, {}, dir.path()};
    meterlink::MeterConnection &link = station.connection();
    sim::SimulatedMeter &meter = station.simulator();
    schedule::ScheduleTransfer &transfer = station.scheduleTransfer();
    schedule::ScheduleDocument &doc = station.schedule();

    Connected()
    {
        link.connectLink();
        if (!clock.advanceUntil([&] { return link.settingEnabled(); }, 5000))
            qFatal("the simulated meter did not answer");
    }
    // Runs until the schedule read has handled its last reply.
    bool read()
    {
        QSignalSpy finished(&transfer, &schedule::ScheduleTransfer::readFinished);
        transfer.readFromMeter();
        return clock.advanceUntil([&] { return finished.size() == 1; }, 60000);
    }
    bool write()
    {
        QSignalSpy done(&link, &meterlink::MeterConnection::batchSucceeded);
        QString error;
        if (!transfer.writeToMeter(&error))
            return false;
        return clock.advanceUntil([&] { return done.size() == 1; }, 60000);
    }
};

} // namespace

class TestScheduleTransfer : public QObject
{
    Q_OBJECT

private slots:
    void writeRequests_data();
    void writeRequests();
    void moreThan254ZonesAreRefused();
    void readRequests();
    void readLoadsTheZonesAtTheFirstHolidayReply();
    void impossibleTimesAreSkippedAndCounted();
    void gaugeShowsDuringTheReadOnly();
    void writeThenReadGivesTheSameSchedule();
    void coefficientAcknowledgementIsLogged();
};

void TestScheduleTransfer::writeRequests_data()
{
    QTest::addColumn<ScheduleFileData>("data");
    QTest::addColumn<bool>("passwordAccepted");
    QTest::addColumn<QList<QByteArray>>("expected");

    const QByteArray password = hex("1408A5A5A5A5A5A5");
    QTest::newRow("3 zones, 12 holidays, no transfers, password not accepted: 20 requests")
        << example() << false
        << (QList<QByteArray>{password} + kBareWrites + hexList({"070301"}) + kDefaultHolidayWrites + kThreeZoneWrites);
    QTest::newRow("the same with the password accepted starts at 27 02")
        << example() << true << (kBareWrites + hexList({"070301"}) + kDefaultHolidayWrites + kThreeZoneWrites);

    ScheduleFileData empty = example({});
    empty.transferBlock = hex("07033008") + QByteArray(60, '\0');
    empty.coefficient = 40;
    QTest::newRow("an empty schedule only clears and writes the coefficient")
        << empty << true << (kBareWrites + hexList({"070328"}));

    ScheduleFileData sparse = example({hex("000000 00 01 0100")});
    // Slot 0 day 0, slot 1 month 0, slot 2 a holiday; transfers: slot 0 on
    // 1 January 2000 (year byte 0), slot 1 without a day type, slot 2 without a day.
    sparse.holidayBlock = hex("0001 0500 0805") + QByteArray(26, '\0');
    sparse.transferBlock = hex("01010008 02020200 00030301") + QByteArray(52, '\0');
    sparse.coefficient = 255;
    QTest::newRow("holiday slots without day or month and transfers without day or type are not written")
        << sparse << true
        << (kBareWrites + hexList({"0703FF", "2705020805", "29070001010008", "090A02 000000 00 01 0100"}));
}

void TestScheduleTransfer::writeRequests()
{
    QFETCH(ScheduleFileData, data);
    QFETCH(bool, passwordAccepted);
    QFETCH(QList<QByteArray>, expected);
    const QList<QByteArray> requests = schedule::scheduleWriteRequests(data, passwordAccepted);
    QCOMPARE(requests, expected);
}

void TestScheduleTransfer::moreThan254ZonesAreRefused()
{
    QCOMPARE(schedule::scheduleWriteRequests(example(QList<QByteArray>(254, hex("000000 00 01 0100"))), true).size(),
             4 + 12 + 254); // clear, coefficient, the default holidays, every zone
    QVERIFY(schedule::scheduleWriteRequests(example(QList<QByteArray>(255, hex("000000 00 01 0100"))), true).isEmpty());

    Connected c;
    c.meter.state().limitCoefficient = 9;
    c.meter.state().zones[2] = hex("000000 00 01 0100");
    ScheduleFileData tooMany = example({});
    for (int k = 0; k < 255; ++k) // distinct start times, so no two records merge
        tooMany.zoneEntries << (QByteArray(1, char(k % 8)) + hex("0000 00") + QByteArray(1, char(1 << (k % 8)))
                                + QByteArray(1, char(1 << (k / 8 % 8))) + QByteArray(1, char(k / 64)));
    c.doc.importData(tooMany);
    QCOMPARE(c.doc.model().committedZones().size(), 255);

    QString error;
    const qsizetype queued = c.link.queuedCount();
    QVERIFY(!c.transfer.writeToMeter(&error));
    QVERIFY2(error.contains(QStringLiteral("254")), qPrintable(error));
    QCOMPARE(c.link.queuedCount(), queued);
    QVERIFY(!c.link.scheduleWriteActive());
    c.clock.advance(3000);
    QCOMPARE(c.meter.state().limitCoefficient, quint8(9));
    QCOMPARE(c.meter.state().zones.size(), size_t(1));
}

void TestScheduleTransfer::readRequests()
{
    const QList<QByteArray> requests = schedule::scheduleReadRequests();
    QCOMPARE(requests.size(), 289);
    QCOMPARE(requests[0], hex("0602"));
    for (int n = 0; n < 256; ++n)
        QCOMPARE(requests[1 + n], hex("0803") + QByteArray(1, char(n)));
    for (int i = 0; i < 16; ++i) {
        QCOMPARE(requests[257 + i], hex("2603") + QByteArray(1, char(i)));
        QCOMPARE(requests[273 + i], hex("2803") + QByteArray(1, char(i)));
    }
}

void TestScheduleTransfer::readLoadsTheZonesAtTheFirstHolidayReply()
{
    Connected c;
    for (int slot = 2; slot <= 4; ++slot)
        c.meter.state().zones[slot] = kThreeZones[slot - 2];
    c.meter.state().limitCoefficient = 0; // shows as 1
    c.doc.setLimitCoefficient(50);
    c.doc.importData(example({hex("000000 00 01 0100")}));

    // What the editor holds when the first and the second holiday reply
    // arrive, before each is handled.
    int holidayReplies = 0;
    int zonesBeforeFirstHoliday = -1, zonesAfterFirstHoliday = -1;
    qsizetype receivedBeforeFirstHoliday = -1;
    QObject::connect(&c.station.dispatcher(), &protocol::ReplyDispatcher::replyAccepted, [&](quint8 code) {
        if (code != 0x26)
            return;
        if (++holidayReplies == 1) {
            zonesBeforeFirstHoliday = int(c.doc.model().committedZones().size());
            receivedBeforeFirstHoliday = c.transfer.receivedZoneEntries().size();
        } else if (holidayReplies == 2) {
            zonesAfterFirstHoliday = int(c.doc.model().committedZones().size());
        }
    });
    QSignalSpy started(&c.transfer, &schedule::ScheduleTransfer::readStarted);
    QSignalSpy progress(&c.transfer, &schedule::ScheduleTransfer::progressChanged);
    QVERIFY(c.read());

    QCOMPARE(started.size(), 1);
    QCOMPARE(zonesBeforeFirstHoliday, 0);
    QCOMPARE(receivedBeforeFirstHoliday, 3);
    QCOMPARE(zonesAfterFirstHoliday, 3);
    QVERIFY(c.transfer.receivedZoneEntries().isEmpty());
    const ScheduleFileData read = c.doc.exportData();
    QCOMPARE(read.zoneEntries, kThreeZones);
    QCOMPARE(read.coefficient, quint8(1));
    QCOMPARE(read.holidayBlock, QByteArray(32, '\0')); // the meter holds none
    QCOMPARE(progress.first().first().toInt(), 0);
    QCOMPARE(progress.last().first().toInt(), schedule::kReadReplies);
    QCOMPARE(progress.size(), 1 + schedule::kReadReplies);
}

void TestScheduleTransfer::impossibleTimesAreSkippedAndCounted()
{
    Connected c;
    c.meter.state().zones[2] = hex("002400 00 01 0100"); // hour 24
    c.meter.state().zones[3] = hex("000760 00 01 0100"); // minute 60
    c.meter.state().zones[4] = hex("000730 00 01 0100");
    QSignalSpy skipped(&c.transfer, &schedule::ScheduleTransfer::zonesSkipped);
    QVERIFY(c.read());
    QCOMPARE(skipped.size(), 1);
    QCOMPARE(skipped.first().first().toInt(), 2);
    QCOMPARE(c.doc.exportData().zoneEntries, QList<QByteArray>{hex("000730 00 01 0100")});
}

void TestScheduleTransfer::gaugeShowsDuringTheReadOnly()
{
    Connected c;
    QList<bool> shown;
    bool finished = false;
    int shownAfterFinish = -1;
    QObject::connect(&c.station.dispatcher(), &protocol::ReplyDispatcher::scheduleGaugeVisible, [&](bool visible) {
        if (!finished)
            shown << visible;
        else if (shownAfterFinish < 0)
            shownAfterFinish = visible;
    });
    QObject::connect(&c.transfer, &schedule::ScheduleTransfer::readFinished, [&] { finished = true; });
    c.transfer.readFromMeter();
    QVERIFY(c.clock.advanceUntil([&] { return shownAfterFinish >= 0; }, 60000));
    // The polling reply in flight, then 06 (hidden), then 288 shown.
    QCOMPARE(shown.count(true), schedule::kReadReplies);
    QVERIFY(shown.mid(shown.size() - schedule::kReadReplies).count(false) == 0);
    QCOMPARE(shownAfterFinish, 0); // the first polling reply after it hides the gauge
}

void TestScheduleTransfer::writeThenReadGivesTheSameSchedule()
{
    Connected c;
    ScheduleFileData written = example();
    written.transferBlock = hex("07033008 01010001 31122905") + QByteArray(52, '\0');
    written.coefficient = 40;
    c.doc.importData(written);
    QVERIFY(c.write());
    QCOMPARE(c.meter.state().zones.size(), size_t(3));
    QCOMPARE(c.meter.state().zones.begin()->first, 2); // the first zone goes to slot 2

    c.doc.newSchedule();
    c.doc.setLimitCoefficient(1);
    QVERIFY(c.read());
    QCOMPARE(c.doc.exportData(), written);
}

void TestScheduleTransfer::coefficientAcknowledgementIsLogged()
{
    Connected c;
    c.doc.importData(example({}));
    c.doc.setLimitCoefficient(7);
    QSignalSpy logged(&c.station.dispatcher(), &protocol::ReplyDispatcher::operationLogged);
    QVERIFY(c.write());
    QCOMPARE(logged.size(), 1);
    QCOMPARE(logged.first().first().toString(), QStringLiteral("Коэффициент лимита тарифного расписания=7"));
    QCOMPARE(c.meter.state().limitCoefficient, quint8(7));
}

QTEST_GUILESS_MAIN(TestScheduleTransfer)
#include "tst_scheduletransfer.moc"
