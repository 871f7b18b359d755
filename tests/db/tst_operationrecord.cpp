// Operation records on the real server: the pre-check of a settings write,
// the last programming of a meter, the record's rows (operation, set_tarvik,
// set_pk) with their NULL rules, the route-sheet step inside the record, and
// a record that fails at any of its writes leaving every table as it was.

#include "db/UDMemsl.h"
#include "db/dbconnection.h"
#include "db/driftestimate.h"
#include "db/operationrecord.h"
#include "db/operationvaluesfrompage.h"
#include "protocol/meterpage.h"
#include "protocol/settingsvalues.h"
#include "testserver.h"
#include "routesheetseed.h"
#include "tabledump.h"

#include <QTest>

using namespace productiondb;

namespace {

const QLocale russian(QLocale::Russian, QLocale::Russia);
const QLocale english(QLocale::English, QLocale::UnitedStates);
const QDateTime recordMoment(QDate(2026, 12, 10), QTime(10, 12, 26));


// Operator 11 at installation 4. Meters of type 48: 123456 (electro_id 100,
// programmed on 01.11, 05.12 08:30 and once without a time), 123400 (101,
// never programmed), 120003 (102), 654321 (103, its RF-PLC number taken on
// 01.12); 777777 is a meter of another type.
const char *const baseSeed[] = {
    "INSERT INTO computer(computer_id,name) VALUES(1,'PC')",
    "INSERT INTO operator(person_id,login,operating) VALUES(11,'op',1)",
    "INSERT INTO plant(plant_id,type_id,computer_id) VALUES(4,3,1)",
    "INSERT INTO electrometer(electro_id,number,type_id) VALUES(100,123456,48)",
    "INSERT INTO electrometer(electro_id,number,type_id) VALUES(101,123400,48)",
    "INSERT INTO electrometer(electro_id,number,type_id) VALUES(102,120003,48)",
    "INSERT INTO electrometer(electro_id,number,type_id) VALUES(103,654321,48)",
    "INSERT INTO electrometer(electro_id,number,type_id) VALUES(104,777777,47)",
    "INSERT INTO operation(operation_id,type_id,electro_id,plant_id,person_id,success) VALUES(60,3,103,4,11,1)",
    "INSERT INTO set_tarvik(operation_id,date_time) VALUES(60,'2026-12-01 10:00:00')",
    "INSERT INTO set_pk(operation_id,version,plm_group,plm_address,plm_number) VALUES(60,'2.10',43,21,654321)",
    "INSERT INTO operation(operation_id,type_id,electro_id,plant_id,person_id,success) VALUES(61,3,100,4,11,1)",
    "INSERT INTO set_tarvik(operation_id,date_time) VALUES(61,'2026-11-01 10:00:00')",
    "INSERT INTO operation(operation_id,type_id,electro_id,plant_id,person_id,success) VALUES(62,3,100,4,11,0)",
    "INSERT INTO set_tarvik(operation_id,date_time) VALUES(62,'2026-12-05 08:30:00')",
    "INSERT INTO operation(operation_id,type_id,electro_id,plant_id,person_id,success) VALUES(63,3,100,4,11,1)",
    "INSERT INTO set_tarvik(operation_id,date_time) VALUES(63,NULL)",
};

// A run with every value the record may store; the boxes are ticked.
OperationValues sampleValues()
{
    OperationValues v;
    v.meterSerial = 123456;
    v.SpinEdit_Number = 123456;
    v.version = QStringLiteral("2.15");
    v.elType = QStringLiteral("Тарвик 504.01");
    v.workingTime = QStringLiteral("1д.01:01:01");
    v.scheduleChecksum = QStringLiteral("4660");
    v.tariffCurrent = {QStringLiteral("1234,567"), QStringLiteral("0,433"), QString(), QStringLiteral("нет"),
                       QStringLiteral("1,000"), QStringLiteral("2,000"), QStringLiteral("3,000"),
                       QStringLiteral("4,000")};
    v.clockFaultBits = 0x75;
    v.EditDelta = QStringLiteral("-0,50");
    v.CheckAddr = true;
    v.SpinNewAddr = 17;
    v.newBaudText = QStringLiteral("19200");
    v.CheckTime = true;
    v.DatePicker = QDate(2026, 12, 10);
    v.TimePicker = QTime(10, 12, 20);
    v.CheckBoxClock = true;
    v.CheckPassword = true;
    v.EditPassW = QStringLiteral("пароль");
    v.CheckShedule = true;
    v.SpinDay = 25;
    v.SpinHour = 7;
    v.CheckIntegra = true;
    v.SpinIntegra = 30;
    return v;
}

OperationValues numberedNow(int number)
{
    OperationValues v = sampleValues();
    v.meterSerial = 0;
    v.SpinEdit_Number = number;
    return v;
}

using testserver::TableDump;

} // namespace

