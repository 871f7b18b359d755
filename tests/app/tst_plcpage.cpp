// The page "Параметры RFPLC" over a real engine and link with a scripted
// meter: what the buttons send, what the polled replies show, a refused
// route number, and the page whole at the size the window gives its pages.

#include "../support/linkfixture.h"
#include "app/main.h"
#include "app/plcpage.h"
#include "fitcheck.h"
#include "protocol/rfplc.h"
#include "workplace.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

using app::PlcPage;
using app::testing::Message;
using app::testing::Workplace;

namespace {

QByteArray hex(const char *text) { return QByteArray::fromHex(text); }

// The meter answers 0A with `group`/`address` and 20 03 n with `routes[n]`
// (payload after the route index; empty: the route is absent, L = 3); every
// write is acknowledged with an empty reply.
struct PlcMeter
{
    quint8 group = 0;
    quint8 address = 0;
    QByteArray routes[4];

    std::optional<QByteArray> answer(const QByteArray &request) const
    {
        QByteArray payload;
        const auto code = quint8(request[0]);
        if (code == 0x0A)
            payload = QByteArray(1, char(group)) + char(address);
        else if (code == 0x20 && request.size() > 2 && quint8(request[2]) < 4)
            payload = request.mid(2, 1) + routes[quint8(request[2])];
        return QByteArray(1, char(code)) + char(payload.size() + 2) + payload;
    }
};

// The page over an engine on the link, its meter buttons following the
// connection as the window makes them.
struct PlcBench
{
    testsupport::LinkFixture link;
    PlcMeter meter;
    protocol::RfPlc engine{link.connection, link.dispatcher};
    PlcPage page{engine};
    QStringList logged;
    QList<Message> messages;

    PlcBench()
    {
        link.meter.responder = [this](const QByteArray &r) { return meter.answer(r); };
        QObject::connect(&link.connection, &meterlink::MeterConnection::controlsChanged, &page,
                         [this] { page.setMeterControlsEnabled(link.connection.meterControlsEnabled()); });
        QObject::connect(&link.dispatcher, &protocol::ReplyDispatcher::operationLogged,
                         [this](const QString &line) { logged << line; });
        QObject::connect(&page, &PlcPage::message, [this](QMessageBox::Icon i, const QString &c, const QString &t) {
            messages.append({i, c, t});
        });
    }
    template<typename T> T *find(const char *name) { return page.findChild<T *>(QString::fromLatin1(name)); }
    QTreeWidget *routes() { return find<QTreeWidget>("ListRoute"); }
    QStringList routeRow(int n)
    {
        const QTreeWidgetItem *item = routes()->topLevelItem(n);
        return {item->text(0), item->text(1), item->text(2)};
    }
    // Connected, the meter buttons enabled, and a whole polling cycle read.
    void connect()
    {
        link.connectAndStart();
        QVERIFY(link.clock.advanceUntil([this] { return find<QPushButton>("BtnWriteRoute")->isEnabled(); }, 60000));
        pollAgain();
    }
    // A whole polling cycle more, so every shown value has been read again.
    void pollAgain() { QVERIFY(link.runExchanges(62)); }
    void click(const char *button) { QTest::mouseClick(find<QPushButton>(button), Qt::LeftButton); }
};

QString captionOf(QWidget *buddy)
{
    for (QLabel *label : buddy->parentWidget()->findChildren<QLabel *>())
        if (label->buddy() == buddy)
            return label->text();
    return {};
}

// The text in the part of the line edit the style leaves for it (two pixels
// of margin each side and the cursor).
QStringList lineEditProblems(const QLineEdit *edit)
{
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.lineWidth = edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit) : 0;
    const QRect room = edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit);
    const int need = edit->fontMetrics().horizontalAdvance(edit->text()) + 2 * 2 + 1;
    if (need > room.width())
        return {fitcheck::problem(edit, QString(), edit->text(), need, room.width())};
    return {};
}

} // namespace

