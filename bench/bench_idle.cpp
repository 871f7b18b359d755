// Idle CPU while polling: the window with the built-in simulated meter,
// connected at 115200 bit/s on the real clock, with nothing asked of it but
// the polling cycle (frame tracing off, as configured by default). After a
// few seconds to settle, the CPU time of the process over a stretch of
// polling is taken as a share of one core. The built-in meter runs in the
// same process, so its share is counted too. Target: under 2 % of a core,
// the 1 ms of CPU allowed per exchange over the 50 ms command timer.
//
//   QT_QPA_PLATFORM=offscreen build/bench/bench_idle [seconds, default 10]

#include "app/main.h"
#include "cputime.h"
#include "result.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

namespace {

constexpr int kSettleMs = 3000;
constexpr double kTargetPercent = 2.0;

// Runs an event loop of its own for ms milliseconds (leaving the
// application's loop would start the window's close sequence).
void pollFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    const int seconds = argc > 1 ? std::max(2, atoi(argv[1])) : 10;

    QTemporaryDir dir;
    const QString ini = dir.filePath("Tarvik-504.ini");
    {
        QSettings s(ini, QSettings::IniFormat);
        s.setValue("Baudrate", 5);
    }
    app::StartupOptions options;
    options.workingDir = dir.path();
    options.selectSimulator = true;
    options.openSettings = [ini](bool) { return std::make_unique<QSettings>(ini, QSettings::IniFormat); };
    options.showMessage = [](QMessageBox::Icon, const QString &, const QString &t) {
        std::fprintf(stderr, "message: %s\n", qPrintable(t));
    };
    app::TFormMain window(options);
    window.show();
    auto &link = window.station().connection();
    int exchanges = 0;
    QObject::connect(&link, &meterlink::MeterConnection::exchangeStarted, [&] { ++exchanges; });
    link.connectLink();
    pollFor(kSettleMs);
    if (!link.isConnected() || exchanges == 0) {
        std::fprintf(stderr, "the simulated meter was not polled\n");
        return 1;
    }

    const int exchangesBefore = exchanges;
    const double cpuBefore = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    pollFor(seconds * 1000);
    const double cpu = cpuSeconds() - cpuBefore;
    const double wallSeconds = wall.nsecsElapsed() / 1e9;
    const int polled = exchanges - exchangesBefore;
    link.disconnectLink();

    const double percent = cpu / wallSeconds * 100.0;
    std::printf("polling for %.1f s: %d exchanges (period %.2f ms), CPU %.3f s = %.2f %% of a core "
                "(target < %.0f %%)\n",
                wallSeconds, polled, polled ? wallSeconds * 1000.0 / polled : 0.0, cpu, percent, kTargetPercent);
    printResult("idle_cpu_while_polling", percent, "%core", kTargetPercent, Kind::Max);
    return 0;
}
