#include "trackbar.h"

#include <QStyleOptionSlider>
#include <QStylePainter>

namespace schedule {

TrackBar::TrackBar(QWidget *parent) : QSlider(Qt::Horizontal, parent)
{
    setObjectName(QStringLiteral("TrackBar1"));
    setRange(0, 1439);
    setPageStep(5);
    setTickInterval(60);
    setTickPosition(QSlider::TicksAbove);
}

void TrackBar::setSelectionEnd(int value)
{
    m_selEnd = qBound(minimum(), value, maximum());
    update();
}

void TrackBar::paintEvent(QPaintEvent *)
{
    // Groove and ticks, then the selection over the groove, then the handle.
    QStylePainter painter(this);
    QStyleOptionSlider option;
    initStyleOption(&option);
    option.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderTickmarks;
    painter.drawComplexControl(QStyle::CC_Slider, option);

    const QRect groove = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const QRect handle = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    const int span = groove.width() - handle.width();
    if (span > 0 && m_selEnd > minimum()) {
        const int x0 = groove.left() + handle.width() / 2;
        const int x1 = x0 + QStyle::sliderPositionFromValue(minimum(), maximum(), m_selEnd, span);
        const QRect band(QPoint(x0, groove.center().y() - 2), QPoint(x1, groove.center().y() + 2));
        painter.fillRect(band, palette().color(QPalette::Highlight));
    }
    option.subControls = QStyle::SC_SliderHandle;
    painter.drawComplexControl(QStyle::CC_Slider, option);
}

} // namespace schedule
