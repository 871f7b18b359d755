#pragma once
// TDMemsl, the route-sheet data module: registers this workplace's work on a
// meter's production route sheet and, when the batch is complete, closes
// the operation and opens the next one of the route. It runs only inside
// the transaction of an operation record, so every error (a failed
// statement, or NULL where a number is read without a NULL test) makes the
// whole record roll back: each call then returns false with *error set.
// A "stop" of the route-sheet rules is not an error: the call returns true.
//
// AdmitToRouteSheet keeps the sheet, its route type and the entry of its
// open operation for the RegisterRouteResult that follows in the same
// record.

#include <QDateTime>
#include <QString>

namespace productiondb {

class DbConnection;

class TDMemsl
{
public:
    static constexpr int kProgrammingConfigId = 11; // the programming workplace

    explicit TDMemsl(DbConnection &db);

    // *has: the operator holds configuration configId.
    bool OperatorHasConfig(int configId, int personId, bool *has, QString *error);
    // *admitted: the meter's newest sheet waits for an operation of this
    // workplace; the workplace registration then exists.
    bool AdmitToRouteSheet(int number, int typeId, int configId, int personId, int plantId, bool *admitted,
                           QString *error);
    // Registers the meter as good; when the batch is complete closes the
    // operation and advances the sheet. now: the one moment of this record
    // ("dd.mm.yy" texts and date-times to the second are taken from it).
    bool RegisterRouteResult(int number, int typeId, int configId, int personId, const QDateTime &now,
                             QString *error);

    int sheetId() const { return m_sheetId; }
    int routeTypeId() const { return m_routeTypeId; }
    int pendingEntry() const { return m_pendingEntry; }

private:
    DbConnection &m_db;
    int m_sheetId = 0;
    int m_routeTypeId = 0;
    int m_pendingEntry = 0;
};

} // namespace productiondb
