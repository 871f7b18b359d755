#pragma once
// The meter's load-profile store (journal 5 of function 0x5D): a circular
// store of A slots, B of them held, the newest record at index C. One record
// per profile period, stamped with the period's start (MeterSeconds) and
// carrying the period's active, reactive forward and reactive reverse energy
// (MeterFloat, kWh / kvarh), 16 bytes in all.
//
// The store is a function of the meter time: at the anchor moment the
// newest record is at C and B are held; every period that begins later adds
// one record after it (B grows up to A, then the oldest is overwritten).
// A store that is not full holds indexes 0..B-1, so C = B - 1. Gap days
// have no records: the meter was off, so the record before a gap is
// followed directly by the first one after it.

#include <QByteArray>
#include <QDate>
#include <QList>
#include <optional>

namespace sim {

struct LoadProfileShape
{
    int slotCount = 1488; // A: 31 days of 30-minute records
    int held = 1488;         // B
    int newest = 744;        // C
    QList<QDate> gapDays;    // days without records
};

struct ProfileRecord
{
    int index = 0;
    quint32 time = 0; // MeterSeconds
    QByteArray payload;
};

class LoadProfile
{
public:
    // Checks a shape: 1 <= A <= 65535, 0 <= B <= A, C < A, and C = B - 1
    // when the store is not full (C = 0 when it is empty). Empty on success.
    static QString checkShape(const LoadProfileShape &shape);

    // Fixes the shape as it is at meter time `now` (whole seconds since
    // 2000) with a period of `periodMinutes` (0: the profile is off, the
    // store does not grow).
    void anchor(const LoadProfileShape &shape, quint32 now, int periodMinutes);
    // A new period from `now` on: the store keeps its present A, B and C.
    void changePeriod(quint32 now, int periodMinutes);
    // Load power (W) and cos phi the record values are drawn from.
    void setLoad(double powerW, double cosPhi);

    const LoadProfileShape &anchoredShape() const { return m_shape; }
    // A, B and C at meter time `now`.
    LoadProfileShape shapeAt(quint32 now) const;
    // The record at `index` (< A) at meter time `now`; nothing for an empty slot.
    std::optional<ProfileRecord> record(int index, quint32 now) const;
    // The held records stamped within the given day, in time order.
    QList<ProfileRecord> recordsOfDay(const QDate &day, quint32 now) const;

private:
    bool inGap(quint32 t) const;
    quint32 stepBack(quint32 t, qint64 periods) const;
    qint64 recordedSince(quint32 from, quint32 to) const;
    quint32 periodStartAt(quint32 now) const;
    quint32 newestTimeAt(quint32 now) const;
    QByteArray payloadAt(quint32 t) const;

    LoadProfileShape m_shape;
    QList<qint64> m_gapStarts; // MeterSeconds of each gap day's midnight, newest first
    quint32 m_anchorNewest = 0; // time stamp of the record at C when anchored
    int m_periodMinutes = 30;
    int m_spacingMinutes = 30; // last period that was not off
    double m_powerW = 1500;
    double m_cosPhi = 0.95;
};

// Period of profile code 0..12 in minutes: off, 1, 2, 3, 4, 5, 6, 10, 12,
// 15, 20, 30, 60 (0 for off or an unknown code).
int profilePeriodMinutes(int code);
// The code of a period in minutes, or -1.
int profilePeriodCode(int minutes);

} // namespace sim
