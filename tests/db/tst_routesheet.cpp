// The route-sheet module on the real server: each case builds a small route
// sheet, records meters as the operation record does (configuration check,
// admission, result, all in one transaction) and reads the tables back.

#include "db/UDMemsl.h"
#include "db/dbconnection.h"

#include <QDateTime>
#include <QTest>

using namespace productiondb;

// A step of route type 7: route_id = 30 + step.
struct Step
{
    int srun;
    bool frun;
    int opType; // 5 belongs to this workplace
};
Q_DECLARE_METATYPE(Step)

namespace {

const int configId = TDMemsl::kProgrammingConfigId;
const int typeId = 48;
const int plantId = 4;
const int ourOperator = 11;   // holds configuration 11 (operation type 5)
const int otherOperator = 12; // holds configuration 12 (operation types 6 and 7)
const int sheet = 20;

// The moment of the records: its date is "10.12.26", its second 10:12:26.
const QDateTime now(QDate(2026, 12, 10), QTime(10, 12, 26, 789));

// Operators, configurations, operation types, statuses, meters 101..103
// (numbers 100001..100003) and route sheet 20 of route type 7, waiting
// ("Ожидает работы", archive 0, active 1).
const char *const baseSeed[] = {
    "INSERT INTO operator(person_id,login,operating) VALUES(11,'op',1),(12,'other',1)",
    "INSERT INTO config_operator(person_id,config_id) VALUES(11,11),(12,12)",
    ("INSERT INTO type_operation_msl(type_operation_msl_id,name_operation)"
     " VALUES(5,'Программирование'),(6,'Проверка'),(7,'Упаковка')"),
    "INSERT INTO config_operation(config_operation_id,config_id,type_operation_msl_id) VALUES(1,11,5),(2,12,6),(3,12,7)",
    "INSERT INTO type_status(type_status_id,name_status) VALUES(2,'Ожидает работы'),(3,'ожидает работы'),(4,'В работе')",
    "INSERT INTO electrometer(electro_id,number,type_id) VALUES(101,100001,48),(102,100002,48),(103,100003,48)",
    "INSERT INTO name_electro(name_electro_id) VALUES(1)",
    "INSERT INTO JournalMsl(JournalMsl_id,name_electro_id) VALUES(20,1)",
    "INSERT INTO msl_info(msl_info_id,JournalMsl_id,type_route_id,type_status_id,archive,active) VALUES(1,20,7,2,0,1)",
};

const char *const tables[] = {"operator", "config_operator", "type_operation_msl", "config_operation", "type_status",
                              "electrometer", "name_electro", "JournalMsl", "msl_info", "route", "MslElectro",
                              "msl_", "RegMsl", "RegMslEntry", "RegMslGood", "RegMslBrak"};

// The tables the module changes, in the order they are compared.
const char *const changedTables[] = {"msl_", "MslElectro", "RegMsl", "RegMslEntry", "RegMslGood", "RegMslBrak"};

QString text(const QVariant &v)
{
    if (v.isNull())
        return QStringLiteral("NULL");
    if (v.metaType().id() == QMetaType::QDateTime)
        return v.toDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
    return v.toString();
}

// The open operation 40 as seeded: opened by the other operator on 01.12.26.
QString openRow(int routeId, int entry)
{
    return QStringLiteral("40|%1|%2|0|0|01.12.26|12|0|2026-12-01 09:00:00.000|NULL|NULL|NULL").arg(routeId).arg(entry);
}

// Operation 40 closed by this record: good, bad, "10.12.26", our operator,
// closed, the record's moment to the second.
QString closedRow(int id, int routeId, int entry, int good, int bad, bool seeded)
{
    const QString start = seeded ? QStringLiteral("01.12.26|12|%1|2026-12-01 09:00:00.000")
                                 : QStringLiteral("10.12.26|11|%1|2026-12-10 10:12:26.000");
    return QStringLiteral("%1|%2|%3|%4|%5|").arg(id).arg(routeId).arg(entry).arg(good).arg(bad) + start.arg(1)
           + QStringLiteral("|10.12.26|11|2026-12-10 10:12:26.000");
}

// An operation opened by this record for the good meters.
QString openedRow(int id, int routeId, int entry)
{
    return QStringLiteral("%1|%2|%3|0|0|10.12.26|11|0|2026-12-10 10:12:26.000|NULL|NULL|NULL")
        .arg(id)
        .arg(routeId)
        .arg(entry);
}

struct Outcome
{
    bool ok = false;
    bool admitted = false;
    QString error;
};

} // namespace

