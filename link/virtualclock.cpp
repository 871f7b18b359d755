#include "virtualclock.h"

namespace meterlink {

class VirtualTimer final : public Timer
{
public:
    VirtualTimer(VirtualClock &clock, int intervalMs) : m_clock(clock), m_interval(intervalMs) {}
    ~VirtualTimer() override { stop(); }

    void start() override
    {
        if (!m_active) {
            m_active = true;
            ++m_clock.m_activeTimers;
            arm();
        }
    }
    void stop() override
    {
        if (m_active)
            --m_clock.m_activeTimers;
        m_active = false;
        if (m_pending) {
            m_clock.cancel(m_pending);
            m_pending = 0;
        }
    }
    bool isActive() const override { return m_active; }
    void setInterval(int ms) override
    {
        m_interval = ms;
        if (m_active) {
            stop();
            start();
        }
    }
    int interval() const override { return m_interval; }

private:
    void arm()
    {
        const qint64 period = qMax(1, m_interval); // a 0 ms timer would never let time pass
        m_pending = m_clock.schedule(m_clock.m_now + period, nullptr, [this] {
            m_pending = 0;
            if (!m_active)
                return;
            arm(); // re-arm first: the handler may stop or restart us
            emit timeout();
        });
    }

    VirtualClock &m_clock;
    int m_interval;
    bool m_active = false;
    quint64 m_pending = 0;
};

VirtualClock::VirtualClock(QDateTime start) : m_start(std::move(start)) {}

VirtualClock::~VirtualClock() = default;

std::unique_ptr<Timer> VirtualClock::createTimer(int intervalMs)
{
    return std::make_unique<VirtualTimer>(*this, intervalMs);
}

QDateTime VirtualClock::now() const { return m_start.addMSecs(m_now); }

void VirtualClock::callLater(int delayMs, QObject *context, std::function<void()> fn)
{
    schedule(m_now + qMax(0, delayMs), context, std::move(fn));
}

quint64 VirtualClock::schedule(qint64 due, QObject *context, std::function<void()> fn)
{
    const quint64 id = m_nextId++;
    m_events.emplace(std::make_pair(due, id), Event{id, context, context != nullptr, std::move(fn)});
    return id;
}

void VirtualClock::cancel(quint64 id)
{
    for (auto it = m_events.begin(); it != m_events.end(); ++it) {
        if (it->second.id == id) {
            m_events.erase(it);
            return;
        }
    }
}

bool VirtualClock::fireNextDue(qint64 limit)
{
    if (m_events.empty() || m_events.begin()->first.first > limit)
        return false;
    auto node = m_events.extract(m_events.begin());
    m_now = qMax(m_now, node.key().first);
    Event &ev = node.mapped();
    if (!ev.hasContext || ev.context)
        ev.fn();
    return true;
}

void VirtualClock::advance(qint64 ms)
{
    const qint64 target = m_now + ms;
    while (fireNextDue(target)) {
    }
    m_now = target;
}

bool VirtualClock::advanceUntil(const std::function<bool()> &pred, qint64 maxMs)
{
    for (qint64 i = 0; i < maxMs && !pred(); ++i)
        advance(1);
    return pred();
}

} // namespace meterlink
