#pragma once
// A clock that only moves when told to. Timers and delayed calls fire in
// due-time order while advance() walks the time forward, so a test can run
// minutes of conversation in milliseconds of real time.

#include "clock.h"

#include <QPointer>
#include <map>
#include <vector>

namespace meterlink {

class VirtualClock final : public Clock
{
public:
    explicit VirtualClock(QDateTime start = QDateTime(QDate(2026, 3, 14), QTime(10, 20, 30, 0)));
    ~VirtualClock() override;

    std::unique_ptr<Timer> createTimer(int intervalMs) override;
    QDateTime now() const override;
    qint64 elapsedMs() const override { return m_now; }
    void callLater(int delayMs, QObject *context, std::function<void()> fn) override;

    // Moves time forward by ms, firing everything that falls due on the way.
    void advance(qint64 ms);
    // Advances in 1 ms steps until pred() holds or maxMs has passed; returns pred().
    bool advanceUntil(const std::function<bool()> &pred, qint64 maxMs);
    // Timers created by this clock that are running now.
    int activeTimers() const { return m_activeTimers; }

private:
    friend class VirtualTimer;
    struct Event
    {
        quint64 id;
        QPointer<QObject> context;
        bool hasContext;
        std::function<void()> fn;
    };

    quint64 schedule(qint64 due, QObject *context, std::function<void()> fn);
    void cancel(quint64 id);
    bool fireNextDue(qint64 limit);

    QDateTime m_start;
    qint64 m_now = 0;
    quint64 m_nextId = 1;
    int m_activeTimers = 0;
    std::multimap<std::pair<qint64, quint64>, Event> m_events; // (due, id) -> event
};

} // namespace meterlink
