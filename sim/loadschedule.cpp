#include "loadschedule.h"

#include "schedule/limitcoefficient.h"

namespace sim {

namespace {

quint8 at(const QByteArray &bytes, qsizetype i) { return i < bytes.size() ? static_cast<quint8>(bytes[i]) : 0; }

} // namespace

void loadSchedule(MeterState &state, const schedule::ScheduleFileData &data)
{
    state.zones.clear();
    for (int k = 0; k < data.zoneEntries.size() && k < schedule::kMaxZones; ++k)
        state.zones[k + 2] = data.zoneEntries[k].leftJustified(7, '\0', true);
    for (int i = 0; i < int(state.holidays.size()); ++i) {
        const HolidaySlot h{at(data.holidayBlock, 2 * i), at(data.holidayBlock, 2 * i + 1)};
        state.holidays[i] = h.day != 0 && h.month != 0 ? h : HolidaySlot{};
    }
    for (int i = 0; i < int(state.transfers.size()); ++i) {
        const TransferSlot t{at(data.transferBlock, 4 * i), at(data.transferBlock, 4 * i + 1),
                             at(data.transferBlock, 4 * i + 2), at(data.transferBlock, 4 * i + 3)};
        state.transfers[i] = t.day != 0 && t.month != 0 && t.dayType != 0 ? t : TransferSlot{};
    }
    state.limitCoefficient = schedule::coefficientFromByte(data.coefficient);
}

} // namespace sim
