#include "db/systemclock.h"

#include <windows.h>

namespace productiondb {

bool SystemClockSetter::setLocalTime(const QDateTime &localTime)
{
    const QDate date = localTime.date();
    const QTime time = localTime.time();
    if (!date.isValid() || !time.isValid())
        return false;
    SYSTEMTIME st{};
    st.wYear = WORD(date.year());
    st.wMonth = WORD(date.month());
    st.wDayOfWeek = WORD(date.dayOfWeek() % 7); // Sunday = 0
    st.wDay = WORD(date.day());
    st.wHour = WORD(time.hour());
    st.wMinute = WORD(time.minute());
    st.wSecond = WORD(time.second());
    st.wMilliseconds = WORD(time.msec());
    return SetLocalTime(&st) != 0; // needs SeSystemtimePrivilege
}

} // namespace productiondb
