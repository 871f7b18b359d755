#include "schedulemodel.h"

#include "schedule/cellflags.h"

namespace schedule {

ScheduleModel::ScheduleModel(QObject *parent)
    : QObject(parent)
{
    m_selected.set(m_current, true);
}

ZoneList ScheduleModel::GetSheduleDay() const
{
    return recordsOf(m_working, m_current);
}

bool ScheduleModel::InsertTZone(const ZoneRecord &zone)
{
    if (!isValidZone(zone))
        return false;
    for (const ZoneRecord &r : GetSheduleDay())
        if (r.startTime == zone.startTime)
            return false; // the editor updates an existing time instead
    insertZone(m_working, m_current, zone);
    return finishZoneEdit();
}

bool ScheduleModel::UpdateTZone(const ZoneRecord &zone)
{
    if (!isValidZone(zone))
        return false;
    updateZone(m_working, m_current, zone);
    return finishZoneEdit();
}

bool ScheduleModel::DeleteTZone(const QString &startTime)
{
    if (!deleteZone(m_working, m_current, startTime))
        return false;
    return finishZoneEdit();
}

bool ScheduleModel::finishZoneEdit()
{
    EquivalentDays();
    m_pending.set(m_current, true);
    setChangesPending(true);
    EditDays();
    emit dayChanged();
    emit gridChanged();
    return true;
}

void ScheduleModel::EmptyDays()
{
    emptyDays(m_working, m_empty, m_noMidnight);
}

void ScheduleModel::EquivalentDays()
{
    EmptyDays();
    m_equivalent = equivalentDays(m_working, m_current, m_empty);
    forEachCell([&](DayCell c) { m_pending.set(c, m_selected.at(c) && !m_equivalent.at(c)); });
    if (m_pending.any())
        setChangesPending(true); // never cleared here
}

void ScheduleModel::EditDays()
{
    copyDay(m_working, m_current, m_pending, m_empty.at(m_current));
    // The marked cells now have the current day: same flags.
    forEachCell([&](DayCell c) {
        if (!m_selected.at(c))
            return;
        m_noMidnight.set(c, m_noMidnight.at(m_current));
        m_empty.set(c, m_empty.at(m_current));
    });
    mergeZones(m_working);
    emit recordCountChanged(int(m_working.size()));
}

bool ScheduleModel::selectCell(int month, int dayType, Qt::KeyboardModifiers modifiers)
{
    const DayCell p{month, dayType};
    if (!p.isValid())
        return false;
    applySelectionRule(p, modifiers);
    if (m_changesPending) {
        emit gridChanged(); // the grid shows the new marking under the question
        const bool save = m_askSave ? m_askSave() : true;
        if (save)
            commit();
        else
            revert();
    }
    emit dayChanged(); // GetSheduleDay
    EquivalentDays();
    EditDays();
    emit gridChanged();
    return true;
}

void ScheduleModel::applySelectionRule(DayCell p, Qt::KeyboardModifiers modifiers)
{
    const bool ctrl = modifiers.testFlag(Qt::ControlModifier);
    const bool shift = modifiers.testFlag(Qt::ShiftModifier);
    if (!ctrl && !shift) {
        m_current = p;
        markOnly(p);
    } else if (p == m_current) {
        markOnly(p);
    } else if (ctrl) {
        m_selected.set(p, !m_selected.at(p));
    } else {
        m_selected.fill(false);
        const int m0 = qMin(p.month, m_current.month), m1 = qMax(p.month, m_current.month);
        const int d0 = qMin(p.dayType, m_current.dayType), d1 = qMax(p.dayType, m_current.dayType);
        for (int m = m0; m <= m1; ++m)
            for (int d = d0; d <= d1; ++d)
                m_selected.set(m, d, true);
    }
}

void ScheduleModel::markOnly(DayCell cell)
{
    m_selected.fill(false);
    m_selected.set(cell, true);
}

void ScheduleModel::commit()
{
    setChangesPending(false);
    m_committed = m_working;
    EquivalentDays();
    emit recordCountChanged(int(m_working.size()));
    emit gridChanged();
}

void ScheduleModel::revert()
{
    markOnly(m_current);
    setChangesPending(false);
    m_working = m_committed;
    EquivalentDays();
    emit dayChanged(); // GetSheduleDay
    emit recordCountChanged(int(m_working.size()));
    emit gridChanged();
}

void ScheduleModel::replaceCommitted(const ZoneList &zones)
{
    m_committed = zones;
    revert();
}

ZoneList ScheduleModel::exportCommitted()
{
    commit();
    return m_committed;
}

void ScheduleModel::setChangesPending(bool pending)
{
    if (m_changesPending == pending)
        return;
    m_changesPending = pending;
    emit changesPendingChanged(pending);
}

} // namespace schedule
