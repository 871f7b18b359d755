#include "productionrecording.h"

#include "app/station.h"
#include "db/UDMemsl.h"
#include "db/dbconnection.h"
#include "db/driftestimate.h"
#include "db/operationrecord.h"
#include "db/operationvaluesfrompage.h"
#include "db/workstation.h"

#include <utility>

namespace app {

using productiondb::DbOutcome;

struct ProductionRecording::Private
{
    Private(Station &s, productiondb::DbConnection &database, productiondb::Workstation &ws)
        : station(s),
          workstation(ws),
          locale(s.decoders().locale()),
          routeSheet(database),
          recorder(database, routeSheet, locale),
          drift(locale)
    {
    }

    Station &station;
    productiondb::Workstation &workstation;
    QLocale locale; // the one the meter page shows its numbers in
    productiondb::TDMemsl routeSheet;
    productiondb::OperationRecorder recorder;
    productiondb::DriftEstimate drift;

    // The settings batch in the queue: the meter its pre-check found and the
    // values it was queued with.
    bool batchQueued = false;
    int batchElectroId = 0;
    productiondb::OperationValues batchValues;

    // The operator and installation as the last identification found them.
    productiondb::OperationRecorder &identified()
    {
        recorder.setIdentity(workstation.personId(), workstation.plantId());
        return recorder;
    }
};

ProductionRecording::ProductionRecording(Station &station, productiondb::DbConnection &db,
                                         productiondb::Workstation &workstation, QObject *parent)
    : QObject(parent), d(std::make_unique<Private>(station, db, workstation))
{
    auto &writer = station.settingsWriter();
    writer.setPreCheck([this](const protocol::SettingsValues &values, quint32 meterSerial, bool,
                              protocol::SettingsWriter::Refusal *refusal) {
        return preCheck(values, meterSerial, refusal);
    });
    writer.setClockSync([this] {
        const productiondb::DbResult synced = d->workstation.SyncClockFromServer();
        // Shown once the batch is queued: a box open inside the write would
        // let the scanner change the number the pre-check has just passed.
        if (!synced.ok)
            reportLater([this, text = synced.error] { emit databaseError(text); });
    });
    connect(&writer, &protocol::SettingsWriter::batchQueued, this, [this] { keepBatchValues(); });
    connect(&station.connection(), &meterlink::MeterConnection::batchSucceeded, this,
            [this](meterlink::Batch batch) {
                if (batch == meterlink::Batch::Settings)
                    recordBatch();
            });
    connect(&station.connection(), &meterlink::MeterConnection::batchFailed, this,
            [this](meterlink::Batch batch) {
                if (batch == meterlink::Batch::Settings)
                    d->batchQueued = false; // never recorded
            });

    auto &decoders = station.decoders();
    decoders.setSerialLookup([this](quint32 serial) { lookUpLastProgrammed(serial); });
    decoders.setApplyDriftEstimate([this](const QDateTime &meterTime) {
        d->station.page().setEditDelta(d->drift.ApplyDriftEstimate(meterTime, d->station.clock().now()));
    });
    connect(&station, &Station::readingsReset, this, [this] { d->drift.reset(); });
}

ProductionRecording::~ProductionRecording()
{
    // The hooks refer to this object.
    auto &writer = d->station.settingsWriter();
    writer.setPreCheck({});
    writer.setClockSync({});
    d->station.decoders().setSerialLookup({});
    d->station.decoders().setApplyDriftEstimate({});
}

void ProductionRecording::reportLater(std::function<void()> report)
{
    d->station.clock().callLater(0, this, std::move(report));
}

bool ProductionRecording::preCheck(const protocol::SettingsValues &values, quint32 meterSerial,
                                   protocol::SettingsWriter::Refusal *refusal)
{
    const DbOutcome outcome = d->recorder.CheckMeterInDatabase(meterSerial, values.SpinEdit_Number);
    // The face shows the box from the signal; the writer only learns that
    // the batch was refused (an empty text: nothing more to show).
    switch (outcome.kind) {
    case DbOutcome::Done:
        return true;
    case DbOutcome::Refused:
        emit refused(outcome.caption, outcome.text);
        break;
    default:
        emit databaseError(outcome.text);
        break;
    }
    *refusal = {outcome.caption, QString()};
    return false;
}

// The batch has just been queued: the values it was built with are still
// the page's, and pickers that follow the clock stand at the moment it took
// (to the second, as the meter was given it).
void ProductionRecording::keepBatchValues()
{
    const auto &values = d->station.settingsWriter().values();
    d->batchQueued = true;
    d->batchElectroId = d->recorder.electroId();
    d->batchValues = productiondb::operationValuesFrom(d->station.page(), values);
    const QDateTime now = d->station.clock().now();
    if (!values.datePickerEdited)
        d->batchValues.DatePicker = now.date();
    if (!values.timePickerEdited)
        d->batchValues.TimePicker = QTime(now.time().hour(), now.time().minute(), now.time().second());
}

// Every request of the settings batch was acknowledged; the green lamp is
// already on. The outcome is told once the queue has moved on.
void ProductionRecording::recordBatch()
{
    // Only a batch the pre-check passed and whose values were kept.
    if (!std::exchange(d->batchQueued, false))
        return;
    const DbOutcome outcome =
        d->identified().RecordOperation(d->batchElectroId, d->batchValues, true, d->station.clock().now());
    reportLater([this, outcome] { report(outcome, true); });
}

// A new serial in the reply 0x01: the meter's last programming. A failure
// is shown after the reply has been dealt with; the link goes on.
void ProductionRecording::lookUpLastProgrammed(quint32 serial)
{
    const DbOutcome outcome = d->recorder.lookUpLastProgrammed(serial, d->drift);
    if (!outcome.done())
        reportLater([this, text = outcome.text] { emit databaseError(text); });
}

void ProductionRecording::fixDb()
{
    const productiondb::OperationValues values =
        productiondb::operationValuesFrom(d->station.page(), d->station.settingsWriter().values());
    const DbOutcome outcome = d->identified().FixDb(values, d->station.clock().now());
    report(outcome, false);
    // The lamp follows the record's message, and tells its result.
    if (outcome.kind == DbOutcome::Done)
        d->station.connection().showLamp(meterlink::Lamp::Green);
    else if (outcome.kind == DbOutcome::RecordFailed)
        d->station.connection().showLamp(meterlink::Lamp::Red);
}

void ProductionRecording::report(const DbOutcome &outcome, bool withSettings)
{
    switch (outcome.kind) {
    case DbOutcome::Done:
        emit recorded(withSettings);
        break;
    case DbOutcome::Refused:
        emit refused(outcome.caption, outcome.text);
        break;
    case DbOutcome::RecordFailed:
        emit recordFailed(outcome.caption, outcome.text);
        break;
    case DbOutcome::DatabaseError:
        emit databaseError(outcome.text);
        break;
    }
}

} // namespace app
