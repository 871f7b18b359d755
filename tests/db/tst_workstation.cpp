// Identification of the workstation, its operator and installation, and the
// PC clock taken from the server, against the private test server. The
// computer and user names come from the test; the clock is a recorder, the
// machine's own clock is never set.

#include "db/dbconnection.h"
#include "db/systemclock.h"
#include "db/systemidentity.h"
#include "db/workstation.h"
#include "testserver.h"

#include <QTest>

using namespace productiondb;

namespace {

struct NamedIdentity : SystemIdentity
{
    QString computer = QStringLiteral("PC");
    QString user = QStringLiteral("op");
    QString computerName() const override { return computer; }
    QString userName() const override { return user; }
};

struct RecordingClock : ClockSetter
{
    QList<QDateTime> set;
    bool refuse = false;
    bool setLocalTime(const QDateTime &localTime) override
    {
        set << localTime;
        return !refuse;
    }
};

// Workstation "PC" (1) of installation 4 (type 3), operator "op" (11).
const char *const seed[] = {
    "INSERT INTO computer(computer_id,name) VALUES(1,'PC')",
    "INSERT INTO operator(person_id,login,operating) VALUES(11,'op',1)",
    "INSERT INTO plant(plant_id,type_id,computer_id) VALUES(4,3,1)",
};

// The server's clock stands still at this moment while a test needs it.
const QDateTime kServerTime(QDate(2026, 12, 10), QTime(10, 12, 26, 345));

const char *const kFixedClock = "CREATE OR REPLACE FUNCTION getdate() RETURNS DATETIME(3) NOT DETERMINISTIC NO SQL"
                                " RETURN '2026-12-10 10:12:26.345'";
const char *const kRunningClock =
    "CREATE OR REPLACE FUNCTION getdate() RETURNS DATETIME(3) NOT DETERMINISTIC NO SQL RETURN NOW(3)";

} // namespace

class TstWorkstation : public QObject
{
    Q_OBJECT

    DbConnection m_db;
    NamedIdentity m_names;
    RecordingClock m_clock;
    std::unique_ptr<Workstation> m_ws;

    bool exec(const QString &statement)
    {
        const DbResult r = m_db.run(statement);
        if (!r.ok)
            qWarning("%s: %s", qPrintable(statement), qPrintable(r.error));
        return r.ok;
    }

    // Runs statements given as one text, separated by ";".
    bool execAll(const QString &statements)
    {
        for (const QString &s : statements.split(u';', Qt::SkipEmptyParts))
            if (!exec(s))
                return false;
        return true;
    }

    void checkIds(int computer, int person, int plant)
    {
        QCOMPARE(m_ws->computerId(), computer);
        QCOMPARE(m_ws->personId(), person);
        QCOMPARE(m_ws->plantId(), plant);
    }

private slots:
    void init()
    {
        QVERIFY(testserver::resume());
        for (const char *table : {"computer", "operator", "plant"})
            QVERIFY(exec(QStringLiteral("DELETE FROM ") + table));
        for (const char *statement : seed)
            QVERIFY(exec(QString::fromUtf8(statement)));
        QVERIFY(exec(kFixedClock));
        m_names = NamedIdentity();
        m_clock = RecordingClock();
        m_ws = std::make_unique<Workstation>(m_db, m_names, m_clock);
    }

    void cleanup()
    {
        QVERIFY(testserver::resume());
        // Tables a test put in front of the real ones for this connection.
        QVERIFY(exec("DROP TEMPORARY TABLE IF EXISTS computer, operator, plant"));
        QVERIFY(exec(kRunningClock));
    }

    // Found: the three ids, and the PC clock set once to the server's time
    // to the millisecond.
    void identified_data()
    {
        QTest::addColumn<QString>("computer");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("setup");
        QTest::newRow("as stored") << "PC" << "op" << "";
        QTest::newRow("domain name of the host") << "PC.factory.local" << "op" << "";
        QTest::newRow("other letter case") << "pc" << "OP" << "";
        QTest::newRow("16 of 17 characters of the host")
            << "WORKSTATION-0001X.factory" << "op" << "UPDATE computer SET name = 'WORKSTATION-0001'";
        QTest::newRow("user name of 16 characters")
            << "PC" << "abcdefghijklmnop" << "UPDATE operator SET login = 'abcdefghijklmnop'";
        QTest::newRow("inactive rows beside")
            << "PC" << "op"
            << "INSERT INTO operator(person_id,login,operating) VALUES(5,'op',0);"
               "INSERT INTO plant(plant_id,type_id,computer_id) VALUES(2,2,1)";
    }
    void identified()
    {
        QFETCH(QString, computer);
        QFETCH(QString, user);
        QFETCH(QString, setup);
        QVERIFY(execAll(setup));
        m_names.computer = computer;
        m_names.user = user;
        const IdentifyOutcome outcome = m_ws->IdentifyWorkstation();
        QCOMPARE(outcome.kind, IdentifyOutcome::Identified);
        QVERIFY(outcome.message.isEmpty());
        checkIds(1, 11, 4);
        QCOMPARE(m_clock.set.size(), 1);
        QCOMPARE(m_clock.set[0].date(), kServerTime.date());
        QCOMPARE(m_clock.set[0].time(), kServerTime.time()); // milliseconds included
    }

