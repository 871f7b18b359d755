// The page "Параметры RFPLC" without widgets: the requests of its three
// buttons, the polled group, address and routes, and the operation-log
// lines of the acknowledgements, over the link to a scripted meter.

#include "../support/linkfixture.h"
#include "protocol/rfplc.h"

#include <QSignalSpy>
#include <QTest>

using protocol::Reply;
using protocol::RfPlc;
using protocol::RouteRow;
using testsupport::LinkFixture;

namespace {

QByteArray hex(const char *text) { return QByteArray::fromHex(text); }

protocol::RfPlcControls addressControls(int group, int address)
{
    protocol::RfPlcControls c;
    c.group = group;
    c.address = address;
    return c;
}

protocol::RfPlcControls routeControls(int route, int repeater = 0, const QString &number = {})
{
    protocol::RfPlcControls c;
    c.route = route;
    c.repeater = repeater;
    c.number = number;
    return c;
}

// The link, the engine and the operation-log lines, connected and polling.
struct Plc
{
    LinkFixture f;
    RfPlc rf{f.connection, f.dispatcher};
    QStringList logged;

    Plc()
    {
        QObject::connect(&f.dispatcher, &protocol::ReplyDispatcher::operationLogged,
                         [this](const QString &line) { logged << line; });
        f.connectAndStart();
        f.runExchanges(2); // polling runs: the start of polling clears the queue
    }
    // Runs until the meter has received a frame with this code (from frame
    // `from` on; by default among those still to come); its index.
    qsizetype runUntilCode(quint8 code, qsizetype from = -1)
    {
        if (from < 0)
            from = f.meter.requests.size();
        qsizetype found = -1;
        f.clock.advanceUntil([&] {
            for (qsizetype i = from; i < f.meter.requests.size() && found < 0; ++i)
                if (static_cast<quint8>(f.meter.requests[i][0]) == code)
                    found = i;
            return found >= 0;
        }, 10000);
        return found;
    }
    // Lets the meter's answer to the last frame arrive.
    void settle() { f.clock.advance(200); }
};

} // namespace

class TestRfPlc : public QObject
{
    Q_OBJECT
private slots:
    // The read group and address reach EditGroup and EditAddress through the
    // dispatcher, the routes their rows; resetReadings empties every cell.
    void pollingFillsTheShownValues()
    {
        Plc p;
        p.f.meter.responder = [](const QByteArray &req) -> std::optional<QByteArray> {
            if (static_cast<quint8>(req[0]) == 0x0A)
                return hex("0A04 07 2A");
            if (static_cast<quint8>(req[0]) == 0x20 && req[2] == 1)
                return hex("2007 01 11 40E201");
            return QByteArray() + req[0] + char(2);
        };
        QSignalSpy changed(&p.rf, &RfPlc::readingsChanged);
        QVERIFY(p.f.clock.advanceUntil([&] { return p.rf.route(1).number == QStringLiteral("123456"); }, 20000));
        QCOMPARE(p.rf.group(), QStringLiteral("7"));
        QCOMPARE(p.rf.address(), QStringLiteral("42"));
        QCOMPARE(p.rf.route(1), (RouteRow{QStringLiteral("17"), QStringLiteral("123456")}));
        QCOMPARE(p.rf.route(0), RouteRow{}); // answered with L = 2: absent
        QVERIFY(changed.size() >= 2);

        changed.clear();
        p.rf.resetReadings();
        QCOMPARE(p.rf.group(), QString());
        QCOMPARE(p.rf.address(), QString());
        QCOMPARE(p.rf.route(1), RouteRow{});
        QCOMPARE(changed.size(), 1);
    }

