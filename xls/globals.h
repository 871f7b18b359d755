#pragma once
// The workbook globals substream: BOF, code page (UTF-16), window, fonts
// (Arial 10 as font 0, the default), the cell formats and styles Excel
// expects, one BOUNDSHEET per sheet, the shared string table and EOF.

#include <QByteArray>
#include <QList>
#include <QStringList>

namespace xls {

class SharedStrings;

// Appends the globals to stream and returns, per sheet, the offset of its
// BOUNDSHEET position field, to be set once the sheet's BOF offset is known.
QList<qsizetype> putGlobals(QByteArray &stream, const QStringList &sheetNames, const SharedStrings &strings);

// The cell format every cell uses (the default cell XF).
constexpr quint16 kCellXf = 15;

} // namespace xls
