#include "lightencolor.h"

#include <algorithm>

namespace app {

namespace {

int lightenChannel(int c, int percent)
{
    return std::clamp(c + c * percent / 100, 0, 255);
}

} // namespace

quint32 lightenColor(quint32 argb, int percent)
{
    quint32 out = argb & 0xFF000000u;
    for (int shift : {16, 8, 0}) {
        const int c = int((argb >> shift) & 0xFF);
        out |= quint32(lightenChannel(c, percent)) << shift;
    }
    return out;
}

} // namespace app
