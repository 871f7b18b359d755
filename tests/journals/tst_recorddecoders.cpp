// Journal record payloads as list rows: every layout, the settings-journal
// code table, short payloads and values outside the lists.

#include "journals/journal.h"
#include "journals/recorddecoders.h"
#include "protocol/encodings.h"

#include <QTest>

using journals::Journal;

namespace {

const QLocale kRussian(QLocale::Russian);

// MeterFloat words: exponent in bits 24..31, sign in bit 23.
constexpr quint32 kOne = 0x7F000000;      // 1.0
constexpr quint32 kTwo = 0x80000000;      // 2.0
constexpr quint32 kOneHalf = 0x7F400000;  // 1.5
constexpr quint32 kQuarter = 0x7D000000;  // 0.25
constexpr quint32 kMinusOne = 0x7F800000; // -1.0
constexpr quint32 kTen = 0x82200000;      // 10.0
constexpr quint32 kBig = 0x93000003;      // 2^20 + 0.375 = 1048576.375

QByteArray le32(quint32 v)
{
    QByteArray out;
    for (int i = 0; i < 4; ++i)
        out.append(char((v >> (8 * i)) & 0xFF));
    return out;
}

// A zero record of `size` bytes with `bytes` written at `at`.
QByteArray record(int size, int at, const QByteArray &bytes)
{
    QByteArray out(size, '\0');
    out.replace(at, bytes.size(), bytes);
    return out;
}

// Settings-journal record: time 0 (2000-01-01 00:00), code, value bytes.
QByteArray setting(int code, const QByteArray &value)
{
    return QByteArray(4, '\0') + char(code) + value;
}

} // namespace

class TestRecordDecoders : public QObject
{
    Q_OBJECT

private slots:
    void columnsAndNames();
    void energyFields_data();
    void energyFields();
    void dateMoment_data();
    void dateMoment();
    void activeSum();
    void events_data();
    void events();
    void settingsCodes_data();
    void settingsCodes();
    void profileRecord();
    void shortPayloads_data();
    void shortPayloads();
};

void TestRecordDecoders::columnsAndNames()
{
    const QStringList tariffs{"1 тариф", "2 тариф", "3 тариф", "4 тариф", "5 тариф", "6 тариф", "7 тариф", "8 тариф"};
    const QStringList tail{"Время работы", "1-ый дискр.сч.", "2-ой дискр.сч.", "3-ий дискр.сч."};
    QCOMPARE(journals::journalColumns(Journal::Month),
             QStringList({"Дата", "Активная", "Реакт.прям.", "Реакт.обр.", "Пик мощн., Вт", "Вр. пика", "Некач. эн.",
                          "Парам. расч."})
                 + tariffs + tail);
    QCOMPARE(journals::journalColumns(Journal::Day),
             QStringList({"Дата", "Активная", "Реакт.прям.", "Реакт.обр.", "Некач. U", "Некач. F", "Некач. U+F",
                          "Флаги некач."})
                 + tariffs + tail);
    QCOMPARE(journals::journalColumns(Journal::Settings),
             QStringList({"дата время", "параметр", "установленное значение", "примечания"}));
    QCOMPARE(journals::journalColumns(Journal::Profile),
             QStringList({"Время", "Активная энергия , кВт", "Реакт.прям., квар.ч.", "Реакт.обр., квар.ч."}));
    QCOMPARE(journals::journalCaption(Journal::OnOff), QStringLiteral("Вкл./выкл."));
    QCOMPARE(journals::journalCaption(Journal::Quality), QStringLiteral("ПКЭ"));

    const QStringList names{"month", "day", "onoff", "settings", "quality", "profile"};
    for (int i = 0; i < journals::kJournalCount; ++i) {
        QCOMPARE(journals::journalName(Journal(i)), names[i]);
        QCOMPARE(journals::journalFromName(names[i]), std::optional<Journal>(Journal(i)));
        // Every row has one cell per column, even from an empty payload.
        QCOMPARE(journals::decodeRecord(Journal(i), QByteArray(1, '\0'), kRussian).cells.size(),
                 journals::journalColumns(Journal(i)).size());
    }
    QCOMPARE(journals::journalFromName("Month"), std::nullopt);
}

