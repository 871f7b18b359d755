#include "schedule/listrows.h"
#include "transfers.h"

#include "bcd.h"

#include <algorithm>
#include <optional>

namespace schedule {

namespace {

constexpr int kFirstYear = 2000;
constexpr int kLastYear = 2099; // the year travels as one BCD byte, year - 2000

bool isTransfer(QDate date, int dayType)
{
    return date.isValid() && date.year() >= kFirstYear && date.year() <= kLastYear && dayType >= 1
        && dayType <= 8;
}

// A transfer from its four slot bytes; nullopt for an impossible one.
std::optional<Transfer> fromBytes(QByteArrayView slot)
{
    const std::optional<int> day = bcdInRange(quint8(slot[0]), 1, 31);
    const std::optional<int> month = bcdInRange(quint8(slot[1]), 1, 12);
    const std::optional<int> year = strictBcd8(quint8(slot[2]));
    if (!day || !month || !year)
        return std::nullopt;
    const Transfer t{QDate(kFirstYear + *year, *month, *day), quint8(slot[3])};
    return isTransfer(t.date, t.dayType) ? std::optional(t) : std::nullopt;
}

} // namespace

QStringList transferDayTypeNames()
{
    return {QStringLiteral("понедельник"), QStringLiteral("вторник"), QStringLiteral("среда"),
            QStringLiteral("четверг"), QStringLiteral("пятница"), QStringLiteral("суббота"),
            QStringLiteral("воскресенье"), QStringLiteral("праздник")};
}

QString transferDayTypeName(int dayType)
{
    return dayType >= 1 && dayType <= 8 ? transferDayTypeNames().at(dayType - 1) : QString();
}

QDate clampToToday(QDate picked, QDate today)
{
    return picked < today ? today : picked;
}

int TransferList::insert(QDate date, int dayType)
{
    if (!canAdd() || !isTransfer(date, dayType))
        return -1;
    const auto at = std::find_if(m_rows.cbegin(), m_rows.cend(), [&](const Transfer &t) { return !(t.date < date); });
    const qsizetype row = at - m_rows.cbegin();
    m_rows.insert(row, Transfer{date, dayType});
    return int(row);
}

void TransferList::removeRows(const QList<int> &rows) { removeListRows(m_rows, rows); }

QByteArray TransferList::GetTransferBlock() const
{
    QByteArray block;
    block.reserve(kBlockSize);
    for (const Transfer &t : m_rows) {
        block.append(char(toBcd8(t.date.day())));
        block.append(char(toBcd8(t.date.month())));
        block.append(char(toBcd8(t.date.year() - kFirstYear)));
        block.append(char(t.dayType));
    }
    block.resize(kBlockSize, '\0');
    return block;
}

bool TransferList::SetTransferBlock(QByteArrayView block)
{
    if (block.size() != kBlockSize)
        return false;
    m_rows.clear();
    for (int i = 0; i < kMaxRows; ++i)
        if (const std::optional<Transfer> t = fromBytes(block.sliced(4 * i, 4)))
            append(*t);
    return true;
}

bool TransferList::takeReply(quint8 length, QByteArrayView payload)
{
    if (length != 7 || payload.size() < 5)
        return false;
    const std::optional<Transfer> t = fromBytes(payload.sliced(1, 4));
    return t && append(*t);
}

bool TransferList::append(const Transfer &t)
{
    if (!canAdd())
        return false;
    m_rows.append(t);
    return true;
}

} // namespace schedule
