// Time of one operation record that advances a route sheet (a batch of one
// meter: the programming operation closed, the next one opened), on the
// private test server. Each run starts from the same rows; only
// RecordOperation is timed. Target: a median under 50 ms, one command
// interval of the link (the record runs on the window's thread after the
// green lamp, so it may hold back polling by one exchange at most). Run by
// hand (scripts/bench.sh starts and stops the server itself):
//
//   scripts/test-db.sh start /tmp/tarvik-bench-db
//   eval "$(scripts/test-db.sh env /tmp/tarvik-bench-db)"
//   build/bench/bench_operationrecord [runs, default 100]
//   scripts/test-db.sh stop /tmp/tarvik-bench-db

#include "db/UDMemsl.h"
#include "db/dbconnection.h"
#include "db/operationrecord.h"
#include "../tests/db/routesheetseed.h"
#include "../tests/db/tabledump.h"
#include "result.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace productiondb;

namespace {

// Operator 11 (configuration 11) at installation 4; meter 123456 alone on
// sheet 20 waiting at step 1 (programming) of a two-step route.
const char *const seed[] = {
    "INSERT INTO operator(person_id,login,operating) VALUES(11,'op',1)",
    "INSERT INTO plant(plant_id,type_id,computer_id) VALUES(4,3,1)",
    "INSERT INTO electrometer(electro_id,number,type_id) VALUES(100,123456,48)",
};

bool run(DbConnection &db, const char *statement)
{
    const DbResult r = db.run(QString::fromUtf8(statement));
    if (!r.ok)
        std::fprintf(stderr, "%s\n", qPrintable(r.error));
    return r.ok;
}

bool reset(DbConnection &db)
{
    for (const QString &table : testserver::productionTables())
        if (!db.run(QStringLiteral("DELETE FROM ") + table).ok)
            return false;
    for (const char *statement : seed)
        if (!run(db, statement))
            return false;
    for (const char *statement : testserver::routeSheetSeed)
        if (!run(db, statement))
            return false;
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
    printResult("RecordOperation", ms[ms.size() / 2], "ms", 50.0, Kind::Max);
    return 0;
}
