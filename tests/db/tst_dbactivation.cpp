// The main window in database mode against the test server: the workstation
// identified at every activation, the program ended (without saving its
// configuration) when the workstation, operator or installation is
// missing, one error box per activation while the server is away, and no
// database at all without the marker file.

#include "../app/workplace.h"
#include "app/About.h"
#include "app/productionrecording.h"
#include "db/dbconnection.h"
#include "db/systemclock.h"
#include "db/systemidentity.h"
#include "db/workstation.h"
#include "testserver.h"

#include <QAction>
#include <QEventLoop>
#include <QTest>
#include <QTimer>

using namespace app;
using app::testing::Workplace;
using productiondb::DbConnection;

namespace {

struct NamedIdentity : productiondb::SystemIdentity
{
    QString computer = QStringLiteral("PC");
    QString user = QStringLiteral("op");
    QString computerName() const override { return computer; }
    QString userName() const override { return user; }
};

struct RecordingClock : productiondb::ClockSetter
{
    QList<QDateTime> set;
    bool setLocalTime(const QDateTime &localTime) override
    {
        set << localTime;
        return true;
    }
};

const QDateTime kServerTime(QDate(2026, 12, 10), QTime(10, 12, 26, 345));

// A window of its own working folder in database mode (unless told
// otherwise), with recorded messages, names, clock and end.
struct DbWindow
{
    Workplace place;
    NamedIdentity names;
    RecordingClock clock;
    int ended = 0;
    std::unique_ptr<TFormMain> window;

    enum Boxes { Recorded, RealBoxes, RealBoxesOwnerClicked };

    // RealBoxes: every message is also shown as a modal box that takes the
    // focus and is closed a moment later, as by the operator; then the focus
    // returns to the window, as the window system gives it back to the
    // box's owner. RealBoxesOwnerClicked: besides, the window is activated
    // while the box is still up (the operator clicks it).
    explicit DbWindow(bool marker = true, bool hookEnd = true, Boxes boxes = Recorded)
    {
        if (marker)
            place.markDatabaseMode();
        StartupOptions o = place.options();
        if (boxes != Recorded)
            o.showMessage = [this, boxes](QMessageBox::Icon icon, const QString &caption, const QString &text) {
                place.messages.append({icon, caption, text});
                if (place.messages.size() > 5)
                    return; // a loop: fail rather than hang
                QMessageBox box(icon, caption, text, QMessageBox::Ok, window.get());
                if (boxes == RealBoxesOwnerClicked)
                    QTimer::singleShot(30, &box, [this] { window->activateWindow(); });
                QTimer::singleShot(100, &box, [&box] { box.accept(); });
                box.exec();
                window->activateWindow();
            };
        o.database.identity = &names;
        o.database.clockSetter = &clock;
        if (hookEnd)
            o.endProgram = [this] { ++ended; };
        window = std::make_unique<TFormMain>(o);
    }
    bool showActive()
    {
        window->show();
        window->activateWindow();
        return QTest::qWaitForWindowActive(window.get());
    }
    // Another window of the program takes the focus and gives it back, as
    // the about box does when it closes.
    bool activateAgain()
    {
        QWidget other;
        other.show();
        other.activateWindow();
        if (!QTest::qWaitForWindowActive(&other))
            return false;
        other.close();
        window->activateWindow();
        return QTest::qWaitForWindowActive(window.get());
    }
    QStringList savedKeys() const { return QSettings(place.ini(), QSettings::IniFormat).allKeys(); }
};

} // namespace

class TstDbActivation : public QObject
{
    Q_OBJECT

    DbConnection m_db;

    bool exec(const QString &statement)
    {
        productiondb::DbResult r = m_db.run(statement);
        if (r.connectionLost) // the server was restarted: once more on a new link
            r = m_db.run(statement);
        if (!r.ok)
            qWarning("%s: %s", qPrintable(statement), qPrintable(r.error));
        return r.ok;
    }

private slots:
    void init()
    {
        QVERIFY(testserver::resume());
        for (const char *table : {"computer", "operator", "plant"})
            QVERIFY(exec(QStringLiteral("DELETE FROM ") + table));
        QVERIFY(exec("INSERT INTO computer(computer_id,name) VALUES(1,'PC')"));
        QVERIFY(exec("INSERT INTO operator(person_id,login,operating) VALUES(11,'op',1)"));
        QVERIFY(exec("INSERT INTO plant(plant_id,type_id,computer_id) VALUES(4,3,1)"));
        QVERIFY(exec("CREATE OR REPLACE FUNCTION getdate() RETURNS DATETIME(3) NOT DETERMINISTIC NO SQL"
                     " RETURN '2026-12-10 10:12:26.345'"));
    }

