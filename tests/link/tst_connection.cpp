// The conversation: connect, polling cycle, queue, time-outs, batches,
// address search, disconnect. Runs on the virtual clock.

#include "../support/linkfixture.h"
#include "link/pollcycle.h"

#include <QSignalSpy>
#include <QTest>

using namespace meterlink;
using testsupport::LinkFixture;

class TestConnection : public QObject
{
    Q_OBJECT
private slots:
    void firstFramesAndWrap()
    {
        LinkFixture f;
        f.connectAndStart();
        QVERIFY(f.connection.isConnected());
        QCOMPARE(f.resets, 1); // every connection starts from an empty page
        QVERIFY(f.runExchanges(1 + 61 + 2));
        const QList<int> codes = f.codes();
        QCOMPARE(codes.mid(0, 5), QList<int>({0x00, 0x4C, 0x01, 0x00, 0x04}));
        for (int n = 0; n < 61; ++n)
            QCOMPARE(f.meter.requests[1 + n], pollRequest(n));
        QCOMPARE(f.meter.requests[62], pollRequest(0)); // after n = 60 the cycle starts again
        QCOMPARE(f.meter.requests[63], pollRequest(1));
        QVERIFY(f.connection.meterControlsEnabled());
        QVERIFY(f.connection.settingEnabled());
    }

    void reconnectStartsOver()
    {
        LinkFixture f;
        f.connectAndStart();
        QVERIFY(f.runExchanges(8));
        f.connection.disconnectLink();
        QVERIFY(!f.connection.isConnected());
        QCOMPARE(f.connection.queuedCount(), 0);
        QVERIFY(f.connection.currentRequest().isEmpty());
        QCOMPARE(f.clock.activeTimers(), 0);
        QVERIFY(!f.connection.meterControlsEnabled());
        QVERIFY(!f.connection.settingEnabled());
        f.meter.requests.clear();
        f.clock.advance(1000);
        QVERIFY(f.meter.requests.isEmpty()); // nothing goes out while disconnected
        f.connectAndStart();
        QVERIFY(f.runExchanges(3));
        QCOMPARE(f.codes().mid(0, 3), QList<int>({0x00, 0x4C, 0x01}));
    }

    // The meter takes 200 ms to answer: the five wait for the reply to the
    // polling request in flight, which is never sent twice.
    void requestsQueuedDuringAnExchange()
    {
        LinkFixture f;
        f.meter.replyDelayMs = 200;
        f.connectAndStart();
        QVERIFY(f.runExchanges(4)); // 00, 4C, 01, 00; the 4th (n = 2) is awaiting its reply
        const int next = f.connection.pollCounter();
        for (int i = 0; i < 5; ++i)
            f.connection.enqueueRequest(QByteArray::fromHex("1402") + QByteArray(1, char(i)));
        QCOMPARE(f.meter.requests.last(), pollRequest(2)); // in flight, answered first
        QVERIFY(f.runExchanges(6));
        QVERIFY(f.protocol.isEmpty()); // no time-out, no rejected reply
        const auto &r = f.meter.requests;
        QCOMPARE(r.size(), 10);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(r[4 + i], QByteArray::fromHex("1402") + QByteArray(1, char(i)));
        QCOMPARE(r[9], pollRequest(next));
    }

    void batchFailsOnTimeout()
    {
        LinkFixture f;
        f.connectAndStart();
        QVERIFY(f.runExchanges(3));
        int seen = 0;
        f.meter.responder = [&](const QByteArray &req) -> std::optional<QByteArray> {
            if (req[0] == char(0x23) && ++seen == 1)
                return std::nullopt; // the third request of the batch gets no answer
            return QByteArray() + req[0] + char(2);
        };
        QSignalSpy lamp(&f.connection, &MeterConnection::lampChanged);
        f.connection.beginBatch(Batch::Settings);
        f.connection.enqueueRequest(QByteArray::fromHex("1408000000000000"));
        f.connection.enqueueRequest(QByteArray::fromHex("0507000000000000"));
        f.connection.enqueueRequest(QByteArray::fromHex("23040725"));
        f.connection.enqueueRequest(QByteArray::fromHex("1F0300"));
        f.connection.enqueueRequest(QByteArray::fromHex("03040502"));
        const int resetsBefore = f.resets;
        QVERIFY(f.clock.advanceUntil([&] { return !f.failures.isEmpty(); }, 5000));
        QCOMPARE(f.failures, QStringList{QStringLiteral(
                     "Во время записи установок произошла ошибка. Описание смотрите на закладке Протокол.")});
        QCOMPARE(f.connection.lamp(), Lamp::Red);
        QVERIFY(!f.connection.settingsWriteActive());
        QVERIFY(f.protocol.last().endsWith(QStringLiteral(" Timeout.")));
        // the rest of the batch is gone; polling goes on
        QVERIFY(f.runExchanges(2));
        QVERIFY(!f.codes().contains(0x1F));
        QVERIFY(!f.codes().contains(0x03));
        QCOMPARE(f.resets, resetsBefore);
        f.clock.advance(2000);
        QCOMPARE(f.connection.lamp(), Lamp::Hidden);
        QCOMPARE(f.resets, resetsBefore + 1);
    }