class TstRouteSheet : public QObject
{
    Q_OBJECT

    DbConnection m_db;
    TDMemsl m_memsl{m_db};

    DbResult must(const QString &statement, const QVariantMap &params = {})
    {
        const DbResult r = m_db.run(statement, params);
        if (!r.ok)
            qWarning("%s: %s", qPrintable(statement), qPrintable(r.error));
        return r;
    }

    bool seed(const QString &statement) { return must(statement).ok; }

    // The route of type 7, meters 101.. on the sheet (good, at operation
    // 40) and operation 40 open at openStep with entry = meters.
    bool buildSheet(const QList<Step> &route, int meters, int openStep = 1)
    {
        for (const Step &s : route) {
            if (!seed(QStringLiteral("INSERT INTO route(route_id,type_route_id,Srun,Frun,type_operation_msl_id)"
                                     " VALUES(%1,7,%2,%3,%4)")
                          .arg(30 + s.srun)
                          .arg(s.srun)
                          .arg(s.frun ? 1 : 0)
                          .arg(s.opType)))
                return false;
        }
        for (int i = 1; i <= meters; ++i) {
            if (!seed(QStringLiteral("INSERT INTO MslElectro(JournalMsl_id,electro_id,Fbad,msl_id) VALUES(20,%1,0,40)")
                          .arg(100 + i)))
                return false;
        }
        return seed(QStringLiteral("INSERT INTO msl_(msl_id,JournalMsl_id,route_id,entry,good,bad,date_time_start,"
                                   "user_id,state_operation,dt_start)"
                                   " VALUES(40,20,%1,%2,0,0,'01.12.26',12,0,'2026-12-01 09:00:00')")
                        .arg(30 + openStep)
                        .arg(meters));
    }

    // A registration 50 already made by the other operator.
    bool registration(int expected, const QList<int> &entries, const QList<int> &good = {},
                      const QList<int> &bad = {})
    {
        bool ok = seed(QStringLiteral("INSERT INTO RegMsl(RegMsl_id,person_id,plant_id,JournalMsl_id,EntryEl)"
                                      " VALUES(50,12,4,20,%1)")
                           .arg(expected));
        const auto add = [&](const char *table, const QList<int> &meters) {
            for (int m : meters)
                ok = ok && seed(QStringLiteral("INSERT INTO %1(RegMsl_id,electro_id) VALUES(50,%2)").arg(table).arg(m));
        };
        add("RegMslEntry", entries);
        add("RegMslGood", good);
        add("RegMslBrak", bad);
        return ok;
    }

    // Records one meter as the operation record does: the route-sheet
    // steps in a transaction, committed when they succeed and rolled back
    // when they fail.
    Outcome record(int number, int personId = ourOperator)
    {
        Outcome o;
        if (!m_db.begin().ok)
            return o;
        bool has = false;
        o.ok = m_memsl.OperatorHasConfig(configId, personId, &has, &o.error)
               && (!has || m_memsl.AdmitToRouteSheet(number, typeId, configId, personId, plantId, &o.admitted, &o.error))
               && (!o.admitted || m_memsl.RegisterRouteResult(number, typeId, configId, personId, now, &o.error));
        const DbResult end = o.ok ? m_db.commit() : m_db.rollback();
        if (!end.ok)
            o.ok = false;
        return o;
    }