    void cleanup()
    {
        QVERIFY(testserver::resume());
        QVERIFY(exec("CREATE OR REPLACE FUNCTION getdate() RETURNS DATETIME(3) NOT DETERMINISTIC NO SQL"
                     " RETURN NOW(3)"));
    }

    // Shown: identified before the operator acts, the clock set to the
    // server's time; again at every activation; closing saves as usual.
    void identifiedAtEveryActivation()
    {
        DbWindow w;
        QVERIFY(w.showActive());
        productiondb::Workstation *ws = w.window->station().workstation();
        QVERIFY(ws);
        QCOMPARE(ws->computerId(), 1);
        QCOMPARE(ws->personId(), 11);
        QCOMPARE(ws->plantId(), 4);
        QCOMPARE(w.clock.set.size(), 1);
        QCOMPARE(w.clock.set[0].date(), kServerTime.date());
        QCOMPARE(w.clock.set[0].time(), kServerTime.time());
        QVERIFY(w.place.messages.isEmpty());

        QVERIFY(w.activateAgain());
        QCOMPARE(w.clock.set.size(), 2);
        QVERIFY(w.place.messages.isEmpty());
        QCOMPARE(w.ended, 0);
        QVERIFY(w.window->isEnabled());
        w.window->close();
        QVERIFY(w.savedKeys().contains("Timeout"));
    }

    // Missing from the database at the first show: the message, the end of
    // the program, no clock set, and no configuration saved on closing.
    void missingEndsTheProgram_data()
    {
        QTest::addColumn<QString>("computer");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("message");
        QTest::newRow("computer") << "OTHER.factory" << "op" << "" << "Компьютер \"OTHER\" не описан в БД.";
        QTest::newRow("operating = 0") << "PC" << "op" << "UPDATE operator SET operating = 0"
                                       << "Пользователь \"op\" не описан в БД.";
        QTest::newRow("17-character user name")
            << "PC" << "abcdefghijklmnopq" << "INSERT INTO operator(person_id,login,operating) VALUES(12,'',1)"
            << "Пользователь \"\" не описан в БД.";
        QTest::newRow("installation of type 2") << "PC" << "op" << "UPDATE plant SET type_id = 2"
                                                << "Установка не описана в БД.";
    }
    void missingEndsTheProgram()
    {
        QFETCH(QString, computer);
        QFETCH(QString, user);
        QFETCH(QString, setup);
        QFETCH(QString, message);
        if (!setup.isEmpty())
            QVERIFY(exec(setup));
        DbWindow w;
        w.names.computer = computer;
        w.names.user = user;
        QVERIFY(w.showActive());
        QTRY_COMPARE(w.ended, 1);
        QCOMPARE(w.place.messages.size(), 1);
        QCOMPARE(w.place.messages[0].icon, QMessageBox::Warning);
        QCOMPARE(w.place.messages[0].caption, QStringLiteral("Приложение остановлено"));
        QCOMPARE(w.place.messages[0].text, message);
        QVERIFY(w.clock.set.isEmpty());
        QVERIFY(!w.window->isEnabled());
        // Activations while it ends identify no more.
        QVERIFY(w.activateAgain());
        QCOMPARE(w.place.messages.size(), 1);
        QCOMPARE(w.ended, 1);
        w.window->close();
        QVERIFY(w.savedKeys().isEmpty());
    }

    // Removed while the program runs: the next activation ends it; the
    // meter link is left as it is (no disconnect) and nothing is saved.
    void removedWhileRunning()
    {
        DbWindow w;
        QVERIFY(w.showActive());
        QVERIFY(w.place.messages.isEmpty());
        w.window->findChild<QAction *>("ActionConnect")->trigger();
        QTRY_VERIFY(w.window->station().connection().isConnected());
        QVERIFY(exec("DELETE FROM plant"));
        QVERIFY(w.activateAgain());
        QTRY_COMPARE(w.ended, 1);
        QCOMPARE(w.place.messages.size(), 1);
        QCOMPARE(w.place.messages[0].text, QStringLiteral("Установка не описана в БД."));
        w.window->close();
        QVERIFY(w.window->station().connection().isConnected());
        QVERIFY(w.savedKeys().isEmpty());
        w.window->station().connection().disconnectLink();
    }

