// Writes the seed corpus of fuzz_tsc: schedule files made by the station's
// own writer.
//
//   fuzz_make_tsc_corpus <dir>    # dir/fuzz_tsc/*
//
// The seeds cover: no zones, the default holidays with one transfer and two
// zones, full holiday and transfer lists, 0D and 0A bytes inside every kind
// of item, a coefficient of 0 and a zone entry that is no time, and a long
// schedule (40 zones, within the 512 bytes the fuzz runs allow).

#include "schedule/holidays.h"
#include "schedule/schedulefile.h"
#include "schedule/transfers.h"
#include "schedule/zoneentry.h"

#include <QDate>
#include <QDir>
#include <cstdio>

using namespace schedule;

namespace {

ZoneRecord zone(int hour, int minute, int tariff, int limitTariff, int powerLimit, int dayMask, int monthMask)
{
    ZoneRecord z;
    z.startTime = QStringLiteral("%1:%2").arg(hour, 2, 10, QLatin1Char('0')).arg(minute, 2, 10, QLatin1Char('0'));
    z.tariff = quint8(tariff);
    z.limitTariff = quint8(limitTariff);
    z.powerLimit = quint8(powerLimit);
    z.dayMask = quint8(dayMask);
    z.monthMask = quint16(monthMask);
    return z;
}

ScheduleFileData defaults()
{
    HolidayList holidays;
    holidays.setDefaults();
    return {holidays.GetHolidayBlock(), TransferList().GetTransferBlock(), 1, {}};
}

ScheduleFileData twoZones()
{
    ScheduleFileData d = defaults();
    TransferList transfers;
    transfers.insert(QDate(2030, 3, 7), 8);
    d.transferBlock = transfers.GetTransferBlock();
    d.coefficient = 5;
    d.zoneEntries = {ZoneEntry::encode(zone(7, 30, 3, 5, 12, 0x0D, 0x0FFF)),
                     ZoneEntry::encode(zone(23, 0, 1, 1, 0, 0xFF, 0x0FFF))};
    return d;
}

ScheduleFileData fullLists()
{
    HolidayList holidays;
    for (int i = 0; i < 16; ++i)
        holidays.insert(1 + i % 12, 1 + i * 2);
    TransferList transfers;
    transfers.insert(QDate(2000, 1, 1), 1);
    for (int i = 1; i < 16; ++i)
        transfers.insert(QDate(2026, 1, 1).addDays(i * 40), 1 + i % 8);
    return {holidays.GetHolidayBlock(), transfers.GetTransferBlock(), 255,
            {ZoneEntry::encode(zone(0, 0, 8, 8, 0, 0x80, 0x0800))}};
}

// 0D and 0A as coefficient, as day and month masks and as power limit; one
// entry with hour 25 that a load skips.
ScheduleFileData lineEndBytes()
{
    ScheduleFileData d = defaults();
    d.coefficient = 0x0D;
    d.zoneEntries = {ZoneEntry::encode(zone(13, 10, 2, 4, 0x0A, 0x0D, 0x0A0D)),
                     QByteArray::fromHex("00250000010100")};
    return d;
}

ScheduleFileData zeroCoefficientLongSchedule()
{
    ScheduleFileData d = defaults();
    d.coefficient = 0;
    for (int k = 0; k < 40; ++k)
        d.zoneEntries.append(ZoneEntry::encode(zone(k % 24, (k * 7) % 60, 1 + k % 8, 1 + (k + 1) % 8, k + 1,
                                                    1 << (k % 8), 1 << (k % 12))));
    return d;
}

bool write(const QDir &dir, const char *name, const ScheduleFileData &data)
{
    QString error;
    if (saveTscFile(dir.filePath(QString::fromLatin1(name)), data, &error))
        return true;
    std::fprintf(stderr, "fuzz_make_tsc_corpus: %s\n", qPrintable(error));
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_make_tsc_corpus <corpus dir>\n");
        return 1;
    }
    QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath(QStringLiteral("fuzz_tsc")) || !dir.cd(QStringLiteral("fuzz_tsc")))
        return 1;
    const bool ok = write(dir, "defaults-no-zones", defaults()) && write(dir, "two-zones", twoZones())
        && write(dir, "full-lists", fullLists()) && write(dir, "line-end-bytes", lineEndBytes())
        && write(dir, "zero-coefficient-40-zones", zeroCoefficientLongSchedule());
    return ok ? 0 : 1;
}
