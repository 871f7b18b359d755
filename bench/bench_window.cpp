// Benchmark of the window: time from program start to the first paint of
// the main window, and the memory the program holds after 5000 exchanges
// with the simulated meter with frame tracing on (on a virtual clock, so the
// exchanges take seconds, not minutes). Targets: the first paint within 1 s,
// and under 128 MiB resident after 20 000 traced exchanges (what
// scripts/bench.sh asks for; the protocol view keeps at most 100 000 lines).
//
//   QT_QPA_PLATFORM=offscreen build/bench/bench_window [exchanges] [notrace]

#include "app/main.h"
#include "link/virtualclock.h"
#include "result.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

namespace {

QElapsedTimer g_sinceStart;

long statusKb(const char *field)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').first().toLong();
    return -1;
}

class FirstPaint : public QObject
{
public:
    qint64 atMs = -1;
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint && atMs < 0)
            atMs = g_sinceStart.elapsed();
        return false;
    }
};

} // namespace

int main(int argc, char *argv[])
{
    g_sinceStart.start();
    QApplication application(argc, argv);
    const int exchanges = argc > 1 ? std::max(100, atoi(argv[1])) : 5000;
    const bool tracing = !(argc > 2 && QByteArray(argv[2]) == "notrace"); // for comparison

    QTemporaryDir dir;
    const QString ini = dir.filePath("Tarvik-504.ini");
    {
        QSettings s(ini, QSettings::IniFormat);
        if (tracing)
            s.setValue("Master", ""); // frame tracing on
        s.setValue("Baudrate", 5);
    }
    meterlink::VirtualClock clock(QDateTime::currentDateTime());
    app::StartupOptions options;
    options.workingDir = dir.path();
    options.clock = &clock;
    options.selectSimulator = true;
    options.openSettings = [ini](bool) { return std::make_unique<QSettings>(ini, QSettings::IniFormat); };
    options.showMessage = [](QMessageBox::Icon, const QString &, const QString &t) {
        std::fprintf(stderr, "message: %s\n", qPrintable(t));
    };

    FirstPaint paint;
    const qint64 beforeWindow = g_sinceStart.elapsed();
    app::TFormMain window(options);
    window.installEventFilter(&paint);
    window.show();
    while (paint.atMs < 0 && g_sinceStart.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    std::printf("QApplication ready      %lld ms after start\n", static_cast<long long>(beforeWindow));
    std::printf("first paint of window   %lld ms after start\n", static_cast<long long>(paint.atMs));
    if (paint.atMs < 0) {
        std::fprintf(stderr, "the window was not painted\n");
        return 1;
    }
    printResult("startup_to_first_paint", double(paint.atMs), "ms", 1000.0, Kind::Max);

    for (int i = 0; i < 20; ++i)
        QApplication::processEvents();
    const long rssStart = statusKb("VmRSS:");
    int done = 0;
    QObject::connect(&window.station().connection(), &meterlink::MeterConnection::exchangeStarted, [&] { ++done; });
    window.station().connection().connectLink();
    QElapsedTimer wall;
    wall.start();
    while (done < exchanges && wall.elapsed() < 300000) {
        clock.advance(5);
        QApplication::processEvents();
    }
    for (int i = 0; i < 20; ++i)
        QApplication::processEvents();
    const long rssEnd = statusKb("VmRSS:");
    std::printf("exchanges with tracing  %d in %.1f s of real time (%.1f min of meter time)\n", done,
                wall.elapsed() / 1000.0, clock.elapsedMs() / 60000.0);
    std::printf("resident memory         %ld KB at start, %ld KB after, +%ld KB (peak %ld KB)\n", rssStart, rssEnd,
                rssEnd - rssStart, statusKb("VmHWM:"));
    window.station().connection().disconnectLink();
    if (done < exchanges) {
        std::fprintf(stderr, "only %d of %d exchanges in time\n", done, exchanges);
        return 1;
    }
    const QByteArray name = "memory_after_" + QByteArray::number(exchanges) + (tracing ? "_traced" : "_untraced");
    printResult((name + "_exchanges").constData(), rssEnd / 1024.0, "MiB", 128.0, Kind::Max);
    return 0;
}
