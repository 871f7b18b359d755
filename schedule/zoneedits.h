#pragma once
// The edits of the zone-record list, record order included: where a record
// is inserted decides the bytes of files and the meter's slots, so these
// follow one fixed recipe (new single-cell records are appended by zone
// edits and put first by the day copy; split-off parts go first).
//
// dayBit and monthBit below are the masks of the cell being edited.

#include "schedule/daycells.h"
#include "schedule/zonerecord.h"

#include <QList>

namespace schedule {

using ZoneList = QList<ZoneRecord>;

// A record with the zone values of `values` covering `cell` alone.
ZoneRecord singleCellRecord(const ZoneRecord &values, DayCell cell);

// InsertTZone: the first record with the same zone values whose dayMask is
// dayBit or whose monthMask is monthBit grows by the cell; otherwise a new
// single-cell record is appended.
void insertZone(ZoneList &zones, DayCell cell, const ZoneRecord &values);

// UpdateTZone: the cell's first record at values.startTime is overwritten
// when it covers the cell alone; otherwise the cell is cut out of it (if
// any) and a single-cell record with the new values is appended.
void updateZone(ZoneList &zones, DayCell cell, const ZoneRecord &values);

// DeleteTZone: cuts the cell out of its first record at startTime. False
// when the cell has no zone at that time (nothing changes).
bool deleteZone(ZoneList &zones, DayCell cell, const QString &startTime);

// Removing a cell from record `index`, which applies to it. Returns how far
// a scan standing on `index` moves on: 0 when the record was removed (the
// next one slid into its place), 1 when it shrank, 2 when a part of it was
// inserted at position 0 (the record itself moved one place down).
int cutCell(ZoneList &zones, int index, DayCell cell);

// EditDays steps 1 and 2: every pending cell other than `current` gets the
// current day schedule. With an empty current day the pending cells are
// emptied.
void copyDay(ZoneList &zones, DayCell current, const CellMatrix &pending, bool currentEmpty);

// EditDays step 4: records with the same zone values and equal dayMask (or
// equal monthMask) become one, in passes until a pass merges nothing.
void mergeZones(ZoneList &zones);

} // namespace schedule
