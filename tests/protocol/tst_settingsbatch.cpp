// The settings batch as bytes: each task's requests, the password entry, the
// serial number and its RF-PLC address, the order of a full batch, the clock
// seconds from calendar fields, and the discrete-sensor numbers with their
// exact half-to-even rounding and the values that are refused.

#include "protocol/sensorreading.h"
#include "protocol/settingsbatch.h"

#include <QTest>

#include <ctime>

using protocol::SettingsBatchContext;
using protocol::SettingsValues;

Q_DECLARE_METATYPE(SettingsValues)

namespace {

QStringList hexOf(const QList<QByteArray> &requests)
{
    QStringList out;
    for (const QByteArray &r : requests)
        out << QString::fromLatin1(r.toHex().toUpper());
    return out;
}

// Hex as written in the tables, blanks allowed.
QStringList hexList(std::initializer_list<const char *> items)
{
    QStringList out;
    for (const char *item : items)
        out << QString::fromLatin1(item).remove(u' ').toUpper();
    return out;
}

SettingsBatchContext accepted(bool writeSerial = false)
{
    SettingsBatchContext c;
    c.passwordAccepted = true;
    c.writeSerial = writeSerial;
    c.date = QDate(2026, 3, 14);
    c.time = QTime(10, 20, 30);
    return c;
}

SettingsValues with(const std::function<void(SettingsValues &)> &set)
{
    SettingsValues v;
    set(v);
    return v;
}

} // namespace

class TestSettingsBatch : public QObject
{
    Q_OBJECT
private slots:
    // A zone with summer time, so that seconds taken through local time
    // would be an hour off for a July date.
    void initTestCase()
    {
        qputenv("TZ", "Europe/Berlin");
        tzset();
    }

