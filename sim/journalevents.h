#pragma once
// The on/off journal (2) and the network-quality journal (4): events of the
// last 60 days on a fixed weekly pattern, oldest first, the newest 64 kept.
//   on/off: every fifth day the power goes off at 03:10:17 and comes back at
//     03:24:40 (events 0 and 1); every seventh day the load is switched off
//     at 18:40:05 and on at 19:05:30 (2 and 3); a run of gap days (no
//     profile records) is one outage from its first midnight to its end.
//   quality: on days n with n mod 3 = 1 (n: days since 2000) a deviation
//     begins at 10:00 + (n mod 7) x 17 min and ends with flags 0 after
//     (n mod 4 + 1) x 6 min + 20 s; its flags by n mod 7: 01 (U -10%),
//     80 (F +0,4 Гц), 10 (F -0,4 Гц), 11 (both), 02 (U -5%), 40 (F +0,2 Гц),
//     05 (U -10% and U +5%).
//   The on/off pattern likewise counts n: power off/on when n mod 5 = 0,
//   load off/on when n mod 7 = 3.
// A record travels as MeterSeconds (4 bytes) and the event or flags byte.

#include <QByteArray>
#include <QDate>
#include <QList>

namespace sim {

struct JournalEvent
{
    quint32 time = 0; // MeterSeconds
    quint8 value = 0; // event code or quality flags

    QByteArray bytes() const;
    bool operator==(const JournalEvent &) const = default;
};

constexpr int kEventSlots = 64;
constexpr int kEventDays = 60;

// Events up to `now` and not before `since` (the meter's start of service).
QList<JournalEvent> onOffEvents(quint32 now, quint32 since, const QList<QDate> &gapDays);
QList<JournalEvent> qualityEvents(quint32 now, quint32 since, const QList<QDate> &gapDays);

// Poor-quality time of one day [dayStart, dayStart + 1 day) in 20-s units,
// by voltage, by frequency, by both, and the flags of the day together.
struct DayQuality
{
    quint16 voltage = 0;
    quint16 frequency = 0;
    quint16 both = 0;
    quint8 flags = 0;
};
DayQuality dayQuality(quint32 dayStart, const QList<QDate> &gapDays);

} // namespace sim
