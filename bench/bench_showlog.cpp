// ShowLogForSerial over a large operation log: generates a log (default
// 200 MB, first argument in MB) in a temporary folder and times the listing
// of one meter's lines. Prints wall time and, on Linux, the peak resident
// set (VmHWM of /proc/self/status). Target: the listing in under 1 s (it
// runs on the window's thread at every change of the number on the page
// "База данных", with the file in the page cache). Not a test; run by hand.

#include "app/operationlog.h"
#include "biglog.h"
#include "result.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

namespace {

QString peakRss()
{
#ifdef __linux__
    QFile status(QStringLiteral("/proc/self/status"));
    // /proc files report size 0, so read them whole rather than to atEnd().
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n'))
            if (line.startsWith("VmHWM:"))
                return QString::fromLatin1(line.mid(6).trimmed());
    }
#endif
    return QStringLiteral("n/a");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication appCore(argc, argv);
    const qint64 megabytes = argc > 1 ? QByteArray(argv[1]).toLongLong() : 200;
    const qint64 target = megabytes * 1024 * 1024;

    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    app::OperationLog log(dir.path());
    std::printf("peak RSS at start: %s\n", qPrintable(peakRss()));

    QElapsedTimer timer;
    timer.start();
    const BigLog generated = writeBigLog(log.logFilePath(), target);
    if (!generated.ok)
        return 1;
    std::printf("generated %lld bytes, %lld lines in %lld ms\n", generated.bytes, generated.lines, timer.elapsed());
    std::printf("peak RSS after generation: %s\n", qPrintable(peakRss()));

    timer.restart();
    const QStringList lines = log.ShowLogForSerial(100123);
    const qint64 listMs = timer.elapsed();
    std::printf("ShowLogForSerial(100123): %lld lines in %lld ms\n", qint64(lines.size()), listMs);
    printResult(QByteArray("ShowLogForSerial_" + QByteArray::number(megabytes) + "MB").constData(), double(listMs),
                "ms", 1000.0, Kind::Max);
    std::printf("peak RSS after ShowLogForSerial: %s\n", qPrintable(peakRss()));

    timer.restart();
    const qint64 none = log.forEachLogLine(777, [](const QString &) { return true; });
    std::printf("forEachLogLine(777), no match: %lld lines in %lld ms\n", none, timer.elapsed());

    timer.restart();
    const qint64 counted = log.forEachLogLine(100123, [](const QString &) { return true; });
    std::printf("forEachLogLine(100123), lines not kept: %lld lines in %lld ms\n", counted, timer.elapsed());
    std::printf("peak RSS at end: %s\n", qPrintable(peakRss()));
    return lines.size() == counted ? 0 : 2;
}