    // The system refusing the new time changes nothing.
    void clockRefusalIgnored()
    {
        m_clock.refuse = true;
        QCOMPARE(m_ws->IdentifyWorkstation().kind, IdentifyOutcome::Identified);
        QCOMPARE(m_clock.set.size(), 1);
        checkIds(1, 11, 4);
    }

    // Missing from the database: the message to show; the clock is not set.
    // Where two things are missing, the order of the lookups decides.
    void notFound_data()
    {
        QTest::addColumn<QString>("computer");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QList<int>>("ids");
        QTest::newRow("unknown computer") << "OTHER" << "op" << "" << "Компьютер \"OTHER\" не описан в БД."
                                          << QList<int>{0, 0, 0};
        QTest::newRow("empty computer name") << "" << "op" << "INSERT INTO computer(computer_id,name) VALUES(2,'')"
                                             << "Компьютер \"\" не описан в БД." << QList<int>{0, 0, 0};
        QTest::newRow("computer before operator") << "OTHER.factory" << "nobody" << ""
                                                  << "Компьютер \"OTHER\" не описан в БД." << QList<int>{0, 0, 0};
        QTest::newRow("unknown user") << "PC" << "nobody" << "" << "Пользователь \"nobody\" не описан в БД."
                                      << QList<int>{1, 0, 0};
        QTest::newRow("operating = 0") << "PC" << "op" << "UPDATE operator SET operating = 0"
                                       << "Пользователь \"op\" не описан в БД." << QList<int>{1, 0, 0};
        QTest::newRow("operator before installation")
            << "PC" << "nobody" << "DELETE FROM plant" << "Пользователь \"nobody\" не описан в БД."
            << QList<int>{1, 0, 0};
        // Such a name does not fit the system's buffer: the login is empty,
        // and an empty login is nobody, even with an operator row for it.
        QTest::newRow("user name of 17 characters")
            << "PC" << "abcdefghijklmnopq"
            << "UPDATE operator SET login = 'abcdefghijklmnopq';"
               "INSERT INTO operator(person_id,login,operating) VALUES(12,'',1)"
            << "Пользователь \"\" не описан в БД." << QList<int>{1, 0, 0};
        QTest::newRow("empty user name") << "PC" << ""
                                         << "INSERT INTO operator(person_id,login,operating) VALUES(12,'',1)"
                                         << "Пользователь \"\" не описан в БД." << QList<int>{1, 0, 0};
        QTest::newRow("installation of type 2") << "PC" << "op" << "UPDATE plant SET type_id = 2"
                                                << "Установка не описана в БД." << QList<int>{1, 11, 0};
        QTest::newRow("installation of another computer")
            << "PC" << "op"
            << "INSERT INTO computer(computer_id,name) VALUES(2,'PC2');UPDATE plant SET computer_id = 2"
            << "Установка не описана в БД." << QList<int>{1, 11, 0};
        // Rows whose id is NULL, in tables put in front of the real ones
        // (whose keys cannot hold NULL).
        QTest::newRow("computer_id NULL")
            << "PC" << "op"
            << "CREATE TEMPORARY TABLE computer (computer_id INT NULL, name VARCHAR(50) NULL);"
               "INSERT INTO computer VALUES(NULL,'PC')"
            << "Компьютер \"PC\" не описан в БД." << QList<int>{0, 0, 0};
        QTest::newRow("person_id NULL")
            << "PC" << "op"
            << "CREATE TEMPORARY TABLE operator (person_id INT NULL, login VARCHAR(50) NULL, operating INT NULL);"
               "INSERT INTO operator VALUES(NULL,'op',1)"
            << "Пользователь \"op\" не описан в БД." << QList<int>{1, 0, 0};
        QTest::newRow("plant_id NULL")
            << "PC" << "op"
            << "CREATE TEMPORARY TABLE plant (plant_id INT NULL, type_id INT NULL, computer_id INT NULL);"
               "INSERT INTO plant VALUES(NULL,3,1)"
            << "Установка не описана в БД." << QList<int>{1, 11, 0};
    }
    void notFound()
    {
        QFETCH(QString, computer);
        QFETCH(QString, user);
        QFETCH(QString, setup);
        QFETCH(QString, message);
        QFETCH(QList<int>, ids);
        QVERIFY(execAll(setup));
        m_names.computer = computer;
        m_names.user = user;
        const IdentifyOutcome outcome = m_ws->IdentifyWorkstation();
        QCOMPARE(outcome.kind, IdentifyOutcome::NotFound);
        QCOMPARE(outcome.message, message);
        checkIds(ids[0], ids[1], ids[2]);
        QVERIFY(m_clock.set.isEmpty());
    }

