#include "scheduleverbs.h"

#include "app/station.h"
#include "schedule/holidays.h"
#include "schedule/limitcoefficient.h"
#include "schedule/transfers.h"
#include "schedule/zoneentry.h"

namespace cli {

ScheduleVerbs::ScheduleVerbs(app::Station &station, const Options &options, QObject *parent)
    : QObject(parent),
      m_station(station),
      m_writePath(options.writeSchedule),
      m_readPath(options.readSchedule),
      m_verify(options.verify)
{
    auto &link = station.connection();
    connect(&link, &meterlink::MeterConnection::batchSucceeded, this, [this](meterlink::Batch batch) {
        // Not from inside the link's queue change: the next step queues requests of its own.
        if (batch == meterlink::Batch::Schedule && m_step == Step::Writing)
            QMetaObject::invokeMethod(this, &ScheduleVerbs::next, Qt::QueuedConnection);
    });
    connect(&link, &meterlink::MeterConnection::batchFailed, this,
            [this](meterlink::Batch batch, const QString &message) {
                if (batch == meterlink::Batch::Schedule && m_step == Step::Writing)
                    finish(ExitBatchFailed, message);
            });
    // A read has no batch flag: polling that resumes before its last reply
    // means the rest of it was dropped (time-out or error reply).
    connect(&link, &meterlink::MeterConnection::pollRequested, this, [this] { onPollResumed(); });
    auto &transfer = station.scheduleTransfer();
    connect(&transfer, &schedule::ScheduleTransfer::readFinished, this, &ScheduleVerbs::onReadFinished);
}

bool ScheduleVerbs::prepare(QString *error)
{
    if (m_writePath.isEmpty())
        return true;
    const auto data = schedule::loadTscFile(m_writePath, error);
    if (!data)
        return false;
    if (data->zoneEntries.size() > schedule::kMaxZones) {
        *error = QStringLiteral("%1: в расписании %2 зон, в счетчик можно записать не более %3")
                     .arg(m_writePath)
                     .arg(data->zoneEntries.size())
                     .arg(schedule::kMaxZones);
        return false;
    }
    auto &doc = m_station.schedule();
    if (const int skipped = doc.importData(*data); skipped > 0) {
        *error = m_writePath + QStringLiteral(": ") + schedule::skippedZonesMessage(skipped);
        return false;
    }
    m_written = doc.exportData();
    return true;
}

void ScheduleVerbs::start()
{
    if (m_step == Step::Idle)
        QMetaObject::invokeMethod(this, &ScheduleVerbs::next, Qt::QueuedConnection);
}

// Write, verify, read: each step that is asked for, in this order.
void ScheduleVerbs::next()
{
    if (!m_writePath.isEmpty() && !m_wrote) {
        m_wrote = true;
        write();
    } else if (m_verify && !m_verified) {
        m_verified = true;
        readBack(Step::Verifying);
    } else if (!m_readPath.isEmpty() && !m_read) {
        m_read = true;
        readBack(Step::Reading);
    } else {
        finish(ExitOk);
    }
}

void ScheduleVerbs::write()
{
    m_step = Step::Writing;
    QString error;
    if (!m_station.scheduleTransfer().writeToMeter(&error))
        finish(ExitScheduleFile, error);
}

void ScheduleVerbs::readBack(Step step)
{
    m_step = step;
    m_station.scheduleTransfer().readFromMeter();
}

void ScheduleVerbs::onPollResumed()
{
    if (m_step == Step::Verifying || m_step == Step::Reading)
        finish(ExitBatchFailed, QStringLiteral("Во время чтения тарифного расписания произошла ошибка. "
                                               "Описание смотрите в протоколе."));
}

void ScheduleVerbs::onReadFinished()
{
    const Step step = m_step;
    // Polling resumes right after the last reply: that is no failure.
    if (step == Step::Verifying || step == Step::Reading)
        m_step = Step::Between;
    if (step == Step::Verifying) {
        const QString diff = differences();
        if (!diff.isEmpty()) {
            finish(ExitVerifyFailed, QStringLiteral("Тарифное расписание в счетчике отличается от записанного: ") + diff);
            return;
        }
        QMetaObject::invokeMethod(this, &ScheduleVerbs::next, Qt::QueuedConnection);
    } else if (step == Step::Reading) {
        QString error;
        if (!m_station.schedule().saveFile(m_readPath, &error)) {
            finish(ExitScheduleFile, error);
            return;
        }
        QMetaObject::invokeMethod(this, &ScheduleVerbs::next, Qt::QueuedConnection);
    }
}

// What the meter should hold after the write: the zones in order, the
// holidays and transfers written (none with an empty schedule: they are
// cleared, not written), the coefficient.
QString ScheduleVerbs::differences() const
{
    auto &doc = m_station.schedule();
    QStringList parts;
    const auto held = doc.model().committedZones();
    QList<QByteArray> heldEntries;
    for (const auto &zone : held)
        heldEntries << schedule::ZoneEntry::encode(zone);
    if (heldEntries != m_written.zoneEntries)
        parts << QStringLiteral("зоны");
    const bool listsWritten = !m_written.zoneEntries.isEmpty();
    schedule::HolidayList holidays;
    schedule::TransferList transfers;
    if (listsWritten) {
        holidays.SetHolidayBlock(m_written.holidayBlock);
        transfers.SetTransferBlock(m_written.transferBlock);
    }
    if (holidays.rows() != doc.holidays().rows())
        parts << QStringLiteral("праздники");
    if (transfers.rows() != doc.transfers().rows())
        parts << QStringLiteral("переносы");
    if (doc.limitCoefficient() != schedule::coefficientFromByte(m_written.coefficient))
        parts << QStringLiteral("коэффициент лимита");
    return parts.join(QStringLiteral(", "));
}

void ScheduleVerbs::finish(int exitCode, const QString &message)
{
    if (m_step == Step::Done)
        return;
    m_step = Step::Done;
    emit finished(exitCode, message);
}

} // namespace cli