// One field of a month (73 bytes) or day (67 bytes) record, the rest zero.
void TestRecordDecoders::energyFields_data()
{
    QTest::addColumn<int>("journal");
    QTest::addColumn<int>("at");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("expected");

    const int m = int(Journal::Month), d = int(Journal::Day);
    QTest::newRow("date 05 11 09") << m << 1 << QByteArray("\x05\x11\x09") << 0 << "05.11.2009";
    QTest::newRow("date byte 1A") << m << 1 << QByteArray("\x1A\x11\x09") << 0 << "1A.11.2009";
    QTest::newRow("day date 31 12 99") << d << 1 << QByteArray("\x31\x12\x99") << 0 << "31.12.2099";
    QTest::newRow("tariff 1") << m << 4 << le32(kOne) << 8 << "1,00";
    QTest::newRow("tariff 8") << d << 32 << le32(kOneHalf) << 15 << "1,50";
    QTest::newRow("tariff zero is empty") << m << 8 << le32(0) << 9 << "";
    QTest::newRow("tariff below zero is empty") << m << 8 << le32(kMinusOne) << 9 << "";
    QTest::newRow("tariff precision 8") << m << 4 << le32(kBig) << 8 << "1048576,40";
    QTest::newRow("reactive forward") << m << 36 << le32(kOneHalf) << 2 << "1,50";
    QTest::newRow("reactive reverse") << d << 40 << le32(kQuarter) << 3 << "0,25";
    QTest::newRow("reactive zero shown") << m << 40 << le32(0) << 3 << "0,00";
    QTest::newRow("peak power 39 30 00") << m << 48 << QByteArray("\x39\x30\x00", 3) << 4 << "1234,5";
    QTest::newRow("peak time") << m << 44 << le32(86400 + 3600) << 5
                               << protocol::formatDateTime(QDateTime(QDate(2000, 1, 2), QTime(1, 0)), kRussian);
    QTest::newRow("poor energy 375") << m << 51 << QByteArray("\x77\x01\x00", 3) << 6 << "2:05";
    QTest::newRow("poor energy 0") << m << 51 << QByteArray(3, '\0') << 6 << "0:00";
    QTest::newRow("threshold D8 00 01") << m << 54 << QByteArray("\xD8\x00\x01", 3) << 7 << "72 Account Kind";
    QTest::newRow("threshold D9 00 03") << m << 54 << QByteArray("\xD9\x00\x03", 3) << 7 << "72:20 Account Kind JTVF";
    QTest::newRow("threshold DA 00 02") << m << 54 << QByteArray("\xDA\x00\x02", 3) << 7 << "72:40 JTVF";
    QTest::newRow("threshold D8 00 00") << m << 54 << QByteArray("\xD8\x00\x00", 3) << 7 << "72";
    QTest::newRow("month working time") << m << 57 << le32(90061) << 16 << "1д.01:01:01";
    QTest::newRow("month counter 1") << m << 61 << le32(kTen) << 17 << "10,00";
    QTest::newRow("month counter 3") << m << 69 << le32(kTwo) << 19 << "2,00";
    QTest::newRow("poor U 23") << d << 44 << QByteArray("\x17\x00", 2) << 4 << "7:40";
    QTest::newRow("poor F 24") << d << 46 << QByteArray("\x18\x00", 2) << 5 << "8:00";
    QTest::newRow("poor U+F 0x0101") << d << 48 << QByteArray("\x01\x01", 2) << 6 << "85:40";
    QTest::newRow("poor flags decimal") << d << 50 << QByteArray("\x11") << 7 << "17";
    QTest::newRow("day working time") << d << 51 << le32(3599) << 16 << "00:59:59";
    QTest::newRow("day counter 1") << d << 55 << le32(kTen) << 17 << "10,00";
    QTest::newRow("day counter 3") << d << 63 << le32(kQuarter) << 19 << "0,25";
}

void TestRecordDecoders::energyFields()
{
    QFETCH(int, journal);
    QFETCH(int, at);
    QFETCH(QByteArray, bytes);
    QFETCH(int, column);
    QFETCH(QString, expected);
    const int size = journal == int(Journal::Month) ? 73 : 67;
    const journals::JournalRow row = journals::decodeRecord(Journal(journal), record(size, at, bytes), kRussian);
    QCOMPARE(row.cells.value(column), expected);
}

// The row's moment is the caption's date at midnight, invalid for bytes
// that are no date.
void TestRecordDecoders::dateMoment_data()
{
    QTest::addColumn<QByteArray>("date");
    QTest::addColumn<QDateTime>("when");
    QTest::newRow("05 11 09") << QByteArray("\x05\x11\x09") << QDateTime(QDate(2009, 11, 5), QTime(0, 0));
    QTest::newRow("nibble A") << QByteArray("\x1A\x11\x09") << QDateTime();
    QTest::newRow("31 02") << QByteArray("\x31\x02\x09") << QDateTime();
    QTest::newRow("month 00") << QByteArray("\x01\x00\x09", 3) << QDateTime();
}