    // A route reply changes the row it names, as its length says.
    void routeReply_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("number");
        // Every row starts as "5" / "99".
        QTest::newRow("present") << hex("2007 02 11 40E201") << 2 << "17" << "123456";
        QTest::newRow("largest number") << hex("2007 00 FF FFFFFF") << 0 << "255" << "16777215";
        QTest::newRow("L=3 absent") << hex("2003 03") << 3 << "" << "";
        QTest::newRow("L=5 other length") << hex("2005 01 11 40") << 1 << "" << "";
        QTest::newRow("L=7 cut short") << hex("2007 02 11 40") << 2 << "5" << "99";
        QTest::newRow("no payload") << hex("2002") << 0 << "5" << "99";
    }
    void routeReply()
    {
        QFETCH(QByteArray, reply);
        QFETCH(int, row);
        QFETCH(QString, address);
        QFETCH(QString, number);
        Plc p;
        for (int n = 0; n < RfPlc::kRoutes; ++n)
            p.rf.decodeRoute(Reply(QByteArray("\x20\x07", 2) + char(n) + hex("05 630000")));
        p.rf.decodeRoute(Reply(reply));
        QCOMPARE(p.rf.route(row), (RouteRow{address, number}));
        for (int n = 0; n < RfPlc::kRoutes; ++n)
            if (n != row)
                QCOMPARE(p.rf.route(n), (RouteRow{"5", "99"}));
    }

    // n >= 4 names no row of the list; a short 0x0A keeps the shown values.
    void repliesOutsideTheirLayoutChangeNothing()
    {
        Plc p;
        p.rf.decodeAddress(Reply(hex("0A04 07 2A")));
        p.rf.decodeRoute(Reply(hex("2007 01 11 40E201")));
        QSignalSpy changed(&p.rf, &RfPlc::readingsChanged);
        p.rf.decodeRoute(Reply(hex("2007 04 22 010000")));
        p.rf.decodeRoute(Reply(hex("2003 FF")));
        p.rf.decodeAddress(Reply(hex("0A03 09")));
        QCOMPARE(changed.size(), 0);
        QCOMPARE(p.rf.group(), QStringLiteral("7"));
        QCOMPARE(p.rf.address(), QStringLiteral("42"));
        QCOMPARE(p.rf.route(1), (RouteRow{"17", "123456"}));
    }

    // BtnWriteAddress: serial, working counters, the fixed password (only
    // until it is accepted), then group and address; logged as sent.
    void writeAddress()
    {
        Plc p;
        p.rf.setControls(addressControls(3, 200));
        QVERIFY(p.rf.writeAddress());
        qsizetype at = p.runUntilCode(0x0B);
        QVERIFY(at >= 3);
        QCOMPARE(p.f.meter.requests.mid(at - 3, 4),
                 (QList<QByteArray>{hex("0102"), hex("1102"), hex("1408 A5A5A5A5A5A5"), hex("0B04 03 C8")}));
        p.settle();
        QVERIFY(p.f.dispatcher.passwordAccepted());
        QCOMPARE(p.logged, QStringList{QStringLiteral("Plc-группа=3, Plc-адрес=200")});

        p.rf.setControls(addressControls(0, 1));
        QVERIFY(p.rf.writeAddress());
        at = p.runUntilCode(0x0B);
        QVERIFY(at >= 2);
        QCOMPARE(p.f.meter.requests.mid(at - 2, 3), (QList<QByteArray>{hex("0102"), hex("1102"), hex("0B04 00 01")}));
        QVERIFY(p.f.failures.isEmpty());
    }

    // The 0x0B line tells the group and address of the request answered,
    // whoever queued it and whatever the spin boxes show by then.
    void addressLineFromTheRequest()
    {
        Plc p;
        p.rf.setControls(addressControls(1, 2));
        p.f.connection.enqueueRequest(hex("0B04 07 2A")); // as the settings batch derives it
        QVERIFY(p.runUntilCode(0x0B) >= 0);
        p.settle();
        QCOMPARE(p.logged, QStringList{QStringLiteral("Plc-группа=7, Plc-адрес=42")});
    }

    // BtnWriteRoute and ButtonDelRoute: one request each; the line is chosen
    // and filled by the request it answers, not by the controls afterwards.
    void routeWriteAndDeletion()
    {
        Plc p;
        p.rf.setControls(routeControls(2, 17, QStringLiteral("123456")));
        QString error;
        QVERIFY(p.rf.writeRoute(&error));
        p.rf.setControls(routeControls(3));
        QVERIFY(p.rf.deleteRoute());
        p.rf.setControls(routeControls(0, 9, QStringLiteral("5")));
        const qsizetype at = p.runUntilCode(0x21);
        QVERIFY(at >= 0);
        QCOMPARE(p.f.meter.requests[at], hex("2107 02 11 40E201"));
        QCOMPARE(p.runUntilCode(0x21, at + 1), at + 1);
        QCOMPARE(p.f.meter.requests[at + 1], hex("2103 03"));
        p.settle();
        QCOMPARE(p.logged, (QStringList{QStringLiteral("Plc-Маршрут=2, адрес=17, номер=123456"),
                                        QStringLiteral("Plc-Маршрут=3 удален")}));
    }

    // The line comes from the request answered, and only from a write of
    // its own kind: in MODBUS mode a 0x0B or 0x21 reply may answer a poll.
    void logLineFromRequest_data()
    {
        QTest::addColumn<bool>("route"); // routeLogLine, else addressLogLine
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QString>("line");
        QTest::newRow("address") << false << hex("0B04 03 C8") << "Plc-группа=3, Plc-адрес=200";
        QTest::newRow("address, poll") << false << hex("0A02") << "";
        QTest::newRow("address, other code") << false << hex("1D04 01 02") << "";
        QTest::newRow("route written") << true << hex("2107 00 FF FFFFFF") << "Plc-Маршрут=0, адрес=255, номер=16777215";
        QTest::newRow("route deleted") << true << hex("2103 01") << "Plc-Маршрут=1 удален";
        QTest::newRow("route, poll of length 3") << true << hex("0F03 11") << "";
        QTest::newRow("route, length 5") << true << hex("2105 01 02 03") << "";
    }
    void logLineFromRequest()
    {
        QFETCH(bool, route);
        QFETCH(QByteArray, request);
        QFETCH(QString, line);
        QCOMPARE(route ? RfPlc::routeLogLine(request) : RfPlc::addressLogLine(request), line);
    }

    // EditNumb: an integer 0..16777215 (blanks around it allowed) goes as
    // u24le; anything else is refused with a message and nothing is queued.
    void routeNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("request"); // empty: refused
        QTest::newRow("zero") << "0" << hex("2107 01 05 000000");
        QTest::newRow("largest") << "16777215" << hex("2107 01 05 FFFFFF");
        QTest::newRow("blanks") << " 258 " << hex("2107 01 05 020100");
        QTest::newRow("too large") << "16777216" << QByteArray();
        QTest::newRow("negative") << "-1" << QByteArray();
        QTest::newRow("letters") << "12a" << QByteArray();
        QTest::newRow("fraction") << "1.5" << QByteArray();
        QTest::newRow("empty") << "" << QByteArray();
    }
    void routeNumber()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, request);
        Plc p;
        p.rf.setControls(routeControls(1, 5, text));
        const qsizetype before = p.f.connection.queuedCount();
        QString error;
        const bool queued = p.rf.writeRoute(&error);
        QCOMPARE(queued, !request.isEmpty());
        if (!queued) {
            QCOMPARE(error, QStringLiteral("Номер маршрута должен быть целым числом от 0 до 16777215."));
            QCOMPARE(p.f.connection.queuedCount(), before);
            return;
        }
        const qsizetype at = p.runUntilCode(0x21);
        QVERIFY(at >= 0);
        QCOMPARE(p.f.meter.requests[at], request);
    }

    // Without a link nothing is queued (the buttons are disabled then too).
    void nothingQueuedWhileDisconnected()
    {
        LinkFixture f;
        RfPlc rf(f.connection, f.dispatcher);
        rf.setControls(routeControls(0, 0, QStringLiteral("1")));
        QString error;
        QVERIFY(!rf.writeAddress());
        QVERIFY(!rf.deleteRoute());
        QVERIFY(!rf.writeRoute(&error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(f.connection.queuedCount(), 0);
    }
};

QTEST_GUILESS_MAIN(TestRfPlc)
#include "tst_rfplc.moc"
