// The page "Индикатор" without widgets: the mask and backlight word sent by
// BtnWriteIndi, a read reply taken into the page, the password entry before
// a write, and the acknowledgement's operation-log line.

#include "../support/linkfixture.h"
#include "protocol/accesspassword.h"
#include "protocol/encodings.h"
#include "protocol/indicator.h"

#include <QSignalSpy>
#include <QTest>

using protocol::BacklightMode;
using protocol::IndicatorSettings;
using protocol::Reply;
using testsupport::LinkFixture;

Q_DECLARE_METATYPE(IndicatorSettings)

namespace {

QByteArray hex(const char *text) { return QByteArray::fromHex(text); }

quint16 itemBits(std::initializer_list<int> items)
{
    quint16 out = 0;
    for (int i : items)
        out |= quint16(1u << i);
    return out;
}

// Every group with its own colour, both boxes ticked.
IndicatorSettings colourful()
{
    IndicatorSettings s;
    s.colors = {1, 2, 3, 4, 5, 6, 7, 1, 2};
    s.onlyButton = true;
    s.cleat = true;
    return s;
}

struct Indi
{
    LinkFixture f;
    protocol::AccessPassword password;
    protocol::Indicator indicator{f.connection, f.dispatcher, password};
    QStringList logged;

    Indi()
    {
        QObject::connect(&f.dispatcher, &protocol::ReplyDispatcher::operationLogged,
                         [this](const QString &line) { logged << line; });
        f.connectAndStart();
        f.runExchanges(2); // polling runs: the start of polling clears the queue
    }
    // Frames with this code the meter has received.
    QList<QByteArray> received(quint8 code) const
    {
        QList<QByteArray> out;
        for (const QByteArray &r : f.meter.requests)
            if (static_cast<quint8>(r[0]) == code)
                out << r;
        return out;
    }
    bool runUntilReceived(quint8 code, int count)
    {
        return f.clock.advanceUntil([&] { return received(code).size() >= count; }, 10000);
    }
};

} // namespace

class TestIndicator : public QObject
{
    Q_OBJECT
private slots:
    void writeRequest_data()
    {
        QTest::addColumn<IndicatorSettings>("settings");
        QTest::addColumn<QByteArray>("request");

        IndicatorSettings plain;
        plain.items = itemBits({0, 5, 6, 8});
        QTest::newRow("items 0 5 6 8, all off") << plain << hex("2F08 6101 00000000");

        IndicatorSettings byPower = colourful();
        byPower.items = itemBits({0, 1});
        byPower.mode = BacklightMode::ByPower;
        QTest::newRow("by power ignores the colours") << byPower << hex("2F08 0380 00000000");

        IndicatorSettings white8;
        white8.colors[8] = 7;
        white8.onlyButton = true;
        QTest::newRow("group 8 white, key press") << white8 << hex("2F08 0000 00000087");

        // 1 + 2*8 + 3*64 + 4*512 + 5*4096 + 6*32768 + 7*2^18 + 1*2^21 + 2*2^24 + 2^30 + 2^31
        IndicatorSettings all = colourful();
        all.items = itemBits({2, 3, 12});
        QTest::newRow("every group, both boxes") << all << hex("2F08 0C10 D1583FC2");
    }
    void writeRequest()
    {
        QFETCH(IndicatorSettings, settings);
        QFETCH(QByteArray, request);
        QCOMPARE(protocol::indicatorWriteRequest(settings), request);
    }

    // BtnWriteIndi enters the access password until it is accepted; the
    // confirmation logs the ticked items as the page shows them then.
    void writeThroughTheLink()
    {
        Indi t;
        QVERIFY(t.password.setText(QStringLiteral("12ab")));
        IndicatorSettings s;
        s.items = itemBits({0, 12});
        t.indicator.setSettings(s);
        QVERIFY(t.indicator.write());
        QVERIFY(t.runUntilReceived(0x2F, 1));
        QCOMPARE(t.received(0x14), QList<QByteArray>{hex("1408 31326162 0000")});
        QCOMPARE(t.received(0x2F), QList<QByteArray>{hex("2F08 0110 00000000")});
        t.f.clock.advance(200);
        QCOMPARE(t.logged, QStringList{QStringLiteral("Режим индикации=На РДЧ Дискретные датчики ")});

        t.indicator.setSettings({});
        QVERIFY(t.indicator.write());
        QVERIFY(t.runUntilReceived(0x2F, 2));
        t.f.clock.advance(200);
        QCOMPARE(t.received(0x14).size(), 1);
        QCOMPARE(t.logged.last(), QStringLiteral("Режим индикации="));
        QVERIFY(t.f.failures.isEmpty());
    }