void TestRecordDecoders::dateMoment()
{
    QFETCH(QByteArray, date);
    QFETCH(QDateTime, when);
    for (Journal j : {Journal::Month, Journal::Day})
        QCOMPARE(journals::decodeRecord(j, record(67, 1, date), kRussian).when, when);
}

void TestRecordDecoders::activeSum()
{
    QByteArray payload(73, '\0');
    payload.replace(4, 4, le32(kOne));
    payload.replace(12, 4, le32(kTwo));
    payload.replace(32, 4, le32(kQuarter));
    QCOMPARE(journals::decodeRecord(Journal::Month, payload, kRussian).cells[1], QStringLiteral("3,25"));
    payload.replace(16, 4, le32(kMinusOne)); // shown nowhere, yet counted
    QCOMPARE(journals::decodeRecord(Journal::Day, payload, kRussian).cells[1], QStringLiteral("2,25"));
    QCOMPARE(journals::decodeRecord(Journal::Day, QByteArray(67, '\0'), kRussian).cells[1], QStringLiteral("0,00"));
    QCOMPARE(journals::decodeRecord(Journal::Day, payload, QLocale::c()).cells[1], QStringLiteral("2.25"));
}

void TestRecordDecoders::events_data()
{
    QTest::addColumn<int>("journal");
    QTest::addColumn<int>("byte");
    QTest::addColumn<QString>("expected");
    const int o = int(Journal::OnOff), q = int(Journal::Quality);
    QTest::newRow("off") << o << 0 << "выключение";
    QTest::newRow("on") << o << 1 << "включение";
    QTest::newRow("load off") << o << 2 << "отключение нагрузки";
    QTest::newRow("load on") << o << 3 << "подключение нагрузки";
    QTest::newRow("event 4") << o << 4 << "? 4";
    QTest::newRow("event 255") << o << 255 << "? 255";
    QTest::newRow("quality 0x11") << q << 0x11 << " U -10% F -0,4 Гц";
    QTest::newRow("quality none") << q << 0 << "";
    QTest::newRow("quality 0x0E") << q << 0x0E << " U -5% U +5% U +10%";
    QTest::newRow("quality 0xE0") << q << 0xE0 << " F -0,2 Гц F +0,2 Гц F +0,4 Гц";
}

void TestRecordDecoders::events()
{
    QFETCH(int, journal);
    QFETCH(int, byte);
    QFETCH(QString, expected);
    const QByteArray payload = le32(86400 * 366 + 45296) + char(byte); // 2001-01-01 12:34:56
    const journals::JournalRow row = journals::decodeRecord(Journal(journal), payload, kRussian);
    const QDateTime when(QDate(2001, 1, 1), QTime(12, 34, 56));
    QCOMPARE(row.cells, QStringList({protocol::formatDateTime(when, kRussian), expected}));
    QCOMPARE(row.when, when);
}

