// The journal export of a large table: exportGridToXlsFile of 10 000 rows
// x 20 columns of the texts journals show (dates, date-times, times,
// energies with a decimal comma, words), under the Russian locale. Prints
// the wall time of each run and its median (target: under 1 s) and the
// peak resident memory before and after the runs. Not a test; run by hand.

#include "journals/xlsexport.h"
#include "peakmemory.h"
#include "result.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

namespace {

constexpr int kRows = 10000;
constexpr int kColumns = 20;
constexpr int kRuns = 5;

// Row i: a month of dates, moments through the day, energies that grow.
journals::TextGrid journalTable(const QLocale &locale)
{
    const QStringList words = {"включение", "выключение", "отключение нагрузки", " U -10% F -0,4 Гц",
                               "установленное = предыдущее"};
    journals::TextGrid grid;
    QStringList captions;
    for (int c = 0; c < kColumns; ++c)
        captions << QStringLiteral("Столбец %1").arg(c + 1);
    grid << captions;
    const QDateTime start(QDate(2009, 11, 5), QTime(0, 0));
    for (int i = 0; i < kRows; ++i) {
        const QDateTime t = start.addSecs(qint64(i) * 1800);
        QStringList row;
        row << t.date().toString(QStringLiteral("dd.MM.yyyy")) << t.toString(QStringLiteral("dd.MM.yyyy hh:mm:ss"))
            << QStringLiteral("%1:%2").arg(i % 24).arg(i % 60, 2, 10, QLatin1Char('0'));
        for (int c = 3; c < kColumns - 2; ++c)
            row << locale.toString(i * 1.25 + c * 0.01, 'f', 2);
        row << words[i % words.size()] << QString::number(i % 256);
        grid << row;
    }
    return grid;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QLocale russian(QLocale::Russian, QLocale::Russia);
    const journals::TextGrid grid = journalTable(russian);
    const long long before = peakMemoryKiB();
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("journal.xls"));
    QList<double> ms;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer timer;
        timer.start();
        QString error;
        if (!journals::exportGridToXlsFile(grid, QStringLiteral("Счетчик № 504017, Месячный журнал "), target,
                                           russian, &error)) {
            std::fprintf(stderr, "export failed: %s\n", qPrintable(error));
            return 1;
        }
        ms << timer.nsecsElapsed() / 1e6;
        std::printf("run %d: %.1f ms\n", run + 1, ms.last());
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%d rows x %d columns, file %lld bytes\n", kRows, kColumns, QFileInfo(target).size());
    std::printf("median %.1f ms, worst %.1f ms (target < 1000 ms)\n", ms[kRuns / 2], ms.last());
    std::printf("peak resident memory: %lld KiB with the table built, %lld KiB after the exports\n", before,
                peakMemoryKiB());
    printResult("xls_export_10000_rows", ms[kRuns / 2], "ms", 1000.0, Kind::Max);
    printResult("xls_export_peak_memory", peakMemoryKiB() / 1024.0, "MiB", 0, Kind::Info);
    return 0;
}