    // Two active rows for one login: the first row the server returns
    // decides.
    void firstOperatorRowDecides()
    {
        QVERIFY(exec("INSERT INTO operator(person_id,login,operating) VALUES(7,'op',1)"));
        const DbResult rows = m_db.run(Workstation::QueryPerson, {{"login", "op"}});
        QCOMPARE(rows.rows.size(), 2);
        const int first = rows.first("person_id").toInt();
        QVERIFY(first != rows.value(1, "person_id").toInt());
        QCOMPARE(m_ws->IdentifyWorkstation().kind, IdentifyOutcome::Identified);
        QCOMPARE(m_ws->personId(), first);
    }

    // A found workstation that is later removed: the next run ends the
    // program, with the ids of that run.
    void removedMeanwhile()
    {
        QCOMPARE(m_ws->IdentifyWorkstation().kind, IdentifyOutcome::Identified);
        QVERIFY(exec("DELETE FROM plant"));
        const IdentifyOutcome outcome = m_ws->IdentifyWorkstation();
        QCOMPARE(outcome.kind, IdentifyOutcome::NotFound);
        QCOMPARE(outcome.message, QStringLiteral("Установка не описана в БД."));
        checkIds(1, 11, 0);
        QCOMPARE(m_clock.set.size(), 1); // from the first run only
    }

    // A statement that fails: its error text for the general error
    // handler, the ids found before it stay, the clock is left alone.
    void statementFails_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::newRow("QueryComputer") << "CREATE TEMPORARY TABLE computer (computer_id INT NULL)";
        QTest::newRow("QueryPerson") << "CREATE TEMPORARY TABLE operator (person_id INT NULL)";
        QTest::newRow("QueryPlant") << "CREATE TEMPORARY TABLE plant (plant_id INT NULL)";
        QTest::newRow("QueryTime") << "CREATE OR REPLACE FUNCTION getdate() RETURNS DATETIME(3) NOT DETERMINISTIC"
                                      " NO SQL BEGIN SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'clock unavailable'; RETURN NOW(3); END";
    }
    void statementFails()
    {
        QFETCH(QString, setup);
        QCOMPARE(m_ws->IdentifyWorkstation().kind, IdentifyOutcome::Identified);
        QVERIFY(exec(setup));
        const IdentifyOutcome outcome = m_ws->IdentifyWorkstation();
        QCOMPARE(outcome.kind, IdentifyOutcome::Failed);
        QVERIFY(!outcome.message.isEmpty());
        checkIds(1, 11, 4);
        QCOMPARE(m_clock.set.size(), 1); // from the first run only
    }

    // The server goes away and comes back: an error while it is away (the
    // ids stay), identified again once it is back.
    void serverAwayAndBack()
    {
        QCOMPARE(m_ws->IdentifyWorkstation().kind, IdentifyOutcome::Identified);
        QVERIFY(testserver::pause());
        const IdentifyOutcome away = m_ws->IdentifyWorkstation();
        QCOMPARE(away.kind, IdentifyOutcome::Failed);
        QVERIFY(!away.message.isEmpty());
        checkIds(1, 11, 4);
        QCOMPARE(m_clock.set.size(), 1);
        QVERIFY(testserver::resume());
        QVERIFY(exec(kFixedClock)); // the function survives; the connection is new
        QCOMPARE(m_ws->IdentifyWorkstation().kind, IdentifyOutcome::Identified);
        QCOMPARE(m_clock.set.size(), 2);
        QCOMPARE(m_clock.set[1].time(), kServerTime.time());
    }

    // No date-time from the server: nothing to set, no error.
    void serverTimeNull()
    {
        QVERIFY(exec("CREATE OR REPLACE FUNCTION getdate() RETURNS DATETIME(3) NOT DETERMINISTIC NO SQL RETURN NULL"));
        QCOMPARE(m_ws->IdentifyWorkstation().kind, IdentifyOutcome::Identified);
        QVERIFY(m_clock.set.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TstWorkstation)
#include "tst_workstation.moc"
