// tarvik-cli in database mode (the marker file in its working folder)
// against the tarvik-sim program over a real pseudo-terminal and the
// private database server loaded with db/demo-seed.sql, this computer and
// the user running the test being the seed's workstation and operator:
// identification before anything is sent, the database check refusing a
// meter before the batch, a settings batch recorded with its route-sheet
// step and read back from the server, the same batch with a failure
// injected into the route-sheet step leaving no row anywhere, and a meter
// recorded without writing.

#include "demoseed.h"
#include "simprocess.h"

#include "db/dbconnection.h"
#include "db/systemidentity.h"
#include "db/workstation.h"

#include "../db/testserver.h"
#include "../db/tabledump.h"
#include "../support/clirun.h"
#include "../support/testfiles.h"

#include <QFile>
#include <QProcess>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>

using productiondb::DbConnection;
using productiondb::DbResult;
using testsupport::CliRun;

using namespace testsupport;

namespace {


using testserver::TableDump;



// Meter 200037 waits on route sheet 21 without a serial; billing day 25 at
// hour 7 and the communication parameters (speed kept at 115200; the
// address is the scanned serial's, not this one).
const QByteArray kNumberingTemplate = R"({ "CheckShedule": true, "SpinDay": 25, "SpinHour": 7,
    "CheckAddr": true, "SpinNewAddr": 5, "ComboNewBaud": 5 })";

} // namespace

class TstPtyProduction : public QObject
{
    Q_OBJECT

    DbConnection m_db;
    QTemporaryDir m_dir; // the working folder, with the marker file
    QStringList m_triggers;

    DbResult must(const QString &statement)
    {
        const DbResult r = m_db.run(statement);
        if (!r.ok)
            qWarning("%s: %s", qPrintable(statement), qPrintable(r.error));
        return r;
    }


    TableDump dump() { return testserver::dumpTables(m_db); }

    // The command line in the working folder against the simulator's terminal.
    CliRun runCli(testsupport::SimProcess &sim, const QStringList &more)
    {
        return testsupport::runCli(m_dir.path(), QStringList{QStringLiteral("--port"), sim.path(),
                                                             QStringLiteral("--baud"), QStringLiteral("115200"),
                                                             QStringLiteral("--no-clock-sync")}
                                                     + more);
    }

    static testsupport::SimProcess *simulator(const QStringList &more = {})
    {
        return new testsupport::SimProcess(QStringList{QStringLiteral("--baud"), QStringLiteral("115200")} + more);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(testsupport::writeFile(m_dir.filePath(QStringLiteral("SettingSql.tarvik")), {}));
        QVERIFY2(!loginKey().isEmpty(), "the user's name is longer than a login");
    }

    void init() { QVERIFY(loadDemoSeed()); }

    void cleanup()
    {
        QVERIFY(testserver::resume()); // a test that failed while the server was away
        m_db.run(QStringLiteral("SELECT 1")); // reopens the connection the pause took
        for (const QString &trigger : std::as_const(m_triggers))
            must(QStringLiteral("DROP TRIGGER IF EXISTS ") + trigger);
        m_triggers.clear();
    }

