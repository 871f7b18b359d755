// Every statement the station runs, as the station writes it, against the
// schema of db/schema.sql on the real server: each one runs, a query finds
// the row of a small route-sheet seed and gives every column the station
// reads, a change touches the rows it should.

#include "db/dbconnection.h"
#include "tabledump.h"

#include <QDateTime>
#include <QTest>

using namespace productiondb;

namespace {

QVariant typedNull(QMetaType::Type type)
{
    return QVariant(QMetaType(type));
}

// One meter (electro_id 100, number 123456, type 48) on route sheet 20, whose
// open operation 40 at route step 30 waits for operation type 5 of
// configuration 11, held by operator 11 of workstation "PC" (installation 4);
// workplace registration 50 with the meter as entry, good and bad.
const char *const seed[] = {
    "INSERT INTO computer(computer_id,name) VALUES(1,'PC')",
    "INSERT INTO operator(person_id,login,operating) VALUES(11,'op',1)",
    "INSERT INTO plant(plant_id,type_id,computer_id) VALUES(4,3,1)",
    "INSERT INTO electrometer(electro_id,number,type_id) VALUES(100,123456,48)",
    "INSERT INTO operation(operation_id,type_id,electro_id,plant_id,person_id,success) VALUES(60,3,100,4,11,1)",
    "INSERT INTO set_tarvik(operation_id,date_time) VALUES(60,'2026-12-01 10:00:00')",
    "INSERT INTO set_pk(operation_id,version,plm_group,plm_address,plm_number) VALUES(60,'2.15',34,56,123456)",
    "INSERT INTO config_operator(person_id,config_id) VALUES(11,11)",
    "INSERT INTO config_operation(config_operation_id,config_id,type_operation_msl_id) VALUES(1,11,5)",
    "INSERT INTO type_operation_msl(type_operation_msl_id,name_operation) VALUES(5,'Программирование')",
    "INSERT INTO name_electro(name_electro_id) VALUES(1)",
    "INSERT INTO JournalMsl(JournalMsl_id,name_electro_id) VALUES(20,1)",
    "INSERT INTO msl_info(msl_info_id,JournalMsl_id,type_route_id,type_status_id,archive,active) VALUES(1,20,7,2,0,1)",
    "INSERT INTO type_status(type_status_id,name_status) VALUES(2,'Ожидает работы')",
    "INSERT INTO route(route_id,type_route_id,Srun,Frun,type_operation_msl_id) VALUES(30,7,1,1,5)",
    "INSERT INTO MslElectro(MslElectro_id,JournalMsl_id,electro_id,Fbad,msl_id) VALUES(70,20,100,0,40)",
    ("INSERT INTO msl_(msl_id,JournalMsl_id,route_id,entry,good,bad,date_time_start,user_id,state_operation,dt_start)"
     " VALUES(40,20,30,3,0,0,'01.12.26',11,0,'2026-12-01 09:00:00')"),
    "INSERT INTO RegMsl(RegMsl_id,person_id,plant_id,JournalMsl_id,EntryEl) VALUES(50,11,4,20,3)",
    "INSERT INTO RegMslEntry(RegMslEntry_id,RegMsl_id,electro_id) VALUES(80,50,100)",
    "INSERT INTO RegMslGood(RegMslGood_id,RegMsl_id,electro_id) VALUES(81,50,100)",
    "INSERT INTO RegMslBrak(RegMslBrak_id,RegMsl_id,electro_id) VALUES(82,50,100)",
};


} // namespace

class TstDbSchema : public QObject
{
    Q_OBJECT

    DbConnection m_db;

    void addQuery(const char *name, const QString &text, const QVariantMap &params, const QStringList &columns)
    {
        QTest::newRow(name) << text << params << columns << -1;
    }
    void addChange(const char *name, const QString &text, const QVariantMap &params, int affected = 1)
    {
        QTest::newRow(name) << text << params << QStringList{} << affected;
    }

private slots:
    void init()
    {
        for (const QString &table : testserver::productionTables())
            QVERIFY2(m_db.run(QStringLiteral("DELETE FROM ") + table).ok, qPrintable(table));
        for (const char *statement : seed) {
            const DbResult r = m_db.run(QString::fromUtf8(statement));
            QVERIFY2(r.ok, qPrintable(r.error));
        }
    }

