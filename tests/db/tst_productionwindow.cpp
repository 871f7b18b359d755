// The main window's side of the production records against the test server:
// "Зафиксировать в Б&Д" with its lamp and boxes, and a refused settings
// batch shown in one box.

#include "../app/workplace.h"
#include "app/station.h"
#include "db/dbconnection.h"
#include "db/systemclock.h"
#include "db/systemidentity.h"
#include "db/workstation.h"
#include "testserver.h"

#include <QAction>
#include <QLabel>
#include <QTest>

using namespace app;
using app::testing::Workplace;
using productiondb::DbConnection;
using productiondb::DbResult;

namespace {

struct NamedIdentity : productiondb::SystemIdentity
{
    QString computerName() const override { return QStringLiteral("PC"); }
    QString userName() const override { return QStringLiteral("op"); }
};

struct KeptClock : productiondb::ClockSetter
{
    bool setLocalTime(const QDateTime &) override { return true; }
};

// Operator 11 at installation 4 on computer PC; the simulated meter 123456
// is electro_id 100.
const char *const seedStatements[] = {
    "INSERT INTO computer(computer_id,name) VALUES(1,'PC')",
    "INSERT INTO operator(person_id,login,operating) VALUES(11,'op',1)",
    "INSERT INTO plant(plant_id,type_id,computer_id) VALUES(4,3,1)",
    "INSERT INTO electrometer(electro_id,number,type_id) VALUES(100,123456,48)",
};

// A window in database mode in a working folder of its own, identified and
// connected to the simulated meter, its serial read.
struct DbWindow
{
    Workplace place;
    NamedIdentity names;
    KeptClock clock;
    std::unique_ptr<TFormMain> window;

    explicit DbWindow(quint32 meterSerial)
    {
        place.markDatabaseMode();
        StartupOptions o = place.options();
        o.database.identity = &names;
        o.database.clockSetter = &clock;
        o.endProgram = [] {};
        window = std::make_unique<TFormMain>(o);
        window->station().simulator().state().serial = meterSerial;
    }
    QAction *action(const char *name) { return app::testing::child<QAction>(*window, name); }
    QLabel *lamp() { return app::testing::child<QLabel>(*window, "Shape1"); }
    bool connected()
    {
        window->show();
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window.get()))
            return false;
        action("ActionConnect")->trigger();
        return QTest::qWaitFor([&] { return action("ActionFixDb")->isEnabled(); }, 5000);
    }
};

} // namespace

class TstProductionWindow : public QObject
{
    Q_OBJECT

    DbConnection m_db;

    DbResult must(const QString &statement)
    {
        DbResult r = m_db.run(statement);
        if (!r.ok)
            qWarning("%s: %s", qPrintable(statement), qPrintable(r.error));
        return r;
    }
    int records() { return must("SELECT COUNT(*) AS n FROM set_tarvik").first("n").toInt(); }

private slots:
    void init()
    {
        QVERIFY(testserver::resume());
        for (const char *table : {"computer", "operator", "plant", "electrometer", "operation", "set_tarvik",
                                  "set_pk", "config_operator"})
            QVERIFY2(must(QStringLiteral("DELETE FROM ") + table).ok, table);
        for (const char *statement : seedStatements)
            QVERIFY2(must(QString::fromUtf8(statement)).ok, statement);
    }

    void cleanup()
    {
        QVERIFY(testserver::resume());
        DbResult dropped = m_db.run("DROP TRIGGER IF EXISTS fail_record");
        if (dropped.connectionLost) // the server was away: once more on a new link
            dropped = m_db.run("DROP TRIGGER IF EXISTS fail_record");
        QVERIFY2(dropped.ok, qPrintable(dropped.error));
    }

