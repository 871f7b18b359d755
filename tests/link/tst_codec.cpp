// Frame codec: CRC, framing in both line modes, the poll table, trace times.

#include "link/crc.h"
#include "link/linemode.h"
#include "link/pollcycle.h"
#include "link/portlist.h"
#include "link/speeds.h"
#include "link/tracetime.h"

#include <QTest>

using namespace meterlink;

Q_DECLARE_METATYPE(meterlink::RegistryValue)

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

    // The whole cycle, row by row as the meter's documentation lists it: a
    // swapped or mistyped row changes what the page shows.
    void pollTable_data()
    {
        QTest::addColumn<int>("n");
        QTest::addColumn<QByteArray>("request");
        QTest::newRow("0 digital id") << 0 << QByteArray::fromHex("4C02");
        QTest::newRow("1 serial") << 1 << QByteArray::fromHex("0102");
        QTest::newRow("2 version") << 2 << QByteArray::fromHex("0002");
        QTest::newRow("3 clock") << 3 << QByteArray::fromHex("0402");
        QTest::newRow("4 settlement") << 4 << QByteArray::fromHex("2202");
        QTest::newRow("5 checksum") << 5 << QByteArray::fromHex("0802");
        QTest::newRow("6 profile period") << 6 << QByteArray::fromHex("5002");
        QTest::newRow("7 integration time") << 7 << QByteArray::fromHex("1E02");
        QTest::newRow("8 panel and load mode") << 8 << QByteArray::fromHex("1602");
        QTest::newRow("9 power limit") << 9 << QByteArray::fromHex("1802");
        QTest::newRow("10 quality") << 10 << QByteArray::fromHex("6002");
        QTest::newRow("11 reading 00") << 11 << QByteArray::fromHex("0F0300");
        QTest::newRow("12 reading 01") << 12 << QByteArray::fromHex("0F0301");
        QTest::newRow("13 reading 02") << 13 << QByteArray::fromHex("0F0302");
        QTest::newRow("14 reading 03") << 14 << QByteArray::fromHex("0F0303");
        QTest::newRow("15 reading 04") << 15 << QByteArray::fromHex("0F0304");
        QTest::newRow("16 reading 05") << 16 << QByteArray::fromHex("0F0305");
        QTest::newRow("17 reading 06") << 17 << QByteArray::fromHex("0F0306");
        QTest::newRow("18 reading 07") << 18 << QByteArray::fromHex("0F0307");
        QTest::newRow("19 reading 08") << 19 << QByteArray::fromHex("0F0308");
        QTest::newRow("20 reading 09") << 20 << QByteArray::fromHex("0F0309");
        QTest::newRow("21 reading 0A") << 21 << QByteArray::fromHex("0F030A");
        QTest::newRow("22 reading 0B") << 22 << QByteArray::fromHex("0F030B");
        QTest::newRow("23 reading 0C") << 23 << QByteArray::fromHex("0F030C");
        QTest::newRow("24 reading 0D") << 24 << QByteArray::fromHex("0F030D");
        QTest::newRow("25 reading 0E") << 25 << QByteArray::fromHex("0F030E");
        QTest::newRow("26 reading 0F") << 26 << QByteArray::fromHex("0F030F");
        QTest::newRow("27 reading 10") << 27 << QByteArray::fromHex("0F0310");
        QTest::newRow("28 peaks") << 28 << QByteArray::fromHex("2B02");
        QTest::newRow("29 total 40") << 29 << QByteArray::fromHex("0F0340");
        QTest::newRow("30 total 48") << 30 << QByteArray::fromHex("0F0348");
        QTest::newRow("31 total 42") << 31 << QByteArray::fromHex("0F0342");
        QTest::newRow("32 total 4A") << 32 << QByteArray::fromHex("0F034A");
        QTest::newRow("33 total 45") << 33 << QByteArray::fromHex("0F0345");
        QTest::newRow("34 total 4D") << 34 << QByteArray::fromHex("0F034D");
        QTest::newRow("35 instant 80") << 35 << QByteArray::fromHex("0F0380");
        QTest::newRow("36 instant 81") << 36 << QByteArray::fromHex("0F0381");
        QTest::newRow("37 instant 82") << 37 << QByteArray::fromHex("0F0382");
        QTest::newRow("38 instant 83") << 38 << QByteArray::fromHex("0F0383");
        QTest::newRow("39 instant 84") << 39 << QByteArray::fromHex("0F0384");
        QTest::newRow("40 instant 85") << 40 << QByteArray::fromHex("0F0385");
        QTest::newRow("41 apparent power") << 41 << QByteArray::fromHex("0F0388");
        QTest::newRow("42 temperature") << 42 << QByteArray::fromHex("4D02");
        QTest::newRow("43 telemetry") << 43 << QByteArray::fromHex("4E02");
        QTest::newRow("44 working time") << 44 << QByteArray::fromHex("1102");
        QTest::newRow("45 battery") << 45 << QByteArray::fromHex("2502");
        QTest::newRow("46 status") << 46 << QByteArray::fromHex("5C02");
        QTest::newRow("47 rfplc") << 47 << QByteArray::fromHex("0A02");
        QTest::newRow("48 route 0") << 48 << QByteArray::fromHex("200300");
        QTest::newRow("49 route 1") << 49 << QByteArray::fromHex("200301");
        QTest::newRow("50 route 2") << 50 << QByteArray::fromHex("200302");
        QTest::newRow("51 route 3") << 51 << QByteArray::fromHex("200303");
        QTest::newRow("52 sensor 0 kind 0") << 52 << QByteArray::fromHex("1C040000");
        QTest::newRow("53 sensor 0 kind 1") << 53 << QByteArray::fromHex("1C040001");
        QTest::newRow("54 sensor 0 kind 2") << 54 << QByteArray::fromHex("1C040002");
        QTest::newRow("55 sensor 1 kind 0") << 55 << QByteArray::fromHex("1C040100");
        QTest::newRow("56 sensor 1 kind 1") << 56 << QByteArray::fromHex("1C040101");
        QTest::newRow("57 sensor 1 kind 2") << 57 << QByteArray::fromHex("1C040102");
        QTest::newRow("58 sensor 2 kind 0") << 58 << QByteArray::fromHex("1C040200");
        QTest::newRow("59 sensor 2 kind 1") << 59 << QByteArray::fromHex("1C040201");
        QTest::newRow("60 sensor 2 kind 2") << 60 << QByteArray::fromHex("1C040202");
        QTest::newRow("out of range") << 61 << QByteArray::fromHex("0102");
        QTest::newRow("negative") << -1 << QByteArray::fromHex("0102");
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

    // Values of Hardware\DeviceMap\SerialComm as the registry API hands them over.
    void registryPortNames_data()
    {
        auto utf16 = [](const char16_t *text, int extraNuls) {
            QByteArray data(reinterpret_cast<const char *>(text), int(std::char_traits<char16_t>::length(text) * 2));
            return data + QByteArray(extraNuls * 2, '\0');
        };
        QTest::addColumn<QList<RegistryValue>>("values");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("two ports, NUL-terminated")
            << QList<RegistryValue>{{"\\Device\\Serial0", kRegSz, utf16(u"COM1", 1)},
                                    {"\\Device\\VCP0", kRegSz, utf16(u"COM12", 1)}}
            << QStringList{"COM1", "COM12"};
        QTest::newRow("unterminated, double NUL, half a character")
            << QList<RegistryValue>{{"a", kRegSz, utf16(u"COM3", 0)},
                                    {"b", kRegExpandSz, utf16(u"COM4", 2)},
                                    {"c", kRegSz, utf16(u"COM5", 0) + 'x'}}
            << QStringList{"COM3", "COM4", "COM5"};
        QTest::newRow("no port name in them")
            << QList<RegistryValue>{{"\\Device\\Serial0", 4 /* REG_DWORD */, QByteArray("\x01\0\0\0", 4)},
                                    {"\\Device\\Serial1", kRegSz, utf16(u"", 1)},
                                    {"\\Device\\Serial2", kRegSz, QByteArray()},
                                    {"\\Device\\Serial3", kRegSz, utf16(u"  ", 1)}}
            << QStringList();
        QTest::newRow("a foreign entry keeps its place")
            << QList<RegistryValue>{{"x", kRegSz, utf16(u"BTHX", 1)}, {"y", kRegSz, utf16(u"COM2", 1)}}
            << QStringList{"BTHX", "COM2"};
    }
    void registryPortNames()
    {
        QFETCH(QList<RegistryValue>, values);
        QFETCH(QStringList, names);
        QCOMPARE(portNamesFromRegistryValues(values), names);
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