    // A workstation, operator or installation missing: the message and exit
    // 8 before the meter's port is even opened.
    void notIdentified_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("message");
        QTest::newRow("computer") << "DELETE FROM computer"
                                  << QStringLiteral("Компьютер \"%1\" не описан в БД.").arg(computerKey());
        QTest::newRow("operator not operating")
            << "UPDATE operator SET operating = 0"
            << QStringLiteral("Пользователь \"%1\" не описан в БД.").arg(loginKey());
        QTest::newRow("installation of another type") << "UPDATE plant SET type_id = 2"
                                                      << QStringLiteral("Установка не описана в БД.");
    }
    void notIdentified()
    {
        QFETCH(QString, change);
        QFETCH(QString, message);
        QVERIFY(must(change).ok);
        std::unique_ptr<testsupport::SimProcess> sim(simulator());
        const CliRun r = runCli(*sim, {QStringLiteral("--fix-db")});
        QCOMPARE(r.exitCode, 8);
        QCOMPARE(r.err.trimmed(), message);
        QVERIFY2(!r.out.contains(QStringLiteral(" Send ")), qPrintable(r.out));
    }

    // The server away at the identification: exit 11 with its error,
    // nothing sent.
    void serverAway()
    {
        QVERIFY(testserver::pause());
        std::unique_ptr<testsupport::SimProcess> sim(simulator());
        const CliRun r = runCli(*sim, {QStringLiteral("--fix-db")});
        QVERIFY(testserver::resume());
        QCOMPARE(r.exitCode, 11);
        QVERIFY2(!r.err.trimmed().isEmpty(), "no error text");
        QVERIFY2(!r.out.contains(QStringLiteral(" Send ")), qPrintable(r.out));
    }

    // The meter's last programming cannot be looked up: the error is
    // printed and the run goes on to its end.
    void lookupFailureOnlyReported()
    {
        QVERIFY(must(QStringLiteral("RENAME TABLE set_tarvik TO set_tarvik_away")).ok);
        std::unique_ptr<testsupport::SimProcess> sim(simulator());
        const CliRun r = runCli(*sim, {QStringLiteral("--quiet"), QStringLiteral("--report")});
        QVERIFY(must(QStringLiteral("RENAME TABLE set_tarvik_away TO set_tarvik")).ok);
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QVERIFY2(r.err.contains(QStringLiteral("set_tarvik")), qPrintable(r.err));
        QVERIFY2(r.out.contains(QStringLiteral("Заводской номер\t123456\n")), qPrintable(r.out));
    }

    // A template ticking a task database mode disables is refused, naming it.
    void disabledTaskRefused()
    {
        const QString file = m_dir.filePath(QStringLiteral("quality.json"));
        QVERIFY(testsupport::writeFile(file, R"({ "CheckShedule": true, "CheckQuality": true, "CheckIntegra": true })"));
        std::unique_ptr<testsupport::SimProcess> sim(simulator());
        const CliRun r = runCli(*sim, {QStringLiteral("--write-settings"), file});
        QCOMPARE(r.exitCode, 6);
        QVERIFY2(r.err.contains(QStringLiteral("CheckIntegra, CheckQuality")), qPrintable(r.err));
        QVERIFY2(!r.out.contains(QStringLiteral(" Send ")), qPrintable(r.out));
    }

    // The database check refuses the meter: exit 9 with the message, the
    // meter was polled but no request of the batch went out, no row written.
    void meterRefused_data()
    {
        QTest::addColumn<QStringList>("simArguments");
        QTest::addColumn<QStringList>("cliArguments");
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("message");
        QTest::newRow("not registered") << QStringList{"--serial", "999999"} << QStringList{} << QString()
                                        << QStringLiteral("Прибор с таким номером не описан в БД.");
        QTest::newRow("registered, numbered now, its RF-PLC number taken")
            << QStringList{"--serial", "0"} << QStringList{"--serial", "200037"}
            << "INSERT INTO set_pk(operation_id,version,plm_group,plm_address,plm_number) VALUES(1,'2.10',100,37,200037)"
            << QStringLiteral("Счетчик с таким RFPLC-номером уже существует. Обратитесь к главному конструктору прибора.");
    }
    void meterRefused()
    {
        QFETCH(QStringList, simArguments);
        QFETCH(QStringList, cliArguments);
        QFETCH(QString, change);
        QFETCH(QString, message);
        if (!change.isEmpty())
            QVERIFY(must(change).ok);
        const QString file = m_dir.filePath(QStringLiteral("numbering.json"));
        QVERIFY(testsupport::writeFile(file, kNumberingTemplate));
        const TableDump before = dump();
        std::unique_ptr<testsupport::SimProcess> sim(simulator(simArguments));
        const CliRun r = runCli(*sim, QStringList{QStringLiteral("--write-settings"), file} + cliArguments);
        QCOMPARE(r.exitCode, 9);
        QCOMPARE(r.err.trimmed(), message);
        QVERIFY2(r.out.contains(QStringLiteral(" Send 01 02 ")), qPrintable(r.out)); // polled
        for (const char *request : {" Send 14 ", " Send 02 ", " Send 0B ", " Send 23 ", " Send 03 "})
            QVERIFY2(!r.out.contains(QLatin1String(request)), request);
        QCOMPARE(dump(), before);
    }

    // A meter numbered at this station: the scan's number goes into the
    // meter with the address of its last two digits; the run is recorded
    // (operation, set_tarvik, set_pk) and its route sheet advances from
    // programming to packing. No operation-log file in database mode.
    void settingsBatchRecorded()
    {
        const QString file = m_dir.filePath(QStringLiteral("numbering.json"));
        QVERIFY(testsupport::writeFile(file, kNumberingTemplate));
        std::unique_ptr<testsupport::SimProcess> sim(simulator({QStringLiteral("--serial"), QStringLiteral("0")}));
        const CliRun r = runCli(*sim, {QStringLiteral("--write-settings"), file, QStringLiteral("--serial"),
                                       QStringLiteral("200037"), QStringLiteral("--report")});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QVERIFY2(r.out.contains(QStringLiteral("Заводской номер\t200037\n")), qPrintable(r.out));
        QString simSays;
        QTRY_VERIFY2((simSays += sim->errors()).contains(QStringLiteral("now address 37, 115200 bit/s")),
                     qPrintable(simSays));
        QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("Setting_Tarvik_504.log"))));

        const DbResult operation = must(QStringLiteral("SELECT * FROM operation"));
        QCOMPARE(operation.rows.size(), 1);
        QCOMPARE(operation.first("type_id").toInt(), 3);
        QCOMPARE(operation.first("electro_id").toInt(), 104);
        QCOMPARE(operation.first("plant_id").toInt(), 4);
        QCOMPARE(operation.first("person_id").toInt(), 11);
        QCOMPARE(operation.first("success").toInt(), 1); // never programmed before: no estimate
        const int id = operation.first("operation_id").toInt();

        const DbResult settings = must(QStringLiteral("SELECT * FROM set_tarvik"));
        QCOMPARE(settings.rows.size(), 1);
        QCOMPARE(settings.first("operation_id").toInt(), id);
        QCOMPARE(settings.first("address").toInt(), 37);
        QCOMPARE(settings.first("baud").toString(), QStringLiteral("115200"));
        QCOMPARE(settings.first("count_day").toInt(), 25);
        QCOMPARE(settings.first("count_hour").toInt(), 7);
        QVERIFY(settings.first("date_time").isNull()); // "Время" not ticked
        QVERIFY(settings.first("pass").isNull());
        QVERIFY(!settings.first("version").toString().isEmpty());
        QVERIFY(settings.first("el_type").toString().startsWith(QStringLiteral("Тарвик 504.")));

        const DbResult pk = must(QStringLiteral("SELECT * FROM set_pk"));
        QCOMPARE(pk.rows.size(), 1);
        QCOMPARE(pk.first("operation_id").toInt(), id);
        QCOMPARE(pk.first("plm_group").toInt(), 100); // (200037 mod 10000) div 100 = 0
        QCOMPARE(pk.first("plm_address").toInt(), 37);
        QCOMPARE(pk.first("plm_number").toInt(), 200037);

        // Operation 41 (programming) closed by operator 11 with one good
        // meter; packing opened for it; the registration removed.
        const DbResult closed = must(QStringLiteral("SELECT * FROM msl_ WHERE msl_id = 41"));
        QCOMPARE(closed.first("state_operation").toInt(), 1);
        QCOMPARE(closed.first("good").toInt(), 1);
        QCOMPARE(closed.first("bad").toInt(), 0);
        QCOMPARE(closed.first("person_id").toInt(), 11);
        const DbResult opened = must(QStringLiteral("SELECT * FROM msl_ WHERE JournalMsl_id = 21 AND msl_id <> 41"));
        QCOMPARE(opened.rows.size(), 1);
        QCOMPARE(opened.first("route_id").toInt(), 31);
        QCOMPARE(opened.first("entry").toInt(), 1);
        QCOMPARE(opened.first("state_operation").toInt(), 0);
        QCOMPARE(must(QStringLiteral("SELECT msl_id FROM MslElectro WHERE electro_id = 104")).first("msl_id").toInt(),
                 opened.first("msl_id").toInt());
        QCOMPARE(must(QStringLiteral("SELECT * FROM RegMsl")).rows.size(), 0);
        // Sheet 20 is not touched.
        QCOMPARE(must(QStringLiteral("SELECT state_operation FROM msl_ WHERE msl_id = 40")).first("state_operation").toInt(), 0);
    }

    // The same batch with the route sheet's new operation refused by the
    // server: exit 10 with the server's message, and not one row of the
    // record anywhere (the meter keeps what was written into it).
    void routeStepFailureLeavesNothing()
    {
        const QString name = QStringLiteral("fail_route_step");
        m_triggers << name;
        QVERIFY(must(QStringLiteral("CREATE TRIGGER %1 BEFORE INSERT ON msl_ FOR EACH ROW IF NEW.route_id = 31 THEN "
                                    "SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'no packing today'; END IF")
                         .arg(name))
                    .ok);
        const QString file = m_dir.filePath(QStringLiteral("numbering.json"));
        QVERIFY(testsupport::writeFile(file, kNumberingTemplate));
        const TableDump before = dump();
        std::unique_ptr<testsupport::SimProcess> sim(simulator({QStringLiteral("--serial"), QStringLiteral("0")}));
        const CliRun r = runCli(*sim, {QStringLiteral("--write-settings"), file, QStringLiteral("--serial"),
                                       QStringLiteral("200037")});
        QCOMPARE(r.exitCode, 10);
        // The last line: Qt's driver may warn about the failed statement before it.
        QCOMPARE(r.err.trimmed().split(u'\n').last(), QStringLiteral("Ошибка записи в БД: no packing today"));
        QVERIFY2(r.out.contains(QStringLiteral(" Send 02 05 65 0D 03 ")), qPrintable(r.out)); // 200037 (0x030D65) was written
        QCOMPARE(dump(), before);
    }

    // "Зафиксировать в Б&Д": the meter recorded without writing; the
    // settings columns stay NULL, and the meter moves to the good ones of
    // its sheet's registration.
    void fixDbRecordsWithoutSettings()
    {
        std::unique_ptr<testsupport::SimProcess> sim(simulator());
        const CliRun r = runCli(*sim, {QStringLiteral("--fix-db")});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QVERIFY2(!r.out.contains(QStringLiteral(" Send 14 ")), qPrintable(r.out));

        const DbResult operation = must(QStringLiteral("SELECT * FROM operation"));
        QCOMPARE(operation.rows.size(), 1);
        QCOMPARE(operation.first("electro_id").toInt(), 100);
        const DbResult settings = must(QStringLiteral("SELECT * FROM set_tarvik"));
        QCOMPARE(settings.rows.size(), 1);
        QCOMPARE(settings.first("operation_id").toInt(), operation.first("operation_id").toInt());
        for (const char *column : {"address", "baud", "date_time", "summer", "pass", "count_day", "count_hour",
                                   "time_integ", "ncorrect", "ddm_a", "ddm_b", "ddm_c", "mode_tarif"})
            QVERIFY2(settings.first(QLatin1String(column)).isNull(), column);
        QVERIFY(!settings.first("version").toString().isEmpty());
        QVERIFY(!settings.first("turn_on").toString().isEmpty());
        QCOMPARE(must(QStringLiteral("SELECT * FROM set_pk")).rows.size(), 0);
        const DbResult good = must(QStringLiteral("SELECT * FROM RegMslGood, RegMsl WHERE RegMslGood.RegMsl_id = "
                                                  "RegMsl.RegMsl_id AND RegMsl.JournalMsl_id = 20"));
        QCOMPARE(good.rows.size(), 1);
        QCOMPARE(good.first("electro_id").toInt(), 100);
        QCOMPARE(must(QStringLiteral("SELECT * FROM RegMslEntry")).rows.size(), 2);
    }
};

QTEST_GUILESS_MAIN(TstPtyProduction)
#include "tst_pty_production.moc"
