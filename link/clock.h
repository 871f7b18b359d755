#pragma once
// Time source and timers of the link. The engine never touches QTimer or the
// system clock directly, so tests can drive it on a virtual clock.

#include <QDateTime>
#include <QObject>
#include <functional>
#include <memory>

namespace meterlink {

// A repeating timer with the semantics the link relies on: start() on a
// running timer changes nothing (it does not restart the interval).
class Timer : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~Timer() override = default;

    virtual void start() = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
    // Changing the interval of a running timer restarts its period.
    virtual void setInterval(int ms) = 0;
    virtual int interval() const = 0;

signals:
    void timeout();
};

class Clock
{
public:
    virtual ~Clock() = default;
    virtual std::unique_ptr<Timer> createTimer(int intervalMs) = 0;
    // Local wall-clock time; trace lines and log entries are stamped with it.
    virtual QDateTime now() const = 0;
    // Milliseconds since an arbitrary origin, monotonic.
    virtual qint64 elapsedMs() const = 0;
    // Runs fn once after delayMs, unless context has been destroyed by then.
    virtual void callLater(int delayMs, QObject *context, std::function<void()> fn) = 0;
};

} // namespace meterlink
