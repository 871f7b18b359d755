#pragma once
// Production mode's records, as every face of the station uses them: before
// a settings batch the meter is checked in the factory database (and the
// PC clock synchronised); the batch's values are kept as it is queued; when
// the whole batch has been acknowledged (the green lamp is already on) the
// run is recorded with its route-sheet step; a new serial looks up the
// meter's last programming, and every time reply adds to the clock-drift
// estimate shown in EditDelta. "Зафиксировать в Б&Д" records the connected
// meter without writing. Exists in database mode only; shows nothing
// itself: the window turns the signals into message boxes and the lamp,
// the command line into messages and exit codes.
//
// What the database says inside a handler that goes on afterwards (the
// reply of a new serial, the queue running empty after a batch, the clock
// synchronisation before a batch is built) is told once that handler has
// finished, so no message box ever opens in the middle of it; a refused
// pre-check is told at once, nothing follows it. A server clock that cannot be read does not
// stop a batch whose pre-check has passed: the meter gets the PC's time and
// the error is told after the batch has been queued.

#include "protocol/settingswriter.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

namespace productiondb {
class DbConnection;
class Workstation;
struct DbOutcome;
}

namespace app {

class Station;

class ProductionRecording : public QObject
{
    Q_OBJECT
public:
    // Installs the settings writer's pre-check and clock synchronisation and
    // follows the link, the page and the reset of the station.
    ProductionRecording(Station &station, productiondb::DbConnection &db, productiondb::Workstation &workstation,
                        QObject *parent = nullptr);
    ~ProductionRecording() override;

    // ActionFixDb. The outcome comes as recorded() or one of the failures.
    void fixDb();

signals:
    // A pre-check refused the batch (nothing was sent), or ActionFixDb's
    // meter is not in the database: error icon, this caption and text.
    void refused(const QString &caption, const QString &text);
    // A statement outside a record failed: for the general error handler.
    void databaseError(const QString &text);
    // A record was rolled back: "Ошибка БД", "Ошибка записи в БД: " + the
    // server's message.
    void recordFailed(const QString &caption, const QString &text);
    // A record was committed (withSettings: after a settings batch).
    void recorded(bool withSettings);

private:
    bool preCheck(const protocol::SettingsValues &values, quint32 meterSerial,
                  protocol::SettingsWriter::Refusal *refusal);
    void keepBatchValues();
    void recordBatch();
    void lookUpLastProgrammed(quint32 serial);
    void report(const productiondb::DbOutcome &outcome, bool withSettings);
    // After the handler running now has finished (a reply, the queue's
    // change): a message box must never open in the middle of either.
    void reportLater(std::function<void()> report);

    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace app
