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

// A load-profile record with its time stamp; nothing when the payload is
// shorter than the time stamp and three values (it counts as an empty slot).
std::optional<ProfilePoint> decodeProfilePoint(QByteArrayView payload);

} // namespace journals