    QStringList rows(const QString &query)
    {
        QStringList out;
        for (const QSqlRecord &row : must(query).rows) {
            QStringList values;
            for (int i = 0; i < row.count(); ++i)
                values << text(row.value(i));
            out << values.join(u'|');
        }
        return out;
    }

    QStringList operations()
    {
        return rows("select msl_id,route_id,entry,good,bad,date_time_start,user_id,state_operation,dt_start,"
                    "date_time_stop,person_id,dt_stop from msl_ order by msl_id");
    }
    // electro_id|Fbad|msl_id of the sheet's meters.
    QStringList sheetMeters() { return rows("select electro_id,Fbad,msl_id from MslElectro order by electro_id"); }
    QStringList registrations() { return rows("select person_id,plant_id,JournalMsl_id,EntryEl from RegMsl"); }
    QStringList listed(const char *table)
    {
        return rows(QStringLiteral("select RegMsl_id,electro_id from %1 order by electro_id").arg(table));
    }

    QStringList snapshot()
    {
        QStringList all;
        for (const char *table : changedTables)
            all << table << rows(QStringLiteral("select * from %1 order by 1").arg(table));
        return all;
    }

    // A BEFORE trigger raising failureText when condition holds for the
    // row; dropped by cleanup().
    bool failWhen(const QString &table, const QString &event, const QString &condition)
    {
        m_trigger = QStringLiteral("routesheet_failure");
        return seed(QStringLiteral("CREATE TRIGGER %1 BEFORE %2 ON %3 FOR EACH ROW IF %4 THEN "
                                   "SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = '%5'; END IF")
                        .arg(m_trigger, event, table, condition, failureText));
    }
    QString m_trigger;
    const QString failureText = QStringLiteral("Сбой записи маршрутного листа");

private slots:
    void cleanup()
    {
        if (!m_trigger.isEmpty())
            must(QStringLiteral("DROP TRIGGER IF EXISTS ") + m_trigger);
        m_trigger.clear();
        if (m_db.inTransaction())
            m_db.rollback();
    }

    void init()
    {
        for (const char *table : tables)
            QVERIFY2(must(QStringLiteral("TRUNCATE TABLE ") + table).ok, table); // ids from 1 again
        for (const char *statement : baseSeed)
            QVERIFY(seed(QString::fromUtf8(statement)));
    }

    // Three meters of a batch: the first creates the registration (one
    // entry per meter); each moves from entry to good; the third closes
    // operation 40 with 3 good and opens the next step's operation for them.
    void batchOfThree()
    {
        QVERIFY(buildSheet({{1, true, 5}, {2, true, 6}}, 3));

        Outcome o = record(100001);
        QVERIFY2(o.ok && o.admitted, qPrintable(o.error));
        QCOMPARE(registrations(), QStringList{"11|4|20|3"});
        const QString reg = rows("select RegMsl_id from RegMsl").value(0);
        QCOMPARE(listed("RegMslEntry"), (QStringList{reg + "|102", reg + "|103"}));
        QCOMPARE(listed("RegMslGood"), QStringList{reg + "|101"});

        o = record(100002);
        QVERIFY2(o.ok && o.admitted, qPrintable(o.error));
        QCOMPARE(registrations(), QStringList{"11|4|20|3"});
        QCOMPARE(listed("RegMslEntry"), QStringList{reg + "|103"});
        QCOMPARE(listed("RegMslGood"), (QStringList{reg + "|101", reg + "|102"}));
        QCOMPARE(operations(), QStringList{openRow(31, 3)});
        QCOMPARE(sheetMeters(), (QStringList{"101|0|40", "102|0|40", "103|0|40"}));

        o = record(100003);
        QVERIFY2(o.ok && o.admitted, qPrintable(o.error));
        QCOMPARE(operations(), (QStringList{closedRow(40, 31, 3, 3, 0, true), openedRow(41, 32, 3)}));
        QCOMPARE(sheetMeters(), (QStringList{"101|0|41", "102|0|41", "103|0|41"}));
        QCOMPARE(registrations(), QStringList{});
        QCOMPARE(listed("RegMslEntry"), QStringList{});
        QCOMPARE(listed("RegMslGood"), QStringList{});
        QCOMPARE(listed("RegMslBrak"), QStringList{});
    }