    void statement_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QVariantMap>("params");
        QTest::addColumn<QStringList>("columns"); // read by the station; a query must give a row
        QTest::addColumn<int>("affected");        // rows a change touches; -1 for a query

        const QDateTime now(QDate(2026, 12, 10), QTime(10, 12, 26));
        const QVariant noInt = typedNull(QMetaType::Int);

        // Workstation, operator, installation, clock.
        addQuery("QueryComputer", "SELECT * FROM computer\nWHERE name = :name", {{"name", "PC"}}, {"computer_id"});
        addQuery("QueryPerson", "SELECT * FROM operator\nWHERE login = :login\nAND operating = 1", {{"login", "op"}},
                 {"person_id"});
        addQuery("QueryPlant", "SELECT * FROM plant\nWHERE type_id = 3\nAND computer_id = :computer_id",
                 {{"computer_id", 1}}, {"plant_id"});
        addQuery("QueryTime", "SELECT getdate()", {}, {});

        // Operation records.
        addQuery("QueryCheckNumber", "SELECT * FROM electrometer\nWHERE number = :number \nAND type_id = :type_id",
                 {{"number", 123456}, {"type_id", 48}}, {"electro_id"});
        addQuery("QueryDoubleNumber", "SELECT COUNT(*) FROM set_pk\nWHERE plm_number = :number",
                 {{"number", 123456}}, {});
        addQuery("QueryDelta",
                 "SELECT MAX(date_time) FROM set_tarvik\n"
                 "WHERE operation_id IN (SELECT operation_id FROM operation\n"
                 "  WHERE electro_id = (SELECT electro_id FROM electrometer\n"
                 "     WHERE number = :number AND type_id = :type_id))",
                 {{"number", 123456}, {"type_id", 48}}, {});
        addChange("QueryOperation",
                  "INSERT INTO operation(type_id,electro_id,plant_id,person_id,success)\n"
                  "VALUES(:type_id,:electro_id,:plant_id,:person_id,:success)",
                  {{"type_id", 3}, {"electro_id", 100}, {"plant_id", 4}, {"person_id", 11}, {"success", false}});
        addQuery("QueryMaxOper", "SELECT MAX(operation_id) FROM operation\nWHERE plant_id = :plant_id",
                 {{"plant_id", 4}}, {});
        addChange("QueryIns",
                  "INSERT INTO set_tarvik(operation_id,version,el_type,address,baud,turn_on,\n"
                  "  status,date_time,summer,check_sum,pass,t,count_day,count_hour,ncorrect,\n"
                  "  time_integ,ddm_a,ddm_b,ddm_c,mode_tarif,secperday)\n"
                  "VALUES(:operation_id,:version,:el_type,:address,:baud,:turn_on,:status,\n"
                  "  :date_time,:summer,:check_sum,:pass,:t,:count_day,:count_hour,:ncorrect,\n"
                  "  :time_integ,:ddm_a,:ddm_b,:ddm_c,:mode_tarif,:secperday)",
                  {{"operation_id", 61}, {"version", "2.15"}, {"el_type", "Тарвик 504.01"}, {"address", 255},
                   {"baud", "115200"}, {"turn_on", "49710д.06:28:15"}, {"status", 0x70}, {"date_time", now},
                   {"summer", true}, {"check_sum", 65535}, {"pass", "пароль"}, {"t", 12345.67},
                   {"count_day", 31}, {"count_hour", 23}, {"ncorrect", noInt}, {"time_integ", 60},
                   {"ddm_a", noInt}, {"ddm_b", noInt}, {"ddm_c", noInt}, {"mode_tarif", noInt},
                   {"secperday", -3.01}});
        addChange("QueryInsPlm",
                  "INSERT INTO set_pk(operation_id,version,plm_group,plm_address,\n"
                  "  plm_number)\n"
                  "VALUES(:operation_id,:version,:plm_group,:plm_address,:plm_number)",
                  {{"operation_id", 61}, {"version", "2.15"}, {"plm_group", 100}, {"plm_address", 3},
                   {"plm_number", 120003}});