class TstOperationRecord : public QObject
{
    Q_OBJECT

    DbConnection m_db;
    TDMemsl m_routeSheet{m_db};
    OperationRecorder m_recorder{m_db, m_routeSheet, russian};
    QStringList m_triggers;

    DbResult must(const QString &statement, const QVariantMap &params = {})
    {
        const DbResult r = m_db.run(statement, params);
        if (!r.ok)
            qWarning("%s: %s", qPrintable(statement), qPrintable(r.error));
        return r;
    }

    bool seed(const auto &statements)
    {
        for (const char *statement : statements)
            if (!must(QString::fromUtf8(statement)).ok)
                return false;
        return true;
    }

    TableDump dump() { return testserver::dumpTables(m_db); }

    int count(const QString &table, const QString &where = QStringLiteral("1=1"))
    {
        return must(QStringLiteral("SELECT COUNT(*) AS n FROM %1 WHERE %2").arg(table, where)).first("n").toInt();
    }

    // The newest record of installation 4.
    DbResult lastRecord(const QString &table)
    {
        return must(QStringLiteral("SELECT * FROM %1 WHERE operation_id = "
                                   "(SELECT MAX(operation_id) FROM operation WHERE plant_id = 4)")
                        .arg(table));
    }

    // A BEFORE trigger that raises `message` when `condition` holds for
    // the row; dropped by cleanup().
    bool addFailure(const QString &table, const QString &event, const QString &condition, const QString &message)
    {
        const QString name = QStringLiteral("fail_%1").arg(m_triggers.size());
        m_triggers << name;
        return must(QStringLiteral("CREATE TRIGGER %1 BEFORE %2 ON %3 FOR EACH ROW "
                                   "IF %4 THEN SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = '%5'; END IF")
                        .arg(name, event, table, condition, message))
            .ok;
    }

private slots:
    void init()
    {
        for (const QString &table : testserver::productionTables())
            QVERIFY2(must(QStringLiteral("DELETE FROM ") + table).ok, qPrintable(table));
        QVERIFY(seed(baseSeed));
        m_recorder.setIdentity(11, 4);
    }

    void cleanup()
    {
        QVERIFY(testserver::resume()); // a test that failed while the server was away
        for (const QString &trigger : std::as_const(m_triggers))
            must(QStringLiteral("DROP TRIGGER IF EXISTS ") + trigger);
        m_triggers.clear();
        if (m_db.inTransaction())
            m_db.rollback();
    }

