#pragma once
// A small reader of .xls files for the tests and the fuzz target, written
// from the file format alone and sharing no code with the writer: it walks
// the compound file through its FAT (with DIFAT sectors), finds the
// "Workbook" stream in the directory, reads the sheet names, the shared
// strings (across CONTINUE records, compressed or not) and the cells of the
// first sheet. Anything it does not expect is reported as an error, so a
// malformed file cannot pass as an empty one.

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>
#include <variant>

namespace xlstest {

using CellValue = std::variant<QString, double>;

struct ReadBack
{
    QStringList sheetNames;
    // Key: row * 256 + column, both 0-based (the writer's cell order).
    QMap<qint64, CellValue> cells;
    int cellsOnOtherSheets = 0;
    quint32 fatSectors = 0;
    quint32 difatSectors = 0;
};

std::optional<ReadBack> readWorkbook(const QByteArray &file, QString *why);

} // namespace xlstest
