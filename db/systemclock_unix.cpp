#include "db/systemclock.h"

#include <ctime>

namespace productiondb {

bool SystemClockSetter::setLocalTime(const QDateTime &localTime)
{
    // The server's date and time are read as this PC's wall clock.
    const QDateTime local(localTime.date(), localTime.time(), Qt::LocalTime);
    if (!local.isValid())
        return false;
    const qint64 ms = local.toMSecsSinceEpoch();
    timespec ts{};
    ts.tv_sec = time_t(ms / 1000);
    ts.tv_nsec = long(ms % 1000) * 1000000L;
    if (ts.tv_nsec < 0) { // before 1970
        ts.tv_sec -= 1;
        ts.tv_nsec += 1000000000L;
    }
    return clock_settime(CLOCK_REALTIME, &ts) == 0;
}

} // namespace productiondb
