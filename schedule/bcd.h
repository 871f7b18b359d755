#pragma once
// BCD bytes of the schedule's items: two decimal digits in one byte, tens in
// the high nibble. Read strictly: a byte with a nibble above 9 is not a
// number, so a damaged file or a garbled reply cannot slip in a value that
// would be written back as different bytes.

#include <QtGlobal>
#include <optional>

namespace schedule {

// 0x00..0x99 with both nibbles 0..9 -> 0..99; anything else -> nullopt.
constexpr std::optional<int> strictBcd8(quint8 byte)
{
    const int tens = byte >> 4;
    const int units = byte & 0x0F;
    if (tens > 9 || units > 9)
        return std::nullopt;
    return tens * 10 + units;
}

// 0..99 -> (v mod 10) + (v div 10) * 16.
constexpr quint8 toBcd8(int value)
{
    return static_cast<quint8>((value % 10) + (value / 10) * 16);
}

// The BCD byte as a number when it lies in min..max; nullopt otherwise.
constexpr std::optional<int> bcdInRange(quint8 byte, int min, int max)
{
    const std::optional<int> v = strictBcd8(byte);
    if (!v || *v < min || *v > max)
        return std::nullopt;
    return v;
}

} // namespace schedule
