#pragma once
// Puts a schedule file's contents into the simulated meter's memory as a
// schedule write would leave them: zone k in slot k + 2, the holiday and
// transfer slots the write batch sends, the limit coefficient (0 as 1).

#include "meterstate.h"

#include "schedule/schedulefile.h"

namespace sim {

void loadSchedule(MeterState &state, const schedule::ScheduleFileData &data);

} // namespace sim
