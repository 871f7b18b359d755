#pragma once
// One zone of the tariff schedule over a rectangle of day cells: every month
// of monthMask crossed with every day type of dayMask.
//
// Day types 1..8 are "ПН" … "ВС" and "ПР" (holiday); months 1..12. The bit of
// month m is GetMaska(m) (bit 0 = January), of day type d GetMaska(d)
// (bit 0 = "ПН").

#include <QString>
#include <QtGlobal>

namespace schedule {

constexpr int kMonths = 12;
constexpr int kDayTypes = 8;

// 2^(n-1) for n >= 1, 1 for n <= 1.
constexpr quint16 GetMaska(int n) { return n <= 1 ? 1 : static_cast<quint16>(1u << (n - 1)); }

struct ZoneRecord
{
    QString startTime;     // "hh:mm", 00:00..23:59; text order is time order
    quint8 tariff = 1;     // 1..8, in force from startTime
    quint8 powerLimit = 0; // 0 = no limit; watts = powerLimit * 1000 / limit coefficient
    quint8 limitTariff = 1; // 1..8, in force while the limit is exceeded
    quint8 dayMask = 0;
    quint16 monthMask = 0; // bits 12..15 are kept but never name a month

    bool appliesTo(int month, int dayType) const
    {
        return month >= 1 && month <= kMonths && dayType >= 1 && dayType <= kDayTypes
            && (monthMask & GetMaska(month)) && (dayMask & GetMaska(dayType));
    }
    // Same start time and values: the records differ at most in their cells.
    bool sameZone(const ZoneRecord &o) const
    {
        return startTime == o.startTime && tariff == o.tariff && powerLimit == o.powerLimit
            && limitTariff == o.limitTariff;
    }
    bool operator==(const ZoneRecord &o) const = default;
};

// A zone entered by the operator is valid when limitTariff equals tariff
// exactly when there is no power limit, the tariffs are 1..8 and the time is
// a real "hh:mm".
bool isValidZone(const ZoneRecord &zone);

} // namespace schedule
