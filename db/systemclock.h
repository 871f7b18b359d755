#pragma once
// Setting the PC's local clock. The station keeps the PC on the database
// server's time so that the time written into meters is the factory's.
// Tests give the Workstation a setter of their own and never touch the
// machine's clock.

#include <QDateTime>

namespace productiondb {

class ClockSetter
{
public:
    virtual ~ClockSetter() = default;
    // Sets the local date and time (the wall clock of the PC's time zone),
    // to the millisecond. False when the system refuses (the user lacks the
    // right to change the time); callers ignore a refusal.
    virtual bool setLocalTime(const QDateTime &localTime) = 0;
};

// The operating system's clock (systemclock_unix.cpp, systemclock_win.cpp).
class SystemClockSetter : public ClockSetter
{
public:
    bool setLocalTime(const QDateTime &localTime) override;
};

} // namespace productiondb