        // Route sheets.
        addQuery("qConfigOperator",
                 "select * from config_operator,operator where config_operator.person_id=:id1 and "
                 "config_operator.config_id=:id2 and\nconfig_operator.person_id=operator.person_id",
                 {{"id1", 11}, {"id2", 11}}, {"person_id"});
        addQuery("qElectro", "select * from electrometer where number=:num and type_id=:id",
                 {{"num", 123456}, {"id", 48}}, {"electro_id"});
        addQuery("qElectroMsl", "select * from MslElectro where Fbad=0 and electro_id=:id", {{"id", 100}},
                 {"MslElectro_id", "JournalMsl_id"});
        addQuery("qElectroMslLast", "select max(JournalMsl_id) as 'last' from MslElectro where electro_id=:id",
                 {{"id", 100}}, {"last"});
        addQuery("qSelNumMsl",
                 "select * from  JournalMsl, name_electro where  JournalMsl.JournalMsl_id=:id and\n"
                 "JournalMsl.name_electro_id=name_electro.name_electro_id",
                 {{"id", 20}}, {"JournalMsl_id"});
        addQuery("qInfoMsl", "select * from msl_info where JournalMsl_id=:id", {{"id", 20}},
                 {"msl_info_id", "type_route_id", "type_status_id", "archive", "active"});
        addQuery("qLastOperation",
                 "select route.type_operation_msl_id,type_operation_msl.name_operation, msl_.entry from "
                 "msl_,route,type_operation_msl \nwhere \nroute.type_route_id=:id1 and\nmsl_.JournalMsl_id=:id2 and\n"
                 "msl_.state_operation=0 and\nmsl_.route_id=route.route_id and\n"
                 "route.type_operation_msl_id=type_operation_msl.type_operation_msl_id",
                 {{"id1", 7}, {"id2", 20}}, {"type_operation_msl_id", "name_operation", "entry"});
        addQuery("qConfigOperation", "select * from config_operation where config_id=:id1 and type_operation_msl_id=:id2",
                 {{"id1", 11}, {"id2", 5}}, {"config_operation_id"});
        addQuery("qStatusMsl", "select * from type_status where type_status_id=:id", {{"id", 2}}, {"name_status"});
        addQuery("qSelRegMsl", "select * from RegMsl where JournalMsl_id=:id", {{"id", 20}}, {"RegMsl_id", "EntryEl"});
        addChange("qAddRegMsl", "insert into RegMsl (person_id,plant_id,JournalMsl_id,EntryEl) values (:id1,:id2,:id3,:cnt)",
                  {{"id1", 11}, {"id2", 4}, {"id3", 20}, {"cnt", 3}});
        addQuery("qMslElectro",
                 "select * from MslElectro,electrometer where \nMslElectro.Fbad=0 and \nMslElectro.JournalMsl_id=:id and\n"
                 "MslElectro.electro_id=electrometer.electro_id",
                 {{"id", 20}}, {"electro_id"});
        addQuery("qSelRegEntry", "select * from RegMslEntry where RegMsl_id=:id1 and electro_id=:id2",
                 {{"id1", 50}, {"id2", 100}}, {"RegMslEntry_id"});
        addChange("qAddRegEntry", "insert into RegMslEntry (RegMsl_id,electro_id) values (:id1,:id2)",
                  {{"id1", 50}, {"id2", 100}});
        addChange("qDelRegEntry", "delete from RegMslEntry where RegMslEntry_id=:id", {{"id", 80}});
        addChange("qAddRegGood", "insert into RegMslGood (RegMsl_id,electro_id) values (:id1,:id2)",
                  {{"id1", 50}, {"id2", 100}});
        addQuery("qSelRegBrak", "select * from RegMslBrak where RegMsl_id=:id1 and electro_id=:id2",
                 {{"id1", 50}, {"id2", 100}}, {"RegMslBrak_id"});
        addChange("qDelRegBrak", "delete from RegMslBrak where RegMslBrak_id=:id", {{"id", 82}});
        addQuery("qListRegGood",
                 "select * from RegMslGood,electrometer where \nRegMslGood.RegMsl_id=:id and\n"
                 "RegMslGood.electro_id=electrometer.electro_id\norder by electrometer.number",
                 {{"id", 50}}, {"electro_id"});
        addQuery("qListRegBrak",
                 "select * from RegMslBrak,electrometer where \nRegMslBrak.RegMsl_id=:id and\n"
                 "RegMslBrak.electro_id=electrometer.electro_id\norder by electrometer.number",
                 {{"id", 50}}, {"electro_id"});
        addQuery("qStateLastOp", "select max(msl_id) as 'last' from msl_ where JournalMsl_id=:id", {{"id", 20}},
                 {"last"});
        addQuery("qSelMslOp", "select * from msl_ where msl_id=:id", {{"id", 40}}, {"route_id", "state_operation"});
        addQuery("qSelRoute", "select * from route where route_id=:id", {{"id", 30}}, {"Srun", "Frun"});
        addQuery("qSelStepRoute",
                 "select * from route,type_operation_msl where \nroute.type_route_id=:id and \nroute.Srun=:step and \n"
                 "route.type_operation_msl_id=type_operation_msl.type_operation_msl_id",
                 {{"id", 7}, {"step", 1}}, {"route_id", "type_operation_msl_id", "Frun"});
        addQuery("qMaxStepRoute", "select max(Srun) as \"Mstep\" from route where type_route_id=:id", {{"id", 7}},
                 {"Mstep"});
        addChange("qUpdMslElectro", "update MslElectro set Fbad=:bad,msl_id=:id3 where JournalMsl_id=:id1 and electro_id=:id2",
                  {{"bad", 1}, {"id3", 41}, {"id1", 20}, {"id2", 100}});
        addChange("qUpdateMslOp",
                  "update msl_ set  good=:good,bad=:bad,date_time_stop=:dt1,person_id=:id1,state_operation=:state,"
                  "dt_stop=:dt2 where msl_id=:id2",
                  {{"good", 3}, {"bad", 0}, {"dt1", "10.12.26"}, {"id1", 11}, {"state", true}, {"dt2", now},
                   {"id2", 40}});
        addChange("qAddOp",
                  "insert into msl_ (JournalMsl_id,route_id,entry,good,bad,date_time_start,user_id,state_operation,"
                  "dt_start) \nvalues(:id1,:id2,:entry,:good,:bad,:dt1,:id3,:state,:dt2)",
                  {{"id1", 20}, {"id2", 30}, {"entry", 3}, {"good", 0}, {"bad", 0}, {"dt1", "10.12.26"},
                   {"id3", 11}, {"state", false}, {"dt2", now}});
        addChange("qUpdMslEl", "update MslElectro set msl_id=:id1 where JournalMsl_id=:id2 and Fbad=:bad",
                  {{"id1", 41}, {"id2", 20}, {"bad", 0}});
        addChange("qDelBrak", "delete from RegMslBrak where RegMsl_id=:id", {{"id", 50}});
        addChange("qDelGood", "delete from RegMslGood where RegMsl_id=:id", {{"id", 50}});
        addChange("qDelEntry", "delete from RegMslEntry  where RegMsl_id=:id", {{"id", 50}});
        addChange("qDelMsl", "delete from RegMsl where RegMsl_id=:id", {{"id", 50}});
    }
    void statement()
    {
        QFETCH(QString, text);
        QFETCH(QVariantMap, params);
        QFETCH(QStringList, columns);
        QFETCH(int, affected);
        const DbResult r = m_db.run(text, params);
        QVERIFY2(r.ok, qPrintable(r.error));
        if (affected >= 0) {
            QCOMPARE(r.rowsAffected, affected);
            return;
        }
        QCOMPARE(r.rows.size(), 1);
        QVERIFY(!r.rows[0].value(0).isNull());
        for (const QString &column : columns) {
            QVERIFY2(r.rows[0].contains(column), qPrintable(column));
            QVERIFY2(!r.first(column).isNull(), qPrintable(column));
        }
    }

    // What the seed's figures read as: the station relies on these shapes.
    void valuesAsRead()
    {
        QCOMPARE(m_db.run("SELECT MAX(date_time) FROM set_tarvik").rows.value(0).value(0).toDateTime(),
                 QDateTime(QDate(2026, 12, 1), QTime(10, 0)));
        const DbResult info = m_db.run("select * from msl_info where JournalMsl_id=:id", {{"id", 20}});
        QCOMPARE(info.first("archive"), QVariant(0));
        QCOMPARE(info.first("active"), QVariant(1));
        QCOMPARE(m_db.run("select * from route where route_id=:id", {{"id", 30}}).first("Frun"), QVariant(1));
        QCOMPARE(m_db.run("select * from type_status where type_status_id=:id", {{"id", 2}}).first("name_status"),
                 QVariant(QStringLiteral("Ожидает работы")));
    }
};

QTEST_GUILESS_MAIN(TstDbSchema)
#include "tst_dbschema.moc"