    // Where the sheet goes when its one-meter batch is complete.
    void advance_data()
    {
        QTest::addColumn<QList<Step>>("route");
        QTest::addColumn<QStringList>("expected");

        // Step 2 is passed over (no record); step 3 belongs to another
        // workplace: it is opened and left open.
        QTest::newRow("1 ours, 2 other without record, 3 other")
            << QList<Step>{{1, true, 5}, {2, false, 6}, {3, true, 7}}
            << QStringList{closedRow(40, 31, 1, 1, 0, true), openedRow(41, 33, 1)};
        // Step 2 belongs to this workplace: the meter passes through it.
        QTest::newRow("1 ours, 2 ours, 3 other")
            << QList<Step>{{1, true, 5}, {2, true, 5}, {3, true, 7}}
            << QStringList{closedRow(40, 31, 1, 1, 0, true), closedRow(41, 32, 1, 1, 0, false),
                           openedRow(42, 33, 1)};
        QTest::newRow("last step ours") << QList<Step>{{1, true, 5}} << QStringList{closedRow(40, 31, 1, 1, 0, true)};
        QTest::newRow("last two steps ours")
            << QList<Step>{{1, true, 5}, {2, true, 5}}
            << QStringList{closedRow(40, 31, 1, 1, 0, true), closedRow(41, 32, 1, 1, 0, false)};
        QTest::newRow("step number without a row passed over")
            << QList<Step>{{1, true, 5}, {3, true, 7}}
            << QStringList{closedRow(40, 31, 1, 1, 0, true), openedRow(41, 33, 1)};
        // The open operation stands at a step that keeps no record: it is
        // not closed; the meters go on to the next step.
        QTest::newRow("open at a step without record")
            << QList<Step>{{1, false, 5}, {2, true, 6}} << QStringList{openRow(31, 1), openedRow(41, 32, 1)};
        // The first step of another workplace keeps no record: the next is
        // opened, and the advance ends there.
        QTest::newRow("1 ours, 2 other without record, 3 ours")
            << QList<Step>{{1, true, 5}, {2, false, 6}, {3, true, 5}}
            << QStringList{closedRow(40, 31, 1, 1, 0, true), openedRow(41, 33, 1)};
    }
    void advance()
    {
        QFETCH(QList<Step>, route);
        QFETCH(QStringList, expected);
        QVERIFY(buildSheet(route, 1));

        const Outcome o = record(100001);
        QVERIFY2(o.ok && o.admitted, qPrintable(o.error));
        QCOMPARE(operations(), expected);
        const int last = expected.last().section(u'|', 0, 0).toInt();
        QCOMPARE(sheetMeters(), QStringList{QStringLiteral("101|0|%1").arg(last)});
        QCOMPARE(registrations(), QStringList{});
    }

    // A meter judged bad elsewhere and now programmed is good, once, also
    // when it still stands among the entries.
    void rejectedProgrammedAgain_data()
    {
        QTest::addColumn<bool>("alsoEntry");
        QTest::newRow("rejected") << false;
        QTest::newRow("rejected and entry") << true;
    }
    void rejectedProgrammedAgain()
    {
        QFETCH(bool, alsoEntry);
        QVERIFY(buildSheet({{1, true, 5}, {2, true, 6}}, 2));
        QVERIFY(registration(2, alsoEntry ? QList<int>{101, 102} : QList<int>{102}, {}, {101}));

        const Outcome o = record(100001);
        QVERIFY2(o.ok && o.admitted, qPrintable(o.error));
        QCOMPARE(listed("RegMslGood"), QStringList{"50|101"});
        QCOMPARE(listed("RegMslBrak"), QStringList{});
        QCOMPARE(listed("RegMslEntry"), QStringList{"50|102"});
        QCOMPARE(operations(), QStringList{openRow(31, 2)});
    }

