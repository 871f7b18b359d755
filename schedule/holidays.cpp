#include "schedule/listrows.h"
#include "holidays.h"

#include "bcd.h"

#include <algorithm>
#include <optional>

namespace schedule {

namespace {

bool isHolidayDate(int month, int day)
{
    return month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

// A holiday from its two BCD bytes; nullopt when either is out of range.
std::optional<Holiday> fromBytes(quint8 dayByte, quint8 monthByte)
{
    const std::optional<int> day = bcdInRange(dayByte, 1, 31);
    const std::optional<int> month = bcdInRange(monthByte, 1, 12);
    if (!day || !month)
        return std::nullopt;
    return Holiday{*month, *day};
}

} // namespace

QStringList holidayMonthNames()
{
    return {QStringLiteral("январь"), QStringLiteral("февраль"), QStringLiteral("март"),
            QStringLiteral("апрель"), QStringLiteral("май"), QStringLiteral("июнь"),
            QStringLiteral("июль"), QStringLiteral("август"), QStringLiteral("сентябрь"),
            QStringLiteral("октябрь"), QStringLiteral("ноябрь"), QStringLiteral("декабрь")};
}

QString holidayMonthName(int month)
{
    return month >= 1 && month <= 12 ? holidayMonthNames().at(month - 1) : QString();
}

int HolidayList::insert(int month, int day)
{
    if (!canAdd() || !isHolidayDate(month, day))
        return -1;
    const auto at = std::find_if(m_rows.cbegin(), m_rows.cend(), [&](const Holiday &h) {
        return h.month > month || (h.month == month && h.day >= day);
    });
    const qsizetype row = at - m_rows.cbegin();
    m_rows.insert(row, Holiday{month, day});
    return int(row);
}

void HolidayList::removeRows(const QList<int> &rows) { removeListRows(m_rows, rows); }

void HolidayList::setDefaults()
{
    m_rows = {{1, 1}, {1, 2}, {1, 3}, {1, 4}, {1, 5}, {1, 7},
              {2, 23}, {3, 8}, {5, 1}, {5, 9}, {6, 12}, {11, 4}};
}

QByteArray HolidayList::GetHolidayBlock() const
{
    QByteArray block;
    block.reserve(kBlockSize);
    for (const Holiday &h : m_rows) {
        block.append(char(toBcd8(h.day)));
        block.append(char(toBcd8(h.month)));
    }
    block.resize(kBlockSize, '\0');
    return block;
}

bool HolidayList::SetHolidayBlock(QByteArrayView block)
{
    if (block.size() != kBlockSize)
        return false;
    m_rows.clear();
    for (int i = 0; i < kMaxRows; ++i)
        if (const std::optional<Holiday> h = fromBytes(quint8(block[2 * i]), quint8(block[2 * i + 1])))
            append(*h);
    return true;
}

bool HolidayList::takeReply(quint8 length, QByteArrayView payload)
{
    if (length != 5 || payload.size() < 3)
        return false;
    const std::optional<Holiday> h = fromBytes(quint8(payload[1]), quint8(payload[2]));
    return h && append(*h);
}

bool HolidayList::append(const Holiday &h)
{
    if (!canAdd())
        return false;
    m_rows.append(h);
    return true;
}

} // namespace schedule