    // Each task alone (password already accepted): the bytes before framing.
    void taskRequests_data()
    {
        QTest::addColumn<SettingsValues>("values");
        QTest::addColumn<bool>("writeSerial");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("serial 123456: group 34, address 56")
            << with([](SettingsValues &v) { v.CheckTelemetry = true; v.SpinEdit_Number = 123456; }) << true
            << hexList({"02 05 40 E2 01", "0B 04 22 38", "4F 03 01"});
        QTest::newRow("serial 100: group 1, address 100")
            << with([](SettingsValues &v) { v.CheckTelemetry = true; v.SpinEdit_Number = 100; }) << true
            << hexList({"02 05 64 00 00", "0B 04 01 64", "4F 03 01"});
        QTest::newRow("serial 10000: group 100, address 100")
            << with([](SettingsValues &v) { v.CheckTelemetry = true; v.SpinEdit_Number = 10000; }) << true
            << hexList({"02 05 10 27 00", "0B 04 64 64", "4F 03 01"});
        QTest::newRow("serial typed but not to be written")
            << with([](SettingsValues &v) { v.CheckTelemetry = true; v.SpinEdit_Number = 123456; }) << false
            << hexList({"4F 03 01"});
        QTest::newRow("billing day 25 at hour 7, hour first")
            << with([](SettingsValues &v) { v.CheckShedule = true; v.SpinDay = 25; v.SpinHour = 7; }) << false
            << hexList({"23 04 07 25"});
        QTest::newRow("poor quality 72 min, 20 s, both flags")
            << with([](SettingsValues &v) {
                   v.CheckQuality = true; v.SpinMin = 72; v.ComboSec = 1; v.CheckAccountKind = true; v.CheckJtvf = true;
               })
            << false << hexList({"61 05 D9 00 03"});
        QTest::newRow("poor quality 0 min, 40 s, no flags")
            << with([](SettingsValues &v) { v.CheckQuality = true; v.SpinMin = 0; v.ComboSec = 2; }) << false
            << hexList({"61 05 02 00 00"});
        QTest::newRow("speed 19200, Rs-485")
            << with([](SettingsValues &v) { v.CheckAddr = true; v.SpinNewAddr = 9; v.ComboNewBaud = 2; }) << false
            << hexList({"03 04 09 02"});
        QTest::newRow("speed 19200, MODBUS even")
            << with([](SettingsValues &v) {
                   v.CheckAddr = true; v.SpinNewAddr = 9; v.ComboNewBaud = 2; v.ComboModeW = 1; v.ComboParityW = 1;
               })
            << false << hexList({"03 04 09 52"});
        QTest::newRow("speed 115200, MODBUS no parity, address 255")
            << with([](SettingsValues &v) {
                   v.CheckAddr = true; v.SpinNewAddr = 255; v.ComboNewBaud = 5; v.ComboModeW = 1; v.ComboParityW = 0;
               })
            << false << hexList({"03 04 FF 45"});
        QTest::newRow("speed 4800, MODBUS odd, address 0")
            << with([](SettingsValues &v) {
                   v.CheckAddr = true; v.SpinNewAddr = 0; v.ComboNewBaud = 0; v.ComboModeW = 1; v.ComboParityW = 2;
               })
            << false << hexList({"03 04 00 70"});
        QTest::newRow("integration 60 min")
            << with([](SettingsValues &v) { v.CheckIntegra = true; v.SpinIntegra = 60; }) << false
            << hexList({"1F 03 3B"});
        QTest::newRow("profile off")
            << with([](SettingsValues &v) { v.CheckPeriodProfile = true; v.ComboProfile = 0; }) << false
            << hexList({"51 03 00"});
        QTest::newRow("tariff schedule reset")
            << with([](SettingsValues &v) { v.CheckResetTariff = true; }) << false
            << hexList({"27 02", "29 02", "09 02", "24 02", "07 03 01"});
        QTest::newRow("remote control 123456, mode 3, 1000 W")
            << with([](SettingsValues &v) { v.CheckPult = true; v.SpinPult = 123456; v.ComboModeDdm = 3; v.SpinBreaker = 1000; })
            << false << hexList({"17 06 40 E2 01 03", "19 04 E8 03"});
        QTest::newRow("seal")
            << with([](SettingsValues &v) { v.CheckSeal = true; }) << false << hexList({"5F 06 FF FF FF FF"});
        QTest::newRow("new password, Cyrillic in Windows-1251")
            << with([](SettingsValues &v) { v.CheckPassword = true; v.EditPassW = QStringLiteral("абв12"); }) << false
            << hexList({"15 08 E0 E1 E2 31 32 00"});
        QTest::newRow("new password empty")
            << with([](SettingsValues &v) { v.CheckPassword = true; }) << false << hexList({"15 08 00 00 00 00 00 00"});
        QTest::newRow("sensor 3: 0,5015 at 1000 is 502")
            << with([](SettingsValues &v) {
                   v.CheckSensor = true; v.SpinSensor = 3; v.EditSensor = QStringLiteral("0,5015");
                   v.EditSensorCalibr = QStringLiteral("1000");
               })
            << false << hexList({"1D 06 02 00 E8 03", "1D 08 02 01 F6 01 00 00"});
        QTest::newRow("clock without summer time: 2026-03-14 10:20:30")
            << with([](SettingsValues &v) { v.CheckTime = true; }) << false
            // 9569 days × 86400 + 37230 + 3 = 826798833 = 0x3147F2F1
            << hexList({"05 07 00 F1 F2 47 31"});
        QTest::newRow("clock with summer time")
            << with([](SettingsValues &v) { v.CheckTime = true; v.CheckBoxClock = true; }) << false
            << hexList({"05 07 80 F1 F2 47 31"});
    }
    void taskRequests()
    {
        QFETCH(SettingsValues, values);
        QFETCH(bool, writeSerial);
        QFETCH(QStringList, expected);
        const auto batch = protocol::buildSettingsBatch(values, accepted(writeSerial));
        QCOMPARE(hexOf(batch.requests), expected);
        QVERIFY(!batch.sensorValuesInvalid);
    }

    // The password entry goes first unless the password is accepted; an
    // empty access password sends only the fill bytes.
    void passwordEntry_data()
    {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty") << QByteArray(6, '\0') << QStringLiteral("14080000000000004F0301");
        QTest::newRow("1234") << QByteArray("1234\0\0", 6) << QStringLiteral("14083132333400004F0301");
        QTest::newRow("short payload filled") << QByteArray("12") << QStringLiteral("14083132000000004F0301");
    }
    void passwordEntry()
    {
        QFETCH(QByteArray, payload);
        QFETCH(QString, expected);
        SettingsValues v;
        v.CheckTelemetry = true;
        SettingsBatchContext c = accepted();
        c.passwordAccepted = false;
        c.accessPasswordPayload = payload;
        QCOMPARE(hexOf(protocol::buildSettingsBatch(v, c).requests).join(QString()), expected);
    }

    void nothingTickedBuildsNothing()
    {
        SettingsValues v;
        v.SpinEdit_Number = 123456;
        SettingsBatchContext c = accepted(true);
        c.passwordAccepted = false;
        const auto batch = protocol::buildSettingsBatch(v, c);
        QVERIFY(batch.requests.isEmpty());
        QVERIFY(!batch.sensorValuesInvalid);
    }

