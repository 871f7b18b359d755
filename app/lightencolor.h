#pragma once
// A colour made lighter (or darker) by a percentage of each of its own
// channels: the task group of the page "Установка" is painted in the
// button-face colour raised by 6 %, so the boxes to write stand out.

#include <QtGlobal>

namespace app {

// Each of red, green and blue (0..255): c + c * percent / 100 with integer
// arithmetic and the division truncated, then held to 0..255. The colour is
// 0xAARRGGBB (a QRgb); alpha is kept as it is.
quint32 lightenColor(quint32 argb, int percent);

} // namespace app
