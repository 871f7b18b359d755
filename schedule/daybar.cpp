#include "daybar.h"

#include <QPainter>

namespace schedule {

namespace {
const QColor kGrey(128, 128, 128);
constexpr int kLastMinute = 1439; // the slider's maximum

QColor colorOf(int tariff, const TariffColors &colors)
{
    return tariff >= 1 && tariff <= kTariffs ? colors[tariff - 1] : kGrey;
}
} // namespace

void drawDayBar(QPainter &painter, QSize size, const QList<DayBarZone> &zones, const TariffColors &colors)
{
    const int w = size.width(), h = size.height();
    if (w <= 0 || h <= 0)
        return;
    painter.fillRect(QRect(0, 0, w, h), kGrey);
    for (const DayBarZone &zone : zones) {
        const int x = int(qint64(w) * zone.minute / kLastMinute);
        painter.fillRect(QRect(QPoint(x, h / 2), QPoint(w, h)), colorOf(zone.tariff, colors));
        painter.fillRect(QRect(QPoint(x, 0), QPoint(w, h / 2)), colorOf(zone.limitTariff, colors));
    }
}

DayBar::DayBar(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("PaintBoxDay"));
    setFixedHeight(24);
}

void DayBar::setZones(const QList<DayBarZone> &zones)
{
    m_zones = zones;
    update();
}

void DayBar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    drawDayBar(painter, size(), m_zones, m_colors ? m_colors() : defaultTariffColors());
}

} // namespace schedule