    // Rejected meters count toward the batch and are marked bad at the
    // closed operation; the next operations take only the good ones and
    // have no rejects.
    void batchWithRejected_data()
    {
        QTest::addColumn<QList<Step>>("route");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("next step other")
            << QList<Step>{{1, true, 5}, {2, true, 6}}
            << QStringList{closedRow(40, 31, 3, 2, 1, true), openedRow(41, 32, 2)};
        QTest::newRow("next step ours")
            << QList<Step>{{1, true, 5}, {2, true, 5}, {3, true, 6}}
            << QStringList{closedRow(40, 31, 3, 2, 1, true), closedRow(41, 32, 2, 2, 0, false), openedRow(42, 33, 2)};
    }
    void batchWithRejected()
    {
        QFETCH(QList<Step>, route);
        QFETCH(QStringList, expected);
        QVERIFY(buildSheet(route, 3));
        QVERIFY(registration(3, {101, 102}, {}, {103}));

        QVERIFY(record(100001).ok);
        QCOMPARE(operations(), QStringList{openRow(31, 3)});
        const Outcome o = record(100002);
        QVERIFY2(o.ok && o.admitted, qPrintable(o.error));
        QCOMPARE(operations(), expected);
        const QString last = expected.last().section(u'|', 0, 0);
        QCOMPARE(sheetMeters(), (QStringList{"101|0|" + last, "102|0|" + last, "103|1|40"}));
        QCOMPARE(registrations(), QStringList{});
        QCOMPARE(listed("RegMslBrak"), QStringList{});
    }

    // A registration another operator started is used as it is: its
    // expected count decides when the batch is complete; nothing is added.
    void existingRegistration()
    {
        QVERIFY(buildSheet({{1, true, 5}, {2, true, 6}}, 3));
        QVERIFY(registration(2, {101, 102}));

        Outcome o = record(100001);
        QVERIFY2(o.ok && o.admitted, qPrintable(o.error));
        QCOMPARE(registrations(), QStringList{"12|4|20|2"});
        QCOMPARE(listed("RegMslEntry"), QStringList{"50|102"});
        QCOMPARE(listed("RegMslGood"), QStringList{"50|101"});

        o = record(100002);
        QVERIFY2(o.ok && o.admitted, qPrintable(o.error));
        QCOMPARE(operations(), (QStringList{closedRow(40, 31, 3, 2, 0, true), openedRow(41, 32, 2)}));
        QCOMPARE(sheetMeters(), (QStringList{"101|0|41", "102|0|41", "103|0|41"}));
    }