class TstPlcPage : public QObject
{
    Q_OBJECT

private slots:
    void controlsAsBuilt()
    {
        PlcBench b;
        QCOMPARE(b.page.objectName(), "TabPlc");
        QStringList groups;
        for (QGroupBox *g : b.page.findChildren<QGroupBox *>())
            groups << g->title();
        QCOMPARE(groups, (QStringList{" Группа и адрес ", " Маршруты ретрансляции "}));

        const struct
        {
            const char *name;
            const char *caption;
            int maximum;
        } spins[] = {{"SpinGroup", "Группа:", 255},
                     {"SpinAddress", "Адрес:", 255},
                     {"SpinRoute", "Маршрут:", 3},
                     {"SpinAddrRep", "Адрес ретранслятора:", 255}};
        for (const auto &s : spins) {
            auto *spin = b.find<QSpinBox>(s.name);
            QVERIFY2(spin, s.name);
            QCOMPARE(captionOf(spin), QString::fromUtf8(s.caption));
            QCOMPARE(spin->minimum(), 0);
            QCOMPARE(spin->maximum(), s.maximum);
            QCOMPARE(spin->value(), 0);
        }
        QCOMPARE(captionOf(b.find<QLineEdit>("EditGroup")), "Группа : ");
        QCOMPARE(captionOf(b.find<QLineEdit>("EditAddress")), "Адрес : ");
        QCOMPARE(captionOf(b.find<QLineEdit>("EditNumb")), "Номер для записи:");
        QVERIFY(b.find<QLineEdit>("EditGroup")->isReadOnly());
        QVERIFY(b.find<QLineEdit>("EditAddress")->isReadOnly());
        QVERIFY(!b.find<QLineEdit>("EditNumb")->isReadOnly());

        QTreeWidget *list = b.routes();
        QCOMPARE(list->columnCount(), 3);
        QCOMPARE(list->headerItem()->text(0), "№");
        QCOMPARE(list->headerItem()->text(1), "Адрес");
        QCOMPARE(list->headerItem()->text(2), "Номер");
        QCOMPARE(list->topLevelItemCount(), 4);
        for (int n = 0; n < 4; ++n)
            QCOMPARE(b.routeRow(n), (QStringList{QString::number(n), "", ""}));

        // The meter buttons start disabled and go with the meter controls.
        const QList<QPair<const char *, const char *>> buttons = {
            {"BtnWriteAddress", "Записать"}, {"BtnWriteRoute", "Записать"}, {"ButtonDelRoute", "Удалить"}};
        for (const auto &[name, text] : buttons) {
            QCOMPARE(b.find<QPushButton>(name)->text(), QString::fromUtf8(text));
            QVERIFY(!b.find<QPushButton>(name)->isEnabled());
        }
        b.page.setMeterControlsEnabled(true);
        for (const auto &[name, text] : buttons)
            QVERIFY(b.find<QPushButton>(name)->isEnabled());
        b.page.setMeterControlsEnabled(false);
        for (const auto &[name, text] : buttons)
            QVERIFY(!b.find<QPushButton>(name)->isEnabled());
    }