    // The failure box is modal: while it is open time goes on, and a late
    // acknowledgement must not let the rest of the batch go out under it.
    void failedBatchIsGoneBeforeTheOperatorIsTold()
    {
        LinkFixture f;
        f.connectAndStart();
        QVERIFY(f.runExchanges(3));
        f.meter.responder = [&](const QByteArray &req) -> std::optional<QByteArray> {
            f.meter.replyDelayMs = req[0] == char(0x1F) ? 700 : 0; // after the 500 ms time-out
            return QByteArray() + req[0] + char(2);
        };
        QList<int> sentUnderTheBox;
        QObject::connect(&f.connection, &MeterConnection::batchFailed, [&] {
            QCOMPARE(f.connection.queuedCount(), 1); // only the next polling request
            const auto before = f.meter.requests.size();
            f.clock.advance(1500); // the operator reads the message
            for (auto i = before; i < f.meter.requests.size(); ++i)
                sentUnderTheBox << static_cast<quint8>(f.meter.requests[i][0]);
        });
        f.connection.beginBatch(Batch::Settings);
        f.connection.enqueueRequest(QByteArray::fromHex("1F0300"));
        f.connection.enqueueRequest(QByteArray::fromHex("03040502"));
        QVERIFY(f.clock.advanceUntil([&] { return !f.failures.isEmpty(); }, 3000));
        QVERIFY(!sentUnderTheBox.isEmpty()); // polling went on meanwhile
        QVERIFY(!sentUnderTheBox.contains(0x03));
        QVERIFY(!sentUnderTheBox.contains(0x1F));
    }

    void batchSucceedsWhenQueueRunsEmpty()
    {
        LinkFixture f;
        f.connectAndStart();
        QVERIFY(f.runExchanges(2));
        QSignalSpy ok(&f.connection, &MeterConnection::batchSucceeded);
        f.connection.beginBatch(Batch::Schedule);
        f.connection.enqueueRequest(QByteArray::fromHex("0902"));
        f.connection.enqueueRequest(QByteArray::fromHex("2702"));
        QVERIFY(f.clock.advanceUntil([&] { return ok.size() == 1; }, 2000));
        QCOMPARE(f.connection.lamp(), Lamp::Green);
        QVERIFY(f.failures.isEmpty());
        f.clock.advance(2100);
        QCOMPARE(f.connection.lamp(), Lamp::Hidden);
    }

    // A lamp shown from outside a batch ("Зафиксировать в Б&Д") goes out
    // like a batch's: 2 s later, and every read value is cleared with it.
    void lampShownFromOutsideGoesOutAfterTwoSeconds_data()
    {
        QTest::addColumn<int>("shown");
        QTest::newRow("green") << int(Lamp::Green);
        QTest::newRow("red") << int(Lamp::Red);
    }
    void lampShownFromOutsideGoesOutAfterTwoSeconds()
    {
        QFETCH(int, shown);
        const Lamp lamp = Lamp(shown);
        LinkFixture f;
        f.connectAndStart();
        QVERIFY(f.runExchanges(2));
        const int resetsBefore = f.resets;
        f.connection.showLamp(lamp);
        QCOMPARE(f.connection.lamp(), lamp);
        f.clock.advance(1990);
        QCOMPARE(f.connection.lamp(), lamp);
        QCOMPARE(f.resets, resetsBefore);
        f.clock.advance(20);
        QCOMPARE(f.connection.lamp(), Lamp::Hidden);
        QCOMPARE(f.resets, resetsBefore + 1);
        QVERIFY(f.connection.isConnected());
    }

    void timeoutIntervalFollowsSetting()
    {
        LinkFixture f;
        f.connectAndStart();
        QVERIFY(f.runExchanges(2));
        f.connection.setTimeoutMs(3000);
        f.meter.present = false;
        const int lines = f.protocol.size();
        f.clock.advance(2900);
        QCOMPARE(f.protocol.size(), lines);
        QVERIFY(f.clock.advanceUntil([&] { return f.protocol.size() > lines; }, 400));
        f.connection.setTimeoutMs(50);
        QCOMPARE(f.connection.timeoutMs(), 200);
        f.connection.setTimeoutMs(40000);
        QCOMPARE(f.connection.timeoutMs(), 30000);
    }

