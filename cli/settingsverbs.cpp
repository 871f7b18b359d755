#include "settingsverbs.h"

#include "productionmode.h"

#include "app/station.h"
#include "protocol/settingstemplate.h"

namespace cli {

SettingsVerbs::SettingsVerbs(app::Station &station, const Options &options, QObject *parent)
    : QObject(parent),
      m_station(station),
      m_path(options.writeSettings),
      m_serial(options.serial)
{
    auto &link = station.connection();
    connect(&link, &meterlink::MeterConnection::batchSucceeded, this, [this](meterlink::Batch batch) {
        if (batch == meterlink::Batch::Settings && m_step == Step::Writing)
            m_step = Step::AwaitingReset;
    });
    connect(&link, &meterlink::MeterConnection::batchFailed, this,
            [this](meterlink::Batch batch, const QString &message) {
                if (batch == meterlink::Batch::Settings && m_step == Step::Writing)
                    finish(ExitBatchFailed, message);
            });
    // Two seconds after the batch every read value is cleared and read anew.
    connect(&link, &meterlink::MeterConnection::resetRequested, this, [this] {
        if (m_step == Step::AwaitingReset)
            m_step = Step::Rereading;
    });
    connect(&link, &meterlink::MeterConnection::pollRequested, this, &SettingsVerbs::onPollRequested);
    auto &writer = station.settingsWriter();
    connect(&writer, &protocol::SettingsWriter::batchQueued, this, [this] { m_queued = true; });
    connect(&writer, &protocol::SettingsWriter::sensorValuesInvalid, this, [this] {
        emit sensorValuesInvalid(QStringLiteral("Некорректные значения дискретных датчиков"));
    });
}

bool SettingsVerbs::prepare(QString *error)
{
    if (m_path.isEmpty())
        return true;
    auto &values = m_station.settingsWriter().values();
    const auto loaded = protocol::loadSettingsTemplate(m_path, values, error);
    if (!loaded)
        return false;
    if (m_station.modes().databaseMode) {
        *error = disabledTasksRefusal(*loaded);
        if (!error->isEmpty())
            return false;
    }
    values = *loaded;
    // In database mode the serial is scanned in after the first cycle.
    if (!m_station.modes().databaseMode)
        values.SpinEdit_Number = m_serial;
    return true;
}

// Not from inside the link's queue change: the batch goes in on its own.
void SettingsVerbs::start()
{
    if (m_step == Step::Idle)
        QMetaObject::invokeMethod(this, &SettingsVerbs::write, Qt::QueuedConnection);
}

void SettingsVerbs::write()
{
    if (m_step != Step::Idle)
        return;
    m_step = Step::Writing;
    protocol::SettingsWriter::Refusal refusal;
    emit aboutToWrite();
    const bool written = m_station.settingsWriter().write(&refusal);
    int code = ExitBatchFailed;
    QString message = refusal.text.isEmpty() ? refusal.caption : refusal.text;
    if (m_refusalVerdict)
        m_refusalVerdict(&code, &message);
    if (!written) {
        finish(code, message);
        return;
    }
    if (!m_queued) // no box ticked: nothing to write
        finish(ExitOk);
}

// The first cycle start after the reset begins a whole cycle; the next one ends it.
void SettingsVerbs::onPollRequested(int n)
{
    if (n != 0 || m_step != Step::Rereading)
        return;
    if (++m_cycleStartsAfterReset == 2)
        finish(ExitOk);
}

void SettingsVerbs::finish(int exitCode, const QString &message)
{
    if (m_step == Step::Done)
        return;
    m_step = Step::Done;
    emit finished(exitCode, message);
}

} // namespace cli