    // Before a settings write: the meter by its serial, or by the number it
    // gets now (which must not be an RF-PLC number already). A refusal
    // writes nothing.
    void preCheck_data()
    {
        QTest::addColumn<int>("meterSerial");
        QTest::addColumn<int>("spinEditNumber");
        QTest::addColumn<int>("electroId"); // 0: refused
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("caption");
        const QString unknown = QStringLiteral("Прибор с таким номером не описан в БД.");
        const QString unknownCaption = QStringLiteral("Запись установок невохможна");
        const QString taken = QStringLiteral(
            "Счетчик с таким RFPLC-номером уже существует. Обратитесь к главному конструктору прибора.");
        const QString takenCaption = QStringLiteral("Запись установок невозможна");
        QTest::newRow("serial known") << 123456 << 0 << 100 << "" << "";
        QTest::newRow("serial wins over the spin") << 123456 << 999999 << 100 << "" << "";
        QTest::newRow("numbered now, number free") << 0 << 123400 << 101 << "" << "";
        QTest::newRow("serial unknown") << 999999 << 0 << 0 << unknown << unknownCaption;
        QTest::newRow("serial of another type") << 777777 << 0 << 0 << unknown << unknownCaption;
        QTest::newRow("numbered now, unknown") << 0 << 999999 << 0 << unknown << unknownCaption;
        QTest::newRow("numbered now, RF-PLC number taken") << 0 << 654321 << 0 << taken << takenCaption;
        QTest::newRow("serial read, its RF-PLC number is its own") << 654321 << 654321 << 103 << "" << "";
    }
    void preCheck()
    {
        QFETCH(int, meterSerial);
        QFETCH(int, spinEditNumber);
        QFETCH(int, electroId);
        QFETCH(QString, text);
        QFETCH(QString, caption);
        const TableDump before = dump();
        const DbOutcome outcome = m_recorder.CheckMeterInDatabase(quint32(meterSerial), spinEditNumber);
        if (electroId != 0) {
            QCOMPARE(outcome.kind, DbOutcome::Done);
            QCOMPARE(m_recorder.electroId(), electroId);
        } else {
            QCOMPARE(outcome.kind, DbOutcome::Refused);
            QCOMPARE(outcome.text, text);
            QCOMPARE(outcome.caption, caption);
        }
        QCOMPARE(dump(), before);
    }

    // The latest date_time recorded for the meter; none when it was never
    // recorded with a time.
    void lastProgrammed_data()
    {
        QTest::addColumn<int>("serial");
        QTest::addColumn<QDateTime>("lastProgrammed");
        QTest::newRow("three records, one without a time")
            << 123456 << QDateTime(QDate(2026, 12, 5), QTime(8, 30));
        QTest::newRow("one record") << 654321 << QDateTime(QDate(2026, 12, 1), QTime(10, 0));
        QTest::newRow("never recorded") << 123400 << QDateTime();
        QTest::newRow("not in the register") << 999999 << QDateTime();
    }
    void lastProgrammed()
    {
        QFETCH(int, serial);
        QFETCH(QDateTime, lastProgrammed);
        DriftEstimate drift(russian);
        drift.setLastProgrammed(QDateTime(QDate(2000, 1, 1), QTime(0, 0))); // from the meter before
        QVERIFY(m_recorder.lookUpLastProgrammed(quint32(serial), drift).done());
        QCOMPARE(drift.lastProgrammed(), lastProgrammed);
        if (!lastProgrammed.isValid()) // no estimate is made then
            QCOMPARE(drift.ApplyDriftEstimate(recordMoment.addSecs(60), recordMoment), QString());
    }

    // A lookup outside a record that fails is handed back for the general
    // error handler; the lookup leaves no last programming behind.
    void lookupsWithoutServer()
    {
        DriftEstimate drift(russian);
        drift.setLastProgrammed(recordMoment);
        QVERIFY(m_recorder.CheckMeterInDatabase(123456, 0).done());
        QVERIFY(testserver::pause());
        const DbOutcome check = m_recorder.CheckMeterInDatabase(0, 123400);
        QCOMPARE(check.kind, DbOutcome::DatabaseError);
        QVERIFY(!check.text.isEmpty());
        QCOMPARE(m_recorder.electroId(), 100);
        const DbOutcome lookup = m_recorder.lookUpLastProgrammed(123456, drift);
        QCOMPARE(lookup.kind, DbOutcome::DatabaseError);
        QVERIFY(!lookup.text.isEmpty());
        QVERIFY(!drift.lastProgrammed().isValid());
        QVERIFY(testserver::resume());
        QVERIFY(m_recorder.lookUpLastProgrammed(123456, drift).done());
        QCOMPARE(drift.lastProgrammed(), QDateTime(QDate(2026, 12, 5), QTime(8, 30)));
    }

