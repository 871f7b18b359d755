#pragma once
// Whether a picture is the program's meter icon rather than a style's generic
// one: it shows the LCD's green field and the pulse LED's red.

#include <QImage>

inline bool showsMeterIcon(const QImage &image)
{
    int green = 0, red = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() < 200)
                continue;
            if (c.green() > c.red() + 25 && c.green() > c.blue() + 25)
                ++green;
            if (c.red() > c.green() + 80 && c.red() > c.blue() + 80)
                ++red;
        }
    return green >= image.width() * image.height() / 40 && red >= 2;
}
