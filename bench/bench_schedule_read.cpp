// Benchmark: a full schedule read (289 exchanges: 06 02, 08 03 0..255,
// 26 03 0..15, 28 03 0..15) from the simulator program over a
// pseudo-terminal, against its floor of 289 x (50 ms command timer + the
// line time of address, echo, request and reply; the simulator holds each
// reply back by that line time, --line-time). The read is queued from
// the acceptance of a polling reply, so the time measured holds exactly the
// 289 exchanges of the read.
//
//   build/bench/bench_schedule_read [baud ...]     (default: 9600 115200)

#include "atspeeds.h"
#include "../tests/integration/simprocess.h"
#include "app/station.h"
#include "link/qtclock.h"
#include "link/speeds.h"
#include "result.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

namespace {

constexpr int kExchanges = 1 + schedule::kZoneSlots + 2 * 16;
constexpr int kWarmupReplies = 5;

bool measure(int baud)
{
    const auto speedIndex = meterlink::indexForSpeed(baud);
    if (!speedIndex) {
        std::fprintf(stderr, "not a meter speed: %d\n", baud);
        return false;
    }
    testsupport::SimProcess sim({"--baud", QString::number(baud), "--line-time"});
    if (sim.path().isEmpty()) {
        std::fprintf(stderr, "simulator did not start: %s\n", qPrintable(sim.errors()));
        return false;
    }
    QTemporaryDir dir;
    app::Station station(meterlink::QtClock::instance(), {}, dir.path());
    station.selectPort(sim.path());
    auto &link = station.connection();
    link.setSpeedIndex(*speedIndex);
    auto &transfer = station.scheduleTransfer();

    QElapsedTimer wall;
    qint64 startMs = -1, endMs = -1;
    int accepted = 0, readReplies = 0;
    qint64 lineBytes = 0;
    int problems = 0;
    QObject::connect(&station.dispatcher(), &protocol::ReplyDispatcher::replyAccepted, [&](quint8 code) {
        if (startMs < 0 && ++accepted == kWarmupReplies) {
            startMs = wall.elapsed();
            transfer.readFromMeter(); // queued behind the polling reply being handled
            return;
        }
        if (startMs >= 0 && endMs < 0 && (code == 0x06 || code == 0x08 || code == 0x26 || code == 0x28)) {
            ++readReplies;
            // Address out and its echo, the request, the reply.
            lineBytes += 2 + link.currentRequest().size() + link.replyBuffer().size();
        }
    });
    QObject::connect(&link, &meterlink::MeterConnection::protocolLine, [&](const QString &) { ++problems; });
    QObject::connect(&transfer, &schedule::ScheduleTransfer::readFinished, [&] {
        endMs = wall.elapsed();
        QCoreApplication::quit();
    });
    QTimer::singleShot(300000, qApp, &QCoreApplication::quit);
    wall.start();
    link.connectLink();
    QCoreApplication::exec();
    link.disconnectLink();
    if (endMs < 0 || readReplies != kExchanges) {
        std::fprintf(stderr, "%d bit/s: the read did not finish (%d replies)\n", baud, readReplies);
        return false;
    }
    const double wallMs = double(endMs - startMs);
    const double lineMs = double(lineBytes) * 11.0 * 1000.0 / baud;
    const double floorMs = kExchanges * double(meterlink::MeterConnection::kCommandIntervalMs) + lineMs;
    std::printf("%6d bit/s: %d exchanges in %.0f ms; floor %.0f ms (289 x 50 ms + line %.0f ms); "
                "above floor %.2f %% (target < 5 %%); %d protocol lines\n",
                baud, kExchanges, wallMs, floorMs, lineMs, (wallMs / floorMs - 1.0) * 100.0, problems);
    printResult(("schedule_read_" + QByteArray::number(baud)).constData(), wallMs, "ms", floorMs, Kind::Max,
                kFloorAllowance);
    return true;
}

} // namespace

int main(int argc, char *argv[]) { return runAtSpeeds(argc, argv, measure); }
