// libFuzzer target: the journal record decoders over every journal number
// and every payload length.
//
// Input: one byte selecting the journal (low three bits: 0..5 the six
// journals, 6 and 7 numbers no journal has) and the locale (bit 7: Russian,
// else C), then the record payload.
//
// Checks beyond "no crash, no sanitizer finding":
// - a row has one cell per column of its journal; a number no journal has
//   gives a row without cells;
// - a field shown from a cut-off payload reads exactly as from the whole
//   payload (fewer bytes empty a cell, never change it);
// - "Активная" is shown exactly when all eight tariffs are there;
// - a month or day row's moment is midnight of the date its caption shows;
// - a profile point exists exactly when the time stamp and three values are
//   there, at the moment of the profile row.

#include "journals/journal.h"
#include "journals/recorddecoders.h"

#include <QByteArray>
#include <cstdio>
#include <cstdlib>

namespace {

void fail(const char *what)
{
    std::fprintf(stderr, "fuzz_journal: %s\n", what);
    std::abort();
}

bool known(int j)
{
    return j >= 0 && j < journals::kJournalCount;
}

void checkShape(int j, const journals::JournalRow &row)
{
    const qsizetype columns = known(j) ? journals::journalColumns(journals::Journal(j)).size() : 0;
    if (row.cells.size() != columns)
        fail("a row without one cell per column");
}

void checkPrefix(int j, QByteArrayView payload, qsizetype length, const journals::JournalRow &whole,
                 const QLocale &locale)
{
    const journals::JournalRow cut = journals::decodeRecord(journals::Journal(j), payload.first(length), locale);
    checkShape(j, cut);
    for (qsizetype c = 0; c < cut.cells.size(); ++c)
        if (!cut.cells[c].isEmpty() && cut.cells[c] != whole.cells[c])
            fail("a cut-off payload changed a cell instead of leaving it empty");
    if (cut.when.isValid() && cut.when != whole.when)
        fail("a cut-off payload changed the row's moment");
}

void checkEnergyRow(QByteArrayView payload, const journals::JournalRow &row)
{
    if (row.cells[1].isEmpty() != (payload.size() < 36))
        fail("\"Активная\" shown with a tariff missing, or missing with all tariffs there");
    if (row.when.isValid()
        && (row.when.time() != QTime(0, 0) || row.when.date().toString(QStringLiteral("dd.MM.yyyy")) != row.cells[0]))
        fail("a row's moment is not midnight of its caption's date");
}

void checkProfile(QByteArrayView payload, const journals::JournalRow &row)
{
    const std::optional<journals::ProfilePoint> point = journals::decodeProfilePoint(payload);
    if (point.has_value() != (payload.size() >= 16))
        fail("a profile point without its 16 bytes, or none with them");
    if (point && point->when != row.when)
        fail("the profile point and row disagree on the time");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const int j = data[0] & 0x07;
    const QLocale locale = (data[0] & 0x80) ? QLocale(QLocale::Russian) : QLocale::c();
    const QByteArrayView payload(reinterpret_cast<const char *>(data) + 1, qsizetype(size) - 1);

    const journals::JournalRow row = journals::decodeRecord(journals::Journal(j), payload, locale);
    checkShape(j, row);
    if (!known(j))
        return 0;
    for (qsizetype length : {qsizetype(0), payload.size() / 2, payload.size() - 1})
        if (length >= 0 && length < payload.size())
            checkPrefix(j, payload, length, row, locale);
    if (j == int(journals::Journal::Month) || j == int(journals::Journal::Day))
        checkEnergyRow(payload, row);
    if (j == int(journals::Journal::Profile))
        checkProfile(payload, row);
    return 0;
}
