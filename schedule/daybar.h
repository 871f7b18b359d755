#pragma once
// PaintBoxDay: the bar of the current day. Grey before the first zone;
// from each zone's start to the right end the lower half takes the colour of
// its tariff and the upper half the colour of its limit tariff, later zones
// painting over earlier ones.

#include "schedule/tariffcolors.h"

#include <QList>
#include <QWidget>

namespace schedule {

struct DayBarZone
{
    int minute = 0;      // hour * 60 + minute of the start time
    int tariff = 1;      // a number without a colour paints grey
    int limitTariff = 1;
};

// DayChange: draws the zones (in ascending start order) into a W x H bar.
void drawDayBar(QPainter &painter, QSize size, const QList<DayBarZone> &zones, const TariffColors &colors);

class DayBar : public QWidget
{
    Q_OBJECT
public:
    explicit DayBar(QWidget *parent = nullptr);

    // Asked on every paint, so stored colours apply before drawing.
    using ColorSource = std::function<TariffColors()>;
    void setColorSource(ColorSource source) { m_colors = std::move(source); }
    void setZones(const QList<DayBarZone> &zones);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QList<DayBarZone> m_zones;
    ColorSource m_colors;
};

} // namespace schedule
