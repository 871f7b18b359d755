// --find-address on the virtual clock: the search is taken up after the first
// time-out, ends at the meter that answers, and gives up only after every
// address has been tried.

#include "../support/linkfixture.h"
#include "cli/addressfinder.h"

#include <QSet>
#include <QSignalSpy>
#include <QTest>

using testsupport::LinkFixture;

namespace {

// The addresses the station has put on the line so far.
QSet<int> addressesTried(meterlink::MemoryLine &line, bool modbus)
{
    QSet<int> tried;
    for (const auto &w : line.takeWrites()) {
        const bool addressByte = modbus || (w.bytes.size() == 1 && w.parity == meterlink::Parity::Mark);
        if (addressByte && !w.bytes.isEmpty())
            tried << static_cast<quint8>(w.bytes[0]);
    }
    return tried;
}

} // namespace

class TestAddressFinder : public QObject
{
    Q_OBJECT
private slots:
    void searchModes_data()
    {
        QTest::addColumn<bool>("modbus");
        QTest::addColumn<int>("start");
        QTest::newRow("Rs-485 from 3") << false << 3;
        QTest::newRow("Rs-485 from 0") << false << 0;
        QTest::newRow("MODBUS from 3") << true << 3;
        QTest::newRow("MODBUS from 0") << true << 0;
    }

    void findsTheMeter_data() { searchModes_data(); }
    void findsTheMeter()
    {
        QFETCH(bool, modbus);
        QFETCH(int, start);
        LinkFixture f(quint8(start), modbus);
        f.meter.setAddress(17);
        f.connection.setTimeoutMs(200);
        cli::AddressFinder finder(f.connection);
        QSignalSpy found(&finder, &cli::AddressFinder::found);
        QSignalSpy exhausted(&finder, &cli::AddressFinder::exhausted);
        f.connectAndStart();
        QVERIFY(f.clock.advanceUntil([&] { return !found.isEmpty(); }, 60000));
        QCOMPARE(found[0][0].toInt(), 17);
        QCOMPARE(f.connection.address(), 17);
        QVERIFY(exhausted.isEmpty());
    }

    void answerAtTheGivenAddress()
    {
        LinkFixture f(9);
        cli::AddressFinder finder(f.connection);
        QSignalSpy found(&finder, &cli::AddressFinder::found);
        f.connectAndStart();
        QVERIFY(f.clock.advanceUntil([&] { return !found.isEmpty(); }, 2000));
        QCOMPARE(found[0][0].toInt(), 9);
        QVERIFY(f.protocol.isEmpty()); // no time-out, no search
    }

    void givesUpAfterTheWholeRange_data() { searchModes_data(); }
    void givesUpAfterTheWholeRange()
    {
        QFETCH(bool, modbus);
        QFETCH(int, start);
        LinkFixture f(quint8(start), modbus);
        f.meter.present = false;
        f.connection.setTimeoutMs(200);
        cli::AddressFinder finder(f.connection);
        QSignalSpy found(&finder, &cli::AddressFinder::found);
        QSignalSpy exhausted(&finder, &cli::AddressFinder::exhausted);
        f.connectAndStart();
        QSet<int> tried;
        QVERIFY(f.clock.advanceUntil(
            [&] {
                tried += addressesTried(f.line, modbus);
                return !exhausted.isEmpty();
            },
            300 * 300));
        QVERIFY(found.isEmpty());
        QCOMPARE(tried.size(), 256); // every address had its turn before giving up
    }
};

QTEST_GUILESS_MAIN(TestAddressFinder)
#include "tst_addressfinder.moc"
