#pragma once
// The six journals of function 0x5D as the meter serves them:
//   5D 03 j        -> header 5D 09 j A B C (A slots, B held, C newest index)
//   5D 05 j lo hi  -> record 5D L j lo hi payload (L = 5: the slot is empty)
// 0 month, 1 day (journalhistory.h), 2 on/off and 4 network quality
// (journalevents.h), 3 settings changes (settingsjournal.h), 5 load profile
// (loadprofile.h). Indexes of the event and settings journals count from the
// oldest record (0) to the newest (B - 1).

#include "journalhistory.h"
#include "loadprofile.h"
#include "meterstate.h"

#include <QByteArray>
#include <QList>
#include <optional>

namespace sim {

struct JournalHeader
{
    int slotCount = 0;  // A
    int held = 0;   // B
    int newest = 0; // C
};

struct JournalRecord
{
    int index = 0;
    QByteArray payload;
    bool operator==(const JournalRecord &) const = default;
};

class Journals
{
public:
    static constexpr int kCount = 6;

    // Fixes the history (registers of the month and day records) and the
    // load-profile store, as shaped by setProfileShape, at meter time `now`.
    void anchor(const MeterState &state, quint32 now);
    // A new shape of the load-profile store from meter time `now` on.
    void setProfileShape(const LoadProfileShape &shape, const MeterState &state, quint32 now);
    const LoadProfileShape &profileShape() const { return m_shape; }
    // Follows the living profile period and load; called before every answer.
    void follow(const MeterState &state, quint32 now);

    JournalHeader header(int journal, const MeterState &state, quint32 now) const;
    // The payload in a slot (index < A); nothing for an empty slot.
    std::optional<QByteArray> record(int journal, int index, const MeterState &state, quint32 now) const;

    // Every held record of a journal, by index, as the meter would serve it now.
    QList<JournalRecord> records(int journal, const MeterState &state, quint32 now) const;
    // The load-profile records stamped within a day, in time order.
    QList<JournalRecord> profileDay(const QDate &day, quint32 now) const;

private:
    QList<QByteArray> eventPayloads(int journal, const MeterState &state, quint32 now) const;

    JournalHistory m_history;
    LoadProfile m_profile;
    LoadProfileShape m_shape;
};

} // namespace sim
