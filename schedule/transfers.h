#pragma once
// The day-transfer list ("Переносы"): up to 16 calendar dates, each with the
// day type 1..8 whose schedule the meter follows on that date. The date is
// kept as a value; the page shows it in the display locale's short date
// format and never reads it back from the text.
//
// TransferBlock, 64 bytes: slot i (0..15) is [day BCD][month BCD]
// [year - 2000 BCD][day type, plain number] at 4i; rows fill the slots from
// slot 0, the rest are 00 (day 00 = empty slot).

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

namespace schedule {

struct Transfer
{
    QDate date;      // 2000-01-01 .. 2099-12-31
    int dayType = 1; // 1..8: "понедельник" … "воскресенье", "праздник"
    bool operator==(const Transfer &) const = default;
};

// "понедельник" … "праздник": the items of ComboTrans, day type t at t - 1.
QStringList transferDayTypeNames();
// The name of day type 1..8; empty for any other number.
QString transferDayTypeName(int dayType);

// A picked date earlier than today becomes today (DTPTransChange).
QDate clampToToday(QDate picked, QDate today);

class TransferList
{
public:
    static constexpr int kMaxRows = 16;
    static constexpr int kBlockSize = 64;

    const QList<Transfer> &rows() const { return m_rows; }
    qsizetype size() const { return m_rows.size(); }
    bool canAdd() const { return m_rows.size() < kMaxRows; }

    // The operator adds a transfer ("Добавить"): it goes after every row
    // with an earlier date, so the rows stay in date order; equal dates are
    // allowed. Returns the new row's index; -1 when the list is full, the
    // date is not a valid date of 2000..2099 or the day type not 1..8.
    int insert(QDate date, int dayType);
    // Deletes the listed rows (indices outside the list are ignored).
    void removeRows(const QList<int> &rows);
    void clear() { m_rows.clear(); }

    QByteArray GetTransferBlock() const;
    // Exactly 64 bytes replace the list, slot by slot in slot order; a slot
    // that is empty, holds an impossible date (non-BCD bytes, 31 April) or
    // a day type outside 1..8 is skipped. Any other length changes nothing
    // and returns false.
    bool SetTransferBlock(QByteArrayView block);

    // Reply to 28 (read transfer i) during a schedule read; `length` is the
    // frame's L, `payload` the bytes after it: slot, day, month, year - 2000
    // (BCD), day type. L = 7 with a possible date and a day type 1..8
    // appends a row, unless the list is full. True when a row was added.
    bool takeReply(quint8 length, QByteArrayView payload);

private:
    bool append(const Transfer &t);

    QList<Transfer> m_rows;
};

} // namespace schedule