    // What each button sends, from the controls as the operator set them,
    // and the operation-log line of the acknowledgement.
    void buttonsSendTheControls_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QList<int>>("spins"); // SpinGroup, SpinAddress, SpinRoute, SpinAddrRep
        QTest::addColumn<QString>("number");
        QTest::addColumn<QList<QByteArray>>("sent");
        QTest::addColumn<QString>("logLine");
        QTest::newRow("route 2 via 17, number 123456")
            << "BtnWriteRoute" << QList<int>{0, 0, 2, 17} << "123456" << QList<QByteArray>{hex("21070211 40E201")}
            << "Plc-Маршрут=2, адрес=17, номер=123456";
        QTest::newRow("route 0 via 255, the largest number")
            << "BtnWriteRoute" << QList<int>{0, 0, 0, 255} << "16777215" << QList<QByteArray>{hex("210700FFFFFFFF")}
            << "Plc-Маршрут=0, адрес=255, номер=16777215";
        QTest::newRow("delete route 3") << "ButtonDelRoute" << QList<int>{0, 0, 3, 9} << "77"
                                        << QList<QByteArray>{hex("210303")} << "Plc-Маршрут=3 удален";
        QTest::newRow("group 7, address 200")
            << "BtnWriteAddress" << QList<int>{7, 200, 1, 1} << ""
            << QList<QByteArray>{hex("0102"), hex("1102"), hex("1408A5A5A5A5A5A5"), hex("0B0407C8")}
            << "Plc-группа=7, Plc-адрес=200";
    }
    void buttonsSendTheControls()
    {
        QFETCH(QString, button);
        QFETCH(QList<int>, spins);
        QFETCH(QString, number);
        QFETCH(QList<QByteArray>, sent);
        QFETCH(QString, logLine);
        PlcBench b;
        b.connect();
        b.find<QSpinBox>("SpinGroup")->setValue(spins[0]);
        b.find<QSpinBox>("SpinAddress")->setValue(spins[1]);
        b.find<QSpinBox>("SpinRoute")->setValue(spins[2]);
        b.find<QSpinBox>("SpinAddrRep")->setValue(spins[3]);
        QTest::keyClicks(b.find<QLineEdit>("EditNumb"), number);
        const qsizetype before = b.link.meter.requests.size();
        b.click(button.toLatin1());
        QVERIFY(b.link.clock.advanceUntil([&] { return !b.logged.isEmpty(); }, 5000));
        QCOMPARE(b.logged, QStringList{logLine});
        // The writes went out one after another, in this order.
        const QList<QByteArray> &all = b.link.meter.requests;
        const qsizetype at = all.indexOf(sent.first(), before);
        QVERIFY(at >= 0);
        QCOMPARE(all.mid(at, sent.size()), sent);
        QVERIFY(b.messages.isEmpty());
    }

    // A number that is not an integer 0..16777215 is refused with the
    // engine's message; nothing goes to the meter.
    void refusedRouteNumber_data()
    {
        QTest::addColumn<QString>("number");
        QTest::newRow("letters") << "12a";
        QTest::newRow("empty") << "";
        QTest::newRow("25 bits") << "16777216";
        QTest::newRow("negative") << "-1";
    }
    void refusedRouteNumber()
    {
        QFETCH(QString, number);
        PlcBench b;
        b.connect();
        b.find<QSpinBox>("SpinRoute")->setValue(1);
        QTest::keyClicks(b.find<QLineEdit>("EditNumb"), number);
        const qsizetype before = b.link.meter.requests.size();
        b.click("BtnWriteRoute");
        QCOMPARE(b.messages.size(), 1);
        QCOMPARE(b.messages[0].caption, "Ошибка");
        QCOMPARE(b.messages[0].icon, QMessageBox::Critical);
        QString expected;
        b.engine.writeRoute(&expected);
        QCOMPARE(b.messages[0].text, expected);
        QVERIFY(!expected.isEmpty());
        b.pollAgain();
        for (qsizetype i = before; i < b.link.meter.requests.size(); ++i)
            QVERIFY(quint8(b.link.meter.requests[i][0]) != 0x21);
        QVERIFY(b.logged.isEmpty());
    }

    // The group, address and routes the meter reports show as they are
    // polled; an absent route (L = 3) empties its cells and keeps "№".
    void shownValuesFollowThePolling()
    {
        PlcBench b;
        b.meter.group = 12;
        b.meter.address = 255;
        b.meter.routes[0] = hex("11" "40E201");  // via 17, number 123456
        b.meter.routes[1] = hex("FF" "FFFFFF");  // via 255, number 16777215
        b.meter.routes[3] = hex("00" "010000");  // via 0, number 1
        b.connect();
        QCOMPARE(b.find<QLineEdit>("EditGroup")->text(), "12");
        QCOMPARE(b.find<QLineEdit>("EditAddress")->text(), "255");
        QCOMPARE(b.routeRow(0), (QStringList{"0", "17", "123456"}));
        QCOMPARE(b.routeRow(1), (QStringList{"1", "255", "16777215"}));
        QCOMPARE(b.routeRow(2), (QStringList{"2", "", ""}));
        QCOMPARE(b.routeRow(3), (QStringList{"3", "0", "1"}));

        b.meter.routes[1].clear(); // the route has been deleted: 20 03 01 answers with L = 3
        b.meter.group = 0;
        b.pollAgain();
        QCOMPARE(b.routeRow(1), (QStringList{"1", "", ""}));
        QCOMPARE(b.routeRow(0), (QStringList{"0", "17", "123456"}));
        QCOMPARE(b.find<QLineEdit>("EditGroup")->text(), "0");

        b.engine.resetReadings(); // ActionReset
        QCOMPARE(b.find<QLineEdit>("EditGroup")->text(), "");
        QCOMPARE(b.find<QLineEdit>("EditAddress")->text(), "");
        QCOMPARE(b.routeRow(0), (QStringList{"0", "", ""}));
    }

    // At the size the window gives its pages, with the widest values.
    void wholeInTheWindow()
    {
        Workplace place;
        app::TFormMain w(place.options());
        PlcBench b; // the page leaves the window before the window goes
        b.meter.group = 255;
        b.meter.address = 255;
        for (QByteArray &route : b.meter.routes)
            route = hex("FF" "FFFFFF");
        b.connect();
        b.find<QSpinBox>("SpinRoute")->setValue(3);
        b.find<QSpinBox>("SpinAddrRep")->setValue(255);
        QTest::keyClicks(b.find<QLineEdit>("EditNumb"), "16777215");

        w.pages()->insertTab(1, &b.page, "Параметры RFPLC");
        w.pages()->setCurrentWidget(&b.page);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        qInfo("page %dx%d", b.page.width(), b.page.height());

        QStringList problems = fitcheck::controlProblems(&b.page) + fitcheck::placementProblems(&b.page);
        for (QLineEdit *edit : b.page.findChildren<QLineEdit *>())
            problems << lineEditProblems(edit);
        QDir().mkpath(TARVIK_SCREENSHOT_DIR);
        QVERIFY(w.grab().save(TARVIK_SCREENSHOT_DIR "/TabPlc.png"));
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
    }
};

QTEST_MAIN(TstPlcPage)
#include "tst_plcpage.moc"