    // MODBUS mode takes a 0x2F reply to any request; only the answer to the
    // indicator write is logged.
    void onlyTheWriteIsLogged()
    {
        LinkFixture f(5, true);
        protocol::AccessPassword password;
        protocol::Indicator indicator(f.connection, f.dispatcher, password);
        QStringList logged;
        QObject::connect(&f.dispatcher, &protocol::ReplyDispatcher::operationLogged,
                         [&](const QString &line) { logged << line; });
        f.meter.responder = [](const QByteArray &) { return std::optional<QByteArray>(hex("2F02")); };
        f.connectAndStart();
        QVERIFY(f.runExchanges(3));
        QVERIFY(indicator.write());
        QVERIFY(f.clock.advanceUntil([&] {
            return std::any_of(f.meter.requests.cbegin(), f.meter.requests.cend(),
                               [](const QByteArray &r) { return quint8(r[0]) == 0x2F; });
        }, 10000));
        QVERIFY(f.runExchanges(2));
        QCOMPARE(logged, QStringList{QStringLiteral("Режим индикации=")});
    }

    void logLineListsItemsInOrder()
    {
        IndicatorSettings s;
        s.items = itemBits({11, 1, 7});
        QCOMPARE(protocol::indicatorLogLine(s),
                 QStringLiteral("Режим индикации=Реактивная энергия Частота Лимит мошности "));
    }

    // A read reply: the items always; with bit 15 only the mode changes.
    void readReply_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<IndicatorSettings>("expected");

        IndicatorSettings byPower = colourful();
        byPower.items = itemBits({0, 1});
        byPower.mode = BacklightMode::ByPower;
        QTest::newRow("bit 15 keeps the colours") << hex("2E08 0380 00000000") << byPower;

        IndicatorSettings user;
        user.items = itemBits({0, 5, 6, 8});
        user.colors[8] = 7;
        user.onlyButton = true;
        QTest::newRow("user colours") << hex("2E08 6101 00000087") << user;

        IndicatorSettings cleat;
        cleat.colors = {7, 0, 0, 0, 0, 0, 0, 0, 1};
        cleat.cleat = true;
        QTest::newRow("cleat, unused bits ignored") << hex("2E08 0060 07000041") << cleat;
    }
    void readReply()
    {
        QFETCH(QByteArray, reply);
        QFETCH(IndicatorSettings, expected);
        Indi t;
        t.f.meter.responder = [reply](const QByteArray &req) -> std::optional<QByteArray> {
            return static_cast<quint8>(req[0]) == 0x2E ? reply : QByteArray() + req[0] + char(2);
        };
        IndicatorSettings before = colourful();
        before.mode = BacklightMode::ByPower;
        t.indicator.setSettings(before);
        QSignalSpy read(&t.indicator, &protocol::Indicator::settingsRead);
        QVERIFY(t.indicator.read());
        QVERIFY(t.f.clock.advanceUntil([&] { return read.size() == 1; }, 10000));
        QCOMPARE(t.received(0x2E), QList<QByteArray>{hex("2E02")});
        QCOMPARE(t.indicator.settings(), expected);
        QCOMPARE(t.indicator.readMask(), protocol::u16le(reply, 2));
        QCOMPARE(t.indicator.readWord(), protocol::u32le(reply, 4));
    }

    // Fewer than six payload bytes: nothing is taken.
    void shortReadReplyChangesNothing()
    {
        Indi t;
        const IndicatorSettings before = colourful();
        t.indicator.setSettings(before);
        QSignalSpy read(&t.indicator, &protocol::Indicator::settingsRead);
        t.indicator.decodeRead(Reply(hex("2E07 FF1F 000000")));
        t.indicator.decodeRead(Reply(hex("2E08 FF1F 00")));
        QCOMPARE(read.size(), 0);
        QCOMPARE(t.indicator.settings(), before);
        QVERIFY(!t.indicator.hasRead());
    }

    // The page's tables, letter for letter where a typo is the system's own.
    void pageTexts()
    {
        QCOMPARE(protocol::indicatorItemTexts().size(), protocol::kIndicatorItems);
        QCOMPARE(protocol::indicatorItemTexts()[11], QStringLiteral("Лимит мошности"));
        QCOMPARE(protocol::backlightColorNames().size(), protocol::kBacklightColors);
        QCOMPARE(protocol::backlightColorNames()[5], QStringLiteral("сиреневая"));
        QCOMPARE(protocol::backlightGroupLabels().size(), protocol::kBacklightGroups);
        QCOMPARE(protocol::backlightGroupLabels()[5], QStringLiteral("Редим вывода реактивной телеметрии:"));
        QCOMPARE(protocol::backlightModeItems(),
                 (QStringList{QStringLiteral("Настройка пользователя"), QStringLiteral("По мощности")}));
    }
};

QTEST_GUILESS_MAIN(TestIndicator)
#include "tst_indicator.moc"
