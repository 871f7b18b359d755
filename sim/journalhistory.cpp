#include "journalhistory.h"

#include "encoding.h"
#include "journalevents.h"

#include <QDateTime>
#include <QTimeZone>

namespace sim {

namespace {

constexpr qint64 kDay = 86400;
const QDate kEpoch(2000, 1, 1);

quint32 secondsOf(const QDate &date, int hour) { return quint32(kEpoch.daysTo(date) * kDay + hour * 3600); }

QDate dateOf(quint32 t) { return kEpoch.addDays(qint64(t) / kDay); }

void putDate(QByteArray &out, const QDate &date)
{
    out.append(char(0));
    out.append(static_cast<char>(toBcd8(date.day())));
    out.append(static_cast<char>(toBcd8(date.month())));
    out.append(static_cast<char>(toBcd8(date.year() - 2000)));
}

} // namespace

void JournalHistory::anchor(const MeterState &state, quint32 now)
{
    m_registers = state.current;
    m_working = state.workingSeconds;
    for (int i = 0; i < 3; ++i) {
        const DiscreteSensor &d = state.sensors[i];
        m_counters[i] = d.calibration ? double(d.count) / d.calibration : 0.0;
    }
    m_peakW = qMax<quint32>(state.current.peakW, quint32(state.loadPowerW));
    m_anchor = now;
    m_start = now > kServiceDays * kDay ? quint32(now - kServiceDays * kDay) : 0;
}

// How much of the anchored registers had been counted by moment t.
double JournalHistory::share(quint32 t) const
{
    if (m_anchor <= m_start)
        return 0.0;
    return qMax(0.0, double(qint64(t) - qint64(m_start)) / double(m_anchor - m_start));
}

void JournalHistory::putRegisters(QByteArray &out, quint32 t) const
{
    const double f = share(t);
    for (double kwh : m_registers.activeKwh)
        putMeterFloat(out, kwh * f);
    putMeterFloat(out, m_registers.reactiveInductiveKvarh * f);
    putMeterFloat(out, m_registers.reactiveCapacitiveKvarh * f);
}

// Working time and the discrete counters.
void JournalHistory::putTail(QByteArray &out, quint32 t) const
{
    const double f = share(t);
    putU32(out, quint32(double(m_working) * qMin(1.0, f) + (f > 1.0 ? double(t - m_anchor) : 0.0)));
    for (double c : m_counters)
        putMeterFloat(out, c * f);
}

std::optional<quint32> JournalHistory::monthMoment(int slot, const MeterState &state, quint32 now) const
{
    if (slot < 0 || slot >= kMonthSlots)
        return std::nullopt;
    const QDate today = dateOf(now);
    for (int year : {today.year(), today.year() - 1}) {
        const QDate day(year, slot + 1, state.settlementDay);
        if (!day.isValid())
            return std::nullopt;
        const quint32 moment = secondsOf(day, state.settlementHour);
        if (moment <= now)
            return moment >= m_start ? std::optional<quint32>(moment) : std::nullopt;
    }
    return std::nullopt;
}

std::optional<quint32> JournalHistory::dayMoment(int slot, quint32 now) const
{
    if (slot < 0 || slot >= kDaySlots)
        return std::nullopt;
    const qint64 today = qint64(now) / kDay;
    qint64 day = today - ((today - slot) % kDaySlots + kDaySlots) % kDaySlots;
    if (today - day >= kDaysHeld || day < 0 || day * kDay < qint64(m_start))
        return std::nullopt;
    return quint32(day * kDay);
}

std::optional<QByteArray> JournalHistory::monthRecord(int slot, const MeterState &state, quint32 now) const
{
    const auto moment = monthMoment(slot, state, now);
    if (!moment)
        return std::nullopt;
    const quint32 t = *moment;
    QByteArray out;
    putDate(out, dateOf(t));
    putRegisters(out, t);
    // The month's peak: a weekday evening some days before the billing moment.
    const quint32 peakAt = t - quint32((3 + t / kDay % 17) * kDay) + 19 * 3600 + 15 * 60;
    putU32(out, peakAt);
    putU24(out, quint32(m_peakW * (0.8 + 0.2 * double(t / kDay % 10) / 10.0)) * 10);
    putU24(out, quint32(90 + t / kDay % 400)); // poor-quality time, 20-s units
    putU16(out, state.poorQualityThreshold);
    out.append(static_cast<char>(state.poorQualityFlags));
    putTail(out, t);
    return out;
}

std::optional<QByteArray> JournalHistory::dayRecord(int slot, const QList<QDate> &gapDays, quint32 now) const
{
    const auto moment = dayMoment(slot, now);
    if (!moment)
        return std::nullopt;
    const quint32 t = *moment;
    QByteArray out;
    putDate(out, dateOf(t));
    putRegisters(out, t);
    // Quality of the day that ended at this midnight.
    const DayQuality q = dayQuality(t >= kDay ? t - quint32(kDay) : 0, gapDays);
    putU16(out, q.voltage);
    putU16(out, q.frequency);
    putU16(out, q.both);
    out.append(static_cast<char>(q.flags));
    putTail(out, t);
    return out;
}

} // namespace sim
