// libFuzzer target: the *.tsc reader over arbitrary file bytes, and what a
// load does with what it yields: SetHolidayBlock, SetTransferBlock and the
// zone-entry decoding. The meter's holiday and transfer replies are fed the
// zone entries' bytes as well.
//
// Input: the file's bytes.
//
// Checks beyond "no crash, no sanitizer finding":
// - a file the reader accepts is written back byte for byte by the writer;
//   a refused one comes with the "damaged" message;
// - the blocks of an accepted file are taken whole, never give more than 16
//   rows, and encoding the rows and taking them in again changes nothing;
// - every zone entry either decodes, and encodes back to its own bytes with
//   bits 3 and 7 of byte 0 cleared, or is counted as skipped.

#include "schedule/holidays.h"
#include "schedule/schedulefile.h"
#include "schedule/transfers.h"
#include "schedule/zoneentry.h"

#include <QByteArray>
#include <cstdio>
#include <cstdlib>

namespace {

void fail(const char *what)
{
    std::fprintf(stderr, "fuzz_tsc: %s\n", what);
    std::abort();
}

void checkHolidays(const QByteArray &block)
{
    schedule::HolidayList list;
    if (!list.SetHolidayBlock(block))
        fail("a 32-byte holiday block was refused");
    if (list.size() > schedule::HolidayList::kMaxRows)
        fail("more than 16 holidays");
    schedule::HolidayList again;
    again.SetHolidayBlock(list.GetHolidayBlock());
    if (again.rows() != list.rows())
        fail("holidays changed through their own block");
}

void checkTransfers(const QByteArray &block)
{
    schedule::TransferList list;
    if (!list.SetTransferBlock(block))
        fail("a 64-byte transfer block was refused");
    if (list.size() > schedule::TransferList::kMaxRows)
        fail("more than 16 transfers");
    schedule::TransferList again;
    again.SetTransferBlock(list.GetTransferBlock());
    if (again.rows() != list.rows())
        fail("transfers changed through their own block");
}

void checkZones(const QList<QByteArray> &entries)
{
    const schedule::DecodedZones decoded = schedule::decodeZoneEntries(entries);
    if (decoded.zones.size() + decoded.skipped != entries.size())
        fail("zone entries lost without being counted");
    for (const QByteArray &entry : entries) {
        const std::optional<schedule::ZoneRecord> zone = schedule::ZoneEntry::decode(entry);
        if (!zone)
            continue;
        QByteArray expected = entry;
        expected[0] = char(quint8(entry[0]) & 0x77);
        if (schedule::ZoneEntry::encode(*zone) != expected)
            fail("a zone entry does not encode back to its bytes");
    }
}

// Each entry as the payload of a holiday and a transfer reply, its first
// byte as the length: the lists stay within 16 rows.
void checkReplies(const QList<QByteArray> &entries)
{
    schedule::HolidayList holidays;
    schedule::TransferList transfers;
    for (const QByteArray &entry : entries) {
        holidays.takeReply(quint8(entry[0]), QByteArrayView(entry).sliced(1));
        transfers.takeReply(quint8(entry[0]), QByteArrayView(entry).sliced(1));
    }
    if (holidays.size() > schedule::HolidayList::kMaxRows || transfers.size() > schedule::TransferList::kMaxRows)
        fail("a reply grew a list beyond 16 rows");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray file(reinterpret_cast<const char *>(data), qsizetype(size));
    QString error;
    const std::optional<schedule::ScheduleFileData> read = schedule::parseTsc(file, &error);
    if (!read) {
        if (!error.startsWith(QStringLiteral("Файл тарифного расписания поврежден: ")))
            fail("a refused file without the damaged-file message");
        return 0;
    }
    if (schedule::tscBytes(*read) != file)
        fail("the writer does not give back the file that was read");
    checkHolidays(read->holidayBlock);
    checkTransfers(read->transferBlock);
    checkZones(read->zoneEntries);
    checkReplies(read->zoneEntries);
    return 0;
}
