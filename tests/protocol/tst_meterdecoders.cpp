// Page "О счетчике": payload encodings, the decoders of the polled replies,
// what a short or wrongly sized reply leaves alone, and resetReadings.

#include "protocol/encodings.h"
#include "protocol/meterdecoders.h"
#include "protocol/meterpage.h"

#include <QSignalSpy>
#include <QTest>

using namespace protocol;
using P = MeterPage;

Q_DECLARE_METATYPE(protocol::MeterPage::ListId)

namespace {

// [code][L][payload][CRC]; the decoders never look at the CRC, so two zero
// bytes stand in for it.
Reply reply(quint8 code, const QByteArray &payload)
{
    QByteArray bytes;
    bytes.append(char(code));
    bytes.append(char(payload.size() + 2));
    bytes.append(payload);
    bytes.append(2, '\0');
    return Reply(bytes);
}

Reply replyHex(quint8 code, const char *payloadHex)
{
    return reply(code, QByteArray::fromHex(payloadHex));
}

// Row of a list found by its caption, so a test names the row the operator
// sees rather than an index.
int rowOf(P::ListId list, const QString &caption)
{
    for (int row = 0; row < P::rowCount(list); ++row)
        if (P::rowCaption(list, row) == caption)
            return row;
    return -1;
}

const QLocale russian(QLocale::Russian, QLocale::Russia);

} // namespace

class TestMeterDecoders : public QObject
{
    Q_OBJECT

    // Every cell text of the page, for "nothing changed" checks.
    static QStringList snapshot(const MeterPage &page)
    {
        QStringList all;
        for (int l = 0; l < P::kListCount; ++l)
            for (int row = 0; row < P::rowCount(P::ListId(l)); ++row)
                for (int column = 0; column < P::valueColumnCount(P::ListId(l)); ++column)
                    all << page.cell(P::ListId(l), row, column);
        all << page.memoStatus() << page.editDelta();
        all << QString::number(page.meterType()) << QString::number(page.meterSerial())
            << QString::number(page.clockFaultBits()) << QString::number(page.lastStatusByte())
            << QString::number(page.workingSeconds());
        return all;
    }

private slots:
    // ---- encodings ----

