#pragma once
// What the zone records say about each day cell: empty, without a zone at
// 00:00, alike to the current cell; and the day schedule of one cell.

#include "schedule/daycells.h"
#include "schedule/zoneedits.h"

namespace schedule {

// The records that apply to `cell`, in list order.
ZoneList recordsOf(const ZoneList &zones, DayCell cell);

// EmptyDays: `empty` where no record applies; `noMidnight` where no record
// that applies starts at "00:00" (empty cells included).
void emptyDays(const ZoneList &zones, CellMatrix &empty, CellMatrix &noMidnight);

// EquivalentDays steps 2..5: the cells whose day schedule matches the
// current one, compared by counting matching and differing record pairs.
// `empty` is the result of emptyDays on the same list.
CellMatrix equivalentDays(const ZoneList &zones, DayCell current, const CellMatrix &empty);

} // namespace schedule