    // Recorded: the green lamp and no box. Not in the register: its box and
    // no lamp. The record rolled back: its box and the red lamp.
    void fixDb_data()
    {
        QTest::addColumn<int>("meterSerial");
        QTest::addColumn<bool>("failing");
        QTest::addColumn<QColor>("lamp"); // invalid: none
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("text"); // the start of it
        QTest::addColumn<int>("rows");
        QTest::newRow("recorded") << 123456 << false << QColor(0, 255, 0) << "" << "" << 1;
        QTest::newRow("not in the register") << 999999 << false << QColor() << "Ошибка записи в БД"
                                             << "Номер прибора не описан в БД. Установите его." << 0;
        QTest::newRow("record fails") << 123456 << true << QColor(255, 0, 0) << "Ошибка БД"
                                      << "Ошибка записи в БД: no record today" << 0;
    }
    void fixDb()
    {
        QFETCH(int, meterSerial);
        QFETCH(bool, failing);
        QFETCH(QColor, lamp);
        QFETCH(QString, caption);
        QFETCH(QString, text);
        QFETCH(int, rows);
        if (failing)
            QVERIFY(must("CREATE TRIGGER fail_record BEFORE INSERT ON operation FOR EACH ROW "
                         "SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'no record today'")
                        .ok);
        DbWindow w{quint32(meterSerial)};
        QVERIFY(w.connected());
        QVERIFY(w.action("ActionFixDb")->isVisible());
        QVERIFY(w.place.messages.isEmpty());

        w.action("ActionFixDb")->trigger();
        if (caption.isEmpty()) {
            QVERIFY(w.place.messages.isEmpty());
        } else {
            QCOMPARE(w.place.messages.size(), 1);
            QCOMPARE(w.place.messages[0].icon, QMessageBox::Critical);
            QCOMPARE(w.place.messages[0].caption, caption);
            QVERIFY2(w.place.messages[0].text.startsWith(text), qPrintable(w.place.messages[0].text));
        }
        QCOMPARE(w.lamp()->isVisible(), lamp.isValid());
        if (lamp.isValid())
            QCOMPARE(w.lamp()->property("lampColor").value<QColor>(), lamp);
        QCOMPARE(records(), rows);
        QTRY_VERIFY_WITH_TIMEOUT(!w.lamp()->isVisible(), 3000);
        w.action("ActionDisconnect")->trigger();
    }

    // The server goes away after the identification: the serial lookup's
    // error reaches the general error handler once, and the link goes on.
    void lookupFailureShownOnce()
    {
        DbWindow w{123456};
        w.window->show();
        w.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.window.get()));
        QVERIFY(w.window->station().workstation()->personId() != 0);
        QVERIFY(testserver::pause());
        w.action("ActionConnect")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(w.place.messages.size(), 1, 5000);
        QCOMPARE(w.place.messages[0].icon, QMessageBox::Critical);
        QCOMPARE(w.place.messages[0].caption, TFormMain::kTitle);
        QVERIFY(!w.place.messages[0].text.isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(w.window->station().connection().pollCounter() > 20, 5000);
        QCOMPARE(w.place.messages.size(), 1);
        QVERIFY(w.action("ActionFixDb")->isEnabled());
        QVERIFY(testserver::resume());
        w.action("ActionDisconnect")->trigger();
    }

    // A refused settings batch: the pre-check's box, once, with its caption.
    void refusedBatchShownOnce()
    {
        DbWindow w{999999};
        QVERIFY(w.connected());
        w.window->station().settingsWriter().values().CheckTime = true;
        w.action("ActionSetting")->trigger();
        QCOMPARE(w.place.messages.size(), 1);
        QCOMPARE(w.place.messages[0].icon, QMessageBox::Critical);
        QCOMPARE(w.place.messages[0].caption, QStringLiteral("Запись установок невохможна"));
        QCOMPARE(w.place.messages[0].text, QStringLiteral("Прибор с таким номером не описан в БД."));
        QVERIFY(!w.window->station().connection().settingsWriteActive());
        w.action("ActionDisconnect")->trigger();
    }
};

QTEST_MAIN(TstProductionWindow)
#include "tst_productionwindow.moc"