void TestRecordDecoders::settingsCodes_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QString>("parameter");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("note");

    QTest::newRow("1") << setting(1, le32(86400)) << "время" << "02.01.2000" << "установленное = предыдущее";
    QTest::newRow("2") << setting(2, "\x05") << "коэфф. лимита тар. расп." << "5" << "";
    QTest::newRow("3") << setting(3, {}) << "пароль" << "" << "";
    QTest::newRow("4") << setting(4, "\x0F") << "пер. инт. пик. мощн." << "15" << "мин.";
    QTest::newRow("5") << setting(5, "\x1A\x08") << "РДЧ" << "1A - 08" << "день - час";
    QTest::newRow("6") << setting(6, {}) << "сброс показаний на РДЧ" << "" << "";
    QTest::newRow("7") << setting(7, {}) << "индикация" << "" << "";
    QTest::newRow("16 index 7") << setting(16, "\x07") << "период фиксации профиля" << "10" << "мин.";
    QTest::newRow("16 index 0") << setting(16, QByteArray(1, '\0')) << "период фиксации профиля" << "выкл." << "мин.";
    QTest::newRow("16 index 12") << setting(16, "\x0C") << "период фиксации профиля" << "60" << "мин.";
    QTest::newRow("16 index 13") << setting(16, "\x0D") << "период фиксации профиля" << "(?) 13" << "мин.";
    QTest::newRow("16 index 255") << setting(16, "\xFF") << "период фиксации профиля" << "(?) 255" << "мин.";
    QTest::newRow("20") << setting(20, {}) << "сброс пломбы" << "" << "";
    QTest::newRow("22") << setting(22, {}) << "нарушение пломбы клемника" << "" << "";
    QTest::newRow("50") << setting(50, "\x34\x12") << "тарифное расписание" << "4660" << "контр. сумма";
    QTest::newRow("51") << setting(51, {}) << "праздники" << "" << "";
    QTest::newRow("52") << setting(52, {}) << "переносы" << "" << "";
    QTest::newRow("53") << setting(53, "\x03\xFE") << "группа-адрес RFPLC" << "3 - 254" << "группа - адрес";
    QTest::newRow("54") << setting(54, {}) << "маршруты RFPLC" << "" << "";
    QTest::newRow("55 both flags") << setting(55, QByteArray("\xD9\x00\x03", 3)) << "пар. расч. некач. энергии"
                                   << "72:20 - AccountKind- JTVF" << "порог врем. - алг. учета";
    QTest::newRow("55 no flags") << setting(55, QByteArray("\xD8\x00\x00", 3)) << "пар. расч. некач. энергии" << "72"
                                 << "порог врем. - алг. учета";
    QTest::newRow("55 JTVF") << setting(55, QByteArray("\x02\x00\x02", 3)) << "пар. расч. некач. энергии"
                             << "0:40- JTVF" << "порог врем. - алг. учета";
    QTest::newRow("56") << setting(56, {}) << "номер и мощность радиоканала" << "" << "";
    QTest::newRow("57") << setting(57, "\xE8\x03") << "лимит мощности нагрузки" << "1000" << "Вт";
    QTest::newRow("58 mode 2") << setting(58, QByteArray("\x40\xE2\x01\x02", 4)) << "номер пульта и режим нагрузки"
                               << "123456 включено, запрещено включение с пульта" << "№ - мощность (dB)";
    QTest::newRow("58 mode 4") << setting(58, QByteArray("\x40\xE2\x01\x04", 4)) << "номер пульта и режим нагрузки"
                               << "" << "№ - мощность (dB)";
    QTest::newRow("59 115200") << setting(59, "\x11\x05") << "Rs-485" << "17-115200" << "адрес-скорость";
    QTest::newRow("59 low three bits") << setting(59, "\x11\xF8") << "Rs-485" << "17-4800" << "адрес-скорость";
    QTest::newRow("59 index 6") << setting(59, "\x11\x06") << "Rs-485" << "17-(?) 6" << "адрес-скорость";
    QTest::newRow("59 index 7") << setting(59, "\x11\x0F") << "Rs-485" << "17-(?) 7" << "адрес-скорость";
    QTest::newRow("60") << setting(60, "\x01\x02") << "калибровка датчика 1" << "513" << "";
    QTest::newRow("61") << setting(61, "\xFF\xFF") << "калибровка датчика 2" << "65535" << "";
    QTest::newRow("62") << setting(62, QByteArray(2, '\0')) << "калибровка датчика 3" << "0" << "";
    QTest::newRow("63") << setting(63, le32(0x12345678)) << "установка датчика 1" << "305419896" << "";
    QTest::newRow("64") << setting(64, le32(0xFFFFFFFF)) << "установка датчика 2" << "4294967295" << "";
    QTest::newRow("65") << setting(65, le32(1)) << "установка датчика 3" << "1" << "";
    QTest::newRow("unknown 0") << setting(0, "\x05") << "(?) 0" << "" << "";
    QTest::newRow("unknown 8") << setting(8, "\x05") << "(?) 8" << "" << "";
    QTest::newRow("unknown 66") << setting(66, le32(1)) << "(?) 66" << "" << "";
    QTest::newRow("unknown 255") << setting(255, {}) << "(?) 255" << "" << "";
}

void TestRecordDecoders::settingsCodes()
{
    QFETCH(QByteArray, payload);
    QFETCH(QString, parameter);
    QFETCH(QString, value);
    QFETCH(QString, note);
    const journals::JournalRow row = journals::decodeRecord(Journal::Settings, payload, kRussian);
    QCOMPARE(row.cells, QStringList({"01.01.2000", parameter, value, note}));
    QCOMPARE(row.when, QDateTime(QDate(2000, 1, 1), QTime(0, 0)));
}

