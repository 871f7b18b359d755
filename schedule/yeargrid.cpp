#include "yeargrid.h"

#include "schedule/schedulemodel.h"

#include <QMouseEvent>
#include <QPainter>

namespace schedule {

namespace {

constexpr int kColumns = 13;
constexpr int kRows = 9;

const QColor kHeaderFill(230, 230, 230);
const QColor kHolidayRed(255, 0, 0);
const QColor kCurrentMarked(255, 255, 0);
const QColor kMarked(166, 202, 240);
const QColor kEmpty(160, 160, 164);
const QColor kFilled(255, 255, 230);

} // namespace

QString monthLabel(int month)
{
    static const char *const labels[] = {"ЯНВ", "ФЕВ", "МАР", "АПР", "МАЙ", "ИЮН",
                                         "ИЮЛ", "АВГ", "СЕН", "ОКТ", "НОЯ", "ДЕК"};
    return month >= 1 && month <= kMonths ? QString::fromUtf8(labels[month - 1]) : QString();
}

QString dayTypeLabel(int dayType)
{
    static const char *const labels[] = {"ПН", "ВТ", "СР", "ЧТ", "ПТ", "СБ", "ВС", "ПР"};
    return dayType >= 1 && dayType <= kDayTypes ? QString::fromUtf8(labels[dayType - 1]) : QString();
}

GridGeometry GridGeometry::forSize(QSize size)
{
    const int w = qMax(size.width(), 0), h = qMax(size.height(), 0);
    GridGeometry g;
    g.colWidth = w / kColumns;
    g.rowHeight = h / kRows;
    g.col0Width = g.colWidth + w % kColumns;
    g.row0Height = g.rowHeight + h % kRows;
    return g;
}

int GridGeometry::columnAt(int x) const
{
    // Column 0 is colWidth + remainder wide: subtract the remainder first.
    return colWidth > 0 ? (x - (col0Width - colWidth)) / colWidth : -1;
}

int GridGeometry::rowAt(int y) const
{
    return rowHeight > 0 ? (y - (row0Height - rowHeight)) / rowHeight : -1;
}

QRect GridGeometry::cellRect(int column, int row) const
{
    const int x = column == 0 ? 0 : col0Width + (column - 1) * colWidth;
    const int y = row == 0 ? 0 : row0Height + (row - 1) * rowHeight;
    return QRect(x, y, column == 0 ? col0Width : colWidth, row == 0 ? row0Height : rowHeight);
}

YearGrid::YearGrid(ScheduleModel &model, QWidget *parent) : QWidget(parent), m_model(model)
{
    setObjectName(QStringLiteral("StringGrid1"));
    QFont bold = font();
    bold.setBold(true);
    bold.setPixelSize(18);
    setFont(bold);
    setMinimumSize(kColumns * 20, 198);
    connect(&m_model, &ScheduleModel::gridChanged, this, qOverload<>(&QWidget::update));
}

void YearGrid::PanelYearCanResize()
{
    m_geometry = GridGeometry::forSize(size());
    update();
}

void YearGrid::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    PanelYearCanResize();
}

bool YearGrid::bodyCellAt(QPoint point, DayCell *cell) const
{
    const int column = m_geometry.columnAt(point.x());
    const int row = m_geometry.rowAt(point.y());
    // x below the first body column gives 0 or a negative column: a header.
    if (point.x() < m_geometry.col0Width || point.y() < m_geometry.row0Height || column < 1 || row < 1
        || column >= kColumns || row >= kRows)
        return false;
    *cell = DayCell{column, row};
    return true;
}

void YearGrid::mousePressEvent(QMouseEvent *event)
{
    DayCell cell;
    if (bodyCellAt(event->position().toPoint(), &cell))
        m_pressCell = cell;
    if (event->button() == Qt::LeftButton) {
        m_shiftHeld = event->modifiers().testFlag(Qt::ShiftModifier);
        m_ctrlHeld = event->modifiers().testFlag(Qt::ControlModifier);
    }
}

void YearGrid::mouseReleaseEvent(QMouseEvent *event)
{
    DayCell cell;
    if (!bodyCellAt(event->position().toPoint(), &cell))
        return;
    Qt::KeyboardModifiers keys;
    keys.setFlag(Qt::ShiftModifier, m_shiftHeld);
    keys.setFlag(Qt::ControlModifier, m_ctrlHeld);
    m_model.selectCell(m_pressCell.month, m_pressCell.dayType, keys);
}

void YearGrid::paintEvent(QPaintEvent *)
{
    if (m_geometry.colWidth <= 0 || m_geometry.rowHeight <= 0)
        return; // minimised or squeezed: nothing to draw
    QPainter painter(this);
    for (int row = 0; row < kRows; ++row)
        for (int column = 0; column < kColumns; ++column)
            StringGrid1DrawCell(painter, column, row);
}

void YearGrid::StringGrid1DrawCell(QPainter &painter, int column, int row) const
{
    const QRect rect = m_geometry.cellRect(column, row);
    if (column == 0 || row == 0)
        drawHeader(painter, rect, column, row);
    else
        drawBody(painter, rect, DayCell{column, row});
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
}

void YearGrid::drawHeader(QPainter &painter, const QRect &rect, int column, int row) const
{
    painter.fillRect(rect, kHeaderFill);
    if (column == 0 && row == 0)
        return; // the corner stays empty
    const QString text = row == 0 ? monthLabel(column) : dayTypeLabel(row);
    QFont f = font();
    f.setBold(row == 0 || font().bold());
    painter.setFont(f);
    painter.setPen(row > 0 && row >= 6 ? kHolidayRed : QColor(Qt::black));
    painter.drawText(rect, Qt::AlignCenter, text);
}

void YearGrid::drawBody(QPainter &painter, const QRect &rect, DayCell cell) const
{
    const bool marked = m_model.selectedCells().at(cell);
    const bool empty = m_model.emptyCells().at(cell);
    QColor fill = kFilled;
    if (marked)
        fill = cell == m_model.currentCell() ? kCurrentMarked : kMarked;
    else if (empty)
        fill = kEmpty;
    painter.fillRect(rect, fill);
    if (!empty && m_model.noMidnightCells().at(cell)) {
        // No zone from 00:00: the upper-left triangle stays grey.
        const QPolygon upperLeft({rect.bottomLeft() + QPoint(0, 1), rect.topLeft(), rect.topRight() + QPoint(1, 0)});
        painter.setPen(Qt::NoPen);
        painter.setBrush(kEmpty);
        painter.drawPolygon(upperLeft);
    }
    QColor marker;
    if (m_model.pendingCells().at(cell))
        marker = Qt::red;
    else if (m_model.equivalentCells().at(cell))
        marker = Qt::black;
    const int diameter = qMin(rect.width(), rect.height()) - 16;
    if (marker.isValid() && diameter > 0) {
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setPen(Qt::NoPen);
        painter.setBrush(marker);
        painter.drawEllipse(QRectF(rect).center(), diameter / 2.0, diameter / 2.0);
        painter.setRenderHint(QPainter::Antialiasing, false);
    }
}

} // namespace schedule
