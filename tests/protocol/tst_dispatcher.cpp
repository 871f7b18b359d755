// Reply checks and routing: error replies, wrong replies, resends,
// decoders, acknowledgements, the password entry.

#include "../support/linkfixture.h"
#include "link/crc.h"
#include "protocol/functioncatalogue.h"

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
        f.dispatcher.setAcknowledgement(
            0x03, {[] { return QStringList{"Адрес=9 Скорость=19200", "Паритет=четн."}; }, [&] { sideEffect = true; }});
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
