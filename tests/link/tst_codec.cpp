// Frame codec: CRC, framing in both line modes, the poll table, trace times.

#include "link/crc.h"
#include "link/linemode.h"
#include "link/pollcycle.h"
#include "link/portlist.h"
#include "link/speeds.h"
#include "link/tracetime.h"

#include <QTest>

using namespace meterlink;

class TestCodec : public QObject
{
    Q_OBJECT
private slots:
    void crcCheckValue()
    {
        QCOMPARE(crc16("123456789"), quint16(0x4B37));
        QByteArray b("123456789");
        appendCrc(b);
        QCOMPARE(b.right(2), QByteArray::fromHex("374B"));
        QVERIFY(checkCrc(b));
        b[3] = 'x';
        QVERIFY(!checkCrc(b));
        QVERIFY(!checkCrc(QByteArray(1, 'a')));
    }

    void framing_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("address");
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("rs485 00 02") << 0 << 7 << QByteArray::fromHex("0002") << QByteArray::fromHex("00028071");
        QTest::newRow("modbus addr 1 00 02") << 1 << 1 << QByteArray::fromHex("0002") << QByteArray::fromHex("010002A1C1");
        QTest::newRow("rs485 4C 02") << 0 << 5 << QByteArray::fromHex("4C02") << QByteArray::fromHex("4C02B4B1");
        QTest::newRow("modbus addr 5 4C 02") << 1 << 5 << QByteArray::fromHex("4C02") << QByteArray::fromHex("054C02D4C0");
        QTest::newRow("unknown mode sends nothing") << 2 << 5 << QByteArray::fromHex("4C02") << QByteArray();
    }
    void framing()
    {
        QFETCH(int, mode);
        QFETCH(int, address);
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, line);
        QCOMPARE(frameRequest(mode, quint8(address), request), line);
    }

    void pollTable_data()
    {
        QTest::addColumn<int>("n");
        QTest::addColumn<QByteArray>("request");
        QTest::newRow("0 digital id") << 0 << QByteArray::fromHex("4C02");
        QTest::newRow("3 clock") << 3 << QByteArray::fromHex("0402");
        QTest::newRow("10 quality") << 10 << QByteArray::fromHex("6002");
        QTest::newRow("11 tariff 1") << 11 << QByteArray::fromHex("0F0300");
        QTest::newRow("27 selector 10") << 27 << QByteArray::fromHex("0F0310");
        QTest::newRow("28 peaks") << 28 << QByteArray::fromHex("2B02");
        QTest::newRow("30 total at settlement") << 30 << QByteArray::fromHex("0F0348");
        QTest::newRow("34") << 34 << QByteArray::fromHex("0F034D");
        QTest::newRow("40 cos") << 40 << QByteArray::fromHex("0F0385");
        QTest::newRow("41 apparent") << 41 << QByteArray::fromHex("0F0388");
        QTest::newRow("47 rfplc") << 47 << QByteArray::fromHex("0A02");
        QTest::newRow("51 route 3") << 51 << QByteArray::fromHex("200303");
        QTest::newRow("52 sensor 0 calibration") << 52 << QByteArray::fromHex("1C040000");
        QTest::newRow("60 sensor 2 settlement") << 60 << QByteArray::fromHex("1C040202");
        QTest::newRow("out of range") << 61 << QByteArray::fromHex("0102");
    }
    void pollTable()
    {
        QFETCH(int, n);
        QFETCH(QByteArray, request);
        QCOMPARE(pollRequest(n), request);
    }

    void traceTimes()
    {
        const QTime t(9, 5, 7, 42);
        QCOMPARE(traceTime(t, '.', ':'), QStringLiteral("09:05:07.042"));
        QCOMPARE(frameTraceTime(t, QLocale(QLocale::Russian)), QStringLiteral("09:05:07.042"));
        QCOMPARE(timeoutTraceTime(t, QLocale(QLocale::Russian)), QStringLiteral("09:05:07:042"));
        QCOMPARE(hexBytes(QByteArray::fromHex("4C02b4")), QStringLiteral("4C 02 B4 "));
    }

    void speedTable()
    {
        QCOMPARE(speedItems(), QStringList({"4800", "9600", "19200", "38400", "57600", "115200"}));
        QCOMPARE(speedForIndex(0), std::optional<int>(4800));
        QCOMPARE(speedForIndex(5), std::optional<int>(115200));
        QVERIFY(!speedForIndex(6));
        QVERIFY(!speedForIndex(-1));
        QCOMPARE(indexForSpeed(19200), std::optional<int>(2));
    }

    void portNames()
    {
        QCOMPARE(portFromCaption(QStringLiteral("COM12"), 1), 12);
        QCOMPARE(portFromCaption(QStringLiteral("Com3"), 1), 3);
        QCOMPARE(portFromCaption(QStringLiteral("/dev/ttyUSB0"), 1), 1);
        QCOMPARE(portFromCaption(QString(), 2), 2);
        const auto entries = portsFromRegistryNames({"COM1", "COM12", "BTHX"});
        QCOMPARE(entries.size(), 3);
        QCOMPARE(entries[0].number, 1);
        QCOMPARE(entries[1].number, 12);
        QCOMPARE(entries[1].device, QStringLiteral("\\\\.\\COM12"));
        QCOMPARE(entries[2].number, -1); // listed, but no menu item
        QVERIFY(entries[1].complete);
        QVERIFY(!entries[2].complete);
        QCOMPARE(unixPortEntry("ttyUSB0").device, QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(unixPortEntry("/dev/pts/4").caption, QStringLiteral("/dev/pts/4"));
    }
};

QTEST_GUILESS_MAIN(TestCodec)
#include "tst_codec.moc"
