#include "gridprinter.h"

#include <QFont>
#include <QFontMetrics>
#include <QLocale>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>

#include <algorithm>

namespace app {

namespace {

constexpr int kCellPadding = 16; // a column is its widest text plus this
constexpr int kTextInset = 8;    // texts end this far left of their column's right edge

QFont printFont(int pointSize, bool bold, bool underline = false)
{
    QFont font;
    font.setPointSize(pointSize);
    font.setBold(bold);
    font.setUnderline(underline);
    return font;
}

QFont tableFont(bool bold)
{
    return printFont(10, bold);
}

// 1.5 × a text height, as the heading lines advance.
int lineAdvance(const QFontMetrics &metrics)
{
    return metrics.height() * 3 / 2;
}

// "The page" is the printable area in device pixels (what
// QPrinter::pageRect(QPrinter::DevicePixel) gives), taken from a page layout
// so the turned page can be measured before the printer is turned. With
// fullPage off (the default) the painter's origin is this area's top left.
QRect printableRect(const QPageLayout &layout, int resolution)
{
    return layout.paintRectPixels(resolution);
}

QString cellText(const QStringList &row, int column)
{
    return column < row.size() ? row.at(column) : QString();
}

QList<int> widestTexts(const journals::TextGrid &grid, int columns, const QFontMetrics &metrics)
{
    QList<int> widest(columns, 0);
    for (const QStringList &row : grid)
        for (int c = 0; c < columns; ++c)
            widest[c] = std::max(widest[c], metrics.horizontalAdvance(cellText(row, c)));
    return widest;
}

int tableWidth(const QList<int> &widths)
{
    int total = 1;
    for (int w : widths)
        total += w + 1;
    return total;
}

// Draws the pages of one table, all in the printer's one document. m_top is
// where the next thing on the page begins.
class GridPages
{
public:
    GridPages(QPrinter &printer, QPainter &painter, const GridLayout &layout, QSize page, const QString &title)
        : m_printer(printer), m_painter(painter), m_layout(layout), m_page(page), m_title(title),
          m_left((page.width() - layout.tableWidth) / 2), m_right((page.width() + layout.tableWidth) / 2)
    {
    }

    void firstPageTop(const QString &heading)
    {
        m_painter.setFont(printFont(8, false, true));
        m_painter.drawText(QPoint(10, m_painter.fontMetrics().ascent()), heading);
        m_top = lineAdvance(m_painter.fontMetrics());
        titleLine();
    }

    void headerRow(const QStringList &captions)
    {
        const int h = rowHeight();
        verticalsAndTexts(captions, h, true);
        m_painter.drawLine(m_left, m_top, m_right, m_top);
        m_top += h;
    }

    // A row that would pass the page's foot goes to the top of a new page,
    // under the title and the header row again. Each row breaks at most once,
    // so even a row taller than a page ends the loop.
    void dataRow(const QStringList &cells, const QStringList &captions)
    {
        if (m_top + rowHeight() > m_page.height()) {
            m_painter.drawLine(m_left, m_top, m_right, m_top);
            nextPage();
            headerRow(captions);
        }
        const int h = rowHeight();
        m_painter.drawLine(m_left, m_top, m_right, m_top);
        verticalsAndTexts(cells, h, false);
        m_top += h;
    }

    void close() { m_painter.drawLine(m_left, m_top, m_right, m_top); }

private:
    // A new page of the same document. Its top margin leaves room for a
    // page number "- N -" (a twentieth of the page width plus 1.5 lines of
    // it); the number is not printed, and its line height is the font's,
    // whatever N is.
    void nextPage()
    {
        m_printer.newPage();
        m_painter.setFont(tableFont(false));
        m_top = m_page.width() / 20 + lineAdvance(m_painter.fontMetrics());
        titleLine();
    }

    void titleLine()
    {
        if (!m_title.isEmpty()) {
            m_painter.setFont(printFont(11, true));
            const QFontMetrics metrics = m_painter.fontMetrics();
            const int x = (m_page.width() - metrics.horizontalAdvance(m_title)) / 2;
            m_painter.drawText(QPoint(x, m_top + metrics.ascent()), m_title);
            m_top += lineAdvance(metrics);
        }
        m_painter.setFont(tableFont(false));
    }

