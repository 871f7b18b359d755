// ZoneEntry: the 7 bytes of a zone both ways, and the entries a reader
// refuses (times that are no times, non-decimal BCD).

#include "schedule/zoneentry.h"

#include <QTest>

using namespace schedule;

namespace {

ZoneRecord zone(const char *time, int tariff, int limitTariff, int powerLimit, int dayMask, int monthMask)
{
    ZoneRecord z;
    z.startTime = QString::fromLatin1(time);
    z.tariff = quint8(tariff);
    z.limitTariff = quint8(limitTariff);
    z.powerLimit = quint8(powerLimit);
    z.dayMask = quint8(dayMask);
    z.monthMask = quint16(monthMask);
    return z;
}

} // namespace

Q_DECLARE_METATYPE(schedule::ZoneRecord)

class TestZoneEntry : public QObject
{
    Q_OBJECT
private slots:
    // Byte 0 = (tariff - 1) + 16 * (limitTariff - 1); hour and minute BCD;
    // limit, day mask, month mask low then high byte.
    void bothWays_data()
    {
        QTest::addColumn<ZoneRecord>("record");
        QTest::addColumn<QByteArray>("entry");
        QTest::newRow("tariff 3 limit 5 at 07:30") << zone("07:30", 3, 5, 12, 0x0D, 0x0FFF)
                                                   << QByteArray::fromHex("4207300C0DFF0F");
        QTest::newRow("tariff 1 no limit at midnight") << zone("00:00", 1, 1, 0, 0x01, 0x0001)
                                                       << QByteArray::fromHex("00000000010100");
        QTest::newRow("tariff 8 limit 8 at 23:59") << zone("23:59", 8, 8, 255, 0x80, 0x0800)
                                                   << QByteArray::fromHex("772359FF800008");
        QTest::newRow("September..December only") << zone("12:05", 2, 1, 3, 0xFF, 0x0F00)
                                                  << QByteArray::fromHex("01120503FF000F");
        QTest::newRow("month bits 12..15 kept") << zone("19:45", 4, 4, 0, 0x7F, 0xF123)
                                                << QByteArray::fromHex("331945007F23F1");
    }
    void bothWays()
    {
        QFETCH(ZoneRecord, record);
        QFETCH(QByteArray, entry);
        QCOMPARE(ZoneEntry::encode(record), entry);
        const std::optional<ZoneRecord> decoded = ZoneEntry::decode(entry);
        QVERIFY(decoded);
        QCOMPARE(*decoded, record);
    }

    // Bits 3 and 7 of byte 0 are not part of either tariff.
    void byte0Bits3And7Ignored_data()
    {
        QTest::addColumn<int>("byte0");
        QTest::newRow("bit 3") << 0x4A;
        QTest::newRow("bit 7") << 0xC2;
        QTest::newRow("both") << 0xCA;
    }
    void byte0Bits3And7Ignored()
    {
        QFETCH(int, byte0);
        QByteArray entry = QByteArray::fromHex("4207300C0DFF0F");
        entry[0] = char(byte0);
        const std::optional<ZoneRecord> decoded = ZoneEntry::decode(entry);
        QVERIFY(decoded);
        QCOMPARE(decoded->tariff, quint8(3));
        QCOMPARE(decoded->limitTariff, quint8(5));
    }

    void refused_data()
    {
        QTest::addColumn<QByteArray>("entry");
        QTest::newRow("hour 24") << QByteArray::fromHex("00240000010100");
        QTest::newRow("minute 60") << QByteArray::fromHex("00126000010100");
        QTest::newRow("hour nibble A") << QByteArray::fromHex("001A0000010100");
        QTest::newRow("minute tens nibble F") << QByteArray::fromHex("0012F000010100");
        QTest::newRow("minute units nibble B") << QByteArray::fromHex("00120B00010100");
        QTest::newRow("six bytes") << QByteArray::fromHex("001200000101");
        QTest::newRow("eight bytes") << QByteArray::fromHex("0012000001010000");
    }
    void refused()
    {
        QFETCH(QByteArray, entry);
        QVERIFY(!ZoneEntry::decode(entry));
    }

    // Refused entries are left out and counted; the others keep their order.
    void decodeListCountsSkipped()
    {
        const DecodedZones d = decodeZoneEntries({QByteArray::fromHex("4207300C0DFF0F"),
                                                  QByteArray::fromHex("00246000010100"),
                                                  QByteArray::fromHex("772359FF800008"),
                                                  QByteArray::fromHex("00")});
        QCOMPARE(d.skipped, 2);
        QCOMPARE(d.zones.size(), 2);
        QCOMPARE(d.zones[0].startTime, QStringLiteral("07:30"));
        QCOMPARE(d.zones[1].startTime, QStringLiteral("23:59"));
    }
};

QTEST_GUILESS_MAIN(TestZoneEntry)
#include "tst_zoneentry.moc"
