#pragma once
// The limit coefficient of the schedule: 1..255. A zone's power limit in
// watts is its powerLimit * 1000 / coefficient, so 0 is never used; a 0
// received from the meter or read from a file shows as 1.

#include <QtGlobal>

namespace schedule {

constexpr int kMinCoefficient = 1;
constexpr int kMaxCoefficient = 255;

constexpr quint8 coefficientFromByte(quint8 byte)
{
    return byte == 0 ? quint8(kMinCoefficient) : byte;
}

} // namespace schedule
