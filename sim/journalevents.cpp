#include "journalevents.h"

#include "encoding.h"

#include <algorithm>

namespace sim {

namespace {

constexpr qint64 kDay = 86400;
const QDate kEpoch(2000, 1, 1);

bool isGap(qint64 dayNumber, const QList<QDate> &gapDays)
{
    return gapDays.contains(kEpoch.addDays(dayNumber));
}

constexpr quint8 kQualityFlags[7] = {0x01, 0x80, 0x10, 0x11, 0x02, 0x40, 0x05};

// The events of one day, in time order.
QList<JournalEvent> onOffOfDay(qint64 day, const QList<QDate> &gapDays)
{
    const quint32 start = quint32(day * kDay);
    if (isGap(day, gapDays)) {
        QList<JournalEvent> out;
        if (!isGap(day - 1, gapDays))
            out.append({start + 5, 0});
        if (!isGap(day + 1, gapDays))
            out.append({start + quint32(kDay) + 40, 1});
        return out;
    }
    QList<JournalEvent> out;
    if (day % 5 == 0) {
        out.append({start + 3 * 3600 + 10 * 60 + 17, 0});
        out.append({start + 3 * 3600 + 24 * 60 + 40, 1});
    }
    if (day % 7 == 3) {
        out.append({start + 18 * 3600 + 40 * 60 + 5, 2});
        out.append({start + 19 * 3600 + 5 * 60 + 30, 3});
    }
    return out;
}

QList<JournalEvent> qualityOfDay(qint64 day, const QList<QDate> &gapDays)
{
    if (day % 3 != 1 || isGap(day, gapDays))
        return {};
    const quint32 begin = quint32(day * kDay + 10 * 3600 + (day % 7) * 17 * 60);
    const quint32 end = begin + quint32((day % 4 + 1) * 6 * 60 + 20);
    return {{begin, kQualityFlags[day % 7]}, {end, 0}};
}

QList<JournalEvent> collect(quint32 now, quint32 since, const QList<QDate> &gapDays,
                            QList<JournalEvent> (*ofDay)(qint64, const QList<QDate> &))
{
    const qint64 today = qint64(now) / kDay;
    QList<JournalEvent> all;
    // A gap run's closing event falls on the day after it.
    for (qint64 day = today - kEventDays; day <= today; ++day) {
        if (day < 0)
            continue;
        for (const JournalEvent &e : ofDay(day, gapDays)) {
            if (e.time <= now && e.time >= since)
                all.append(e);
        }
    }
    std::stable_sort(all.begin(), all.end(), [](const JournalEvent &a, const JournalEvent &b) { return a.time < b.time; });
    if (all.size() > kEventSlots)
        all.remove(0, all.size() - kEventSlots);
    return all;
}

} // namespace

QByteArray JournalEvent::bytes() const
{
    QByteArray out;
    putU32(out, time);
    out.append(static_cast<char>(value));
    return out;
}

QList<JournalEvent> onOffEvents(quint32 now, quint32 since, const QList<QDate> &gapDays)
{
    return collect(now, since, gapDays, onOffOfDay);
}

QList<JournalEvent> qualityEvents(quint32 now, quint32 since, const QList<QDate> &gapDays)
{
    return collect(now, since, gapDays, qualityOfDay);
}

DayQuality dayQuality(quint32 dayStart, const QList<QDate> &gapDays)
{
    DayQuality q;
    const QList<JournalEvent> events = qualityOfDay(qint64(dayStart) / kDay, gapDays);
    if (events.size() != 2)
        return q;
    const quint8 flags = events[0].value;
    const auto units = static_cast<quint16>((events[1].time - events[0].time) / 20);
    const bool voltage = flags & 0x0F;
    const bool frequency = flags & 0xF0;
    if (voltage)
        q.voltage = units;
    if (frequency)
        q.frequency = units;
    if (voltage && frequency)
        q.both = units;
    q.flags = flags;
    return q;
}

} // namespace sim
