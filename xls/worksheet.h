#pragma once
// One worksheet substream: BOF, print settings of the export template
// (A4 portrait at 100 %, the margins, header "&A" and footer "Страница &P" in
// Times New Roman 12), default column width 11, the cells in row order
// (LABELSST for texts, NUMBER for numbers), WINDOW2 and EOF.

#include <QByteArray>
#include <QList>

namespace xls {

// A cell ready to write: 0-based position, a shared-string index or a number.
struct SheetCell
{
    quint16 row;
    quint16 column;
    bool isText;
    quint32 stringIndex;
    double number;
};

// Page header and footer: centred, Times New Roman 12.
QString pageHeader();
QString pageFooter();

// cells must be in row order, then column order. selected: the active sheet.
void putWorksheet(QByteArray &stream, const QList<SheetCell> &cells, bool selected);

} // namespace xls
