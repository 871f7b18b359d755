// Time of one operation record that advances a route sheet (a batch of one
// meter: the programming operation closed, the next one opened), on the
// private test server. Each run starts from the same rows; only
// RecordOperation is timed. Run by hand:
//
//   scripts/test-db.sh start /tmp/tarvik-bench-db
//   eval "$(scripts/test-db.sh env /tmp/tarvik-bench-db)"
//   build/bench/bench_operationrecord [runs, default 100]
//   scripts/test-db.sh stop /tmp/tarvik-bench-db

#include "db/UDMemsl.h"
#include "db/dbconnection.h"
#include "db/operationrecord.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace productiondb;

namespace {

const char *const tables[] = {"computer", "operator", "plant", "electrometer", "operation", "set_tarvik", "set_pk",
                              "config_operator", "config_operation", "type_operation_msl", "name_electro",
                              "JournalMsl", "msl_info", "type_status", "route", "MslElectro", "msl_", "RegMsl",
                              "RegMslEntry", "RegMslGood", "RegMslBrak"};

// Operator 11 (configuration 11) at installation 4; meter 123456 alone on
// sheet 20 waiting at step 1 (programming) of a two-step route.
const char *const seed[] = {
    "INSERT INTO operator(person_id,login,operating) VALUES(11,'op',1)",
    "INSERT INTO plant(plant_id,type_id,computer_id) VALUES(4,3,1)",
    "INSERT INTO electrometer(electro_id,number,type_id) VALUES(100,123456,48)",
    "INSERT INTO config_operator(person_id,config_id) VALUES(11,11)",
    "INSERT INTO config_operation(config_operation_id,config_id,type_operation_msl_id) VALUES(1,11,5)",
    "INSERT INTO type_operation_msl(type_operation_msl_id,name_operation) VALUES(5,'Программирование')",
    "INSERT INTO type_operation_msl(type_operation_msl_id,name_operation) VALUES(6,'Упаковка')",
    "INSERT INTO name_electro(name_electro_id) VALUES(1)",
    "INSERT INTO JournalMsl(JournalMsl_id,name_electro_id) VALUES(20,1)",
    "INSERT INTO msl_info(msl_info_id,JournalMsl_id,type_route_id,type_status_id,archive,active) VALUES(1,20,7,2,0,1)",
    "INSERT INTO type_status(type_status_id,name_status) VALUES(2,'Ожидает работы')",
    "INSERT INTO route(route_id,type_route_id,Srun,Frun,type_operation_msl_id) VALUES(30,7,1,1,5)",
    "INSERT INTO route(route_id,type_route_id,Srun,Frun,type_operation_msl_id) VALUES(31,7,2,1,6)",
    "INSERT INTO MslElectro(MslElectro_id,JournalMsl_id,electro_id,Fbad,msl_id) VALUES(70,20,100,0,40)",
    ("INSERT INTO msl_(msl_id,JournalMsl_id,route_id,entry,good,bad,date_time_start,user_id,state_operation,dt_start)"
     " VALUES(40,20,30,1,0,0,'01.12.26',11,0,'2026-12-01 09:00:00')"),
};

bool reset(DbConnection &db)
{
    for (const char *table : tables)
        if (!db.run(QStringLiteral("DELETE FROM ") + table).ok)
            return false;
    for (const char *statement : seed) {
        const DbResult r = db.run(QString::fromUtf8(statement));
        if (!r.ok) {
            std::fprintf(stderr, "%s\n", qPrintable(r.error));
            return false;
        }
    }
    return true;
}

OperationValues values()
{
    OperationValues v;
    v.meterSerial = 123456;
    v.SpinEdit_Number = 123456;
    v.version = QStringLiteral("2.15");
    v.elType = QStringLiteral("Тарвик 504.01");
    v.workingTime = QStringLiteral("1д.01:01:01");
    v.scheduleChecksum = QStringLiteral("4660");
    v.tariffCurrent.fill(QStringLiteral("1,000"));
    v.EditDelta = QStringLiteral("0,25");
    v.CheckTime = true;
    v.DatePicker = QDate(2026, 12, 10);
    v.TimePicker = QTime(10, 12, 26);
    return v;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 100;
    DbConnection db;
    TDMemsl routeSheet(db);
    OperationRecorder recorder(db, routeSheet, QLocale(QLocale::Russian, QLocale::Russia));
    recorder.setIdentity(11, 4);
    const QDateTime now(QDate(2026, 12, 10), QTime(10, 12, 26));

    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        if (!reset(db))
            return 1;
        QElapsedTimer timer;
        timer.start();
        const DbOutcome outcome = recorder.RecordOperation(100, values(), true, now);
        ms.push_back(timer.nsecsElapsed() / 1e6);
        const DbResult advanced = db.run(QStringLiteral("SELECT COUNT(*) AS n FROM msl_ WHERE route_id = 31"));
        if (!outcome.done() || advanced.first("n").toInt() != 1) {
            std::fprintf(stderr, "run %d: the sheet was not advanced: %s\n", i, qPrintable(outcome.text));
            return 1;
        }
    }
    std::sort(ms.begin(), ms.end());
    std::printf("RecordOperation with a route-sheet advance, %d runs: median %.2f ms, min %.2f ms, max %.2f ms\n",
                runs, ms[ms.size() / 2], ms.front(), ms.back());
    return 0;
}