    // All twelve boxes with the serial: the order of the table, the
    // communication parameters last.
    void wholeBatchOrder()
    {
        SettingsValues v;
        v.CheckTime = v.CheckShedule = v.CheckAddr = v.CheckIntegra = v.CheckPassword = v.CheckResetTariff = true;
        v.CheckPult = v.CheckPeriodProfile = v.CheckQuality = v.CheckSeal = v.CheckSensor = v.CheckTelemetry = true;
        v.SpinEdit_Number = 123456;
        v.EditPassW = QStringLiteral("777");
        v.SpinDay = 25;
        v.SpinHour = 7;
        v.SpinIntegra = 15;
        v.SpinPult = 1;
        v.ComboModeDdm = 1;
        v.SpinMin = 72;
        v.ComboSec = 1;
        v.EditSensor = QStringLiteral("2.5");
        v.EditSensorCalibr = QStringLiteral("1");
        v.SpinNewAddr = 9;
        v.ComboNewBaud = 2;
        SettingsBatchContext c = accepted(true);
        c.passwordAccepted = false;
        c.accessPasswordPayload = QByteArray(6, '\0');
        const auto batch = protocol::buildSettingsBatch(v, c);
        QCOMPARE(hexOf(batch.requests),
                 hexList({"14 08 00 00 00 00 00 00", "05 07 00 F1 F2 47 31", "15 08 37 37 37 00 00 00", "02 05 40 E2 01",
                          "0B 04 22 38", "23 04 07 25", "1F 03 0E", "51 03 0B", "27 02", "29 02", "09 02", "24 02",
                          "07 03 01", "17 06 01 00 00 01", "19 04 FF FF", "61 05 D9 00 00", "5F 06 FF FF FF FF",
                          "4F 03 01", "1D 06 00 00 01 00", "1D 08 00 01 02 00 00 00", "03 04 09 02"}));
        QVERIFY(!batch.sensorValuesInvalid);
    }

    // Bad sensor values leave out the count, and with a bad calibration the
    // calibration too; the rest of the batch is built.
    void invalidSensorValues_data()
    {
        QTest::addColumn<QString>("reading");
        QTest::addColumn<QString>("calibration");
        QTest::addColumn<QStringList>("expected");
        const QString addr = QStringLiteral("03040100");
        QTest::newRow("calibration 0") << "1" << "0" << QStringList{addr};
        QTest::newRow("calibration 65536") << "1" << "65536" << QStringList{addr};
        QTest::newRow("calibration not a number") << "1" << "abc" << QStringList{addr};
        QTest::newRow("reading not a number") << "abc" << "10" << QStringList{"1D0600000A00", addr};
        QTest::newRow("reading empty") << "" << "10" << QStringList{"1D0600000A00", addr};
        QTest::newRow("reading x C over 2^32-1") << "65538" << "65535" << QStringList{"1D060000FFFF", addr};
    }
    void invalidSensorValues()
    {
        QFETCH(QString, reading);
        QFETCH(QString, calibration);
        QFETCH(QStringList, expected);
        SettingsValues v;
        v.CheckSensor = v.CheckAddr = true;
        v.EditSensor = reading;
        v.EditSensorCalibr = calibration;
        const auto batch = protocol::buildSettingsBatch(v, accepted());
        QCOMPARE(hexOf(batch.requests), expected);
        QVERIFY(batch.sensorValuesInvalid);
    }

    // T = days since 2000-01-01 × 86400 + seconds of the day + 3, from the
    // calendar fields; moments out of range are taken as the nearest end.
    void clockSeconds_data()
    {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QTime>("time");
        QTest::addColumn<quint32>("expected");
        QTest::newRow("epoch") << QDate(2000, 1, 1) << QTime(0, 0) << quint32(3);
        QTest::newRow("next day plus a second") << QDate(2000, 1, 2) << QTime(0, 0, 1) << quint32(86404);
        QTest::newRow("milliseconds dropped") << QDate(2000, 1, 1) << QTime(0, 0, 1, 999) << quint32(4);
        // 9692 days × 86400 + 43200 + 3: no hour lost to summer time.
        QTest::newRow("summer date") << QDate(2026, 7, 15) << QTime(12, 0) << quint32(837432003);
        QTest::newRow("winter date") << QDate(2026, 1, 15) << QTime(12, 0) << quint32(9511u * 86400 + 43200 + 3);
        QTest::newRow("before 2000 is the earliest") << QDate(1999, 12, 31) << QTime(23, 59, 59) << quint32(3);
        QTest::newRow("far past") << QDate(1900, 6, 1) << QTime(12, 0) << quint32(3);
        QTest::newRow("latest: 2136-02-07 06:28:12") << QDate(2136, 2, 7) << QTime(6, 28, 12) << quint32(0xFFFFFFFF);
        QTest::newRow("a second before the latest") << QDate(2136, 2, 7) << QTime(6, 28, 11) << quint32(0xFFFFFFFE);
        QTest::newRow("a second after the latest") << QDate(2136, 2, 7) << QTime(6, 28, 13) << quint32(0xFFFFFFFF);
        QTest::newRow("far future") << QDate(9999, 12, 31) << QTime(23, 59, 59) << quint32(0xFFFFFFFF);
    }
    void clockSeconds()
    {
        QFETCH(QDate, date);
        QFETCH(QTime, time);
        QFETCH(quint32, expected);
        QCOMPARE(protocol::clockRequestSeconds(date, time), expected);
    }

