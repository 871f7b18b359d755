// Benchmark: a full settings batch (all twelve boxes, the serial number over
// a meter without one, the password entry first: 21 exchanges) written to the
// simulator program over a pseudo-terminal, against its floor of
// 21 x (50 ms command timer + the line time of address, echo, request and
// reply at 11 bits a byte). The communication parameters go last and move
// the meter to a new address; the link follows it there. The batch is queued
// from the acceptance of a polling reply once the serial number has been
// read, so the time measured holds exactly the batch. A pseudo-terminal
// hands bytes over at once whatever speed it is set to, so the simulator
// holds each reply back by the line time of its exchange (--line-time); the
// timers' share (21 x 50 ms) is printed too.
// Target: within 5 % of the floor.
//
//   build/bench/bench_settings [baud ...]     (default: 9600 115200)

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

constexpr int kExchanges = 21;
constexpr int kNewAddress = 7;

void tickEverything(protocol::SettingsValues &v, int speedIndex)
{
    v.CheckTime = v.CheckShedule = v.CheckAddr = v.CheckIntegra = v.CheckPassword = v.CheckResetTariff = true;
    v.CheckPult = v.CheckPeriodProfile = v.CheckQuality = v.CheckSeal = v.CheckSensor = v.CheckTelemetry = true;
    v.SpinEdit_Number = 123456;
    v.EditSensor = QStringLiteral("12,5");
    v.EditSensorCalibr = QStringLiteral("1000");
    v.SpinNewAddr = kNewAddress;
    v.ComboNewBaud = speedIndex; // the pseudo-terminal keeps its speed
}

bool measure(int baud)
{
    const auto speedIndex = meterlink::indexForSpeed(baud);
    if (!speedIndex) {
        std::fprintf(stderr, "not a meter speed: %d\n", baud);
        return false;
    }
    testsupport::SimProcess sim({"--baud", QString::number(baud), "--serial", "0", "--line-time"});
    if (sim.path().isEmpty()) {
        std::fprintf(stderr, "simulator did not start: %s\n", qPrintable(sim.errors()));
        return false;
    }
    QTemporaryDir dir;
    app::Station station(meterlink::QtClock::instance(), {}, dir.path());
    station.selectPort(sim.path());
    auto &link = station.connection();
    link.setSpeedIndex(*speedIndex);
    auto &writer = station.settingsWriter();
    tickEverything(writer.values(), *speedIndex);

    QElapsedTimer wall;
    qint64 startMs = -1, endMs = -1;
    int batchReplies = 0;
    qint64 lineBytes = 0;
    int problems = 0;
    bool failed = false;
    QObject::connect(&station.dispatcher(), &protocol::ReplyDispatcher::replyAccepted, [&](quint8) {
        if (startMs < 0) {
            if (!station.page().meterSerialRead())
                return;
            startMs = wall.elapsed();
            if (!writer.write()) // queued behind the polling reply being handled
                QCoreApplication::quit();
            return;
        }
        if (endMs < 0 && link.settingsWriteActive()) {
            ++batchReplies;
            // Address out and its echo, the request, the reply.
            lineBytes += 2 + link.currentRequest().size() + link.replyBuffer().size();
        }
    });
    QObject::connect(&link, &meterlink::MeterConnection::protocolLine, [&](const QString &) { ++problems; });
    QObject::connect(&link, &meterlink::MeterConnection::batchSucceeded, [&](meterlink::Batch) {
        endMs = wall.elapsed();
        QCoreApplication::quit();
    });
    QObject::connect(&link, &meterlink::MeterConnection::batchFailed, [&](meterlink::Batch, const QString &) {
        failed = true;
        QCoreApplication::quit();
    });
    QTimer::singleShot(120000, qApp, &QCoreApplication::quit);
    wall.start();
    link.connectLink();
    QCoreApplication::exec();
    link.disconnectLink();
    if (failed || endMs < 0 || batchReplies != kExchanges || link.address() != kNewAddress) {
        std::fprintf(stderr, "%d bit/s: the batch did not finish (%d replies, %s)\n", baud, batchReplies,
                     failed ? "failed" : "no end");
        return false;
    }
    const double wallMs = double(endMs - startMs);
    const double lineMs = double(lineBytes) * 11.0 * 1000.0 / baud;
    const double floorMs = kExchanges * double(meterlink::MeterConnection::kCommandIntervalMs) + lineMs;
    const double timersMs = floorMs - lineMs;
    std::printf("%6d bit/s: %d exchanges in %.0f ms; floor %.0f ms (%d x 50 ms + line %.0f ms); "
                "above floor %.2f %%; above the timers alone %.2f %%; %d protocol lines\n",
                baud, kExchanges, wallMs, floorMs, kExchanges, lineMs, (wallMs / floorMs - 1.0) * 100.0,
                (wallMs / timersMs - 1.0) * 100.0, problems);
    printResult(("settings_batch_" + QByteArray::number(baud)).constData(), wallMs, "ms", floorMs, Kind::Max,
                kFloorAllowance);
    return true;
}

} // namespace

int main(int argc, char *argv[]) { return runAtSpeeds(argc, argv, measure); }
