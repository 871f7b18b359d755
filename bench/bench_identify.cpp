// Time of one IdentifyWorkstation (computer, operator, installation and the
// server's clock: four statements on the open connection) on the private
// test server. The PC clock is not set: a setter that only keeps the time
// stands in for it. No target was set: the median is shown for information.
// Run by hand (scripts/bench.sh starts and stops the server itself):
//
//   scripts/test-db.sh start /tmp/tarvik-bench-db
//   eval "$(scripts/test-db.sh env /tmp/tarvik-bench-db)"
//   build/bench/bench_identify [runs, default 100]
//   scripts/test-db.sh stop /tmp/tarvik-bench-db

#include "db/dbconnection.h"
#include "db/systemclock.h"
#include "db/systemidentity.h"
#include "db/workstation.h"
#include "result.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <vector>

using namespace productiondb;

namespace {

struct BenchIdentity : SystemIdentity
{
    QString computerName() const override { return QStringLiteral("PC"); }
    QString userName() const override { return QStringLiteral("op"); }
};

struct KeptClock : ClockSetter
{
    QDateTime last;
    bool setLocalTime(const QDateTime &localTime) override
    {
        last = localTime;
        return true;
    }
};

const char *const seed[] = {
    "DELETE FROM computer",
    "DELETE FROM operator",
    "DELETE FROM plant",
    "INSERT INTO computer(computer_id,name) VALUES(1,'PC')",
    "INSERT INTO operator(person_id,login,operating) VALUES(11,'op',1)",
    "INSERT INTO plant(plant_id,type_id,computer_id) VALUES(4,3,1)",
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100;
    DbConnection db;
    for (const char *statement : seed) {
        const DbResult r = db.run(QString::fromUtf8(statement));
        if (!r.ok) {
            std::fprintf(stderr, "%s\n", qPrintable(r.error));
            return 1;
        }
    }
    BenchIdentity names;
    KeptClock clock;
    Workstation workstation(db, names, clock);
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        const IdentifyOutcome outcome = workstation.IdentifyWorkstation();
        ms.push_back(timer.nsecsElapsed() / 1e6);
        if (outcome.kind != IdentifyOutcome::Identified) {
            std::fprintf(stderr, "not identified: %s\n", qPrintable(outcome.message));
            return 1;
        }
    }
    std::sort(ms.begin(), ms.end());
    std::printf("IdentifyWorkstation, %d runs: median %.3f ms, min %.3f ms, max %.3f ms\n", runs, ms[ms.size() / 2],
                ms.front(), ms.back());
    printResult("IdentifyWorkstation", ms[ms.size() / 2], "ms", 0, Kind::Info);
    return 0;
}