    void pickerRange()
    {
        QCOMPARE(protocol::kEarliestMoment().date(), QDate(2000, 1, 1));
        QCOMPARE(protocol::kEarliestMoment().time(), QTime(0, 0));
        QCOMPARE(protocol::kLatestMoment().date(), QDate(2136, 2, 7));
        QCOMPARE(protocol::kLatestMoment().time(), QTime(6, 28, 12));
    }

    // reading × C rounded half to even on the exact decimal value.
    void sensorCount_data()
    {
        QTest::addColumn<QString>("reading");
        QTest::addColumn<int>("calibration");
        QTest::addColumn<qint64>("expected"); // -1: refused
        QTest::newRow("0.5015 x 1000") << "0.5015" << 1000 << qint64(502);
        QTest::newRow("0.5025 x 1000") << "0.5025" << 1000 << qint64(502);
        QTest::newRow("2.5 x 1") << "2.5" << 1 << qint64(2);
        QTest::newRow("3.5 x 1") << "3.5" << 1 << qint64(4);
        QTest::newRow("comma separator") << "3,5" << 1 << qint64(4);
        QTest::newRow("0.5 x 1") << "0.5" << 1 << qint64(0);
        QTest::newRow("just above half") << "0.50000000000000000001" << 1 << qint64(1);
        QTest::newRow("just below half") << "0.49999999999999999999" << 1 << qint64(0);
        QTest::newRow("zeros around") << "000123.450" << 10 << qint64(1234);
        QTest::newRow("no integer part") << ".5" << 3 << qint64(2);
        QTest::newRow("no fraction digits") << "5." << 3 << qint64(15);
        QTest::newRow("blanks around") << "  12 " << 2 << qint64(24);
        QTest::newRow("zero") << "0" << 65535 << qint64(0);
        QTest::newRow("largest count") << "4294967295" << 1 << qint64(4294967295);
        QTest::newRow("half below the top, even") << "4294967294.5" << 1 << qint64(4294967294);
        QTest::newRow("65536 x 65535") << "65536" << 65535 << qint64(4294901760);
        QTest::newRow("rounds past the top") << "4294967295.5" << 1 << qint64(-1);
        QTest::newRow("65537 x 65535 is the top") << "65537" << 65535 << qint64(4294967295);
        QTest::newRow("65538 x 65535 over") << "65538" << 65535 << qint64(-1);
        QTest::newRow("eleven digits") << "10000000000" << 1 << qint64(-1);
        QTest::newRow("letters") << "abc" << 1 << qint64(-1);
        QTest::newRow("empty") << "" << 1 << qint64(-1);
        QTest::newRow("separator only") << "." << 1 << qint64(-1);
        QTest::newRow("two separators") << "1.2.3" << 1 << qint64(-1);
        QTest::newRow("both separators") << "1,5.0" << 1 << qint64(-1);
        QTest::newRow("minus") << "-1" << 1 << qint64(-1);
        QTest::newRow("plus") << "+1" << 1 << qint64(-1);
        QTest::newRow("group separator") << "1 000" << 1 << qint64(-1);
        QTest::newRow("exponent") << "1e3" << 1 << qint64(-1);
    }
    void sensorCount()
    {
        QFETCH(QString, reading);
        QFETCH(int, calibration);
        QFETCH(qint64, expected);
        const auto count = protocol::sensorCount(reading, static_cast<quint16>(calibration));
        QCOMPARE(count ? qint64(*count) : qint64(-1), expected);
    }

    void sensorCalibration_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected"); // -1: refused
        QTest::newRow("1") << "1" << 1;
        QTest::newRow("65535") << "65535" << 65535;
        QTest::newRow("leading zeros and blanks") << " 0000065535 " << 65535;
        QTest::newRow("0") << "0" << -1;
        QTest::newRow("65536") << "65536" << -1;
        QTest::newRow("huge") << "99999999999999999999" << -1;
        QTest::newRow("decimal") << "1.0" << -1;
        QTest::newRow("negative") << "-5" << -1;
        QTest::newRow("letters") << "abc" << -1;
        QTest::newRow("empty") << "" << -1;
    }
    void sensorCalibration()
    {
        QFETCH(QString, text);
        QFETCH(int, expected);
        const auto c = protocol::sensorCalibration(text);
        QCOMPARE(c ? int(*c) : -1, expected);
    }
};

QTEST_GUILESS_MAIN(TestSettingsBatch)
#include "tst_settingsbatch.moc"
