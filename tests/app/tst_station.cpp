// The assembled engine: what a reset of the read values clears beyond the page.

#include "app/station.h"
#include "link/virtualclock.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestStation : public QObject
{
    Q_OBJECT
private slots:
    // The password entry is good until the values are read anew: after a
    // batch's lamp has gone out the next write must enter it again.
    void resetAfterABatchForgetsThePassword()
    {
        QTemporaryDir dir;
        meterlink::VirtualClock clock;
        app::Station station(clock, {}, dir.path());
        auto &link = station.connection();
        QSignalSpy done(&link, &meterlink::MeterConnection::batchSucceeded);
        link.connectLink();
        QVERIFY(clock.advanceUntil([&] { return link.settingEnabled(); }, 5000));

        link.beginBatch(meterlink::Batch::Settings);
        link.enqueueRequest(QByteArray::fromHex("1408") + sim::SimulatedMeter::servicePassword());
        QVERIFY(clock.advanceUntil([&] { return done.size() == 1; }, 5000));
        QVERIFY(station.dispatcher().passwordAccepted());
        clock.advance(1900);
        QVERIFY(station.dispatcher().passwordAccepted());
        clock.advance(200); // the lamp goes out and every value is read anew
        QVERIFY(!station.dispatcher().passwordAccepted());
    }
};

QTEST_GUILESS_MAIN(TestStation)
#include "tst_station.moc"