void TestRecordDecoders::profileRecord()
{
    const QByteArray payload = le32(86400 * 3 + 45296) + le32(kOne) + le32(kOneHalf) + le32(kQuarter);
    const journals::JournalRow row = journals::decodeRecord(Journal::Profile, payload, kRussian);
    QCOMPARE(row.cells, QStringList({"12:34:56", "1,00", "1,50", "0,25"}));
    QCOMPARE(row.when, QDateTime(QDate(2000, 1, 4), QTime(12, 34, 56)));

    const std::optional<journals::ProfilePoint> point = journals::decodeProfilePoint(payload);
    QVERIFY(point);
    QCOMPARE(point->when, row.when);
    QCOMPARE(point->values, (std::array<double, 3>{1.0, 1.5, 0.25}));
    QCOMPARE(journals::decodeProfilePoint(payload.first(15)), std::nullopt);
}

// A field is shown only when all its bytes are there; the row keeps one
// cell per column.
void TestRecordDecoders::shortPayloads_data()
{
    QTest::addColumn<int>("journal");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QStringList>("cells");

    QByteArray month(73, '\0');
    month.replace(1, 3, "\x05\x11\x09");
    for (int i = 0; i < 8; ++i)
        month.replace(4 + 4 * i, 4, le32(kOne));
    month.replace(48, 3, QByteArray("\x39\x30\x00", 3));
    QStringList monthCells(20);
    monthCells[0] = "05.11.2009";
    QTest::newRow("month date only") << int(Journal::Month) << month.first(4) << monthCells;
    QTest::newRow("month date cut") << int(Journal::Month) << month.first(3) << QStringList(20);
    for (int i = 0; i < 7; ++i)
        monthCells[8 + i] = "1,00";
    QTest::newRow("month tariff 8 missing: no sum") << int(Journal::Month) << month.first(35) << monthCells;
    monthCells[15] = "1,00";
    monthCells[1] = "8,00";
    QTest::newRow("month tariffs whole") << int(Journal::Month) << month.first(36) << monthCells;
    monthCells[2] = "0,00";
    monthCells[3] = "0,00";
    monthCells[5] = "01.01.2000";
    QTest::newRow("month peak power cut") << int(Journal::Month) << month.first(50) << monthCells;

    QByteArray day(67, '\0');
    day.replace(44, 2, QByteArray("\x17\x00", 2));
    QStringList dayCells = journals::decodeRecord(Journal::Day, day.first(44), kRussian).cells;
    QCOMPARE(dayCells[4], QString());
    QTest::newRow("day poor U cut") << int(Journal::Day) << day.first(45) << dayCells;
    dayCells[4] = "7:40";
    QTest::newRow("day poor U whole") << int(Journal::Day) << day.first(46) << dayCells;

    const QByteArray stamp = le32(45296);
    QTest::newRow("on/off time cut") << int(Journal::OnOff) << stamp.first(3) << QStringList(2);
    QTest::newRow("on/off no event") << int(Journal::OnOff) << stamp
                                     << QStringList({protocol::formatDateTime(QDateTime(QDate(2000, 1, 1), QTime(12, 34, 56)), kRussian), ""});
    QTest::newRow("settings no code") << int(Journal::Settings) << QByteArray(4, '\0')
                                      << QStringList({"01.01.2000", "", "", ""});
    QTest::newRow("settings 1 value cut") << int(Journal::Settings) << setting(1, "\x01\x02\x03")
                                          << QStringList({"01.01.2000", "время", "", "установленное = предыдущее"});
    QTest::newRow("settings 55 flags missing") << int(Journal::Settings) << setting(55, QByteArray("\xD9\x00", 2))
                                               << QStringList({"01.01.2000", "пар. расч. некач. энергии", "",
                                                               "порог врем. - алг. учета"});
    QTest::newRow("settings 58 mode missing") << int(Journal::Settings) << setting(58, "\x40\xE2\x01")
                                              << QStringList({"01.01.2000", "номер пульта и режим нагрузки", "",
                                                              "№ - мощность (dB)"});
    QTest::newRow("profile time and active") << int(Journal::Profile) << le32(45296) + le32(kOne) + le32(kOne).first(3)
                                             << QStringList({"12:34:56", "1,00", "", ""});
}

void TestRecordDecoders::shortPayloads()
{
    QFETCH(int, journal);
    QFETCH(QByteArray, payload);
    QFETCH(QStringList, cells);
    QCOMPARE(journals::decodeRecord(Journal(journal), payload, kRussian).cells, cells);
}

QTEST_GUILESS_MAIN(TestRecordDecoders)
#include "tst_recorddecoders.moc"