    void meterFloat_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<double>("value");
        QTest::newRow("1.0") << QByteArray::fromHex("0000007F") << 1.0;
        QTest::newRow("2.5") << QByteArray::fromHex("00002080") << 2.5;
        QTest::newRow("-1.0") << QByteArray::fromHex("0000807F") << -1.0;
        QTest::newRow("200.0") << QByteArray::fromHex("00004886") << 200.0;
        QTest::newRow("zero word") << QByteArray::fromHex("00000000") << 0.0;
    }
    void meterFloat()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(double, value);
        QCOMPARE(protocol::meterFloat(u32le(bytes, 0)), value);
    }

    void integersAndBcd()
    {
        const QByteArray b = QByteArray::fromHex("39300012FF");
        QCOMPARE(u16le(b, 0), quint16(12345));
        QCOMPARE(u24le(b, 0), quint32(12345));
        QCOMPARE(u24le(b, 2), quint32(0xFF1200));
        QCOMPARE(u32le(b, 1), quint32(0xFF120030));
        QCOMPARE(bcd8(0x15), 15);
        QCOMPARE(bcd8(0x99), 99);
        QCOMPARE(toBcd8(59), quint8(0x59));
        QCOMPARE(toBcd8(7), quint8(0x07));
        QCOMPARE(typeCode(0x01, 0x04, 0x05), 50401);
    }

    void meterSeconds_data()
    {
        QTest::addColumn<quint32>("seconds");
        QTest::addColumn<QDateTime>("expected");
        QTest::newRow("0") << 0u << QDateTime(QDate(2000, 1, 1), QTime(0, 0));
        QTest::newRow("86400") << 86400u << QDateTime(QDate(2000, 1, 2), QTime(0, 0));
        QTest::newRow("day and a bit") << 90061u << QDateTime(QDate(2000, 1, 2), QTime(1, 1, 1));
        // Across a leap day and far ahead.
        QTest::newRow("2000-03-01") << quint32(60 * 86400) << QDateTime(QDate(2000, 3, 1), QTime(0, 0));
        QTest::newRow("max") << 0xFFFFFFFFu << QDateTime(QDate(2136, 2, 7), QTime(6, 28, 15));
    }
    void meterSeconds()
    {
        QFETCH(quint32, seconds);
        QFETCH(QDateTime, expected);
        QCOMPARE(meterSecondsToDateTime(seconds), expected);
    }

    void fixed3_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("russianText");
        QTest::addColumn<QString>("cText");
        QTest::newRow("1") << 1.0 << "1,000" << "1.000";
        QTest::newRow("negative") << -2.5 << "-2,500" << "-2.500";
        // No digit grouping (the Russian and C locales group by default).
        QTest::newRow("thousands") << 1234.5 << "1234,500" << "1234.500";
        // At most 8 significant digits, then padded to 3 decimals.
        QTest::newRow("6 whole digits") << 123456.789 << "123456,790" << "123456.790";
        QTest::newRow("8 digits") << 12345.6789 << "12345,679" << "12345.679";
        QTest::newRow("7 whole digits") << 1234567.891 << "1234567,900" << "1234567.900";
        QTest::newRow("exponent") << 123456789.0 << "1,2345679E+08" << "1.2345679E+08";
        QTest::newRow("tiny negative") << -0.0001 << "0,000" << "0.000";
    }
    void fixed3()
    {
        QFETCH(double, value);
        QFETCH(QString, russianText);
        QFETCH(QString, cText);
        QCOMPARE(formatFixed3(value, russian), russianText);
        QCOMPARE(formatFixed3(value, QLocale::c()), cText);
    }

    void dateTimeForm()
    {
        const QDateTime afternoon(QDate(2000, 1, 2), QTime(13, 5, 7));
        const QDateTime midnight(QDate(2000, 1, 2), QTime(0, 0));
        QCOMPARE(formatDateTime(afternoon, russian), QStringLiteral("02.01.2000 13:05:07"));
        QCOMPARE(formatDateTime(midnight, russian), QStringLiteral("02.01.2000"));
        QCOMPARE(formatDateTime(midnight.addMSecs(1), russian), QStringLiteral("02.01.2000 00:00:00"));
        // The C locale's long time carries a time-zone field; it is dropped.
        QCOMPARE(formatDateTime(afternoon, QLocale::c()), QStringLiteral("2 Jan 2000 13:05:07"));
    }

    // ---- the display locale ----

    // A system that names no locale (C, POSIX) shows Russian forms; any other
    // system locale keeps its own.
    void displayLocaleChoice_data()
    {
        QTest::addColumn<QLocale>("system");
        QTest::addColumn<QString>("dateTime");
        QTest::addColumn<QString>("number");
        QTest::newRow("C") << QLocale::c() << "10.12.2026 02:09:19" << "-2,500";
        QTest::newRow("POSIX") << QLocale(QStringLiteral("POSIX")) << "10.12.2026 02:09:19" << "-2,500";
        QTest::newRow("Russian") << russian << "10.12.2026 02:09:19" << "-2,500";
        QTest::newRow("German kept") << QLocale(QLocale::German, QLocale::Germany) << "10.12.26 02:09:19" << "-2,500";
        QTest::newRow("US English kept") << QLocale(QLocale::English, QLocale::UnitedStates) << "12/10/26 2:09:19 AM"
                                         << "-2.500";
    }
    void displayLocaleChoice()
    {
        QFETCH(QLocale, system);
        const QLocale shown = displayLocale(system);
        QTEST(formatDateTime(QDateTime(QDate(2026, 12, 10), QTime(2, 9, 19)), shown), "dateTime");
        QTEST(formatFixed3(-2.5, shown), "number");
    }

    // The tests run under LC_ALL=C.UTF-8: left to their default, the decoders
    // show Russian forms.
    void decodersOnALocalelessSystem()
    {
        if (QLocale::system().language() != QLocale::C)
            QSKIP("the test environment sets LC_ALL=C.UTF-8; this run has another locale");
        MeterPage page;
        MeterDecoders decoders(&page);
        decoders.decode(replyHex(0x04, "83CD5F0100"));
        decoders.decode(replyHex(0x25, "00002080"));
        QCOMPARE(page.cell(P::ListMain, P::MainDateTime), QStringLiteral("02.01.2000 01:01:01"));
        QCOMPARE(page.cell(P::ListInfo, P::InfoBattery), QStringLiteral("2,500"));
    }

    // ---- layout ----

    void layout()
    {
        QCOMPARE(P::rowCount(P::ListMain), 23);
        QCOMPARE(P::rowCount(P::ListAddi), 15);
        QCOMPARE(P::rowCount(P::ListParam), 9);
        QCOMPARE(P::rowCount(P::ListInfo), 3);
        QCOMPARE(P::rowCount(P::ListSensor), 3);
        QCOMPARE(P::valueColumnCount(P::ListMain), 1);
        QCOMPARE(P::valueColumnCount(P::ListAddi), 2);
        QCOMPARE(P::valueColumnCount(P::ListParam), 4);
        QCOMPARE(P::valueColumnCount(P::ListInfo), 1);
        QCOMPARE(P::valueColumnCount(P::ListSensor), 3);
        QCOMPARE(P::columnTitles(P::ListAddi), (QStringList{"", "текущие", "РДЧ"}));
        QCOMPARE(P::columnTitles(P::ListSensor), (QStringList{"дискретный датчик", "калибровка", "текущие", "РДЧ"}));
        // Separator rows of ListMain and ListAddi.
        for (int row : {4, 8, 12, 15, 19})
            QVERIFY(P::rowCaption(P::ListMain, row).isEmpty());
        for (int row : {8, 11})
            QVERIFY(P::rowCaption(P::ListAddi, row).isEmpty());
        QCOMPARE(P::rowCaption(P::ListAddi, 7), QStringLiteral("8 тариф"));
        QCOMPARE(P::rowCaption(P::ListSensor, 2), QStringLiteral("3"));

        MeterPage page;
        for (int l = 0; l < P::kListCount; ++l)
            for (int row = 0; row < P::rowCount(P::ListId(l)); ++row)
                QVERIFY(page.cell(P::ListId(l), row).isEmpty());
        QCOMPARE(page.lastStatusByte(), quint8(255));
    }

    // ---- one reply, one cell ----

    void decodesIntoCell_data()
    {
        QTest::addColumn<QByteArray>("frame"); // code byte followed by the payload
        QTest::addColumn<P::ListId>("list");
        QTest::addColumn<QString>("row");     // caption of the row
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("text");

        auto add = [](const char *name, const char *hex, P::ListId list, const char *row, int column,
                      const char *text) {
            QTest::newRow(name) << QByteArray::fromHex(hex) << list << QString::fromUtf8(row) << column
                                << QString::fromUtf8(text);
        };
        add("00 type", "00 1502010405", P::ListMain, "Тип", 0, "Тарвик 504.01");
        add("00 version", "00 1502010405", P::ListMain, "Версия ПО", 0, "2.15");
        add("00 version without leading zeros", "00 0901010405", P::ListMain, "Версия ПО", 0, "1.9");
        add("00 other type", "00 1502010003", P::ListMain, "Тип", 0, "Тарвик 300.01");
        add("01 serial", "01 393000", P::ListMain, "Заводской номер", 0, "012345");
        add("01 serial 0", "01 000000", P::ListMain, "Заводской номер", 0, "0");
        add("01 serial 7 digits", "01 40420F", P::ListMain, "Заводской номер", 0, "1000000");
        add("04 summer time", "04 83", P::ListMain, "Автопереход на летнее время", 0, "да");
        add("04 no summer time", "04 03", P::ListMain, "Автопереход на летнее время", 0, "нет");
        add("04 tariff", "04 83", P::ListInfo, "Текущий тариф", 0, "4");
        add("04 ok", "04 8300000000", P::ListMain, "Тест часов", 0, "Ok");
        add("04 time", "04 83CD5F0100", P::ListMain, "Дата / время", 0, "02.01.2000 01:01:01");
        add("04 time at midnight", "04 0380510100", P::ListMain, "Дата / время", 0, "02.01.2000");
        add("08 checksum", "08 3930", P::ListMain, "Контрольная сумма тарифного расписания", 0, "12345");
        add("0F tariff 1", "0F 00000000007F", P::ListAddi, "1 тариф", 0, "1,000");
        add("0F tariff 8", "0F 0700000020 80", P::ListAddi, "8 тариф", 0, "2,500");
        add("0F tariff 3 settlement", "0F 0A000000807F", P::ListAddi, "3 тариф", 1, "-1,000");
        add("0F active total", "0F 400000004886", P::ListAddi, "Активная суммарная", 0, "200,000");
        add("0F active total settlement", "0F 480000004886", P::ListAddi, "Активная суммарная", 1, "200,000");
        add("0F reactive inductive", "0F 420000004886", P::ListAddi, "Реактивная индуктивная", 0, "200,000");
        add("0F reactive inductive settlement", "0F 4A0000004886", P::ListAddi, "Реактивная индуктивная", 1, "200,000");
        add("0F reactive capacitive", "0F 450000004886", P::ListAddi, "Реактивная емкостная", 0, "200,000");
        add("0F reactive capacitive settlement", "0F 4D0000004886", P::ListAddi, "Реактивная емкостная", 1, "200,000");
        add("0F active power", "0F 800000000000", P::ListParam, "Активная мощность, кВт", 0, "0,000");
        add("0F cos", "0F 85000000007F", P::ListParam, "Cos(Ф)", 0, "1,000");
        add("0F apparent power", "0F 88000000007F", P::ListParam, "Полная мощность, кВА", 0, "1,000");
        add("11 working time", "11 3B000000", P::ListInfo, "Время работы", 0, "00:00:59");
        add("11 working time days", "11 CD5F0100 FFFF", P::ListInfo, "Время работы", 0, "1д.01:01:01");
        add("16 panel", "16 39300002", P::ListMain, "Номер пульта", 0, "12345");
        add("16 load mode", "16 39300002", P::ListMain, "Режим управления нагрузкой", 0,
            "включено, запрещено включение с пульта");
        add("16 load mode out of range", "16 39300004", P::ListMain, "Режим управления нагрузкой", 0, "");
        add("18 power limit", "18 1027", P::ListMain, "Мощность отключения, Вт", 0, "10000");
        add("1C calibration", "1C 0100E803", P::ListSensor, "2", 0, "1000");
        add("1E integration", "1E 1D", P::ListMain, "Время интегрирования пиковой мощности Pинт, мин.", 0, "30");
        add("22 day", "22 2315", P::ListMain, "Расчетный день", 0, "15");
        add("22 hour", "22 2315", P::ListMain, "Расчетный час", 0, "23");
        add("25 battery", "25 00002080", P::ListInfo, "Заряд батареи", 0, "2,500");
        add("2B current peak power", "2B CD5F0100 A08601 00000000 030000", P::ListAddi, "Пиковая мощность, Вт", 0, "100000");
        add("2B settlement peak power", "2B CD5F0100 A08601 00000000 030000", P::ListAddi, "Пиковая мощность, Вт", 1, "3");
        add("2B current peak time", "2B CD5F0100 A08601 80510100 030000", P::ListAddi, "Время фиксации", 0, "02.01.2000 01:01:01");
        add("2B settlement peak time", "2B CD5F0100 A08601 80510100 030000", P::ListAddi, "Время фиксации", 1, "02.01.2000");
        add("4C identifier", "4C 3412", P::ListMain, "Цифровой идентификатор ПО", 0, "4660");
        add("4D +25", "4D 19", P::ListParam, "Температура, °C", 0, "+25");
        add("4D -5", "4D FB", P::ListParam, "Температура, °C", 0, "-5");
        add("4D +127", "4D 7F", P::ListParam, "Температура, °C", 0, "+127");
        add("4D -128", "4D 80", P::ListParam, "Температура, °C", 0, "-128");
        add("4E reactive", "4E 03", P::ListParam, "Телеметрический канал", 0, "реактивная энергия");
        add("4E active", "4E 02", P::ListParam, "Телеметрический канал", 0, "активная энергия");
        add("50 off", "50 00", P::ListMain, "Период фиксации профиля, мин.", 0, "выкл.");
        add("50 60", "50 0C", P::ListMain, "Период фиксации профиля, мин.", 0, "60");
        add("60 217", "60 D90000", P::ListMain, "Порог времени для учета некачественной энергии", 0, "72 мин. 20 сек.");
        add("60 216", "60 D80000", P::ListMain, "Порог времени для учета некачественной энергии", 0, "72 мин. ");
        add("60 218 top bits ignored", "60 DAE000", P::ListMain, "Порог времени для учета некачественной энергии", 0, "72 мин. 40 сек.");
        add("60 account kind", "60 000001", P::ListMain, "Флаг Account-Kind (если выше порога, то все сутки)", 0, "да");
        add("60 no account kind", "60 000002", P::ListMain, "Флаг Account-Kind (если выше порога, то все сутки)", 0, "нет");
        add("60 jtvf", "60 000002", P::ListMain, "Флаг JTVF (объединение по напряжению и частоте)", 0, "да");
        add("60 no jtvf", "60 000001", P::ListMain, "Флаг JTVF (объединение по напряжению и частоте)", 0, "нет");
    }
    void decodesIntoCell()
    {
        QFETCH(QByteArray, frame);
        QFETCH(P::ListId, list);
        QFETCH(QString, row);
        QFETCH(int, column);
        QFETCH(QString, text);

        const int r = rowOf(list, row);
        QVERIFY2(r >= 0, qPrintable(row));
        MeterPage page;
        MeterDecoders decoders(&page);
        decoders.setLocale(russian);
        page.setCell(list, r, column, QStringLiteral("old"));
        decoders.decode(reply(quint8(frame[0]), frame.mid(1)));
        QCOMPARE(page.cell(list, r, column), text);
    }

    // ---- decoders with more than one effect ----

    void version()
    {
        MeterPage page;
        MeterDecoders decoders(&page);
        decoders.decode(replyHex(0x00, "1502010405"));
        QCOMPARE(page.meterType(), 50401);
        // Another type: type row and meterType change, the version row stays.
        decoders.decode(replyHex(0x00, "9909010003"));
        QCOMPARE(page.meterType(), 30001);
        QCOMPARE(page.cell(P::ListMain, P::MainType), QStringLiteral("Тарвик 300.01"));
        QCOMPARE(page.cell(P::ListMain, P::MainVersion), QStringLiteral("2.15"));
    }

    void serial_data()
    {
        QTest::addColumn<bool>("databaseMode");
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<quint32>("serial");
        QTest::addColumn<bool>("numberEnabled");
        QTest::addColumn<bool>("fixDbEnabled");
        QTest::newRow("12345") << false << QByteArray::fromHex("393000") << 12345u << false << true;
        QTest::newRow("0") << false << QByteArray::fromHex("000000") << 0u << true << false;
        QTest::newRow("db 12345") << true << QByteArray::fromHex("393000") << 12345u << true << true;
        QTest::newRow("db 0") << true << QByteArray::fromHex("000000") << 0u << true << false;
        QTest::newRow("max") << false << QByteArray::fromHex("FFFFFF") << 16777215u << false << true;
    }
    void serial()
    {
        QFETCH(bool, databaseMode);
        QFETCH(QByteArray, payload);
        QFETCH(quint32, serial);
        QFETCH(bool, numberEnabled);
        QFETCH(bool, fixDbEnabled);

        MeterPage page;
        MeterDecoders decoders(&page, databaseMode);
        QSignalSpy read(&decoders, &MeterDecoders::serialRead);
        decoders.decode(reply(0x01, payload));
        QCOMPARE(page.meterSerial(), serial);
        QCOMPARE(read.size(), 1);
        QCOMPARE(read[0][0].value<quint32>(), serial);
        QCOMPARE(read[0][1].toBool(), numberEnabled);
        QCOMPARE(read[0][2].toBool(), fixDbEnabled);
    }

    // In databaseMode a new serial goes to SpinEdit_Number and the lookup
    // runs while the row still shows the previous serial; the same serial
    // again does neither. Outside databaseMode neither happens.
    void serialLookupInDatabaseMode()
    {
        MeterPage page;
        MeterDecoders decoders(&page, true);
        QStringList rowDuringLookup;
        QList<quint32> looked;
        decoders.setSerialLookup([&](quint32 s) {
            looked << s;
            rowDuringLookup << page.cell(P::ListMain, P::MainSerial);
        });
        QSignalSpy forEdit(&decoders, &MeterDecoders::serialNumberForEdit);

        decoders.decode(replyHex(0x01, "393000"));
        decoders.decode(replyHex(0x01, "393000"));
        decoders.decode(replyHex(0x01, "3A3000"));
        QCOMPARE(looked, (QList<quint32>{12345, 12346}));
        QCOMPARE(rowDuringLookup, (QStringList{"", "012345"}));
        QCOMPARE(forEdit.size(), 2);
        QCOMPARE(forEdit[1][0].value<quint32>(), 12346u);
        QCOMPARE(page.cell(P::ListMain, P::MainSerial), QStringLiteral("012346"));

        MeterPage plainPage;
        MeterDecoders plain(&plainPage, false);
        bool called = false;
        plain.setSerialLookup([&](quint32) { called = true; });
        QSignalSpy plainEdit(&plain, &MeterDecoders::serialNumberForEdit);
        plain.decode(replyHex(0x01, "000000"));
        plain.decode(replyHex(0x01, "393000"));
        QVERIFY(!called);
        QCOMPARE(plainEdit.size(), 0);
    }

    void clock_data()
    {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QString>("clockTest");
        QTest::addColumn<QString>("dateTime");
        QTest::addColumn<int>("faultBits");
        QTest::addColumn<bool>("driftApplied");
        QTest::newRow("0x83 with time") << QByteArray::fromHex("83CD5F0100") << "Ok" << "02.01.2000 01:01:01" << 0 << true;
        QTest::newRow("0x03 status only") << QByteArray::fromHex("03") << "Ok" << "" << 0 << false;
        QTest::newRow("0x30 battery") << QByteArray::fromHex("30CD5F0100") << "Неисправность батареи ЧРВ." << "" << 0x30 << false;
        QTest::newRow("0x60 clock") << QByteArray::fromHex("60CD5F0100") << "Неисправность ЧРВ." << "" << 0x60 << false;
        QTest::newRow("0x40 not set") << QByteArray::fromHex("C0CD5F0100") << "Дата и время не установлены." << "" << 0x40 << false;
        QTest::newRow("0x0F no fault bits") << QByteArray::fromHex("0FCD5F0100") << "Ok" << "02.01.2000 01:01:01" << 0 << true;
    }
    void clock()
    {
        QFETCH(QByteArray, payload);
        QFETCH(QString, clockTest);
        QFETCH(QString, dateTime);
        QFETCH(int, faultBits);
        QFETCH(bool, driftApplied);

        MeterPage page;
        MeterDecoders decoders(&page);
        decoders.setLocale(russian);
        QList<QDateTime> drift;
        decoders.setApplyDriftEstimate([&](const QDateTime &t) {
            // The hook runs after EditDelta was emptied and the time shown.
            QVERIFY(page.editDelta().isEmpty());
            QCOMPARE(page.cell(P::ListMain, P::MainDateTime), dateTime);
            drift << t;
            page.setEditDelta(QStringLiteral("0,50"));
        });
        page.setEditDelta(QStringLiteral("1,25"));
        page.setCell(P::ListMain, P::MainDateTime, QStringLiteral("old"));

        decoders.decode(reply(0x04, payload));
        QCOMPARE(page.cell(P::ListMain, P::MainClockTest), clockTest);
        QCOMPARE(page.cell(P::ListMain, P::MainDateTime), dateTime);
        QCOMPARE(int(page.clockFaultBits()), faultBits);
        if (driftApplied) {
            QCOMPARE(drift, (QList<QDateTime>{QDateTime(QDate(2000, 1, 2), QTime(1, 1, 1))}));
            QCOMPARE(page.editDelta(), QStringLiteral("0,50"));
        } else {
            QVERIFY(drift.isEmpty());
            QVERIFY(page.editDelta().isEmpty());
        }
    }

    // Counts are shown divided by the calibration read before them.
    void sensors()
    {
        MeterPage page;
        MeterDecoders decoders(&page);
        decoders.setLocale(russian);
        QSignalSpy changed(&page, &MeterPage::cellChanged);

        decoders.decode(replyHex(0x1C, "000140E20100")); // kind 1 before any calibration
        decoders.decode(replyHex(0x1C, "00000000"));     // calibration 0
        decoders.decode(replyHex(0x1C, "000140E20100"));
        QCOMPARE(page.cell(P::ListSensor, 0, P::SensorCalibration), QStringLiteral("0"));
        QCOMPARE(page.cell(P::ListSensor, 0, P::SensorCurrent), QString());

        decoders.decode(replyHex(0x1C, "0000E803"));     // calibration 1000 (length byte 6)
        decoders.decode(replyHex(0x1C, "000140E20100")); // count 123456 (length byte 8)
        decoders.decode(replyHex(0x1C, "0002D2040000")); // settlement count 1234
        QCOMPARE(page.cell(P::ListSensor, 0, P::SensorCalibration), QStringLiteral("1000"));
        QCOMPARE(page.cell(P::ListSensor, 0, P::SensorCurrent), QStringLiteral("123,456"));
        QCOMPARE(page.cell(P::ListSensor, 0, P::SensorSettlement), QStringLiteral("1,234"));
        QCOMPARE(page.cell(P::ListSensor, 1, P::SensorCurrent), QString());

        // Kind above 2 and sensor above 2 show nothing.
        changed.clear();
        decoders.decode(replyHex(0x1C, "000340E20100"));
        decoders.decode(replyHex(0x1C, "0300E803"));
        QCOMPARE(changed.size(), 0);
    }

    // A peak time of 0 keeps what the cell shows.
    void peakTimeZeroKeepsCell()
    {
        MeterPage page;
        MeterDecoders decoders(&page);
        decoders.setLocale(russian);
        decoders.decode(replyHex(0x2B, "CD5F0100 A08601 80510100 030000"));
        decoders.decode(replyHex(0x2B, "00000000 050000 00000000 060000"));
        QCOMPARE(page.cell(P::ListAddi, P::AddiPeakTime, P::AddiCurrent), QStringLiteral("02.01.2000 01:01:01"));
        QCOMPARE(page.cell(P::ListAddi, P::AddiPeakTime, P::AddiSettlement), QStringLiteral("02.01.2000"));
        QCOMPARE(page.cell(P::ListAddi, P::AddiPeakPower, P::AddiCurrent), QStringLiteral("5"));
        QCOMPARE(page.cell(P::ListAddi, P::AddiPeakPower, P::AddiSettlement), QStringLiteral("6"));
    }

    void profilePeriodOutOfRangeKeepsRow()
    {
        MeterPage page;
        MeterDecoders decoders(&page);
        decoders.decode(replyHex(0x50, "07"));
        decoders.decode(replyHex(0x50, "0D"));
        QCOMPARE(page.cell(P::ListMain, P::MainProfilePeriod), QStringLiteral("10"));
    }

    void workingSecondsKept()
    {
        MeterPage page;
        MeterDecoders decoders(&page);
        decoders.decode(replyHex(0x11, "CD5F0100"));
        QCOMPARE(page.workingSeconds(), 90061u);
    }

    // MemoStatus is rebuilt only when the status byte changes; after a reset
    // the first status reply always rebuilds it.
    void status()
    {
        MeterPage page;
        MeterDecoders decoders(&page);
        QSignalSpy memo(&page, &MeterPage::memoStatusChanged);

        decoders.decode(replyHex(0x5C, "02"));
        QCOMPARE(page.memoStatus(), QStringList{"нарушена пломба клеммника"});
        QCOMPARE(page.lastStatusByte(), quint8(0x02));
        memo.clear();
        decoders.decode(replyHex(0x5C, "02"));
        QCOMPARE(memo.size(), 0);
        decoders.decode(replyHex(0x5C, "FD")); // every bit but the seal
        QVERIFY(page.memoStatus().isEmpty());
        decoders.decode(replyHex(0x5C, "FF"));
        QCOMPARE(page.memoStatus(), QStringList{"нарушена пломба клеммника"});

        page.resetReadings();
        QVERIFY(page.memoStatus().isEmpty());
        decoders.decode(replyHex(0x5C, "02"));
        decoders.decode(replyHex(0x5C, "00"));
        page.resetReadings();
        decoders.decode(replyHex(0x5C, "02"));
        QCOMPARE(page.memoStatus(), QStringList{"нарушена пломба клеммника"});

        // a status byte of FF right after a reset is shown too, not taken for "unchanged"
        page.resetReadings();
        decoders.decode(replyHex(0x5C, "FF"));
        QCOMPARE(page.memoStatus(), QStringList{"нарушена пломба клеммника"});
    }

    // ---- what is left alone ----

    void shortOrMisSizedReplyChangesNothing_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // the whole reply as received
        // Length byte as announced, payload cut short (no CRC received).
        QTest::newRow("00 4 of 5") << QByteArray::fromHex("0007 15020104");
        QTest::newRow("01 2 of 3") << QByteArray::fromHex("0105 3930");
        QTest::newRow("04 time cut") << QByteArray::fromHex("0407 83CD5F");
        QTest::newRow("04 no status") << QByteArray::fromHex("0402");
        QTest::newRow("08 1 of 2") << QByteArray::fromHex("0804 39");
        QTest::newRow("0F 5 of 6") << QByteArray::fromHex("0F08 000000007F");
        QTest::newRow("11 3 of 4") << QByteArray::fromHex("1106 3B0000");
        QTest::newRow("16 3 of 4") << QByteArray::fromHex("1606 393000");
        QTest::newRow("18 1 of 2") << QByteArray::fromHex("1804 10");
        QTest::newRow("1C calibration cut") << QByteArray::fromHex("1C06 0000E8");
        QTest::newRow("1C count cut") << QByteArray::fromHex("1C08 000140E201");
        QTest::newRow("1E empty") << QByteArray::fromHex("1E02");
        QTest::newRow("22 1 of 2") << QByteArray::fromHex("2204 23");
        QTest::newRow("25 3 of 4") << QByteArray::fromHex("2506 000020");
        QTest::newRow("2B 13 of 14") << QByteArray::fromHex("2B10 CD5F0100A08601805101000300");
        QTest::newRow("4C 1 of 2") << QByteArray::fromHex("4C04 34");
        QTest::newRow("4D empty") << QByteArray::fromHex("4D02");
        QTest::newRow("4E empty") << QByteArray::fromHex("4E02");
        QTest::newRow("50 empty") << QByteArray::fromHex("5002");
        QTest::newRow("5C empty") << QByteArray::fromHex("5C02");
        QTest::newRow("60 2 of 3") << QByteArray::fromHex("6005 D900");
        QTest::newRow("truncated header") << QByteArray::fromHex("60");
        // Whole replies whose length byte is not the decoder's.
        QTest::newRow("08 schedule record") << QByteArray::fromHex("080A 0102030405060708 0000");
        QTest::newRow("0F length 7") << QByteArray::fromHex("0F07 0000000000 0000");
        QTest::newRow("0F length 9") << QByteArray::fromHex("0F09 00000000007F00 0000");
        QTest::newRow("1C length 7") << QByteArray::fromHex("1C07 0000E80300 0000");
        QTest::newRow("1C kind 1 in length 6") << QByteArray::fromHex("1C06 00014000 0000");
        QTest::newRow("2B length 15") << QByteArray::fromHex("2B0F CD5F0100A086018051010003 0000");
        QTest::newRow("code not handled") << QByteArray::fromHex("0A04 0102 0000");
    }
    void shortOrMisSizedReplyChangesNothing()
    {
        QFETCH(QByteArray, bytes);
        MeterPage page;
        MeterDecoders decoders(&page, true);
        decoders.setLocale(russian);
        // A calibration in place, so a cut count would have something to show.
        decoders.decode(replyHex(0x1C, "0000E803"));
        bool hookCalled = false;
        decoders.setSerialLookup([&](quint32) { hookCalled = true; });
        decoders.setApplyDriftEstimate([&](const QDateTime &) { hookCalled = true; });
        page.setEditDelta(QStringLiteral("0,10"));
        const QStringList before = snapshot(page);
        QSignalSpy cells(&page, &MeterPage::cellChanged);
        QSignalSpy serial(&decoders, &MeterDecoders::serialRead);

        decoders.decode(Reply(bytes));
        QCOMPARE(snapshot(page), before);
        QCOMPARE(cells.size(), 0);
        QCOMPARE(serial.size(), 0);
        QVERIFY(!hookCalled);
    }

    void codesForTheDispatcher()
    {
        const QList<quint8> codes = MeterDecoders::codes();
        QCOMPARE(codes.size(), 19);
        for (quint8 c : {0x00, 0x01, 0x04, 0x08, 0x0F, 0x11, 0x16, 0x18, 0x1C, 0x1E, 0x22, 0x25, 0x2B, 0x4C,
                         0x4D, 0x4E, 0x50, 0x5C, 0x60})
            QVERIFY2(codes.contains(c), qPrintable(QString::number(c, 16)));
        QVERIFY(MeterDecoders::handles(replyHex(0x08, "3930")));
        QVERIFY(!MeterDecoders::handles(replyHex(0x08, "01")));
        QVERIFY(!MeterDecoders::handles(replyHex(0x14, "")));
    }

    // ---- resetReadings ----

    void resetReadings()
    {
        MeterPage page;
        MeterDecoders decoders(&page);
        for (const char *hex : {"00 1502010405", "01 393000", "04 83CD5F0100", "0F 00000000007F",
                                "0F 800000000000", "11 3B000000", "1C 0000E803", "25 00002080", "5C 02"})
            decoders.decode(reply(quint8(QByteArray::fromHex(hex)[0]), QByteArray::fromHex(hex).mid(1)));
        page.setCell(P::ListParam, 0, 3, QStringLiteral("fourth"));
        page.setEditDelta(QStringLiteral("0,10"));
        QVERIFY(page.meterSerial() != 0 && page.meterType() != 0 && page.lastStatusByte() == 2);
        QCOMPARE(page.memoStatus().size(), 1);

        QSignalSpy reset(&page, &MeterPage::readingsReset);
        page.resetReadings();
        QCOMPARE(reset.size(), 1);
        for (int l = 0; l < P::kListCount; ++l) {
            const auto list = P::ListId(l);
            const int columns = list == P::ListParam ? 3 : P::valueColumnCount(list);
            for (int row = 0; row < P::rowCount(list); ++row)
                for (int column = 0; column < columns; ++column)
                    QVERIFY2(page.cell(list, row, column).isEmpty(),
                             qPrintable(QStringLiteral("%1/%2/%3").arg(l).arg(row).arg(column)));
        }
        // The fourth column of ListParam is not one of the emptied ones.
        QCOMPARE(page.cell(P::ListParam, 0, 3), QStringLiteral("fourth"));
        QCOMPARE(P::rowCaption(P::ListMain, P::MainType), QStringLiteral("Тип"));
        QVERIFY(page.editDelta().isEmpty());
        QVERIFY(page.memoStatus().isEmpty());
        QCOMPARE(page.meterType(), 0);
        QCOMPARE(page.meterSerial(), 0u);
        QCOMPARE(page.clockFaultBits(), quint8(0));
        QCOMPARE(page.workingSeconds(), 0u);
        QCOMPARE(page.lastStatusByte(), quint8(255));
    }
};

QTEST_GUILESS_MAIN(TestMeterDecoders)
#include "tst_meterdecoders.moc"
