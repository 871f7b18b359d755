#include "recordverbs.h"

#include "app/productionrecording.h"
#include "app/station.h"

namespace cli {

RecordVerbs::RecordVerbs(app::Station &station, const Options &options, QObject *parent)
    : QObject(parent),
      m_station(station),
      m_fixDb(options.fixDb)
{
    app::ProductionRecording *recording = station.productionRecording();
    Q_ASSERT(recording);
    connect(recording, &app::ProductionRecording::refused, this, &RecordVerbs::onRefused);
    connect(recording, &app::ProductionRecording::databaseError, this, &RecordVerbs::onDatabaseError);
    connect(recording, &app::ProductionRecording::recordFailed, this, &RecordVerbs::onRecordFailed);
    connect(recording, &app::ProductionRecording::recorded, this, &RecordVerbs::onRecorded);
    // Only a batch that went into the queue is recorded, and only when it succeeds.
    connect(&station.settingsWriter(), &protocol::SettingsWriter::batchQueued, this, [this] {
        m_recordPending = true;
    });
    connect(&station.connection(), &meterlink::MeterConnection::batchFailed, this,
            [this](meterlink::Batch batch, const QString &) {
                if (batch == meterlink::Batch::Settings)
                    m_recordPending = false;
            });
}

bool RecordVerbs::done() const
{
    return !m_recordPending && (!m_fixDb || m_step == Step::Done);
}

// Not from inside the link's queue change, as a click would not be.
void RecordVerbs::start()
{
    if (m_fixDb && m_step == Step::Idle)
        QMetaObject::invokeMethod(this, &RecordVerbs::fixDb, Qt::QueuedConnection);
}

void RecordVerbs::fixDb()
{
    // The action is enabled only once the meter has reported a serial above 0.
    if (!m_station.connection().fixDbEnabled()) {
        finish(ExitMeterRefused,
               QStringLiteral("Зафиксировать в БД нельзя: счетчик не сообщил заводской номер."));
        return;
    }
    m_step = Step::FixingDb;
    m_station.productionRecording()->fixDb();
}

void RecordVerbs::preCheckStarting()
{
    m_step = m_step == Step::Idle ? Step::Checking : m_step;
    m_verdictCode = ExitOk;
    m_verdictMessage.clear();
}

void RecordVerbs::preCheckVerdict(int *exitCode, QString *message)
{
    if (m_step == Step::Checking)
        m_step = Step::Idle;
    if (m_verdictCode == ExitOk)
        return;
    *exitCode = m_verdictCode;
    *message = m_verdictMessage;
}

void RecordVerbs::onRefused(const QString &caption, const QString &text)
{
    const QString message = text.isEmpty() ? caption : text;
    if (m_step == Step::FixingDb) {
        finish(ExitMeterRefused, message);
    } else if (m_step == Step::Checking) {
        m_verdictCode = ExitMeterRefused;
        m_verdictMessage = message;
    }
}

void RecordVerbs::onDatabaseError(const QString &text)
{
    if (m_step == Step::FixingDb) {
        finish(ExitDatabaseError, text);
    } else if (m_step == Step::Checking) {
        m_verdictCode = ExitDatabaseError;
        m_verdictMessage = text;
    } else {
        emit warning(text);
    }
}

void RecordVerbs::onRecordFailed(const QString &, const QString &text)
{
    m_recordPending = false;
    finish(ExitRecordFailed, text);
}

void RecordVerbs::onRecorded(bool withSettings)
{
    if (withSettings) {
        m_recordPending = false;
        emit finished(ExitOk, {}); // the run may end now, if its time is over
    } else if (m_step == Step::FixingDb) {
        finish(ExitOk);
    }
}

void RecordVerbs::finish(int exitCode, const QString &message)
{
    if (m_step == Step::Done)
        return;
    m_step = Step::Done;
    emit finished(exitCode, message);
}

} // namespace cli