    void meterAbsentAfterMoreThanFiveTimeouts_data()
    {
        QTest::addColumn<bool>("databaseMode");
        QTest::newRow("normal") << false;
        QTest::newRow("database mode") << true;
    }
    void meterAbsentAfterMoreThanFiveTimeouts()
    {
        QFETCH(bool, databaseMode);
        LinkFixture f(17);
        f.connection.setDatabaseMode(databaseMode);
        f.connectAndStart();
        QVERIFY(f.runExchanges(3));
        f.meter.present = false;
        const int resets = f.resets;
        auto timeouts = [&] { return int(std::count_if(f.protocol.begin(), f.protocol.end(), [](const QString &l) {
            return l.endsWith(QStringLiteral(" Timeout."));
        })); };
        QVERIFY(f.clock.advanceUntil([&] { return timeouts() == 5; }, 10000));
        QVERIFY(f.connection.meterControlsEnabled());
        QVERIFY(f.connection.findAddressEnabled());
        QCOMPARE(f.connection.address(), 17);
        QVERIFY(f.clock.advanceUntil([&] { return timeouts() == 6; }, 2000));
        QVERIFY(!f.connection.meterControlsEnabled());
        QVERIFY(!f.connection.settingEnabled());
        QCOMPARE(f.resets, resets + 1);
        QCOMPARE(f.connection.address(), databaseMode ? 0 : 17);
        QVERIFY(f.protocol.last().contains(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d:\\d\\d\\d Timeout\\.$")));
        // the first answer after that brings the controls back
        f.meter.present = true;
        f.meter.setAddress(quint8(f.connection.address()));
        QVERIFY(f.clock.advanceUntil([&] { return f.connection.meterControlsEnabled(); }, 3000));
        QVERIFY(!f.connection.findAddressEnabled());
    }

    // Every time-out ends the queue and polling goes on with the meter
    // controls, ActionSetting among them, enabled until the sixth.
    void firstTimeoutsEnableMeterControls()
    {
        LinkFixture f;
        f.meter.present = false;
        f.connectAndStart();
        QVERIFY(!f.connection.settingEnabled());
        QVERIFY(f.clock.advanceUntil([&] { return !f.protocol.isEmpty(); }, 2000));
        QVERIFY(f.connection.meterControlsEnabled());
        QVERIFY(f.connection.settingEnabled());
        QVERIFY(f.connection.findAddressEnabled());
    }

    // Only bytes from the meter clear the count: a reconnection does not.
    void timeoutCountSurvivesReconnection()
    {
        LinkFixture f;
        f.meter.present = false;
        f.connectAndStart();
        QVERIFY(f.clock.advanceUntil([&] { return f.connection.timeoutCount() == 6; }, 10000));
        f.connection.disconnectLink();
        f.connectAndStart();
        const int resets = f.resets;
        const int lines = f.protocol.size();
        QVERIFY(f.clock.advanceUntil([&] { return f.protocol.size() > lines; }, 2000));
        QCOMPARE(f.connection.timeoutCount(), 7);
        QVERIFY(!f.connection.meterControlsEnabled());
        QVERIFY(!f.connection.settingEnabled());
        QCOMPARE(f.resets, resets + 1);
    }

    void addressSearchFinds17()
    {
        LinkFixture f(3);
        f.meter.setAddress(17);
        f.connectAndStart();
        QVERIFY(f.clock.advanceUntil([&] { return f.connection.findAddressEnabled(); }, 2000));
        const int lines = f.protocol.size();
        const int resets = f.resets;
        const int timeouts = f.connection.timeoutCount();
        f.connection.findAddress();
        QCOMPARE(f.connection.address(), 0);
        QVERIFY(f.clock.advanceUntil([&] { return !f.connection.addressSearch(); }, 30000));
        QCOMPARE(f.connection.address(), 17);
        QCOMPARE(f.protocol.size(), lines); // no time-out lines during the search
        QCOMPARE(f.resets, resets);         // and the 17 time-outs were not counted
        QCOMPARE(f.connection.timeoutCount(), timeouts);
        QVERIFY(f.runExchanges(3));
        QCOMPARE(f.connection.address(), 17);
    }

    void addressSearchWraps()
    {
        LinkFixture f(250);
        f.meter.present = false;
        f.connection.setTimeoutMs(200);
        f.connectAndStart();
        QVERIFY(f.clock.advanceUntil([&] { return f.connection.findAddressEnabled(); }, 2000));
        f.connection.findAddress();
        QSignalSpy addr(&f.connection, &MeterConnection::addressChanged);
        QVERIFY(f.clock.advanceUntil([&] { return addr.size() >= 258; }, 300000));
        QCOMPARE(addr[0][0].toInt(), 1);
        QCOMPARE(addr[254][0].toInt(), 255);
        QCOMPARE(addr[255][0].toInt(), 0);
        QCOMPARE(addr[256][0].toInt(), 1);
        QVERIFY(f.connection.addressSearch());
    }

    void openFailureRetriesOnceThenReports()
    {
        LinkFixture f;
        f.line.setOpenError(QStringLiteral("Specified device not found (COM3)."));
        QSignalSpy failed(&f.connection, &MeterConnection::openFailed);
        f.connection.connectLink();
        QVERIFY(!f.connection.connectEnabled());
        f.clock.advance(499);
        QCOMPARE(failed.size(), 0);
        f.clock.advance(2);
        QCOMPARE(failed.size(), 1);
        QCOMPARE(failed[0][0].toString(), QStringLiteral("Specified device not found (COM3)."));
        QVERIFY(!f.connection.isConnected());
        QVERIFY(f.connection.connectEnabled());
    }

    // A driver that cannot carry the parity of the line mode fails the open
    // (after the second attempt) instead of opening a port that only times out.
    void unsupportedParityFailsTheOpen_data()
    {
        QTest::addColumn<bool>("modbus");
        QTest::addColumn<int>("refused");
        QTest::addColumn<bool>("opens");
        QTest::newRow("Rs-485 without mark parity") << false << int(Parity::Mark) << false;
        QTest::newRow("MODBUS even without mark parity") << true << int(Parity::Mark) << true;
        QTest::newRow("MODBUS even without even parity") << true << int(Parity::Even) << false;
    }
    void unsupportedParityFailsTheOpen()
    {
        QFETCH(bool, modbus);
        QFETCH(int, refused);
        QFETCH(bool, opens);
        LinkFixture f(5, modbus);
        f.connection.setParityIndex(1);
        f.line.refuseParity(Parity(refused));
        QSignalSpy failed(&f.connection, &MeterConnection::openFailed);
        f.connection.connectLink();
        f.clock.advance(600);
        QCOMPARE(f.connection.isConnected(), opens);
        QCOMPARE(failed.size(), opens ? 0 : 1);
        if (!opens)
            QVERIFY(failed[0][0].toString().startsWith(QStringLiteral("Can't open specified device ")));
    }

    void newCommunicationParameters()
    {
        LinkFixture f(5);
        f.connectAndStart();
        QVERIFY(f.runExchanges(2));
        f.connection.applyCommunicationParameters(9, 2, 1, 1);
        QCOMPARE(f.connection.address(), 9);
        QCOMPARE(f.connection.speedIndex(), 2);
        QCOMPARE(f.line.baudRate(), 19200);
        QCOMPARE(f.connection.lineMode(), 1);
        QCOMPARE(f.connection.parityIndex(), 1);
        f.meter.setAddress(9);
        f.meter.setModbus(true);
        QVERIFY(f.runExchanges(3));
        QVERIFY(f.connection.settingEnabled());
        const auto writes = f.line.takeWrites();
        QCOMPARE(writes.last().bytes[0], char(9));
        QCOMPARE(writes.last().parity, Parity::Even);
    }

    void requestsWhileDisconnectedAreDropped()
    {
        LinkFixture f;
        f.connection.enqueueRequest(QByteArray::fromHex("0102"));
        QCOMPARE(f.connection.queuedCount(), 0);
        f.clock.advance(1000);
        QVERIFY(f.meter.requests.isEmpty());
    }

    void lostLineDisconnects()
    {
        LinkFixture f;
        f.connectAndStart();
        QVERIFY(f.runExchanges(2));
        QSignalSpy err(&f.connection, &MeterConnection::portError);
        f.connection.beginBatch(Batch::Settings);
        f.connection.enqueueRequest(QByteArray::fromHex("1F0300"));
        emit f.line.lost(QStringLiteral("device removed"));
        QVERIFY(!f.connection.isConnected());
        QVERIFY(f.connection.connectEnabled());
        QCOMPARE(err.size(), 1);
        QCOMPARE(f.failures.size(), 1); // the batch did not silently vanish
        QVERIFY(!f.line.isOpen());
        // nothing of the old conversation survives the lost line
        QCOMPARE(f.clock.activeTimers(), 0);
        QVERIFY(f.connection.currentRequest().isEmpty());
        QCOMPARE(f.connection.queuedCount(), 0);
        QCOMPARE(f.connection.lamp(), Lamp::Hidden);
        f.meter.requests.clear();
        f.connectAndStart();
        QVERIFY(f.runExchanges(2));
        QCOMPARE(f.codes(), QList<int>({0x00, 0x4C}));
    }
};

QTEST_GUILESS_MAIN(TestConnection)
#include "tst_connection.moc"
