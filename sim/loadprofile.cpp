#include "loadprofile.h"

#include "encoding.h"

#include <QtMath>
#include <algorithm>
#include <cmath>

namespace sim {

namespace {

constexpr qint64 kDay = 86400;
const QDate kEpoch(2000, 1, 1);

// Multiples of s in (a, b].
qint64 multiplesIn(qint64 a, qint64 b, qint64 s)
{
    if (b <= a)
        return 0;
    auto floorDiv = [](qint64 x, qint64 d) { return x >= 0 ? x / d : -((-x + d - 1) / d); };
    return floorDiv(b, s) - floorDiv(a, s);
}

// A small deterministic spread in [-1, 1] for a time stamp.
double spread(quint32 t)
{
    quint32 h = t * 2654435761u;
    h ^= h >> 15;
    h *= 2246822519u;
    h ^= h >> 13;
    return double(h % 2001) / 1000.0 - 1.0;
}

} // namespace

int profilePeriodMinutes(int code)
{
    static constexpr int minutes[] = {0, 1, 2, 3, 4, 5, 6, 10, 12, 15, 20, 30, 60};
    return code >= 0 && code <= 12 ? minutes[code] : 0;
}

int profilePeriodCode(int minutes)
{
    for (int code = 1; code <= 12; ++code) {
        if (profilePeriodMinutes(code) == minutes)
            return code;
    }
    return -1;
}

QString LoadProfile::checkShape(const LoadProfileShape &shape)
{
    if (shape.slotCount < 1 || shape.slotCount > 65535)
        return QStringLiteral("размер памяти профиля должен быть 1..65535");
    if (shape.held < 0 || shape.held > shape.slotCount)
        return QStringLiteral("число записей должно быть от 0 до размера памяти");
    if (shape.newest < 0 || shape.newest >= shape.slotCount)
        return QStringLiteral("индекс последней записи должен быть меньше размера памяти");
    if (shape.held < shape.slotCount && shape.newest != qMax(0, shape.held - 1))
        return QStringLiteral("в неполной памяти индекс последней записи равен числу записей - 1");
    return {};
}

void LoadProfile::anchor(const LoadProfileShape &shape, quint32 now, int periodMinutes)
{
    m_shape = shape;
    m_gapStarts.clear();
    for (const QDate &day : shape.gapDays)
        m_gapStarts.append(kEpoch.daysTo(day) * kDay);
    std::sort(m_gapStarts.begin(), m_gapStarts.end(), std::greater<>());
    m_gapStarts.erase(std::unique(m_gapStarts.begin(), m_gapStarts.end()), m_gapStarts.end());
    m_periodMinutes = periodMinutes;
    if (periodMinutes > 0)
        m_spacingMinutes = periodMinutes;
    m_anchorNewest = periodStartAt(now);
}

void LoadProfile::changePeriod(quint32 now, int periodMinutes)
{
    if (periodMinutes == m_periodMinutes)
        return;
    LoadProfileShape present = shapeAt(now);
    present.gapDays = m_shape.gapDays;
    const quint32 newest = newestTimeAt(now);
    anchor(present, now, periodMinutes);
    if (periodMinutes == 0)
        m_anchorNewest = newest; // off: the last record stays the newest
}

void LoadProfile::setLoad(double powerW, double cosPhi)
{
    m_powerW = qMax(0.0, powerW);
    m_cosPhi = qBound(0.05, cosPhi, 1.0);
}

bool LoadProfile::inGap(quint32 t) const
{
    const qint64 start = qint64(t) - qint64(t) % kDay;
    return m_gapStarts.contains(start);
}

// The start of the period running at `now`, or, in a gap day, of the last
// period before it.
quint32 LoadProfile::periodStartAt(quint32 now) const
{
    const qint64 s = qint64(m_spacingMinutes) * 60;
    qint64 t = qint64(now) - qint64(now) % s;
    while (t >= 0 && inGap(quint32(t)))
        t = t - t % kDay - s;
    return quint32(qMax<qint64>(t, 0));
}

// The newest record's stamp; a clock set back leaves the store as it was.
quint32 LoadProfile::newestTimeAt(quint32 now) const
{
    if (m_periodMinutes == 0)
        return m_anchorNewest;
    return qMax(periodStartAt(now), m_anchorNewest);
}

// Records the store gained between two newest stamps: the period starts in
// (from, to] outside the gap days.
qint64 LoadProfile::recordedSince(quint32 from, quint32 to) const
{
    const qint64 s = qint64(m_spacingMinutes) * 60;
    qint64 n = multiplesIn(from, to, s);
    for (qint64 g : m_gapStarts)
        n -= multiplesIn(qMax<qint64>(from, g - 1), qMin<qint64>(to, g + kDay - 1), s);
    return qMax<qint64>(0, n);
}

// The stamp `periods` records before the record stamped t.
quint32 LoadProfile::stepBack(quint32 t, qint64 periods) const
{
    qint64 back = qint64(t) - periods * m_spacingMinutes * 60;
    for (qint64 g : m_gapStarts) {
        if (g + kDay <= qint64(t) && back < g + kDay)
            back -= kDay;
    }
    return quint32(qMax<qint64>(0, back));
}

LoadProfileShape LoadProfile::shapeAt(quint32 now) const
{
    LoadProfileShape shape = m_shape;
    const qint64 gained = m_periodMinutes == 0 ? 0 : recordedSince(m_anchorNewest, newestTimeAt(now));
    const qint64 a = shape.slotCount;
    shape.held = int(qMin<qint64>(a, m_shape.held + gained));
    const qint64 newest = (m_shape.held == 0 ? -1 : m_shape.newest) + gained;
    shape.newest = shape.held == 0 ? 0 : int(newest % a);
    return shape;
}

std::optional<ProfileRecord> LoadProfile::record(int index, quint32 now) const
{
    const LoadProfileShape shape = shapeAt(now);
    if (index < 0 || index >= shape.slotCount)
        return std::nullopt;
    const int age = ((shape.newest - index) % shape.slotCount + shape.slotCount) % shape.slotCount;
    if (age >= shape.held)
        return std::nullopt;
    const quint32 newest = m_periodMinutes == 0 ? m_anchorNewest : newestTimeAt(now);
    const quint32 t = stepBack(newest, age);
    return ProfileRecord{index, t, payloadAt(t)};
}

QList<ProfileRecord> LoadProfile::recordsOfDay(const QDate &day, quint32 now) const
{
    const qint64 start = kEpoch.daysTo(day) * kDay;
    QList<ProfileRecord> out;
    for (int i = 0; i < m_shape.slotCount; ++i) {
        if (auto r = record(i, now); r && qint64(r->time) >= start && qint64(r->time) < start + kDay)
            out.append(*r);
    }
    std::sort(out.begin(), out.end(), [](const ProfileRecord &a, const ProfileRecord &b) { return a.time < b.time; });
    return out;
}

// A day's shape of load: low at night, highest in the evening, with a small
// spread from record to record.
QByteArray LoadProfile::payloadAt(quint32 t) const
{
    const double hour = double(t % kDay) / 3600.0;
    const double shape = 0.6 + 0.4 * std::sin(2.0 * M_PI * (hour - 12.0) / 24.0) + 0.04 * spread(t);
    const double active = m_powerW / 1000.0 * m_spacingMinutes / 60.0 * shape;
    const double tanPhi = std::sqrt(1.0 - m_cosPhi * m_cosPhi) / m_cosPhi;
    QByteArray out;
    putU32(out, t);
    putMeterFloat(out, active);
    putMeterFloat(out, active * tanPhi);
    putMeterFloat(out, active * tanPhi * 0.02);
    return out;
}

} // namespace sim
