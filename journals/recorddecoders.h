#pragma once
// Record payloads of the six journals (the bytes after the record index of a
// 0x5D record reply) as list rows. A field is shown only when all its bytes
// are there; otherwise its cell is empty.

#include "journals/journal.h"
#include "journals/journalrow.h"

#include <QByteArrayView>
#include <QLocale>
#include <optional>

namespace journals {

// The row of a record with a payload (never empty: an empty slot has no row).
JournalRow decodeRecord(Journal j, QByteArrayView payload, const QLocale &locale);

// A load-profile record as a chart point; nothing when the payload is
// shorter than the time stamp and three values (a zero would be a wrong
// bar). The reader counts a record under 4 bytes as an empty slot.
std::optional<ProfilePoint> decodeProfilePoint(QByteArrayView payload);

} // namespace journals
