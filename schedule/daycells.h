#pragma once
// The day cells of the year grid: (month 1..12, day type 1..8), and a
// boolean flag per cell. Out-of-range cells read as false and ignore writes,
// so a bad index from a caller never touches memory outside the grid.

#include "schedule/zonerecord.h"

#include <array>

namespace schedule {

struct DayCell
{
    int month = 1;
    int dayType = 1;

    bool isValid() const { return month >= 1 && month <= kMonths && dayType >= 1 && dayType <= kDayTypes; }
    quint16 monthBit() const { return GetMaska(month); }
    quint8 dayBit() const { return static_cast<quint8>(GetMaska(dayType)); }
    bool operator==(const DayCell &) const = default;
};

class CellMatrix
{
public:
    explicit CellMatrix(bool value = false) { fill(value); }

    bool at(int month, int dayType) const { return inRange(month, dayType) && m_cells[index(month, dayType)]; }
    bool at(DayCell c) const { return at(c.month, c.dayType); }
    void set(int month, int dayType, bool value)
    {
        if (inRange(month, dayType))
            m_cells[index(month, dayType)] = value;
    }
    void set(DayCell c, bool value) { set(c.month, c.dayType, value); }
    void fill(bool value) { m_cells.fill(value); }
    bool any() const
    {
        for (bool b : m_cells)
            if (b)
                return true;
        return false;
    }
    bool operator==(const CellMatrix &) const = default;

private:
    static bool inRange(int month, int dayType) { return DayCell{month, dayType}.isValid(); }
    static int index(int month, int dayType) { return (month - 1) * kDayTypes + (dayType - 1); }
    std::array<bool, kMonths * kDayTypes> m_cells{};
};

// Every cell, months outer and day types inner: the order the edits walk in.
template<typename F>
void forEachCell(F &&f)
{
    for (int m = 1; m <= kMonths; ++m)
        for (int d = 1; d <= kDayTypes; ++d)
            f(DayCell{m, d});
}

inline bool appliesTo(const ZoneRecord &r, DayCell c) { return r.appliesTo(c.month, c.dayType); }

} // namespace schedule
