#include "scheduledocument.h"

#include "schedule/limitcoefficient.h"
#include "schedule/zoneentry.h"

namespace schedule {

ScheduleDocument::ScheduleDocument(QObject *parent) : QObject(parent)
{
    m_holidays.setDefaults(); // the list starts with the default holidays
}

void ScheduleDocument::setLimitCoefficient(int value)
{
    value = qBound(kMinCoefficient, value, kMaxCoefficient);
    if (value == m_coefficient)
        return;
    m_coefficient = value;
    emit limitCoefficientChanged(value);
}

void ScheduleDocument::newSchedule()
{
    m_model.replaceCommitted({});
    m_holidays.setDefaults();
    m_transfers.clear();
    emit holidaysChanged();
    emit transfersChanged();
}

ScheduleFileData ScheduleDocument::exportData()
{
    ScheduleFileData data;
    data.holidayBlock = m_holidays.GetHolidayBlock();
    data.transferBlock = m_transfers.GetTransferBlock();
    data.coefficient = static_cast<quint8>(m_coefficient);
    for (const ZoneRecord &zone : m_model.exportCommitted())
        data.zoneEntries << ZoneEntry::encode(zone);
    return data;
}

int ScheduleDocument::importData(const ScheduleFileData &data)
{
    m_holidays.SetHolidayBlock(data.holidayBlock);
    m_transfers.SetTransferBlock(data.transferBlock);
    setLimitCoefficient(coefficientFromByte(data.coefficient));
    const DecodedZones decoded = decodeZoneEntries(data.zoneEntries);
    m_model.replaceCommitted(decoded.zones);
    emit holidaysChanged();
    emit transfersChanged();
    return decoded.skipped;
}

bool ScheduleDocument::saveFile(const QString &path, QString *error)
{
    return saveTscFile(path, exportData(), error);
}

bool ScheduleDocument::loadFile(const QString &path, QString *error, int *skippedZones)
{
    const auto data = loadTscFile(path, error);
    if (!data)
        return false;
    const int skipped = importData(*data);
    if (skippedZones)
        *skippedZones = skipped;
    return true;
}

QString skippedZonesMessage(int skipped)
{
    if (skipped <= 0)
        return {};
    return QStringLiteral("Пропущено записей расписания с неверным временем: %1").arg(skipped);
}

} // namespace schedule
