#pragma once
// The speed table shared by ComboBaud, the speed menu, ComboNewBaud and the
// stored configuration: index 0 -> 4800 ... 5 -> 115200 bit/s.

#include <QStringList>
#include <optional>

namespace meterlink {

inline constexpr int kSpeedCount = 6;
QStringList speedItems();
// Speed for an index, or nothing for an index outside 0..5.
std::optional<int> speedForIndex(int index);
// Index of a speed, or nothing when the speed is not in the table.
std::optional<int> indexForSpeed(int bitsPerSecond);

} // namespace meterlink