    // Sheets that do not wait for this workplace: the meter is not admitted
    // and no route-sheet table changes.
    void notAdmitted_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("personId");
        QTest::newRow("status differs in case") << "update msl_info set type_status_id=3" << ourOperator;
        QTest::newRow("other status") << "update msl_info set type_status_id=4" << ourOperator;
        QTest::newRow("no status") << "update msl_info set type_status_id=NULL" << ourOperator;
        QTest::newRow("archive") << "update msl_info set archive=1" << ourOperator;
        QTest::newRow("not active") << "update msl_info set active=0" << ourOperator;
        QTest::newRow("operator without configuration 11") << "" << otherOperator;
        QTest::newRow("open operation of another workplace") << "update msl_ set route_id=32" << ourOperator;
        QTest::newRow("no open operation") << "update msl_ set state_operation=1" << ourOperator;
        QTest::newRow("no route type") << "update msl_info set type_route_id=NULL" << ourOperator;
        QTest::newRow("no sheet information") << "delete from msl_info" << ourOperator;
        QTest::newRow("meter on no sheet") << "delete from MslElectro" << ourOperator;
        QTest::newRow("meter unknown") << "delete from electrometer where electro_id=101" << ourOperator;
    }
    void notAdmitted()
    {
        QFETCH(QString, change);
        QFETCH(int, personId);
        QVERIFY(buildSheet({{1, true, 5}, {2, true, 6}}, 1));
        if (!change.isEmpty())
            QVERIFY(seed(change));
        const QStringList before = snapshot();

        const Outcome o = record(100001, personId);
        QVERIFY2(o.ok, qPrintable(o.error));
        QVERIFY(!o.admitted);
        QCOMPARE(snapshot(), before);
    }

    // A sheet missing from the journal gets no registration; without one
    // the result registers nothing.
    void noRegistrationWithoutJournal()
    {
        QVERIFY(buildSheet({{1, true, 5}, {2, true, 6}}, 1));
        QVERIFY(seed("delete from JournalMsl"));
        const QStringList before = snapshot();

        const Outcome o = record(100001);
        QVERIFY2(o.ok && o.admitted, qPrintable(o.error));
        QCOMPARE(snapshot(), before);
    }

    // The waiting sheet with its status as written is admitted by the same
    // fixture (the cases above differ from it in one thing only).
    void admittedFixture()
    {
        QVERIFY(buildSheet({{1, true, 5}, {2, true, 6}}, 1));
        const Outcome o = record(100001);
        QVERIFY2(o.ok && o.admitted, qPrintable(o.error));
        QCOMPARE(m_memsl.sheetId(), sheet);
        QCOMPARE(m_memsl.routeTypeId(), 7);
        QCOMPARE(m_memsl.pendingEntry(), 1);
    }

    // A NULL where a number is read without a test is an error: the call
    // fails with a text, and the rolled-back record leaves nothing behind.
    void nullNumberRollsBack_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("existing"); // a registration is there already
        QTest::newRow("archive NULL") << "update msl_info set archive=NULL" << false;
        QTest::newRow("active NULL") << "update msl_info set active=NULL" << false;
        QTest::newRow("entry NULL") << "update msl_ set entry=NULL" << false;
        QTest::newRow("EntryEl NULL") << "update RegMsl set EntryEl=NULL" << true;
        QTest::newRow("Srun NULL") << "update route set Srun=NULL where route_id=31" << false;
    }
    void nullNumberRollsBack()
    {
        QFETCH(QString, change);
        QFETCH(bool, existing);
        QVERIFY(buildSheet({{1, true, 5}, {2, true, 6}}, 1));
        if (existing)
            QVERIFY(registration(1, {101}));
        QVERIFY(seed(change));
        const QStringList before = snapshot();

        const Outcome o = record(100001);
        QVERIFY(!o.ok);
        QVERIFY(!o.error.isEmpty());
        QCOMPARE(snapshot(), before);
    }

    // Every write of the route sheet failing on the server: the call fails
    // with the server's message, and the rolled-back record leaves every
    // table as it was. A new registration (fresh) makes the registration's
    // writes; a registration whose last meter arrives (meter 101 both entry
    // and rejected, 102 good with a stray entry, 103 rejected) makes the
    // others, the sentinel picking the statement where two share a table.
    void failureRollsBack_data()
    {
        QTest::addColumn<bool>("fresh");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("event");
        QTest::addColumn<QString>("condition");
        QTest::newRow("no failure") << false << "" << "" << "";
        QTest::newRow("qAddRegMsl") << true << "RegMsl" << "INSERT" << "1";
        QTest::newRow("qAddRegEntry") << true << "RegMslEntry" << "INSERT" << "1";
        QTest::newRow("qAddRegGood") << false << "RegMslGood" << "INSERT" << "1";
        QTest::newRow("qDelRegEntry") << false << "RegMslEntry" << "DELETE" << "OLD.electro_id = 101";
        QTest::newRow("qDelRegBrak") << false << "RegMslBrak" << "DELETE" << "OLD.electro_id = 101";
        QTest::newRow("qUpdMslElectro") << false << "MslElectro" << "UPDATE" << "NEW.Fbad <> OLD.Fbad";
        QTest::newRow("qDelBrak") << false << "RegMslBrak" << "DELETE" << "OLD.electro_id = 103";
        QTest::newRow("qDelGood") << false << "RegMslGood" << "DELETE" << "1";
        QTest::newRow("qDelEntry") << false << "RegMslEntry" << "DELETE" << "OLD.electro_id = 102";
        QTest::newRow("qDelMsl") << false << "RegMsl" << "DELETE" << "1";
        QTest::newRow("qUpdateMslOp") << false << "msl_" << "UPDATE" << "1";
        QTest::newRow("qAddOp") << false << "msl_" << "INSERT" << "1";
        QTest::newRow("qUpdMslEl") << false << "MslElectro" << "UPDATE" << "NEW.msl_id <> OLD.msl_id";
    }
    void failureRollsBack()
    {
        QFETCH(bool, fresh);
        QFETCH(QString, table);
        QFETCH(QString, event);
        QFETCH(QString, condition);
        QVERIFY(buildSheet({{1, true, 5}, {2, true, 6}}, fresh ? 1 : 3));
        if (!fresh)
            QVERIFY(registration(3, {101, 102}, {102}, {101, 103}));
        if (!table.isEmpty())
            QVERIFY(failWhen(table, event, condition));
        const QStringList before = snapshot();

        const Outcome o = record(100001);
        if (table.isEmpty()) {
            // The scenario reaches the end: the operation is closed and the
            // next one opened.
            QVERIFY2(o.ok && o.admitted, qPrintable(o.error));
            QCOMPARE(operations(), (QStringList{closedRow(40, 31, 3, 2, 1, true), openedRow(41, 32, 2)}));
            return;
        }
        QVERIFY(!o.ok);
        QVERIFY2(o.error.contains(failureText), qPrintable(o.error));
        QCOMPARE(snapshot(), before);
    }

    // The advance stops, without an error, where there is no step to go on
    // from: the meter is still judged good, nothing else changes.
    void advanceStops_data()
    {
        QTest::addColumn<QString>("change");
        QTest::newRow("operation already closed") << "insert into msl_(msl_id,JournalMsl_id,route_id,state_operation)"
                                                     " values(45,20,31,1)";
        QTest::newRow("latest operation without route")
            << "insert into msl_(msl_id,JournalMsl_id,route_id,state_operation) values(45,20,NULL,0)";
        QTest::newRow("route row missing")
            << "insert into msl_(msl_id,JournalMsl_id,route_id,state_operation) values(45,20,99,0)";
        // Route row of another route type, whose step number the sheet's
        // route does not have.
        QTest::newRow("step row missing")
            << "insert into route(route_id,type_route_id,Srun,Frun,type_operation_msl_id) values(90,8,5,1,5);"
               "insert into msl_(msl_id,JournalMsl_id,route_id,state_operation) values(45,20,90,0)";
    }
    void advanceStops()
    {
        QFETCH(QString, change);
        QVERIFY(buildSheet({{1, true, 5}, {2, true, 6}}, 1));
        for (const QString &statement : change.split(u';'))
            QVERIFY(seed(statement));
        const QStringList msl = operations();

        const Outcome o = record(100001);
        QVERIFY2(o.ok && o.admitted, qPrintable(o.error));
        QCOMPARE(operations(), msl);
        QCOMPARE(sheetMeters(), QStringList{"101|0|40"});
        const QString reg = rows("select RegMsl_id from RegMsl").value(0);
        QCOMPARE(registrations(), QStringList{"11|4|20|1"});
        QCOMPARE(listed("RegMslGood"), QStringList{reg + "|101"});
    }
};

QTEST_GUILESS_MAIN(TstRouteSheet)
#include "tst_routesheet.moc"
