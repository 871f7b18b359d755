#pragma once
// The month journal (0) and the day journal (1): the registers as they were
// at each billing moment (settlement day and hour of a month) and at each
// midnight. The history is drawn from the living registers at an anchor
// moment: the meter went into service kServiceDays before it, and every
// register grew evenly from 0 since then, so the registers at a moment t are
// the anchored ones times (t - start) / (anchor - start).
//
// Month journal: 12 slots, slot m - 1 holds the last billing moment of month
// m; a month without that day (31 in April) has an empty slot. Day journal:
// 45 slots, the midnight of day number n (days since 2000) in slot n mod 45;
// the last 40 midnights are held. Moments before the start of service leave
// their slots empty.
//
// Month record (73 bytes): 0, date dd mm yy (bcd8), 8 tariff energies,
// reactive forward and reverse (MeterFloat), peak time (MeterSeconds), peak
// power in 0.1 W (u24), poor-quality time in 20-s units (u24), the
// poor-quality threshold (u16) and flags byte, working seconds (u32),
// discrete counters 1..3 (MeterFloat).
// Day record (67 bytes): 0, date, 8 tariff energies, reactive forward and
// reverse, poor-quality time by U, F and U+F (u16 each, 20-s units), the
// day's quality flags, working seconds (u32), discrete counters 1..3.

#include "meterstate.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <optional>

namespace sim {

constexpr int kMonthSlots = 12;
constexpr int kDaySlots = 45;
constexpr int kDaysHeld = 40;
constexpr int kServiceDays = 400;

class JournalHistory
{
public:
    // Takes the registers, working time and sensor counts of `state` as
    // they are at meter time `now`.
    void anchor(const MeterState &state, quint32 now);
    quint32 serviceStart() const { return m_start; }

    // The record in a slot at meter time `now`; nothing for an empty slot.
    std::optional<QByteArray> monthRecord(int slot, const MeterState &state, quint32 now) const;
    std::optional<QByteArray> dayRecord(int slot, const QList<QDate> &gapDays, quint32 now) const;

    // The moment a slot's record was taken (or would be), for tests.
    std::optional<quint32> monthMoment(int slot, const MeterState &state, quint32 now) const;
    std::optional<quint32> dayMoment(int slot, quint32 now) const;

private:
    double share(quint32 t) const;
    void putRegisters(QByteArray &out, quint32 t) const;
    void putTail(QByteArray &out, quint32 t) const;

    Registers m_registers;
    quint32 m_working = 0;
    std::array<double, 3> m_counters{};
    quint32 m_peakW = 0;
    quint32 m_anchor = 0;
    quint32 m_start = 0;
};

} // namespace sim