    // The operation row and the set_tarvik row of one record. The values of
    // the ticked boxes are stored only after a settings write; a record of
    // "Зафиксировать в Б&Д" leaves them NULL whatever the boxes say.
    void recordRows_data()
    {
        QTest::addColumn<bool>("fixDb");
        QTest::addColumn<bool>("withSettings");
        QTest::addColumn<bool>("ticked");
        QTest::newRow("settings write, boxes ticked") << false << true << true;
        QTest::newRow("settings write, boxes unticked") << false << true << false;
        QTest::newRow("without settings, boxes ticked") << false << false << true;
        QTest::newRow("Зафиксировать в БД, boxes ticked") << true << false << true;
    }
    void recordRows()
    {
        QFETCH(bool, fixDb);
        QFETCH(bool, withSettings);
        QFETCH(bool, ticked);
        OperationValues v = sampleValues();
        if (!ticked)
            v.CheckAddr = v.CheckTime = v.CheckPassword = v.CheckShedule = v.CheckIntegra = false;
        const DbOutcome outcome =
            fixDb ? m_recorder.FixDb(v, recordMoment) : m_recorder.RecordOperation(100, v, withSettings, recordMoment);
        QVERIFY2(outcome.done(), qPrintable(outcome.text));
        QVERIFY(!m_db.inTransaction());

        const DbResult op = must("SELECT * FROM operation WHERE operation_id = (SELECT MAX(operation_id) FROM operation)");
        QVERIFY(op.first("operation_id").toInt() > 63);
        QCOMPARE(op.first("type_id").toInt(), 3);
        QCOMPARE(op.first("electro_id").toInt(), 100);
        QCOMPARE(op.first("plant_id").toInt(), 4);
        QCOMPARE(op.first("person_id").toInt(), 11);
        QCOMPARE(op.first("success").toInt(), 1); // -0,50 s a day

        const DbResult row = lastRecord("set_tarvik");
        QCOMPARE(row.rows.size(), 1);
        QCOMPARE(row.first("operation_id"), op.first("operation_id"));
        QCOMPARE(row.first("version").toString(), QStringLiteral("2.15"));
        QCOMPARE(row.first("el_type").toString(), QStringLiteral("Тарвик 504.01"));
        QCOMPARE(row.first("turn_on").toString(), QStringLiteral("1д.01:01:01"));
        QCOMPARE(row.first("status").toInt(), 0x70);
        QCOMPARE(row.first("check_sum").toInt(), 4660);
        // 1234.567 + 0.433 + 0 + 0 ("нет") + 1 + 2 + 3 + 4
        QVERIFY2(qAbs(row.first("t").toDouble() - 1245.0) < 1e-9, qPrintable(row.first("t").toString()));
        QCOMPARE(row.first("secperday").toDouble(), -0.5);
        for (const char *never : {"ncorrect", "ddm_a", "ddm_b", "ddm_c", "mode_tarif"})
            QVERIFY2(row.first(never).isNull(), never);

        const bool stored = withSettings && ticked;
        for (const char *column :
             {"address", "baud", "date_time", "summer", "pass", "count_day", "count_hour", "time_integ"})
            QVERIFY2(row.first(column).isNull() != stored, column);
        if (stored) {
            QCOMPARE(row.first("address").toInt(), 17);
            QCOMPARE(row.first("baud").toString(), QStringLiteral("19200"));
            QCOMPARE(row.first("date_time").toDateTime(), QDateTime(QDate(2026, 12, 10), QTime(10, 12, 20)));
            QCOMPARE(row.first("summer").toInt(), 1);
            QCOMPARE(row.first("pass").toString(), QStringLiteral("пароль"));
            QCOMPARE(row.first("count_day").toInt(), 25);
            QCOMPARE(row.first("count_hour").toInt(), 7);
            QCOMPARE(row.first("time_integ").toInt(), 30);
        }
        QCOMPARE(count("set_pk"), 1); // the meter had a serial: no RF-PLC row
    }

