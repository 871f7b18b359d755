#pragma once
// Clock backed by QTimer and the system clock: what the program runs on.

#include "clock.h"

#include <QElapsedTimer>

namespace meterlink {

class QtClock final : public Clock
{
public:
    QtClock();
    std::unique_ptr<Timer> createTimer(int intervalMs) override;
    QDateTime now() const override;
    qint64 elapsedMs() const override;
    void callLater(int delayMs, QObject *context, std::function<void()> fn) override;

    static QtClock &instance();

private:
    QElapsedTimer m_elapsed;
};

} // namespace meterlink
