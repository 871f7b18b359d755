#pragma once
// Operation records: before a settings write the meter is looked up in the
// factory database (and a new RF-PLC number checked to be free); after it,
// or on "Зафиксировать в Б&Д", one record is written in one transaction:
// the operation, the values read from and written into the meter, the RF-PLC
// identity of a meter numbered now, and the meter's result on its route
// sheet. When any statement of the record fails, the transaction is rolled
// back before the failure is reported, so no message box ever runs inside
// an open transaction.
//
// The recorder shows nothing itself: every call returns what the window
// shows (DbOutcome).

#include "db/dboutcome.h"
#include "db/operationvalues.h"

#include <QDateTime>
#include <QLocale>
#include <QVariantMap>

namespace productiondb {

class DbConnection;
class DriftEstimate;
class TDMemsl;

class OperationRecorder
{
public:
    static constexpr int kMeterTypeId = 48;          // this meter model in electrometer
    static constexpr int kProgrammingOperation = 3;  // operation.type_id of a programming run

    // locale: the one the meter page shows its numbers in.
    OperationRecorder(DbConnection &db, TDMemsl &routeSheet, const QLocale &locale);

    // The operator and installation found at identification.
    void setIdentity(int personId, int plantId);

    // Before a settings write: the meter (meterSerial, or SpinEdit_Number
    // when the meter has no serial yet) must be in electrometer, and the
    // number a meter is given now must not be in set_pk yet. Sets electroId
    // when the meter is found. Refused or DatabaseError: nothing is sent.
    DbOutcome CheckMeterInDatabase(quint32 meterSerial, int SpinEdit_Number);
    int electroId() const { return m_electroId; }

    // A new serial was read: the meter's last programming from set_tarvik
    // into drift (none when it was never recorded). A failing lookup leaves
    // drift without a last programming and returns the error, to be shown
    // once the reply has been dealt with.
    DbOutcome lookUpLastProgrammed(quint32 meterSerial, DriftEstimate &drift);

    // Writes one record for electroId in one transaction. withSettings: it
    // follows a settings write, so the ticked boxes' values are stored too.
    // now: the one moment of this record (route-sheet dates).
    DbOutcome RecordOperation(int electroId, const OperationValues &values, bool withSettings, const QDateTime &now);

    // "Зафиксировать в Б&Д": records the connected meter (by its serial)
    // without settings. Refused when it is not in electrometer; otherwise
    // the record's outcome, and the lamp shows green only when it is Done.
    DbOutcome FixDb(const OperationValues &values, const QDateTime &now);

private:
    DbConnection &m_db;
    TDMemsl &m_routeSheet;
    QLocale m_locale;
    int m_personId = 0;
    int m_plantId = 0;
    int m_electroId = 0;

    // The parameters of QueryIns for these values: every one NULL first, then
    // those the record fills.
    QVariantMap settingsRowParameters(int operationId, const OperationValues &values, bool withSettings) const;
    // The statements of a record, in order; an empty text when all ran,
    // else the server's message of the first that failed.
    QString writeRecord(int electroId, const OperationValues &values, bool withSettings, const QDateTime &now);
    QString writeRouteSheet(int number, const QDateTime &now);
};

} // namespace productiondb
