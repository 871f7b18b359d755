// Benchmark: the conversation with the simulator program over a
// pseudo-terminal (default 115200 bit/s). Reports the mean exchange period
// against its floor (the 50 ms command timer plus the line time of address,
// echo, request and reply; target: within 5 % of it) and the CPU time this
// process spends per exchange (target: under 1 ms). A pseudo-terminal hands
// bytes over at once whatever its speed, so the simulator holds each reply
// back by the line time of its exchange (--line-time), as a real line would.
//
//   build/bench/bench_link [exchanges] [rs485|modbus] [baud]

#include "../tests/integration/simprocess.h"
#include "link/connection.h"
#include "link/qtclock.h"
#include "link/qtserialline.h"
#include "link/speeds.h"
#include "protocol/dispatcher.h"
#include "cputime.h"
#include "result.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>

using namespace meterlink;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int exchanges = argc > 1 ? std::max(20, atoi(argv[1])) : 400;
    const bool modbus = argc > 2 && QByteArray(argv[2]) == "modbus";
    const int warmup = 10;
    const int baud = argc > 3 ? atoi(argv[3]) : 115200;
    const auto speedIndex = indexForSpeed(baud);
    if (!speedIndex) {
        std::fprintf(stderr, "not a meter speed: %d\n", baud);
        return 1;
    }

    testsupport::SimProcess sim(
        {"--baud", QString::number(baud), "--mode", modbus ? "modbus" : "rs485", "--address", "3", "--line-time"});
    if (sim.path().isEmpty()) {
        std::fprintf(stderr, "simulator did not start: %s\n", qPrintable(sim.errors()));
        return 1;
    }
    QtSerialLine line;
    MeterConnection connection(QtClock::instance());
    protocol::ReplyDispatcher dispatcher(connection);
    connection.setLine(&line);
    connection.setPortName(sim.path());
    connection.setSpeedIndex(*speedIndex);
    connection.setLineMode(modbus ? 1 : 0);
    connection.setAddress(3);

    int done = 0;
    qint64 lineBytes = 0;
    QElapsedTimer wall;
    double cpuStart = 0;
    qint64 wallStartMs = 0;
    connection.setReplyHandler([&](const QByteArray &reply) {
        ++done;
        if (done == warmup) {
            wallStartMs = wall.elapsed();
            cpuStart = cpuSeconds();
            lineBytes = 0;
        }
        // Rs-485: address out and back, then the frame; MODBUS: the frame alone (address inside).
        lineBytes += connection.currentRequest().size() + reply.size() + (modbus ? 1 : 2);
        dispatcher.dispatch(reply);
        if (done == warmup + exchanges)
            QCoreApplication::quit();
    });
    int timeouts = 0;
    QObject::connect(&connection, &MeterConnection::protocolLine, [&](const QString &) { ++timeouts; });
    wall.start();
    connection.connectLink();
    if (!connection.isConnected()) {
        std::fprintf(stderr, "could not open %s\n", qPrintable(sim.path()));
        return 1;
    }
    QTimer::singleShot(600000, &app, &QCoreApplication::quit);
    app.exec();
    const double cpu = cpuSeconds() - cpuStart;
    const double elapsedMs = double(wall.elapsed() - wallStartMs);
    connection.disconnectLink();

    const int measured = done - warmup;
    if (measured <= 0) {
        std::fprintf(stderr, "no exchanges measured\n");
        return 1;
    }
    const double period = elapsedMs / measured;
    const double lineMs = double(lineBytes) * 11.0 * 1000.0 / baud / measured;
    const double floorMs = MeterConnection::kCommandIntervalMs + lineMs;
    std::printf("mode %s, %d exchanges at %d bit/s, %d protocol lines (time-outs, errors)\n",
                modbus ? "MODBUS" : "Rs-485", measured, baud, timeouts);
    std::printf("mean exchange period  %.2f ms\n", period);
    std::printf("floor (50 ms + line)  %.2f ms  (line time %.2f ms)\n", floorMs, lineMs);
    std::printf("above floor           %.2f %%  (target < 5 %%)\n", (period / floorMs - 1.0) * 100.0);
    std::printf("CPU per exchange      %.3f ms  (target < 1 ms)\n", cpu * 1000.0 / measured);
    const QByteArray suffix = QByteArray(modbus ? "_modbus_" : "_rs485_") + QByteArray::number(baud);
    printResult(("exchange_period" + suffix).constData(), period, "ms", floorMs, Kind::Max, kFloorAllowance);
    printResult(("cpu_per_exchange" + suffix).constData(), cpu * 1000.0 / measured, "ms", 1.0, Kind::Max);
    return 0;
}
