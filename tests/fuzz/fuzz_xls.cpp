// libFuzzer target: the .xls writer over arbitrary tables of cells.
//
// Input: a sequence of cell writes, decoded by tests/xls/cellwrites.h
// (positions around and beyond the sheet's edges, texts of any length and
// any UTF-16 code units, lone surrogates included, numbers of any bit
// pattern, NaN and infinities included, texts repeated).
//
// Checks beyond "no crash, no sanitizer finding":
// - a write is accepted exactly when it is inside the sheet, its text at most
//   32767 characters and its number finite; a refusal comes with a message
//   and leaves the cell count as it was;
// - the file is a compound file that the small reader of tests/xls walks:
//   signature, a whole number of 512-byte sectors, a FAT covering every
//   sector, the Workbook stream's chain as long as its size, records of at
//   most 8224 bytes, shared strings across CONTINUE records;
// - it holds the three sheets and exactly the cells written, texts code unit
//   for code unit and numbers bit for bit, the last write to a cell winning;
// - close() brings back the template's bytes.

#include "cellwrites.h"
#include "xlsreadback.h"
#include "xls/workbook.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void fail(const char *what, const QString &detail = {})
{
    std::fprintf(stderr, "fuzz_xls: %s %s\n", what, qPrintable(detail));
    std::abort();
}

bool sameValue(const xlstest::CellValue &a, const xlstest::CellValue &b)
{
    if (a.index() != b.index())
        return false;
    if (const QString *t = std::get_if<QString>(&a))
        return *t == std::get<QString>(b);
    return std::memcmp(&std::get<double>(a), &std::get<double>(b), sizeof(double)) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QByteArray emptyTemplate = xls::Workbook::fromTemplate().toBytes();
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));

    xls::Workbook wb = xls::Workbook::fromTemplate();
    QMap<qint64, xlstest::CellValue> model;
    for (const xlstest::CellWrite &w : xlstest::cellWritesFromBytes(input)) {
        const int before = wb.cellCount();
        QString error;
        const QString *text = std::get_if<QString>(&w.value);
        const bool ok = text ? wb.setText(w.row, w.column, *text, &error)
                             : wb.setNumber(w.row, w.column, std::get<double>(w.value), &error);
        if (ok != xlstest::acceptable(w))
            fail(ok ? "a write outside the limits accepted" : "a write within the limits refused", error);
        if (!ok && (error.isEmpty() || wb.cellCount() != before))
            fail("a refusal without its message or with a changed workbook");
        if (ok)
            model.insert(qint64(w.row - 1) * 256 + (w.column - 1), w.value);
    }
    if (wb.cellCount() != model.size())
        fail("cell count differs from the cells written");

    QString why;
    const auto read = xlstest::readWorkbook(wb.toBytes(), &why);
    if (!read)
        fail("the file does not read back:", why);
    if (read->sheetNames != QStringList({QStringLiteral("Лист1"), QStringLiteral("Лист2"), QStringLiteral("Лист3")}))
        fail("sheet names");
    if (read->cellsOnOtherSheets != 0 || read->cells.size() != model.size())
        fail("cells read back differ in number");
    for (auto it = model.cbegin(); it != model.cend(); ++it)
        if (!read->cells.contains(it.key()) || !sameValue(read->cells[it.key()], it.value()))
            fail("a cell reads back different at key", QString::number(it.key()));

    wb.close();
    if (wb.cellCount() != 0 || wb.toBytes() != emptyTemplate)
        fail("close() does not bring back the template");
    return 0;
}
