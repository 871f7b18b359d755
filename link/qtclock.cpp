#include "qtclock.h"

#include <QTimer>

namespace meterlink {

namespace {

class QtTimer final : public Timer
{
public:
    explicit QtTimer(int intervalMs)
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(intervalMs);
        connect(&m_timer, &QTimer::timeout, this, &Timer::timeout);
    }
    void start() override
    {
        if (!m_timer.isActive())
            m_timer.start();
    }
    void stop() override { m_timer.stop(); }
    bool isActive() const override { return m_timer.isActive(); }
    void setInterval(int ms) override { m_timer.setInterval(ms); }
    int interval() const override { return m_timer.interval(); }

private:
    QTimer m_timer;
};

} // namespace

QtClock::QtClock() { m_elapsed.start(); }

std::unique_ptr<Timer> QtClock::createTimer(int intervalMs)
{
    return std::make_unique<QtTimer>(intervalMs);
}

QDateTime QtClock::now() const { return QDateTime::currentDateTime(); }

qint64 QtClock::elapsedMs() const { return m_elapsed.elapsed(); }

void QtClock::callLater(int delayMs, QObject *context, std::function<void()> fn)
{
    QTimer::singleShot(delayMs, Qt::PreciseTimer, context, std::move(fn));
}

QtClock &QtClock::instance()
{
    static QtClock clock;
    return clock;
}

} // namespace meterlink
