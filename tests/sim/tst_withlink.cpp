// The simulated meter against the station's own link engine and reply
// dispatcher: whole polling cycles and a move to new communication
// parameters, on the virtual clock.

#include "sim/attach.h"
#include "sim/simulatedmeter.h"

#include "link/connection.h"
#include "link/memoryline.h"
#include "link/virtualclock.h"
#include "protocol/dispatcher.h"

#include <QSet>
#include <QTest>

namespace {

// The distinct function codes of the polling cycle.
const QSet<int> kPolledCodes = {0x4C, 0x01, 0x00, 0x04, 0x22, 0x08, 0x50, 0x1E, 0x16, 0x18, 0x60, 0x0F,
                                0x2B, 0x4D, 0x4E, 0x11, 0x25, 0x5C, 0x0A, 0x20, 0x1C};

struct Station
{
    meterlink::VirtualClock clock;
    meterlink::MemoryLine line{clock};
    meterlink::MeterConnection connection{clock};
    protocol::ReplyDispatcher dispatcher{connection};
    sim::SimulatedMeter meter{clock};
    QStringList protocolLines;
    QList<int> accepted;

    Station(bool modbus, quint8 address, int speedIndex)
    {
        sim::attach(line, meter);
        meter.setAddress(address);
        meter.setLineMode(modbus ? meterlink::LineMode::Modbus : meterlink::LineMode::Rs485);
        meter.setSpeedIndex(speedIndex);
        connection.setLine(&line);
        connection.setAddress(address);
        connection.setLineMode(modbus ? 1 : 0);
        connection.setSpeedIndex(speedIndex);
        connection.setReplyHandler([this](const QByteArray &r) { dispatcher.dispatch(r); });
        QObject::connect(&connection, &meterlink::MeterConnection::protocolLine,
                         [this](const QString &l) { protocolLines << l; });
        QObject::connect(&dispatcher, &protocol::ReplyDispatcher::replyAccepted,
                         [this](quint8 code) { accepted << code; });
    }
};

} // namespace

class TestSimWithLink : public QObject
{
    Q_OBJECT

private slots:
    void pollingCycles_data();
    void pollingCycles();
    void busyRepliesAreRepeated();
    void newCommunicationParameters();
};

void TestSimWithLink::pollingCycles_data()
{
    QTest::addColumn<bool>("modbus");
    QTest::addColumn<int>("speedIndex");
    QTest::addColumn<int>("splitParts");
    QTest::addColumn<bool>("stray");
    QTest::addColumn<int>("delayMs");

    QTest::newRow("Rs-485, 4800") << false << 0 << 1 << false << 0;
    QTest::newRow("Rs-485, 115200") << false << 5 << 1 << false << 0;
    QTest::newRow("MODBUS, 9600") << true << 1 << 1 << false << 0;
    QTest::newRow("Rs-485, split replies") << false << 0 << 3 << false << 0;
    QTest::newRow("MODBUS, split replies") << true << 0 << 4 << false << 0;
    QTest::newRow("Rs-485, stray byte after each reply") << false << 0 << 1 << true << 0;
    QTest::newRow("MODBUS, stray byte after each reply") << true << 0 << 1 << true << 0;
    QTest::newRow("Rs-485, replies 300 ms late") << false << 0 << 1 << false << 300;
}

// Two whole cycles without a time-out, a rejected reply or an error line.
void TestSimWithLink::pollingCycles()
{
    QFETCH(bool, modbus);
    QFETCH(int, speedIndex);
    QFETCH(int, splitParts);
    QFETCH(bool, stray);
    QFETCH(int, delayMs);

    Station station(modbus, 17, speedIndex);
    station.meter.faults().splitParts = splitParts;
    station.meter.faults().strayByte = stray;
    station.meter.faults().replyDelayMs = delayMs;
    station.connection.connectLink();
    QVERIFY(station.clock.advanceUntil([&] { return station.accepted.size() >= 1 + 2 * 61; }, 600000));
    QCOMPARE(station.protocolLines, QStringList());
    QCOMPARE(QSet<int>(station.accepted.begin(), station.accepted.end()), kPolledCodes);
}

void TestSimWithLink::busyRepliesAreRepeated()
{
    Station station(false, 5, 0);
    station.connection.connectLink();
    QVERIFY(station.clock.advanceUntil([&] { return station.accepted.size() >= 3; }, 10000));
    station.meter.faults().busyCount = 3;
    const int before = station.accepted.size();
    QVERIFY(station.clock.advanceUntil([&] { return station.accepted.size() > before + 1; }, 10000));
    QCOMPARE(station.protocolLines.size(), 3);
    for (const QString &line : station.protocolLines)
        QVERIFY2(line.startsWith(QStringLiteral("Ошибка: Память занята")), qPrintable(line));
}

// The station writes new parameters (Rs-485 address 5 -> MODBUS address 7,
// 19200, even parity), takes them over on the acknowledgement and polls on.
void TestSimWithLink::newCommunicationParameters()
{
    Station station(false, 5, 0);
    station.dispatcher.setAcknowledgement(
        0x03, {[](const QByteArray &) { return QStringList(); },
               [&station](const QByteArray &) { station.connection.applyCommunicationParameters(7, 2, 1, 1); }});
    station.connection.connectLink();
    QVERIFY(station.clock.advanceUntil([&] { return station.accepted.size() >= 3; }, 10000));

    station.connection.beginBatch(meterlink::Batch::Settings);
    station.connection.enqueueRequest(QByteArray::fromHex("1408000000000000"));
    station.connection.enqueueRequest(QByteArray::fromHex("03040752"));
    QVERIFY(station.clock.advanceUntil([&] { return station.accepted.contains(0x03); }, 10000));
    QCOMPARE(station.meter.lineMode(), meterlink::LineMode::Modbus);
    QCOMPARE(int(station.meter.address()), 7);
    QCOMPARE(station.meter.speedIndex(), 2);
    QCOMPARE(station.meter.modbusParity(), meterlink::ModbusParity::Even);

    const int after = station.accepted.size();
    QVERIFY(station.clock.advanceUntil([&] { return station.accepted.size() >= after + 61; }, 600000));
    QCOMPARE(station.protocolLines, QStringList());
}

QTEST_GUILESS_MAIN(TestSimWithLink)
#include "tst_withlink.moc"
