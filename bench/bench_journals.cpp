// Benchmark: journal reads from the simulator program over a pseudo-terminal,
// against their floor of exchanges x (50 ms command timer + the line time of
// address, echo, request and reply at 11 bits a byte):
//   - the month journal (the header and its 12 slots);
//   - one whole day of a 30-minute load profile (48 records) from a full
//     store of 1488 slots whose newest record is at slot 744: the header,
//     record 0, the binary search and the day's records, with the number of
//     probes (record 0 and the search) set against 2 x log2 A.
// Each read is started on the first request of the second polling cycle, as
// tarvik-cli does, so the exchanges timed also hold that one poll request.
// A pseudo-terminal hands bytes over at once whatever speed it is set to, so
// the simulator holds each reply back by the line time of its exchange
// (--line-time); the timers' share is printed too.
// Targets: each read within 5 % of its floor; probes at most 2 x log2 A.
//
//   build/bench/bench_journals [baud ...]     (default: 9600 115200)

#include "atspeeds.h"
#include "../tests/integration/simprocess.h"
#include "app/station.h"
#include "journals/journalreader.h"
#include "link/qtclock.h"
#include "link/speeds.h"
#include "result.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <cmath>
#include <cstdio>

namespace {

constexpr int kProfileSlots = 1488;
const QString kMeterTime = QStringLiteral("2024-03-20T12:10:00");
const QDate kProfileDay(2024, 3, 17); // wholly inside the store

struct Figures
{
    bool ok = false;
    qint64 wallMs = 0;
    int exchanges = 0; // replies accepted while the read ran
    int probes = 0;    // load profile: record 0 and the search
    int rows = 0;
    qint64 lineBytes = 0;
};

Figures measure(int baud, journals::Journal journal)
{
    Figures f;
    const auto speedIndex = meterlink::indexForSpeed(baud);
    testsupport::SimProcess sim({"--baud", QString::number(baud), "--time", kMeterTime, "--line-time"});
    if (!speedIndex || sim.path().isEmpty()) {
        std::fprintf(stderr, "simulator did not start at %d bit/s: %s\n", baud, qPrintable(sim.errors()));
        return f;
    }
    QTemporaryDir dir;
    app::Station station(meterlink::QtClock::instance(), {}, dir.path());
    station.selectPort(sim.path());
    auto &link = station.connection();
    link.setSpeedIndex(*speedIndex);
    auto &reader = station.journals();

    QElapsedTimer wall;
    qint64 startMs = -1;
    int cycleStarts = 0;
    QObject::connect(&link, &meterlink::MeterConnection::pollRequested, [&](int n) {
        if (n != 0 || ++cycleStarts != 2)
            return;
        QMetaObject::invokeMethod(
            &reader,
            [&] {
                startMs = wall.elapsed();
                if (!reader.read(journal, kProfileDay))
                    QCoreApplication::quit();
            },
            Qt::QueuedConnection);
    });
    // Accepted before its decoder runs: the profile state is the one the reply meets.
    QObject::connect(&station.dispatcher(), &protocol::ReplyDispatcher::replyAccepted, [&](quint8 code) {
        if (startMs < 0 || f.ok)
            return;
        ++f.exchanges;
        f.lineBytes += 2 + link.currentRequest().size() + link.replyBuffer().size();
        if (code == 0x5D && (reader.profileState() == 1 || reader.profileState() == 2))
            ++f.probes;
    });
    QObject::connect(&reader, &journals::JournalReader::readFinished, [&] {
        f.wallMs = wall.elapsed() - startMs;
        f.rows = int(reader.rows(journal).size());
        f.ok = true;
        QCoreApplication::quit();
    });
    QObject::connect(&reader, &journals::JournalReader::readAborted, [&] { QCoreApplication::quit(); });
    QTimer::singleShot(120000, qApp, &QCoreApplication::quit);
    wall.start();
    link.connectLink();
    QCoreApplication::exec();
    link.disconnectLink();
    if (!f.ok)
        std::fprintf(stderr, "%d bit/s: the %s read did not finish\n", baud, qPrintable(journals::journalName(journal)));
    return f;
}

void print(int baud, const char *what, const char *name, const Figures &f)
{
    const double lineMs = double(f.lineBytes) * 11.0 * 1000.0 / baud;
    const double timersMs = f.exchanges * double(meterlink::MeterConnection::kCommandIntervalMs);
    const double floorMs = timersMs + lineMs;
    std::printf("%6d bit/s %-14s %3d rows, %3d exchanges in %5lld ms; floor %5.0f ms (%d x 50 ms + line %.0f ms); "
                "above floor %.2f %%; above the timers alone %.2f %%\n",
                baud, what, f.rows, f.exchanges, static_cast<long long>(f.wallMs), floorMs, f.exchanges, lineMs,
                (f.wallMs / floorMs - 1.0) * 100.0, (f.wallMs / timersMs - 1.0) * 100.0);
    printResult((QByteArray(name) + '_' + QByteArray::number(baud)).constData(), double(f.wallMs), "ms", floorMs,
                Kind::Max, kFloorAllowance);
}

bool run(int baud)
{
    const Figures month = measure(baud, journals::Journal::Month);
    const Figures profile = measure(baud, journals::Journal::Profile);
    if (!month.ok || !profile.ok)
        return false;
    print(baud, "month journal", "month_journal_read", month);
    print(baud, "profile day", "profile_day_read", profile);
    std::printf("%6d bit/s profile search: %d probes (record 0 and the search) against 2 x log2 %d = %.1f\n", baud,
                profile.probes, kProfileSlots, 2.0 * std::log2(double(kProfileSlots)));
    printResult(("profile_search_probes_" + QByteArray::number(baud)).constData(), profile.probes, "probes",
                2.0 * std::log2(double(kProfileSlots)), Kind::Max);
    return true;
}

} // namespace

int main(int argc, char *argv[]) { return runAtSpeeds(argc, argv, run); }
