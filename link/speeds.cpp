#include "speeds.h"

#include <array>

namespace meterlink {

namespace {
constexpr std::array<int, kSpeedCount> kSpeeds{4800, 9600, 19200, 38400, 57600, 115200};
}

QStringList speedItems()
{
    QStringList items;
    for (int s : kSpeeds)
        items << QString::number(s);
    return items;
}

std::optional<int> speedForIndex(int index)
{
    if (index < 0 || index >= kSpeedCount)
        return std::nullopt;
    return kSpeeds[static_cast<size_t>(index)];
}

std::optional<int> indexForSpeed(int bitsPerSecond)
{
    for (int i = 0; i < kSpeedCount; ++i)
        if (kSpeeds[static_cast<size_t>(i)] == bitsPerSecond)
            return i;
    return std::nullopt;
}

} // namespace meterlink
