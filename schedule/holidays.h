#pragma once
// The holiday list of the schedule: up to 16 dates (month and day, valid
// every year) that the meter treats as days of type "ПР". The list is the
// data; the page shows its rows and enables "Добавить" exactly while
// canAdd() holds, asking again after every call that changes the list.
//
// HolidayBlock, 32 bytes: slot i (0..15) is [day BCD][month BCD] at 2i;
// rows fill the slots from slot 0, the rest are 00 (day 00 = empty slot).

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

namespace schedule {

struct Holiday
{
    int month = 1; // 1..12
    int day = 1;   // 1..31
    bool operator==(const Holiday &) const = default;
};

// "январь" … "декабрь": the items of ComboM, month m at index m - 1.
QStringList holidayMonthNames();
// The name of month 1..12; empty for any other number.
QString holidayMonthName(int month);

class HolidayList
{
public:
    static constexpr int kMaxRows = 16;
    static constexpr int kBlockSize = 32;

    const QList<Holiday> &rows() const { return m_rows; }
    qsizetype size() const { return m_rows.size(); }
    bool canAdd() const { return m_rows.size() < kMaxRows; }

    // The operator adds a holiday ("Добавить"): it goes before the first row
    // of a later month or of the same month with a day >= its own, so the
    // rows stay ordered and a repeated date lands before the existing one.
    // Returns the new row's index; -1 when the list is full or the date is
    // not month 1..12, day 1..31 (nothing changes then).
    int insert(int month, int day);
    // Deletes the listed rows (indices outside the list are ignored).
    void removeRows(const QList<int> &rows);
    void clear() { m_rows.clear(); }
    // "Праздники по умолчанию": the 12 default dates replace the list.
    void setDefaults();

    QByteArray GetHolidayBlock() const;
    // Exactly 32 bytes replace the list, slot by slot in slot order; a slot
    // whose day is not BCD 01..31 or month not BCD 01..12 is skipped. Any
    // other length changes nothing and returns false.
    bool SetHolidayBlock(QByteArrayView block);

    // Reply to 26 (read holiday i) during a schedule read; `length` is the
    // frame's L, `payload` the bytes after it: slot, day BCD, month BCD.
    // L = 5 with a month 01..12 and a day 01..31 appends a row, unless the
    // list is full. Returns true when a row was added.
    bool takeReply(quint8 length, QByteArrayView payload);

private:
    bool append(const Holiday &h);

    QList<Holiday> m_rows;
};

} // namespace schedule