    // The server away: one error box for each activation, also when a
    // real box takes the focus and hands it back; the program stays usable
    // and is identified at the next activation once the server is back.
    void serverAway_data()
    {
        QTest::addColumn<int>("boxes");
        QTest::newRow("recorded boxes") << int(DbWindow::Recorded);
        QTest::newRow("real boxes") << int(DbWindow::RealBoxes);
        QTest::newRow("window clicked under the box") << int(DbWindow::RealBoxesOwnerClicked);
    }
    void serverAway()
    {
        QFETCH(int, boxes);
        DbWindow w(true, true, DbWindow::Boxes(boxes));
        QVERIFY(testserver::pause());
        QVERIFY(w.showActive());
        QTRY_COMPARE(w.place.messages.size(), 1);
        QCOMPARE(w.place.messages[0].icon, QMessageBox::Critical);
        QCOMPARE(w.place.messages[0].caption, TFormMain::kTitle);
        QVERIFY(!w.place.messages[0].text.isEmpty());
        QTRY_VERIFY(w.window->isActiveWindow());
        QTest::qWait(500);
        QCOMPARE(w.place.messages.size(), 1); // no box after the box
        QVERIFY(w.window->isEnabled());
        QCOMPARE(w.ended, 0);
        QVERIFY(w.clock.set.isEmpty());

        QVERIFY(w.activateAgain());
        QTRY_COMPARE(w.place.messages.size(), 2);
        QTRY_VERIFY(w.window->isActiveWindow());
        QTest::qWait(500);
        QCOMPARE(w.place.messages.size(), 2);

        QVERIFY(testserver::resume());
        QVERIFY(w.activateAgain());
        QTest::qWait(200);
        QCOMPARE(w.place.messages.size(), 2);
        QCOMPARE(w.clock.set.size(), 1);
        QCOMPARE(w.window->station().workstation()->plantId(), 4);
    }

    // A box of the records (here a failed statement while the server is
    // away) hands the activation back without a new identification: one box
    // for the operator's action, not a second one from the identification.
    void recordBoxHandsBackWithoutRetry()
    {
        DbWindow w(true, true, DbWindow::RealBoxes);
        QVERIFY(w.showActive());
        QCOMPARE(w.clock.set.size(), 1);
        QVERIFY(testserver::pause());
        emit w.window->station().productionRecording()->databaseError(QStringLiteral("Сервер недоступен"));
        QCOMPARE(w.place.messages.size(), 1);
        QCOMPARE(w.place.messages[0].text, QStringLiteral("Сервер недоступен"));
        QTRY_VERIFY(w.window->isActiveWindow());
        QTest::qWait(500);
        QCOMPARE(w.place.messages.size(), 1);
        QVERIFY(testserver::resume());
    }

    // No marker file: no connection object, nothing looked up.
    void noMarkerNoDatabase()
    {
        DbWindow w(false);
        QVERIFY(!w.window->modes().databaseMode);
        QVERIFY(!w.window->station().database());
        QVERIFY(!w.window->station().workstation());
        QVERIFY(w.showActive());
        QVERIFY(w.activateAgain());
        QVERIFY(w.clock.set.isEmpty());
        QVERIFY(w.place.messages.isEmpty());
    }

    // Without a hook the program leaves its event loop after the message.
    // Last: once told to exit, this thread runs no further event loop (a
    // modal box would return at once).
    void leavesTheEventLoop()
    {
        QVERIFY(exec("DELETE FROM plant"));
        DbWindow w(true, false);
        QEventLoop loop;
        QTimer::singleShot(0, &loop, [&] { w.window->show(); w.window->activateWindow(); });
        QTimer::singleShot(10000, &loop, [&] { loop.exit(2); });
        QCOMPARE(loop.exec(), 0);
        QCOMPARE(w.place.messages.size(), 1);
    }
};

QTEST_MAIN(TstDbActivation)
#include "tst_dbactivation.moc"
