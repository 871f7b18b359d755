#pragma once
// printGrid: a table of texts printed as a ruled table, all pages in one
// print document. Sizes are printer device units; texts are measured on the
// printer's canvas. Every page: the table centred, its header row on top;
// the first page begins with the date line "d MMMM yyyy г. hh:mm:ss"
// (genitive month) and the title (left out when empty), later pages with
// the title at the top margin. Columns are as wide as their widest text in
// bold + 16; a table wider than the page turns the page landscape, a narrow
// one is widened by 6/5 steps to at least four fifths of the page. A table
// without columns prints nothing.

#include "journals/textgrid.h"

#include <QDateTime>
#include <QList>
#include <QString>

class QPrinter;

namespace app {

// now: the time of the date line (the window passes the clock's time).
void printGrid(QPrinter &printer, const journals::TextGrid &grid, const QString &title, const QDateTime &now);

// "10 декабря 2026 г. 10:15:00": the date line of the first page.
QString printHeading(const QDateTime &now);

// The table's horizontal layout, worked out before the document begins.
struct GridLayout
{
    QList<int> columnWidths; // w[c]
    int tableWidth = 1;      // T = 1 + sum of (w[c] + 1)
    bool landscape = false;  // the page is to be turned before printing
};

// widest: the widest bold text of each column (captions included);
// pageWidth: the page as the printer is set now; landscapeWidth: the same
// page turned. The widening aims at the width of the page printed on.
GridLayout gridLayout(const QList<int> &widest, int pageWidth, int landscapeWidth);

} // namespace app
