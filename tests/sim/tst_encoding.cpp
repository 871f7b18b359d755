// The meter-side encodings: MeterFloat (not IEEE: sign in bit 23), bcd8 and
// the MeterSeconds epoch.

#include "sim/encoding.h"

#include <QTest>
#include <cmath>

class TestSimEncoding : public QObject
{
    Q_OBJECT

private slots:
    void meterFloatExamples_data();
    void meterFloatExamples();
    void meterFloatRoundTrip_data();
    void meterFloatRoundTrip();
    void meterFloatLimits();
    void bcd8_data();
    void bcd8();
    void meterSecondsEpoch();
};

// Bytes as they travel (u32le), both ways.
void TestSimEncoding::meterFloatExamples_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("1.0") << 1.0 << QByteArray::fromHex("0000007F");
    QTest::newRow("2.5") << 2.5 << QByteArray::fromHex("00002080");
    QTest::newRow("-1.0") << -1.0 << QByteArray::fromHex("0000807F");
    QTest::newRow("200.0") << 200.0 << QByteArray::fromHex("00004886");
    QTest::newRow("0") << 0.0 << QByteArray::fromHex("00000000");
    QTest::newRow("0.75") << 0.75 << QByteArray::fromHex("0000407E");
}

void TestSimEncoding::meterFloatExamples()
{
    QFETCH(double, value);
    QFETCH(QByteArray, bytes);

    QByteArray out;
    sim::putMeterFloat(out, value);
    QCOMPARE(out.toHex(' '), bytes.toHex(' '));
    QCOMPARE(sim::decodeMeterFloat(sim::getU32(bytes, 0)), value);
}

void TestSimEncoding::meterFloatRoundTrip_data()
{
    QTest::addColumn<double>("value");
    for (double v : {4521.375, 0.1, -0.001, 3.05, 229.7, 49.98, 1.0e6, -123456.789, 1.9999999})
        QTest::addRow("%g", v) << v;
}

// 23 fraction bits: the relative error stays within half a unit in the last place.
void TestSimEncoding::meterFloatRoundTrip()
{
    QFETCH(double, value);
    const double back = sim::decodeMeterFloat(sim::encodeMeterFloat(value));
    QVERIFY2(std::fabs(back - value) <= std::fabs(value) * std::ldexp(1.0, -24),
             qPrintable(QStringLiteral("%1 came back as %2").arg(value, 0, 'g', 12).arg(back, 0, 'g', 12)));
    QCOMPARE(back < 0, value < 0);
}

void TestSimEncoding::meterFloatLimits()
{
    // Beyond the exponent range: the largest magnitude, sign kept; below it: 0.
    QCOMPARE(sim::encodeMeterFloat(1e300), 0xFF7FFFFFu);
    QCOMPARE(sim::encodeMeterFloat(-1e300), 0xFFFFFFFFu);
    QCOMPARE(sim::encodeMeterFloat(1e-300), 0u);
    // A fraction that rounds up carries into the exponent.
    QCOMPARE(sim::encodeMeterFloat(std::nextafter(2.0, 0.0)), 0x80000000u);
}

void TestSimEncoding::bcd8_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("byte");
    QTest::newRow("0") << 0 << 0x00;
    QTest::newRow("7") << 7 << 0x07;
    QTest::newRow("25") << 25 << 0x25;
    QTest::newRow("99") << 99 << 0x99;
}

void TestSimEncoding::bcd8()
{
    QFETCH(int, value);
    QFETCH(int, byte);
    QCOMPARE(int(sim::toBcd8(value)), byte);
    QCOMPARE(sim::fromBcd8(quint8(byte)), value);
    QCOMPARE(sim::fromBcd8(quint8(byte | 0x0A)), -1); // not a decimal digit
}

void TestSimEncoding::meterSecondsEpoch()
{
    QCOMPARE(sim::msSince2000(QDateTime(QDate(2000, 1, 1), QTime(0, 0))), 0);
    QCOMPARE(sim::msSince2000(QDateTime(QDate(2000, 1, 2), QTime(0, 0))), 86400 * 1000);
    QCOMPARE(sim::msSince2000(QDateTime(QDate(2026, 3, 14), QTime(10, 20, 30))), qint64(826798830) * 1000);
    QCOMPARE(sim::dateTimeFromMsSince2000(qint64(826798830) * 1000), QDateTime(QDate(2026, 3, 14), QTime(10, 20, 30)));
}

QTEST_GUILESS_MAIN(TestSimEncoding)
#include "tst_encoding.moc"
