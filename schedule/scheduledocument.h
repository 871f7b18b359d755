#pragma once
// The complete tariff schedule of the program: the zone records (the model
// the editor works on), the holiday list, the day-transfer list and the
// limit coefficient. New, load from file and save to file work on the whole
// of it; the window's pages, the transfer to and from the meter and the
// command line all use this one object.

#include "schedule/holidays.h"
#include "schedule/limitcoefficient.h"
#include "schedule/schedulefile.h"
#include "schedule/schedulemodel.h"
#include "schedule/transfers.h"

#include <QObject>

namespace schedule {

class ScheduleDocument : public QObject
{
    Q_OBJECT
public:
    explicit ScheduleDocument(QObject *parent = nullptr);

    ScheduleModel &model() { return m_model; }
    const ScheduleModel &model() const { return m_model; }
    // The lists are edited in place by their page; whoever changes them
    // outside the page says so with notifyHolidaysChanged/notifyTransfersChanged.
    HolidayList &holidays() { return m_holidays; }
    TransferList &transfers() { return m_transfers; }
    void notifyHolidaysChanged() { emit holidaysChanged(); }
    void notifyTransfersChanged() { emit transfersChanged(); }

    // SpinLimit of the page "Праздники и коэффициент лимита": 1..255.
    int limitCoefficient() const { return m_coefficient; }
    void setLimitCoefficient(int value);

    // "&Новое": empty schedule, the default holidays, no transfers; the
    // coefficient stays.
    void newSchedule();
    // SaveZones (commits the editor) with the two blocks and the coefficient,
    // as the file and the write to the meter carry them.
    ScheduleFileData exportData();
    // Replaces the whole schedule (LoadZones: uncommitted edits are lost).
    // Zone entries that are no real time are skipped; returns how many.
    int importData(const ScheduleFileData &data);

    // The file actions; false with a Russian message in *error, and then
    // nothing of the schedule has changed (load) or been written (save).
    bool saveFile(const QString &path, QString *error);
    bool loadFile(const QString &path, QString *error, int *skippedZones = nullptr);

signals:
    void holidaysChanged();
    void transfersChanged();
    void limitCoefficientChanged(int value);

private:
    ScheduleModel m_model;
    HolidayList m_holidays;
    TransferList m_transfers;
    int m_coefficient = kMinCoefficient;
};

// "Пропущено записей расписания с неверным временем: N" when N > 0.
QString skippedZonesMessage(int skipped);

} // namespace schedule
