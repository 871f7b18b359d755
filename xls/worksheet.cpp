// Worksheet records: page setup, dimensions, cells, window.
#include "xls/worksheet.h"

#include "xls/biffrecords.h"
#include "xls/globals.h"

#include <QString>
#include <algorithm>

namespace xls {

namespace {

// Font codes before the text: name and style, then the size in points.
const QString kFontCodes = QStringLiteral("&\"Times New Roman,Обычный\"&12");

void putWord(QByteArray &out, quint16 type, quint16 value)
{
    QByteArray d;
    put16(d, value);
    putRecord(out, type, d);
}

void putDoubleRecord(QByteArray &out, quint16 type, double value)
{
    QByteArray d;
    putDouble(d, value);
    putRecord(out, type, d);
}

void putText(QByteArray &out, quint16 type, const QString &text)
{
    QByteArray d;
    putString16(d, text);
    putRecord(out, type, d);
}

void putSetup(QByteArray &out)
{
    QByteArray d;
    put16(d, 9);   // A4
    put16(d, 100); // scale in per cent
    put16(d, 1);   // first page number
    put16(d, 1);   // fit to 1 page wide ...
    put16(d, 1);   // ... and 1 high, unused: fitting is off (WSBOOL)
    put16(d, 0x0002); // portrait; paper, scale and orientation are valid
    put16(d, 600);    // resolution, dpi
    put16(d, 600);
    putDouble(d, 0.5); // header and footer distance from the edge, inches
    putDouble(d, 0.5);
    put16(d, 1); // copies
    putRecord(out, rec::Setup, d);
}

void putPageSettings(QByteArray &out)
{
    putText(out, rec::Header, pageHeader());
    putText(out, rec::Footer, pageFooter());
    putWord(out, rec::HCenter, 0);
    putWord(out, rec::VCenter, 0);
    putDoubleRecord(out, rec::LeftMargin, 0.7875);
    putDoubleRecord(out, rec::RightMargin, 0.7875);
    putDoubleRecord(out, rec::TopMargin, 1.0528);
    putDoubleRecord(out, rec::BottomMargin, 1.0528);
    putSetup(out);
}

void putDimensions(QByteArray &out, const QList<SheetCell> &cells)
{
    quint32 firstRow = 0, lastRow = 0; // last: one past the used range
    quint16 firstColumn = 0, lastColumn = 0;
    if (!cells.isEmpty()) {
        firstRow = cells.first().row;
        lastRow = cells.last().row + 1u;
        firstColumn = 0xFFFF;
        for (const SheetCell &c : cells) {
            firstColumn = std::min(firstColumn, c.column);
            lastColumn = std::max<quint16>(lastColumn, c.column + 1);
        }
    }
    QByteArray d;
    put32(d, firstRow);
    put32(d, lastRow);
    put16(d, firstColumn);
    put16(d, lastColumn);
    put16(d, 0);
    putRecord(out, rec::Dimensions, d);
}

void putCell(QByteArray &out, const SheetCell &c)
{
    put16(out, c.isText ? rec::LabelSst : rec::Number);
    put16(out, c.isText ? 10 : 14);
    put16(out, c.row);
    put16(out, c.column);
    put16(out, kCellXf);
    if (c.isText)
        put32(out, c.stringIndex);
    else
        putDouble(out, c.number);
}

void putWindow2(QByteArray &out, bool selected)
{
    QByteArray d;
    // Grid lines, headings, zeros, automatic grid colour, outline symbols;
    // the active sheet is selected and shown.
    put16(d, selected ? 0x06B6 : 0x00B6);
    put16(d, 0); // top row shown
    put16(d, 0); // left column shown
    put16(d, 0x40); // grid colour: automatic
    put16(d, 0);
    put16(d, 0); // zoom in page-break preview: default
    put16(d, 0); // zoom in normal view: default
    put32(d, 0);
    putRecord(out, rec::Window2, d);
}

} // namespace

QString pageHeader()
{
    return QStringLiteral("&C") + kFontCodes + QStringLiteral("&A");
}

QString pageFooter()
{
    return QStringLiteral("&C") + kFontCodes + QStringLiteral("Страница &P");
}

void putWorksheet(QByteArray &stream, const QList<SheetCell> &cells, bool selected)
{
    putBof(stream, 0x0010);
    putWord(stream, rec::CalcMode, 1); // automatic
    putWord(stream, rec::CalcCount, 100);
    putWord(stream, rec::RefMode, 1); // A1
    putWord(stream, rec::PrintHeaders, 0);
    putWord(stream, rec::PrintGridlines, 0);
    putWord(stream, rec::GridSet, 1);
    QByteArray rowHeight;
    put16(rowHeight, 0);
    put16(rowHeight, 255); // 12.75 pt
    putRecord(stream, rec::DefaultRowHeight, rowHeight);
    putWord(stream, rec::WsBool, 0x04C1); // summary rows below, columns right; no fit to page
    putPageSettings(stream);
    putWord(stream, rec::DefColWidth, 11);
    putDimensions(stream, cells);
    stream.reserve(stream.size() + cells.size() * 18 + 64);
    for (const SheetCell &c : cells)
        putCell(stream, c);
    putWindow2(stream, selected);
    putRecord(stream, rec::Eof, {});
}

} // namespace xls
