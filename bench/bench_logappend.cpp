// One entry appended to a large operation log: generates a log (default
// 200 MB, first argument in MB) in a temporary folder, then times each of
// a few hundred operationLogLine calls, as a settings batch makes them one
// per acknowledged write. The same is timed on an empty log for comparison.
// Target: a median under 5 ms, a tenth of the link's 50 ms command timer
// (an entry is written on the window's thread between two exchanges), at
// any size of the log. Not a test; run by hand.
//
//   build/bench/bench_logappend [megabytes, default 200] [appends, default 300]

#include "app/operationlog.h"
#include "biglog.h"
#include "result.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Figures
{
    double median;
    double worst;
};

// Appends `count` entries for meters of the big log and times each one.
Figures timeAppends(const app::OperationLog &log, int count)
{
    const QString text = QStringLiteral("Запись параметров Rs-485: адрес 5, скорость 9600");
    std::vector<double> ms;
    for (int i = 0; i < count; ++i) {
        QElapsedTimer timer;
        timer.start();
        log.operationLogLine(text, quint32(100000 + i % kBigLogSerials));
        ms.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.back()};
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication appCore(argc, argv);
    const qint64 megabytes = argc > 1 ? std::max(1LL, QByteArray(argv[1]).toLongLong()) : 200;
    const int appends = argc > 2 ? std::max(1, QByteArray(argv[2]).toInt()) : 300;

    QTemporaryDir emptyDir, bigDir;
    if (!emptyDir.isValid() || !bigDir.isValid())
        return 1;
    const app::OperationLog emptyLog(emptyDir.path());
    const app::OperationLog bigLog(bigDir.path());
    const BigLog generated = writeBigLog(bigLog.logFilePath(), megabytes * 1024 * 1024);
    if (!generated.ok) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(bigLog.logFilePath()));
        return 1;
    }

    const Figures empty = timeAppends(emptyLog, appends);
    const qint64 sizeBefore = QFileInfo(bigLog.logFilePath()).size();
    const Figures big = timeAppends(bigLog, appends);
    const qint64 grown = QFileInfo(bigLog.logFilePath()).size() - sizeBefore;
    std::printf("%d entries appended to an empty log:   median %.3f ms, worst %.3f ms\n", appends, empty.median,
                empty.worst);
    std::printf("%d entries appended to a %lld MB log: median %.3f ms, worst %.3f ms (log grew by %lld bytes)\n",
                appends, megabytes, big.median, big.worst, grown);
    if (grown <= 0) {
        std::fprintf(stderr, "nothing was appended\n");
        return 1;
    }
    printResult(("log_append_at_" + QByteArray::number(megabytes) + "MB").constData(), big.median, "ms", 5.0,
                Kind::Max);
    return 0;
}
