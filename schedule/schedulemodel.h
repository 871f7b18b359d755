#pragma once
// The tariff schedule being edited: the working and committed zone lists,
// the current day cell, the marked cells and what the grid shows of each
// cell. The editor frame maps gestures to these calls and repaints on the
// signals; nothing here draws.
//
// Every zone edit runs: the edit, EquivalentDays, the current cell becomes
// pending, changesPending, EditDays (which copies the current day to every
// marked cell and merges). A change of selection asks the save question
// when edits are pending, then GetSheduleDay, EquivalentDays, EditDays.

#include "schedule/daycells.h"
#include "schedule/zoneedits.h"

#include <QObject>
#include <functional>

namespace schedule {

class ScheduleModel : public QObject
{
    Q_OBJECT
public:
    // "Сохранить изменения?": true commits, false reverts. With no question
    // set, pending edits are committed rather than lost.
    using SaveQuestion = std::function<bool()>;

    explicit ScheduleModel(QObject *parent = nullptr);

    void setSaveQuestion(SaveQuestion question) { m_askSave = std::move(question); }

    const ZoneList &workingZones() const { return m_working; }
    const ZoneList &committedZones() const { return m_committed; }
    bool changesPending() const { return m_changesPending; }
    DayCell currentCell() const { return m_current; }
    const CellMatrix &selectedCells() const { return m_selected; }
    const CellMatrix &emptyCells() const { return m_empty; }
    const CellMatrix &noMidnightCells() const { return m_noMidnight; }
    const CellMatrix &equivalentCells() const { return m_equivalent; }
    const CellMatrix &pendingCells() const { return m_pending; }

    // The rows of the day list: the current cell's records in list order.
    ZoneList GetSheduleDay() const;

    // Zone edits of the current cell; the masks of the argument are ignored.
    // False, with nothing changed, for a zone that is not valid, for an
    // insert at a time the cell already has, and for a delete at a time it
    // has not.
    bool InsertTZone(const ZoneRecord &zone);
    bool UpdateTZone(const ZoneRecord &zone);
    bool DeleteTZone(const QString &startTime);

    void EmptyDays();
    void EquivalentDays();
    void EditDays();

    // A click on body cell (month, dayType): no modifier makes it current and
    // the only marked cell, Ctrl toggles its mark (Ctrl wins over Shift),
    // Shift marks the rectangle up to the current cell; Ctrl or Shift on the
    // current cell leaves it the only marked one. False for a cell outside
    // the grid (nothing happens).
    bool selectCell(int month, int dayType, Qt::KeyboardModifiers modifiers);

    void commit(); // BitBtnRedoClick
    void revert(); // BitBtnUndoClick

    // The schedule read from a file or the meter (or an empty one) becomes
    // the committed and working schedule; pending edits are dropped.
    void replaceCommitted(const ZoneList &zones);
    // Commits whatever is pending and returns the committed records in order.
    ZoneList exportCommitted();

signals:
    void recordCountChanged(int count);
    void changesPendingChanged(bool pending);
    void gridChanged();
    void dayChanged();

private:
    bool finishZoneEdit();
    void applySelectionRule(DayCell p, Qt::KeyboardModifiers modifiers);
    void markOnly(DayCell cell);
    void setChangesPending(bool pending);

    ZoneList m_working;
    ZoneList m_committed;
    bool m_changesPending = false;
    DayCell m_current;
    CellMatrix m_selected;
    CellMatrix m_empty{true};
    CellMatrix m_noMidnight{true};
    CellMatrix m_equivalent{true};
    CellMatrix m_pending;
    SaveQuestion m_askSave;
};

} // namespace schedule
