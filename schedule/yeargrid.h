#pragma once
// StringGrid1: the year grid of the schedule editor, 13 columns (day types'
// labels, then "ЯНВ".."ДЕК") by 9 rows (month labels, then "ПН".."ПР"),
// drawn entirely here from what the model says about each day cell.
//
// The mouse: a press over a body cell remembers it (and, for the left
// button, Shift and Ctrl); a release over a body cell applies the selection
// rule to the remembered cell with the remembered keys. A release over a
// header does nothing, and the right button acts like the left one with the
// keys of the last left press.

#include "schedule/daycells.h"

#include <QWidget>

namespace schedule {

class ScheduleModel;

// PanelYearCanResize: columns of W div 13 and rows of H div 9, the
// remainders going to column 0 and row 0.
struct GridGeometry
{
    int colWidth = 0;
    int rowHeight = 0;
    int col0Width = 0;
    int row0Height = 0;

    static GridGeometry forSize(QSize size);
    // Column and row under a point, rounding towards zero; -1 when the grid
    // has no room at all.
    int columnAt(int x) const;
    int rowAt(int y) const;
    QRect cellRect(int column, int row) const;
};

// "ЯНВ".."ДЕК" over columns 1..12 and "ПН".."ПР" beside rows 1..8.
QString monthLabel(int month);
QString dayTypeLabel(int dayType);

class YearGrid : public QWidget
{
    Q_OBJECT
public:
    explicit YearGrid(ScheduleModel &model, QWidget *parent = nullptr);

    const GridGeometry &geometryOfCells() const { return m_geometry; }
    // Recomputes the cell sizes from the widget's size (also run by the
    // window when it becomes active).
    void PanelYearCanResize();

    DayCell pressCell() const { return m_pressCell; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void StringGrid1DrawCell(QPainter &painter, int column, int row) const;
    void drawHeader(QPainter &painter, const QRect &rect, int column, int row) const;
    void drawBody(QPainter &painter, const QRect &rect, DayCell cell) const;
    bool bodyCellAt(QPoint point, DayCell *cell) const;

    ScheduleModel &m_model;
    GridGeometry m_geometry;
    DayCell m_pressCell;
    bool m_shiftHeld = false;
    bool m_ctrlHeld = false;
};

} // namespace schedule
