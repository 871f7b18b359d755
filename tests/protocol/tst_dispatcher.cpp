// Reply checks and routing: error replies, wrong replies, resends,
// decoders, acknowledgements, the password entry.

#include "../support/linkfixture.h"
#include "link/crc.h"
#include "protocol/functioncatalogue.h"

#include <QSet>
#include <QSignalSpy>
#include <QTest>

using namespace meterlink;
using testsupport::LinkFixture;

namespace {
QByteArray withCrc(QByteArray b)
{
    appendCrc(b);
    return b;
}
} // namespace

class TestDispatcher : public QObject
{
    Q_OBJECT
private slots:
    // Every operation name of the catalogue, letter for letter: the names
    // appear in the status bar and in every error line of the protocol.
    void functionCatalogue_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("name");
        QTest::newRow("00") << 0x00 << QStringLiteral("чтение версии ПО");
        QTest::newRow("01") << 0x01 << QStringLiteral("чтение номера");
        QTest::newRow("02") << 0x02 << QStringLiteral("запись номера");
        QTest::newRow("03") << 0x03 << QStringLiteral("запись параметров Rs-485");
        QTest::newRow("04") << 0x04 << QStringLiteral("чтение времени");
        QTest::newRow("05") << 0x05 << QStringLiteral("запись времени");
        QTest::newRow("06") << 0x06 << QStringLiteral("чтение коэффициента лимита тарифного расписания");
        QTest::newRow("07") << 0x07 << QStringLiteral("запись коэффициента лимита тарифного расписания");
        QTest::newRow("08") << 0x08 << QStringLiteral("чтение тарифного расписания");
        QTest::newRow("09") << 0x09 << QStringLiteral("запись тарифного расписания");
        QTest::newRow("0A") << 0x0A << QStringLiteral("чтение адреса RFPLC");
        QTest::newRow("0B") << 0x0B << QStringLiteral("запись адреса RFPLC");
        QTest::newRow("0F") << 0x0F << QStringLiteral("чтение показаний");
        QTest::newRow("11") << 0x11 << QStringLiteral("чтение счетчиков работы и коррекции");
        QTest::newRow("14") << 0x14 << QStringLiteral("ввод пароля");
        QTest::newRow("15") << 0x15 << QStringLiteral("запись пароля");
        QTest::newRow("16") << 0x16 << QStringLiteral("чтение номера пульта и режима управления нагрузкой");
        QTest::newRow("17") << 0x17 << QStringLiteral("запись номера пульта и режима управления нагрузкой");
        QTest::newRow("18") << 0x18 << QStringLiteral("чтение лимита мощности");
        QTest::newRow("19") << 0x19 << QStringLiteral("запись лимита мощности");
        QTest::newRow("1C") << 0x1C << QStringLiteral("чтение дискретных датчиков");
        QTest::newRow("1D") << 0x1D << QStringLiteral("запись дискретных датчиков");
        QTest::newRow("1E") << 0x1E << QStringLiteral("чтение времени интегрирования пиковой мощности");
        QTest::newRow("1F") << 0x1F << QStringLiteral("запись времени интегрирования пиковой мощности");
        QTest::newRow("20") << 0x20 << QStringLiteral("чтение маршрутов ретрансляции");
        QTest::newRow("21") << 0x21 << QStringLiteral("запись маршрутов ретрансляции");
        QTest::newRow("22") << 0x22 << QStringLiteral("чтение расчетного дня и часа");
        QTest::newRow("23") << 0x23 << QStringLiteral("запись расчетного дня и часа");
        QTest::newRow("24") << 0x24 << QStringLiteral("сброс показаний РДЧ");
        QTest::newRow("25") << 0x25 << QStringLiteral("заряд батареи");
        QTest::newRow("26") << 0x26 << QStringLiteral("чтение праздников");
        QTest::newRow("27") << 0x27 << QStringLiteral("запись праздников");
        QTest::newRow("28") << 0x28 << QStringLiteral("чтение переносов");
        QTest::newRow("29") << 0x29 << QStringLiteral("запись переносов");
        QTest::newRow("2B") << 0x2B << QStringLiteral("чтение пиковых мощностей");
        QTest::newRow("2E") << 0x2E << QStringLiteral("чтение индикатора");
        QTest::newRow("2F") << 0x2F << QStringLiteral("запись индикатора");
        QTest::newRow("32") << 0x32 << QStringLiteral("чтение данных из внешней памяти");
        QTest::newRow("33") << 0x33 << QStringLiteral("запись данных во внешнюю памяти");
        QTest::newRow("34") << 0x34 << QStringLiteral("чтение нетарифицированных показаний");
        QTest::newRow("4C") << 0x4C << QStringLiteral("чтение цифрового идентификатора ПО");
        QTest::newRow("4D") << 0x4D << QStringLiteral("чтение температуры");
        QTest::newRow("4E") << 0x4E << QStringLiteral("чтение телеметрического канала");
        QTest::newRow("4F") << 0x4F << QStringLiteral("установка телеметрического канала");
        QTest::newRow("50") << 0x50 << QStringLiteral("чтение периода фиксации профиля");
        QTest::newRow("51") << 0x51 << QStringLiteral("запись периода фиксации профиля");
        QTest::newRow("57") << 0x57 << QStringLiteral("запись даты калибровки");
        QTest::newRow("5C") << 0x5C << QStringLiteral("чтение статуса");
        QTest::newRow("5D") << 0x5D << QStringLiteral("чтение журнала");
        QTest::newRow("5F") << 0x5F << QStringLiteral("сброс электронной пломбы");
        QTest::newRow("60") << 0x60 << QStringLiteral("чтение параметров некачественной энергии");
        QTest::newRow("61") << 0x61 << QStringLiteral("запись параметров некачественной энергии");
    }
    void functionCatalogue()
    {
        QFETCH(int, code);
        QFETCH(QString, name);
        QCOMPARE(protocol::functionName(code), name);
        QCOMPARE(protocol::functionName(code + 0x80), name); // the error reply's code names it too
    }

    // Codes outside the catalogue are named by number, as passed.
    void unknownFunctions()
    {
        const QSet<int> known{0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0F, 0x11, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1C, 0x1D, 0x1E, 0x1F, 0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28, 0x29, 0x2B, 0x2E, 0x2F, 0x32, 0x33, 0x34, 0x4C, 0x4D, 0x4E, 0x4F, 0x50, 0x51, 0x57, 0x5C, 0x5D, 0x5F, 0x60, 0x61};
        for (int code = 0; code < 0x80; ++code) {
            if (known.contains(code))
                continue;
            QCOMPARE(protocol::functionName(code), QStringLiteral("неизвестная функция %1").arg(code));
            QCOMPARE(protocol::functionName(code + 0x80), QStringLiteral("неизвестная функция %1").arg(code + 0x80));
        }
    }

    void errorTexts_data()
    {
        QTest::addColumn<int>("errorCode");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("resend");
        QTest::newRow("1") << 1 << QStringLiteral("Ошибка: Неизвестная функция") << false;
        QTest::newRow("2") << 2 << QStringLiteral("Ошибка: Неверная длина запроса") << false;
        QTest::newRow("3") << 3 << QStringLiteral("Ошибка: Неверная контрольная сумма") << true;
        QTest::newRow("4") << 4 << QStringLiteral("Ошибка: Неверные данные запроса") << false;
        QTest::newRow("5") << 5 << QStringLiteral("Ошибка: Память защищена") << false;
        QTest::newRow("6") << 6 << QStringLiteral("Ошибка: Нет доступа для записи") << false;
        QTest::newRow("9") << 9 << QStringLiteral("Ошибка: Память занята") << true;
        QTest::newRow("0") << 0 << QStringLiteral("Неизвестная ошибка 0") << false;
        QTest::newRow("7") << 7 << QStringLiteral("Неизвестная ошибка 7") << false;
        QTest::newRow("8") << 8 << QStringLiteral("Неизвестная ошибка 8") << false;
        QTest::newRow("10") << 10 << QStringLiteral("Неизвестная ошибка 10") << false;
        QTest::newRow("255") << 255 << QStringLiteral("Неизвестная ошибка 255") << false;
    }
    void errorTexts()
    {
        QFETCH(int, errorCode);
        QFETCH(QString, text);
        QFETCH(bool, resend);
        QCOMPARE(protocol::errorText(errorCode), text);
        QCOMPARE(protocol::isResendError(errorCode), resend);
    }

    void functionNames_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("name");
        QTest::newRow("00") << 0x00 << QStringLiteral("чтение версии ПО");
        QTest::newRow("5D") << 0x5D << QStringLiteral("чтение журнала");
        QTest::newRow("85 is 05") << 0x85 << QStringLiteral("запись времени");
        QTest::newRow("12 unknown") << 0x12 << QStringLiteral("неизвестная функция 18");
        QTest::newRow("92 unknown, code as passed") << 0x92 << QStringLiteral("неизвестная функция 146");
    }
    void functionNames()
    {
        QFETCH(int, code);
        QFETCH(QString, name);
        QCOMPARE(protocol::functionName(code), name);
    }

    void rejectedReplies_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("reply"); // exactly as on the line
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("resent");
        QTest::newRow("protected") << QByteArray::fromHex("0102") << withCrc(QByteArray::fromHex("810305"))
                                   << QStringLiteral("Ошибка: Память защищена (чтение номера)") << false;
        QTest::newRow("busy") << QByteArray::fromHex("023930") << withCrc(QByteArray::fromHex("820309"))
                              << QStringLiteral("Ошибка: Память занята (запись номера)") << true;
        QTest::newRow("bad checksum") << QByteArray::fromHex("1F0300") << withCrc(QByteArray::fromHex("9F0303"))
                                      << QStringLiteral("Ошибка: Неверная контрольная сумма (запись времени "
                                                        "интегрирования пиковой мощности)") << true;
        QTest::newRow("unknown error 7") << QByteArray::fromHex("0402") << withCrc(QByteArray::fromHex("840307"))
                                         << QStringLiteral("Неизвестная ошибка 7 (чтение времени)") << false;
        QTest::newRow("other function") << QByteArray::fromHex("0402") << withCrc(QByteArray::fromHex("0502"))
                                        << QStringLiteral("Неверный отклик") << false;
        QTest::newRow("error shape, bad CRC") << QByteArray::fromHex("0402") << QByteArray::fromHex("8403010000")
                                              << QStringLiteral("Неверный отклик") << false;
        QTest::newRow("error reply with a stray byte")
            << QByteArray::fromHex("0102") << withCrc(QByteArray::fromHex("810305")) + char(0x55)
            << QStringLiteral("Неверный отклик") << false;
    }
    void rejectedReplies()
    {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, reply);
        QFETCH(QString, line);
        QFETCH(bool, resent);
        LinkFixture f;
        f.connectAndStart();
        QVERIFY(f.runExchanges(2));
        int answered = 0;
        f.meter.rawReply = [&](const QByteArray &req) -> std::optional<QByteArray> {
            if (req == request && answered++ == 0)
                return reply;
            return std::nullopt;
        };
        f.connection.beginBatch(Batch::Settings);
        f.connection.enqueueRequest(request);
        f.connection.enqueueRequest(QByteArray::fromHex("1F0305"));
        QVERIFY(f.clock.advanceUntil([&] { return !f.protocol.isEmpty(); }, 2000));
        QCOMPARE(f.protocol, QStringList{line});
        QVERIFY(f.runExchanges(1));
        if (resent) {
            QCOMPARE(f.meter.requests.last(), request);
            QVERIFY(f.failures.isEmpty());
            QVERIFY(f.runExchanges(1)); // then the batch goes on
            QCOMPARE(f.meter.requests.last(), QByteArray::fromHex("1F0305"));
        } else {
            QCOMPARE(f.failures.size(), 1); // the rest of the batch is dropped
            QVERIFY(f.meter.requests.last() != QByteArray::fromHex("1F0305"));
            QCOMPARE(f.connection.lamp(), Lamp::Red);
        }
    }

    // Every answer of the meter, accepted or an error reply, stops the reply
    // timer (the next frame goes out at once), enables ActionSetting and
    // disables ActionFindAddress; an accepted one also empties status panel 0
    // (a journal read's record counter).
    void answerCommonSteps_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("accepted") << withCrc(QByteArray::fromHex("4C043412")) << true;
        QTest::newRow("busy, sent again") << withCrc(QByteArray::fromHex("CC0309")) << false;
    }
    void answerCommonSteps()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, accepted);
        LinkFixture f;
        f.meter.responder = [](const QByteArray &) { return std::optional<QByteArray>(); }; // silent
        f.connectAndStart();
        QVERIFY(f.clock.advanceUntil([&] { return f.connection.timeoutCount() == 6; }, 10000));
        QVERIFY(!f.connection.settingEnabled());
        QVERIFY(f.connection.findAddressEnabled());
        f.connection.setStatusPanel(0, QStringLiteral("17"));
        bool answered = false;
        f.meter.rawReply = [&](const QByteArray &req) -> std::optional<QByteArray> {
            if (req[0] != char(0x4C) || answered)
                return std::nullopt;
            answered = true;
            return reply;
        };
        QVERIFY(f.clock.advanceUntil([&] { return f.connection.settingEnabled(); }, 70 * 600));
        QVERIFY(!f.connection.findAddressEnabled());
        QCOMPARE(f.connection.statusPanel(0), accepted ? QString() : QStringLiteral("17"));
        QVERIFY(f.runExchanges(1, 100)); // not held back until the time-out
    }

    void busyRepeatedWithoutLimit()
    {
        LinkFixture f;
        f.connectAndStart();
        QVERIFY(f.runExchanges(2));
        int busy = 25;
        f.meter.rawReply = [&](const QByteArray &req) -> std::optional<QByteArray> {
            if (req[0] == char(0x02) && busy-- > 0)
                return withCrc(QByteArray::fromHex("820309"));
            return std::nullopt;
        };
        QSignalSpy ok(&f.connection, &MeterConnection::batchSucceeded);
        f.connection.beginBatch(Batch::Settings);
        f.connection.enqueueRequest(QByteArray::fromHex("0205393000"));
        QVERIFY(f.clock.advanceUntil([&] { return ok.size() == 1; }, 10000));
        QCOMPARE(f.codes().count(0x02), 26);
        QCOMPARE(f.protocol.size(), 25);
        QVERIFY(f.failures.isEmpty());
    }

    void routing()
    {
        LinkFixture f;
        QList<QByteArray> decoded;
        f.dispatcher.addDecoder(0x4C, [&](const protocol::Reply &r) { decoded << r.payload().toByteArray(); });
        QStringList logged;
        bool sideEffect = false;
        QByteArray acknowledged;
        f.dispatcher.setAcknowledgement(
            0x03, {[](const QByteArray &) { return QStringList{"Адрес=9 Скорость=19200", "Паритет=четн."}; },
                   [&](const QByteArray &request) {
                       sideEffect = true;
                       acknowledged = request;
                   }});
        QObject::connect(&f.dispatcher, &protocol::ReplyDispatcher::operationLogged,
                         [&](const QString &t) { logged << t; });
        f.meter.responder = [](const QByteArray &req) -> std::optional<QByteArray> {
            if (req[0] == char(0x4C))
                return QByteArray::fromHex("4C043412");
            return QByteArray() + req[0] + char(2);
        };
        f.connectAndStart();
        QVERIFY(f.runExchanges(3));
        QCOMPARE(decoded, QList<QByteArray>{QByteArray::fromHex("3412")});
        QVERIFY(!f.dispatcher.passwordAccepted());
        f.connection.enqueueRequest(QByteArray::fromHex("1408000000000000"));
        f.connection.enqueueRequest(QByteArray::fromHex("03040902"));
        QVERIFY(f.clock.advanceUntil([&] { return sideEffect; }, 2000));
        QVERIFY(f.dispatcher.passwordAccepted());
        QCOMPARE(logged, QStringList({"Адрес=9 Скорость=19200", "Паритет=четн."}));
        QCOMPARE(acknowledged.toHex(), QByteArray("03040902")); // unframed: no CRC
        QVERIFY(f.protocol.isEmpty());
    }

    void modbusUnroutedCodeIsRejected()
    {
        LinkFixture f(1, true);
        f.meter.responder = [](const QByteArray &req) -> std::optional<QByteArray> {
            if (req[0] == char(0x01))
                return QByteArray::fromHex("1202"); // passes every check but routes nowhere
            return QByteArray() + req[0] + char(2);
        };
        f.connectAndStart();
        QVERIFY(f.runExchanges(4));
        QCOMPARE(f.protocol, QStringList{QStringLiteral("Неверный отклик")});
        QCOMPARE(f.codes().mid(0, 4), QList<int>({0x00, 0x4C, 0x01, 0x00})); // polling went on
    }

    void modbusErrorReply()
    {
        LinkFixture f(1, true);
        f.meter.responder = [](const QByteArray &req) -> std::optional<QByteArray> {
            if (req[0] == char(0x4C))
                return QByteArray::fromHex("CC0301");
            return QByteArray() + req[0] + char(2);
        };
        f.connectAndStart();
        QVERIFY(f.runExchanges(3));
        QCOMPARE(f.protocol,
                 QStringList{QStringLiteral("Ошибка: Неизвестная функция (чтение цифрового идентификатора ПО)")});
    }

    void shortReplyGivesBoundedPayload()
    {
        const protocol::Reply r(QByteArray::fromHex("0F08"));
        QCOMPARE(r.payload().size(), 0);
        QVERIFY(!r.has(1));
        const protocol::Reply full(QByteArray::fromHex("0F0501020304FF"));
        QCOMPARE(full.payload().toByteArray(), QByteArray::fromHex("010203"));
    }
};

QTEST_GUILESS_MAIN(TestDispatcher)
#include "tst_dispatcher.moc"