    // "Время" ticked while the pickers hold no date: the time stays NULL
    // rather than a made-up one, and the record goes through.
    void timeWithoutDate()
    {
        OperationValues v = sampleValues();
        v.DatePicker = QDate();
        QVERIFY(m_recorder.RecordOperation(100, v, true, recordMoment).done());
        const DbResult row = lastRecord("set_tarvik");
        QVERIFY(row.first("date_time").isNull());
        QCOMPARE(row.first("summer").toInt(), 1);
    }

    // The success flag and secperday from the text of EditDelta, read in the
    // locale it was shown in; a checksum that is no integer is stored as 0.
    void successFlag_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("editDelta");
        QTest::addColumn<bool>("success");
        QTest::addColumn<QVariant>("secperday");
        QTest::newRow("1,00") << russian << "1,00" << true << QVariant(1.0);
        QTest::newRow("1,01") << russian << "1,01" << false << QVariant(1.01);
        QTest::newRow("-3,00") << russian << "-3,00" << true << QVariant(-3.0);
        QTest::newRow("-3,01") << russian << "-3,01" << false << QVariant(-3.01);
        QTest::newRow("no estimate") << russian << "" << true << QVariant();
        QTest::newRow("1.01 under an English locale") << english << "1.01" << false << QVariant(1.01);
    }
    void successFlag()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, editDelta);
        QFETCH(bool, success);
        QFETCH(QVariant, secperday);
        OperationRecorder recorder(m_db, m_routeSheet, locale);
        recorder.setIdentity(11, 4);
        OperationValues v = sampleValues();
        v.EditDelta = editDelta;
        v.scheduleChecksum = QStringLiteral("нет");
        const DbOutcome outcome = recorder.RecordOperation(100, v, true, recordMoment);
        QVERIFY2(outcome.done(), qPrintable(outcome.text));
        QCOMPARE(lastRecord("operation").first("success").toInt(), int(success));
        const DbResult row = lastRecord("set_tarvik");
        QCOMPARE(row.first("secperday").isNull(), secperday.isNull());
        if (!secperday.isNull())
            QCOMPARE(row.first("secperday").toDouble(), secperday.toDouble());
        QCOMPARE(row.first("check_sum").toInt(), 0);
    }

    // A meter numbered now gets its RF-PLC identity: group and address are
    // digits of the number, 0 standing for 100.
    void rfplcIdentity_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<int>("electroId");
        QTest::addColumn<int>("group");
        QTest::addColumn<int>("address");
        QTest::newRow("123400") << 123400 << 101 << 34 << 100;
        QTest::newRow("120003") << 120003 << 102 << 100 << 3;
        QTest::newRow("123456") << 123456 << 100 << 34 << 56;
    }
    void rfplcIdentity()
    {
        QFETCH(int, number);
        QFETCH(int, electroId);
        QFETCH(int, group);
        QFETCH(int, address);
        QVERIFY(m_recorder.CheckMeterInDatabase(0, number).done());
        QCOMPARE(m_recorder.electroId(), electroId);
        const DbOutcome outcome =
            m_recorder.RecordOperation(m_recorder.electroId(), numberedNow(number), true, recordMoment);
        QVERIFY2(outcome.done(), qPrintable(outcome.text));
        const DbResult pk = lastRecord("set_pk");
        QCOMPARE(pk.rows.size(), 1);
        QCOMPARE(pk.first("version").toString(), QStringLiteral("2.15"));
        QCOMPARE(pk.first("plm_group").toInt(), group);
        QCOMPARE(pk.first("plm_address").toInt(), address);
        QCOMPARE(pk.first("plm_number").toInt(), number);
        QCOMPARE(lastRecord("operation").first("electro_id").toInt(), electroId);
        // The number is taken from now on.
        QCOMPARE(m_recorder.CheckMeterInDatabase(0, number).kind, DbOutcome::Refused);
    }

    // The texts a record writes arrive as exactly the characters meant.
    void textsStoredExactly()
    {
        OperationValues v = numberedNow(123400);
        v.version = QStringLiteral("10.15.01");
        v.elType = QStringLiteral("Тарвик 504.01 ИЮ");
        v.workingTime = QStringLiteral("49710д.06:28:15");
        v.newBaudText = QStringLiteral("115200");
        v.EditPassW = QStringLiteral("Пa1 Ю");
        QVERIFY(m_recorder.RecordOperation(101, v, true, recordMoment).done());
        const QList<std::pair<QString, QString>> columns{{"set_tarvik.version", v.version},
                                                         {"set_tarvik.el_type", v.elType},
                                                         {"set_tarvik.turn_on", v.workingTime},
                                                         {"set_tarvik.baud", v.newBaudText},
                                                         {"set_tarvik.pass", v.EditPassW},
                                                         {"set_pk.version", v.version}};
        for (const auto &[qualified, meant] : columns) {
            const QString table = qualified.section(u'.', 0, 0);
            const QString column = qualified.section(u'.', 1);
            const DbResult r = must(QStringLiteral("SELECT CHAR_LENGTH(%1) AS n, LENGTH(%1) AS b, HEX(%1) AS h FROM %2 WHERE "
                                                   "operation_id = (SELECT MAX(operation_id) FROM operation)")
                                        .arg(column, table));
            QCOMPARE(r.rows.size(), 1);
            QCOMPARE(r.first("n").toInt(), meant.size());
            QCOMPARE(r.first("b").toInt(), meant.toUtf8().size()); // the columns hold UTF-8
            QCOMPARE(r.first("h").toString(), QString::fromLatin1(meant.toUtf8().toHex().toUpper()));
        }
    }

    // "Зафиксировать в Б&Д" for a meter the register does not know writes
    // nothing.
    void fixDbUnknownMeter()
    {
        OperationValues v = sampleValues();
        v.meterSerial = 999999;
        const TableDump before = dump();
        const DbOutcome outcome = m_recorder.FixDb(v, recordMoment);
        QCOMPARE(outcome.kind, DbOutcome::Refused);
        QCOMPARE(outcome.text, QStringLiteral("Номер прибора не описан в БД. Установите его."));
        QCOMPARE(outcome.caption, QStringLiteral("Ошибка записи в БД"));
        QCOMPARE(dump(), before);
    }

    // A batch of one meter: the record registers the meter as good, closes
    // the open programming operation with good 1, bad 0 and opens the next
    // operation of the route (another workplace's) for the good meter, all
    // dated from the one moment of the record.
    void recordAdvancesRouteSheet()
    {
        QVERIFY(seed(testserver::routeSheetSeed));
        const DbOutcome outcome = m_recorder.RecordOperation(100, sampleValues(), true, recordMoment);
        QVERIFY2(outcome.done(), qPrintable(outcome.text));

        const DbResult closed = must("SELECT * FROM msl_ WHERE msl_id = 40");
        QCOMPARE(closed.first("good").toInt(), 1);
        QCOMPARE(closed.first("bad").toInt(), 0);
        QCOMPARE(closed.first("state_operation").toInt(), 1);
        QCOMPARE(closed.first("date_time_stop").toString(), QStringLiteral("10.12.26"));
        QCOMPARE(closed.first("person_id").toInt(), 11);
        QCOMPARE(closed.first("dt_stop").toDateTime(), recordMoment);

        const DbResult opened = must("SELECT * FROM msl_ WHERE JournalMsl_id = 20 AND route_id = 31");
        QCOMPARE(opened.rows.size(), 1);
        QCOMPARE(opened.first("entry").toInt(), 1);
        QCOMPARE(opened.first("good").toInt(), 0);
        QCOMPARE(opened.first("bad").toInt(), 0);
        QCOMPARE(opened.first("state_operation").toInt(), 0);
        QCOMPARE(opened.first("date_time_start").toString(), QStringLiteral("10.12.26"));
        QCOMPARE(opened.first("user_id").toInt(), 11);
        QCOMPARE(opened.first("dt_start").toDateTime(), recordMoment);

        const DbResult meter = must("SELECT * FROM MslElectro WHERE MslElectro_id = 70");
        QCOMPARE(meter.first("msl_id"), opened.first("msl_id"));
        QCOMPARE(meter.first("Fbad").toInt(), 0);
        for (const char *table : {"RegMsl", "RegMslEntry", "RegMslGood", "RegMslBrak"})
            QVERIFY2(count(table) == 0, table); // the registration is closed
        QCOMPARE(count("set_tarvik", "operation_id > 63"), 1);
    }

    // An operator without the programming configuration: the record is
    // written, the route sheet is not touched.
    void operatorWithoutConfiguration()
    {
        QVERIFY(seed(testserver::routeSheetSeed));
        QVERIFY(must("DELETE FROM config_operator").ok);
        const TableDump before = dump();
        QVERIFY(m_recorder.RecordOperation(100, sampleValues(), true, recordMoment).done());
        TableDump after = dump();
        QCOMPARE(after.value("operation").size(), before.value("operation").size() + 1);
        QCOMPARE(after.value("set_tarvik").size(), before.value("set_tarvik").size() + 1);
        after.remove("operation");
        after.remove("set_tarvik");
        TableDump unchanged = before;
        unchanged.remove("operation");
        unchanged.remove("set_tarvik");
        QCOMPARE(after, unchanged);
    }

    // Whichever write of a record fails, the record is rolled back before it
    // is reported: every table holds the rows it held before, the operator
    // reads the server's own message, and the next record goes through.
    void failureLeavesNothing_data()
    {
        QTest::addColumn<bool>("fixDb");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("event");
        QTest::addColumn<QString>("condition");
        QTest::newRow("QueryOperation") << false << "operation" << "INSERT" << "NEW.electro_id = 100";
        QTest::newRow("QueryIns") << false << "set_tarvik" << "INSERT" << "NEW.version = '2.15'";
        QTest::newRow("QueryInsPlm") << false << "set_pk" << "INSERT" << "NEW.plm_number = 123456";
        QTest::newRow("route sheet: qAddRegMsl") << false << "RegMsl" << "INSERT" << "NEW.JournalMsl_id = 20";
        QTest::newRow("route sheet: qAddRegGood") << false << "RegMslGood" << "INSERT" << "NEW.electro_id = 100";
        QTest::newRow("route sheet: qUpdateMslOp") << false << "msl_" << "UPDATE" << "NEW.state_operation = 1";
        QTest::newRow("route sheet: qAddOp") << false << "msl_" << "INSERT" << "NEW.route_id = 31";
        QTest::newRow("route sheet: qUpdMslEl") << false << "MslElectro" << "UPDATE" << "NEW.msl_id <> 40";
        QTest::newRow("Зафиксировать в БД: QueryIns") << true << "set_tarvik" << "INSERT" << "NEW.version = '2.15'";
    }
    void failureLeavesNothing()
    {
        QFETCH(bool, fixDb);
        QFETCH(QString, table);
        QFETCH(QString, event);
        QFETCH(QString, condition);
        QVERIFY(seed(testserver::routeSheetSeed));
        // Numbered now (so set_pk is written) unless by "Зафиксировать в Б&Д".
        const OperationValues v = fixDb ? sampleValues() : numberedNow(123456);
        const QString message = QStringLiteral("injected failure in %1").arg(table);
        QVERIFY(addFailure(table, event, condition, message));

        const TableDump before = dump();
        const DbOutcome outcome =
            fixDb ? m_recorder.FixDb(v, recordMoment) : m_recorder.RecordOperation(100, v, true, recordMoment);
        QCOMPARE(outcome.kind, DbOutcome::RecordFailed);
        QCOMPARE(outcome.text, QStringLiteral("Ошибка записи в БД: ") + message);
        QCOMPARE(outcome.caption, QStringLiteral("Ошибка БД"));
        QVERIFY(!m_db.inTransaction());
        QCOMPARE(dump(), before);

        // The failing write was really part of the record.
        QVERIFY(must("DROP TRIGGER " + m_triggers.takeLast()).ok);
        QVERIFY(m_recorder.RecordOperation(100, v, true, recordMoment).done());
        QCOMPARE(must("SELECT * FROM msl_ WHERE msl_id = 40").first("state_operation").toInt(), 1);
    }

    // The server away when a record begins: the record fails as one, and
    // once the server is back the next record goes through.
    void recordWithoutServer()
    {
        QVERIFY(testserver::pause());
        const DbOutcome outcome = m_recorder.RecordOperation(100, sampleValues(), true, recordMoment);
        QCOMPARE(outcome.kind, DbOutcome::RecordFailed);
        QVERIFY2(outcome.text.startsWith(QStringLiteral("Ошибка записи в БД: ")), qPrintable(outcome.text));
        QVERIFY(outcome.text.size() > QStringLiteral("Ошибка записи в БД: ").size());
        QCOMPARE(outcome.caption, QStringLiteral("Ошибка БД"));
        QVERIFY(!m_db.inTransaction());
        QVERIFY(testserver::resume());
        QVERIFY(m_recorder.RecordOperation(100, sampleValues(), true, recordMoment).done());
        QCOMPARE(count("set_tarvik", "operation_id > 63"), 1);
    }

    // The values of a record as the pages show them when the batch is queued.
    void valuesFromPages()
    {
        using P = protocol::MeterPage;
        P page;
        page.setMeterSerial(123456);
        page.setCell(P::ListMain, P::MainVersion, QStringLiteral("2.15"));
        page.setCell(P::ListMain, P::MainType, QStringLiteral("Тарвик 504.01"));
        page.setCell(P::ListMain, P::MainScheduleChecksum, QStringLiteral("4660"));
        page.setCell(P::ListInfo, P::InfoWorkingTime, QStringLiteral("1д.01:01:01"));
        for (int row = 0; row < 8; ++row) {
            page.setCell(P::ListAddi, row, P::AddiCurrent, QString::number(row + 1));
            page.setCell(P::ListAddi, row, P::AddiSettlement, QStringLiteral("99"));
        }
        page.setClockFaultBits(0x20);
        page.setEditDelta(QStringLiteral("0,25"));
        protocol::SettingsValues s;
        s.SpinEdit_Number = 123457;
        s.CheckAddr = true;
        s.SpinNewAddr = 17;
        s.ComboNewBaud = 2;
        s.CheckPassword = true;
        s.EditPassW = QStringLiteral("пароль");

        const OperationValues v = operationValuesFrom(page, s);
        QCOMPARE(v.meterSerial, 123456u);
        QCOMPARE(v.SpinEdit_Number, 123457);
        QCOMPARE(v.version, QStringLiteral("2.15"));
        QCOMPARE(v.elType, QStringLiteral("Тарвик 504.01"));
        QCOMPARE(v.scheduleChecksum, QStringLiteral("4660"));
        QCOMPARE(v.workingTime, QStringLiteral("1д.01:01:01"));
        for (int tariff = 0; tariff < 8; ++tariff)
            QCOMPARE(v.tariffCurrent[size_t(tariff)], QString::number(tariff + 1));
        QCOMPARE(v.clockFaultBits, quint8(0x20));
        QCOMPARE(v.EditDelta, QStringLiteral("0,25"));
        QVERIFY(v.CheckAddr && v.CheckPassword && !v.CheckTime);
        QCOMPARE(v.SpinNewAddr, 17);
        QCOMPARE(v.newBaudText, QStringLiteral("19200")); // 4800, 9600, 19200, ...
        QCOMPARE(v.EditPassW, QStringLiteral("пароль"));
    }
};

QTEST_GUILESS_MAIN(TstOperationRecord)
#include "tst_operationrecord.moc"
