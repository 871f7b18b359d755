#include "journals.h"

#include "journalevents.h"

namespace sim {

void Journals::anchor(const MeterState &state, quint32 now)
{
    m_history.anchor(state, now);
    m_profile.anchor(m_shape, now, profilePeriodMinutes(state.profilePeriodCode));
    m_profile.setLoad(state.loadPowerW, state.cosPhi);
}

void Journals::setProfileShape(const LoadProfileShape &shape, const MeterState &state, quint32 now)
{
    m_shape = shape;
    m_profile.anchor(m_shape, now, profilePeriodMinutes(state.profilePeriodCode));
}

void Journals::follow(const MeterState &state, quint32 now)
{
    m_profile.changePeriod(now, profilePeriodMinutes(state.profilePeriodCode));
    m_profile.setLoad(state.loadPowerW, state.cosPhi);
}

// Payloads of the event and settings journals, oldest first.
QList<QByteArray> Journals::eventPayloads(int journal, const MeterState &state, quint32 now) const
{
    QList<QByteArray> out;
    if (journal == 3) {
        for (const SettingsJournalRecord &r : state.settingsJournal.records())
            out.append(r.bytes());
        return out;
    }
    const QList<JournalEvent> events = journal == 2 ? onOffEvents(now, m_history.serviceStart(), m_shape.gapDays)
                                                    : qualityEvents(now, m_history.serviceStart(), m_shape.gapDays);
    for (const JournalEvent &e : events)
        out.append(e.bytes());
    return out;
}

JournalHeader Journals::header(int journal, const MeterState &state, quint32 now) const
{
    switch (journal) {
    case 0: return {kMonthSlots, kMonthSlots, 0};
    case 1: return {kDaySlots, kDaysHeld, 0};
    case 5: {
        const LoadProfileShape s = m_profile.shapeAt(now);
        return {s.slotCount, s.held, s.newest};
    }
    default: {
        const int held = int(eventPayloads(journal, state, now).size());
        const int slotCount = journal == 3 ? SettingsJournal::kCapacity : kEventSlots;
        return {slotCount, held, qMax(0, held - 1)};
    }
    }
}

std::optional<QByteArray> Journals::record(int journal, int index, const MeterState &state, quint32 now) const
{
    switch (journal) {
    case 0: return m_history.monthRecord(index, state, now);
    case 1: return m_history.dayRecord(index, m_shape.gapDays, now);
    case 5: {
        const auto r = m_profile.record(index, now);
        return r ? std::optional<QByteArray>(r->payload) : std::nullopt;
    }
    default: {
        const QList<QByteArray> all = eventPayloads(journal, state, now);
        return index >= 0 && index < all.size() ? std::optional<QByteArray>(all[index]) : std::nullopt;
    }
    }
}

QList<JournalRecord> Journals::records(int journal, const MeterState &state, quint32 now) const
{
    QList<JournalRecord> out;
    const int slotCount = header(journal, state, now).slotCount;
    for (int i = 0; i < slotCount; ++i) {
        if (auto payload = record(journal, i, state, now))
            out.append({i, *payload});
    }
    return out;
}

QList<JournalRecord> Journals::profileDay(const QDate &day, quint32 now) const
{
    QList<JournalRecord> out;
    for (const ProfileRecord &r : m_profile.recordsOfDay(day, now))
        out.append({r.index, r.payload});
    return out;
}

} // namespace sim
