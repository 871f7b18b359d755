#include "profilechart.h"

#include <QAction>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QValueAxis>

#include "protocol/encodings.h"

namespace app {

namespace {

struct SeriesLook
{
    const char *name;
    QColor color;
    bool labels; // the value above each bar
};

// "акт." carries no values above its bars: the two reactive series do.
const SeriesLook kLooks[ChartProfile::kSeriesCount] = {
    {"акт.", QColor(0, 64, 128), false},
    {"прям.", QColor(Qt::red), true},
    {"обр.", QColor(Qt::green), true},
};

// Up to this many bar groups the times under them stand level.
constexpr int kLevelLabels = 12;

} // namespace

ChartProfile::ChartProfile(QWidget *parent) : QChartView(parent)
{
    setObjectName(QStringLiteral("ChartProfile"));
    setRenderHint(QPainter::Antialiasing);
    auto *chart = new QChart;
    chart->setTitle(QStringLiteral("Профиль нагрузки (кВт.ч.)"));
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->legend()->setAlignment(Qt::AlignRight);
    chart->setMargins(QMargins(2, 2, 2, 2));
    chart->setLocalizeNumbers(true); // the display locale's decimal separator
    chart->setLocale(protocol::displayLocale());

    m_timeAxis = new QBarCategoryAxis(chart);
    m_valueAxis = new QValueAxis(chart);
    m_valueAxis->setLabelFormat(QStringLiteral("%.2f"));
    chart->addAxis(m_timeAxis, Qt::AlignBottom);
    chart->addAxis(m_valueAxis, Qt::AlignLeft);
    for (int k = 0; k < kSeriesCount; ++k) {
        m_sets[k] = new QBarSet(QString::fromUtf8(kLooks[k].name));
        m_sets[k]->setColor(kLooks[k].color);
        m_sets[k]->setBorderColor(kLooks[k].color);
        m_sets[k]->setLabelColor(Qt::black);
        m_series[k] = new QBarSeries(chart);
        m_series[k]->setName(m_sets[k]->label());
        m_series[k]->append(m_sets[k]);
        m_series[k]->setLabelsVisible(kLooks[k].labels);
        m_series[k]->setLabelsPosition(QAbstractBarSeries::LabelsOutsideEnd);
        m_series[k]->setLabelsFormat(QStringLiteral("@value"));
        m_series[k]->setLabelsPrecision(8);
        chart->addSeries(m_series[k]);
        m_series[k]->attachAxis(m_timeAxis);
        m_series[k]->attachAxis(m_valueAxis);
    }
    setChart(chart);
    clear();

    m_save = new QAction(QStringLiteral("Сохранить"), this);
    m_save->setObjectName(QStringLiteral("NSaveChart"));
    m_save->setEnabled(false); // the picture file comes with the journal export
    addAction(m_save);
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

void ChartProfile::clear()
{
    for (QBarSet *set : m_sets)
        set->remove(0, set->count());
    m_timeAxis->clear();
    m_firstShown = QDateTime();
    m_low = m_high = 0;
    fitValueAxis();
}

void ChartProfile::showPoints(const QList<journals::ProfilePoint> &points)
{
    const qsizetype shown = m_sets[0]->count();
    if (points.size() < shown || (shown > 0 && points.first().when != m_firstShown))
        clear();
    for (qsizetype i = m_sets[0]->count(); i < points.size(); ++i)
        addPoint(points[i]);
    // A day of records has many times under its bars: upright, they do not overlap.
    m_timeAxis->setLabelsAngle(points.size() > kLevelLabels ? -90 : 0);
    fitValueAxis();
}

void ChartProfile::addPoint(const journals::ProfilePoint &point)
{
    if (m_sets[0]->count() == 0)
        m_firstShown = point.when;
    QString label = point.when.time().toString(QStringLiteral("hh:mm"));
    // Categories are unique: a repeated time of day keeps its own bar group.
    while (m_timeAxis->categories().contains(label))
        label += QLatin1Char(' ');
    m_timeAxis->append(label);
    for (int k = 0; k < kSeriesCount; ++k) {
        m_sets[k]->append(point.values[k]);
        m_low = qMin(m_low, point.values[k]);
        m_high = qMax(m_high, point.values[k]);
    }
}

// Room above the highest bar for its value.
void ChartProfile::fitValueAxis()
{
    const double span = m_high - m_low;
    m_valueAxis->setRange(m_low < 0 ? m_low - span * 0.15 : 0, m_high > 0 ? m_high + span * 0.15 : 1);
    m_valueAxis->applyNiceNumbers();
}

} // namespace app