    // Text height of "W" × 6 / 5 in the table's size 10.
    int rowHeight() const { return QFontMetrics(tableFont(false), m_painter.device()).height() * 6 / 5; }

    // The left edge of every column, each text right-aligned inside its
    // column and centred in the row's height, then the right border.
    void verticalsAndTexts(const QStringList &texts, int h, bool bold)
    {
        m_painter.setFont(tableFont(bold));
        const QFontMetrics metrics = m_painter.fontMetrics();
        const int bottom = m_top + h;
        const int textTop = m_top + (h - metrics.height()) / 2;
        const int columns = int(m_layout.columnWidths.size());
        int x = m_left;
        for (int c = 0; c < columns; ++c) {
            const int w = m_layout.columnWidths.at(c);
            m_painter.drawLine(x, m_top, x, bottom);
            const QString text = cellText(texts, c);
            const int right = c + 1 < columns ? x + w : m_right;
            m_painter.drawText(QPoint(right - kTextInset - metrics.horizontalAdvance(text), textTop + metrics.ascent()),
                               text);
            x += w + 1;
        }
        m_painter.drawLine(m_right, m_top, m_right, bottom);
        m_painter.setFont(tableFont(false));
    }

    QPrinter &m_printer;
    QPainter &m_painter;
    const GridLayout m_layout;
    const QSize m_page;
    const QString m_title;
    const int m_left;
    const int m_right;
    int m_top = 0;
};

} // namespace

GridLayout gridLayout(const QList<int> &widest, int pageWidth, int landscapeWidth)
{
    GridLayout layout;
    for (int text : widest)
        layout.columnWidths << text + kCellPadding;
    layout.tableWidth = tableWidth(layout.columnWidths);
    if (widest.isEmpty())
        return layout; // nothing to widen: the loop below would never end
    layout.landscape = pageWidth < layout.tableWidth;
    const int printedWidth = layout.landscape ? landscapeWidth : pageWidth;
    while (layout.tableWidth < printedWidth * 4 / 5) {
        for (int &w : layout.columnWidths)
            w = w * 6 / 5; // w >= 16, so every step grows it
        layout.tableWidth = tableWidth(layout.columnWidths);
    }
    return layout;
}

// The date line carries the Russian "г.", so the month is the Russian
// genitive ("декабря") whatever the system's locale; a foreign month name
// before "г." would read wrong. Qt's long month name is the genitive form,
// the standalone one the nominative.
QString printHeading(const QDateTime &now)
{
    const QLocale russian(QLocale::Russian, QLocale::Russia);
    const QDate date = now.date();
    return QStringLiteral("%1 %2 %3 г. %4")
        .arg(date.day())
        .arg(russian.monthName(date.month(), QLocale::LongFormat))
        .arg(date.year())
        .arg(now.time().toString(QStringLiteral("hh:mm:ss")));
}

void printGrid(QPrinter &printer, const journals::TextGrid &grid, const QString &title, const QDateTime &now)
{
    const int columns = grid.isEmpty() ? 0 : int(grid.first().size());
    if (columns == 0)
        return;

    // Measured on the printer's canvas before the document begins, since
    // the orientation can only change before then.
    const QFontMetrics bold(tableFont(true), &printer);
    const int resolution = printer.resolution();
    QPageLayout turned = printer.pageLayout();
    turned.setOrientation(QPageLayout::Landscape);
    const GridLayout layout = gridLayout(widestTexts(grid, columns, bold),
                                         printableRect(printer.pageLayout(), resolution).width(),
                                         printableRect(turned, resolution).width());
    if (layout.landscape)
        printer.setPageOrientation(QPageLayout::Landscape);

    QPainter painter;
    if (!painter.begin(&printer))
        return; // the printer refused the job; printing reports nothing of its own
    painter.setPen(QPen(Qt::black, 1));
    GridPages pages(printer, painter, layout, printableRect(printer.pageLayout(), resolution).size(), title);
    pages.firstPageTop(printHeading(now));
    const QStringList &captions = grid.first();
    pages.headerRow(captions);
    for (qsizetype r = 1; r < grid.size(); ++r)
        pages.dataRow(grid.at(r), captions);
    pages.close();
    painter.end();
}

} // namespace app
