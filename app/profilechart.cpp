#include "profilechart.h"

#include <QAction>
#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QFileDialog>
#include <QImageWriter>
#include <QPainter>
#include <QSaveFile>
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

// At most this many times under the bars: a day of records at a short
// period is labelled every few groups.
constexpr int kMaxTimeLabels = 12;

} // namespace

ChartProfile::ChartProfile(QWidget *parent) : QChartView(parent)
{
    setObjectName(QStringLiteral("ChartProfile"));
    setRenderHint(QPainter::Antialiasing);
    // The view made a chart of its own; setChart() would only release it.
    QChart *chart = this->chart();
    chart->setTitle(QStringLiteral("Профиль нагрузки (кВт.ч.)"));
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->legend()->setAlignment(Qt::AlignRight);
    chart->setMargins(QMargins(2, 2, 2, 2));
    chart->setLocalizeNumbers(true); // the display locale's decimal separator
    chart->setLocale(protocol::displayLocale());

    m_timeAxis = new QCategoryAxis(chart);
    m_timeAxis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    m_timeAxis->setGridLineVisible(false);
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
    clear();

    m_save = new QAction(QStringLiteral("Сохранить"), this);
    m_save->setObjectName(QStringLiteral("NSaveChart"));
    addAction(m_save);
    connect(m_save, &QAction::triggered, this, &ChartProfile::saveExecute);
    setSaveHooks({});
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

void ChartProfile::clear()
{
    for (QBarSet *set : m_sets)
        set->remove(0, set->count());
    m_times.clear();
    labelTimeAxis();
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
    labelTimeAxis();
    fitValueAxis();
}

void ChartProfile::addPoint(const journals::ProfilePoint &point)
{
    if (m_sets[0]->count() == 0)
        m_firstShown = point.when;
    m_times << point.when.time().toString(QStringLiteral("hh:mm"));
    for (int k = 0; k < kSeriesCount; ++k) {
        m_sets[k]->append(point.values[k]);
        m_low = qMin(m_low, point.values[k]);
        m_high = qMax(m_high, point.values[k]);
    }
}

void ChartProfile::labelTimeAxis()
{
    for (const QString &label : m_timeAxis->categoriesLabels())
        m_timeAxis->remove(label);
    const qsizetype count = m_times.size();
    m_timeAxis->setRange(-0.5, qMax<qsizetype>(count, 1) - 0.5);
    const qsizetype step = (count + kMaxTimeLabels - 1) / kMaxTimeLabels;
    for (qsizetype i = 0; i < count; i += qMax<qsizetype>(step, 1)) {
        QString label = m_times[i];
        // Labels are unique: a repeated time of day keeps its own place.
        while (m_timeAxis->categoriesLabels().contains(label))
            label += QLatin1Char(' ');
        m_timeAxis->append(label, double(i));
    }
}

QStringList ChartProfile::shownTimes() const
{
    QStringList out;
    for (const QString &label : m_timeAxis->categoriesLabels())
        out << label.trimmed();
    return out;
}

// Room above the highest bar for its value.
void ChartProfile::fitValueAxis()
{
    const double span = m_high - m_low;
    m_valueAxis->setRange(m_low < 0 ? m_low - span * 0.15 : 0, m_high > 0 ? m_high + span * 0.15 : 1);
    m_valueAxis->applyNiceNumbers();
}

// ---------------------------------------------------------------- the picture

void ChartProfile::setSaveHooks(ChartSaveHooks hooks)
{
    m_hooks = std::move(hooks);
    if (!m_hooks.saveFileName)
        m_hooks.saveFileName = [this](const QString &filter, const QString &suffix) {
            QFileDialog dialog(this, QString(), QString(), filter);
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            dialog.setDefaultSuffix(suffix);
            return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
        };
    if (!m_hooks.showMessage)
        m_hooks.showMessage = [this](QMessageBox::Icon icon, const QString &caption, const QString &text) {
            QMessageBox box(icon, caption, text, QMessageBox::Ok, this);
            box.exec();
        };
    if (!m_hooks.profileShown)
        m_hooks.profileShown = [this] { return isVisible(); };
}

// The dialog comes first; on any other sub-page it then closes without
// effect.
void ChartProfile::saveExecute()
{
    const QString path = m_hooks.saveFileName(QStringLiteral("Bitmaps (*.bmp)"), QStringLiteral("bmp"));
    if (path.isEmpty() || !m_hooks.profileShown())
        return;
    if (QString error; !savePicture(path, &error))
        m_hooks.showMessage(QMessageBox::Warning, QStringLiteral("Ошибка"),
                            QStringLiteral("Рисунок не может быть сохранен в файл \"%1\": %2").arg(path, error));
}

QImage ChartProfile::picture()
{
    QImage image(size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    // The scene only, not the view's own background: what the chart leaves
    // unpainted (its rounded corners) stays white.
    render(&painter, QRectF(image.rect()), viewport()->rect());
    return image;
}

// Written aside and put in place at the end: a failed save leaves an
// existing file as it was.
bool ChartProfile::savePicture(const QString &path, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    QImageWriter writer(&file, "BMP");
    if (!writer.write(picture())) {
        *error = writer.errorString();
        return false;
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace app
