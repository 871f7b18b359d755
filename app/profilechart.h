#pragma once
// ChartProfile: the load profile of the chosen day as bars, one group per
// record time ("hh:mm" under the bars, every few groups when a day holds
// more of them than the axis can label), three series in the order "акт.",
// "прям.", "обр.". Its pop-up menu holds "Сохранить": the chart as it is
// shown, on white, into a BMP file.

#include "journals/journalrow.h"

#include <QChartView>
#include <QList>
#include <QMessageBox>
#include <functional>

class QAction;
class QCategoryAxis;
class QBarSeries;
class QBarSet;
class QValueAxis;

namespace app {

// What "Сохранить" asks of its owner; an empty member keeps the default
// (QFileDialog, QMessageBox, the chart being visible).
struct ChartSaveHooks
{
    // The chosen file (empty: cancelled).
    std::function<QString(const QString &filter, const QString &defaultSuffix)> saveFileName;
    std::function<void(QMessageBox::Icon, const QString &caption, const QString &text)> showMessage;
    // Whether the load-profile sub-page is the one shown: only there the
    // picture is saved.
    std::function<bool()> profileShown;
};

class ChartProfile : public QChartView
{
    Q_OBJECT
public:
    static constexpr int kSeriesCount = 3;

    explicit ChartProfile(QWidget *parent = nullptr);

    // Shows these points: the ones not shown yet are added, and a list that
    // is not a continuation of what is shown replaces it.
    void showPoints(const QList<journals::ProfilePoint> &points);
    void clear();

    // The series in their order, each with its one bar set.
    QBarSeries *series(int k) const { return m_series[k]; }
    QBarSet *barSet(int k) const { return m_sets[k]; }
    QCategoryAxis *timeAxis() const { return m_timeAxis; }
    // "hh:mm" of every bar group, and the ones the axis shows.
    QStringList times() const { return m_times; }
    QStringList shownTimes() const;
    QAction *saveAction() const { return m_save; }

    void setSaveHooks(ChartSaveHooks hooks);
    // The chart drawn into an image of the view's current size, on white.
    QImage picture();

private:
    void saveExecute();
    bool savePicture(const QString &path, QString *error);
    void addPoint(const journals::ProfilePoint &point);
    void fitValueAxis();
    void labelTimeAxis();

    QBarSeries *m_series[kSeriesCount] = {};
    QBarSet *m_sets[kSeriesCount] = {};
    QCategoryAxis *m_timeAxis = nullptr; // bar group i stands at x = i
    QStringList m_times;
    QValueAxis *m_valueAxis = nullptr;
    QAction *m_save = nullptr;
    ChartSaveHooks m_hooks;
    QDateTime m_firstShown; // time of the first point shown; invalid when none
    double m_low = 0;
    double m_high = 0;
};

} // namespace app
