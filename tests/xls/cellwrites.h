#pragma once
// Arbitrary bytes read as a sequence of cell writes, for the fuzz target and
// the pseudo-random tables of tst_workbook: positions around and beyond the
// sheet's edges, texts of any length and any UTF-16 code units (lone
// surrogates included), numbers of any bit pattern (NaN and infinities
// included), texts repeated from earlier writes.
//
// Each write: kind byte k, row (u16), column (u8), then by k & 3:
//   0 text: length (u8, or u16 when k & 0x80), code units (u16) until the
//     input ends, repeated to the length;
//   1 number: eight bytes, the IEEE double's bits;
//   2 number: a signed u16 divided by 2^(next byte & 15);
//   3 text: an earlier text again, chosen by the next byte.
// Row = u16 + ((k >> 2) & 3) - 1 (-1 .. 65537), column = u8 + ((k >> 4) & 3) - 1
// (-1 .. 257). Missing bytes read as zero.

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <variant>

namespace xlstest {

struct CellWrite
{
    int row;
    int column;
    std::variant<QString, double> value;
};

// wellFormed: lone surrogates become U+FFFD (for readers that reject them).
QList<CellWrite> cellWritesFromBytes(const QByteArray &bytes, bool wellFormed = false);

// Whether the writer must accept the write: inside the sheet, a text of at
// most 32767 characters, a finite number.
bool acceptable(const CellWrite &w);

} // namespace xlstest
