#include "pollcycle.h"

#include <array>

namespace meterlink {

namespace {

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(static_cast<char>(v));
    return out;
}

constexpr std::array<int, 11> kHead{0x4C, 0x01, 0x00, 0x04, 0x22, 0x08, 0x50, 0x1E, 0x16, 0x18, 0x60};
constexpr std::array<int, 6> kTotals{0x40, 0x48, 0x42, 0x4A, 0x45, 0x4D};
constexpr std::array<int, 6> kInstant{0x80, 0x81, 0x82, 0x83, 0x84, 0x85};

} // namespace

QByteArray pollRequest(int n)
{
    if (n >= 0 && n <= 10)
        return bytes({kHead[static_cast<size_t>(n)], 0x02});
    if (n >= 11 && n <= 27)
        return bytes({0x0F, 0x03, n - 11}); // tariffs now, tariffs at settlement, then 0x10
    if (n == 28)
        return bytes({0x2B, 0x02});
    if (n >= 29 && n <= 34)
        return bytes({0x0F, 0x03, kTotals[static_cast<size_t>(n - 29)]});
    if (n >= 35 && n <= 40)
        return bytes({0x0F, 0x03, kInstant[static_cast<size_t>(n - 35)]});
    switch (n) {
    case 41: return bytes({0x0F, 0x03, 0x88});
    case 42: return bytes({0x4D, 0x02});
    case 43: return bytes({0x4E, 0x02});
    case 44: return bytes({0x11, 0x02});
    case 45: return bytes({0x25, 0x02});
    case 46: return bytes({0x5C, 0x02});
    case 47: return bytes({0x0A, 0x02});
    default: break;
    }
    if (n >= 48 && n <= 51)
        return bytes({0x20, 0x03, n - 48});
    if (n >= 52 && n <= 60)
        return bytes({0x1C, 0x04, (n - 52) / 3, (n - 52) % 3});
    return bytes({0x01, 0x02});
}

} // namespace meterlink
