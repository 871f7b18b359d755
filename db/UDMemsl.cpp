#include "db/UDMemsl.h"

#include "db/dbconnection.h"

namespace productiondb {

namespace {

// The route-sheet statements, exactly as the factory's database expects
// them; named as the rest of the factory's software knows them.
namespace sql {
const char *const qConfigOperator =
    "select * from config_operator,operator where config_operator.person_id=:id1 and config_operator.config_id=:id2 and\n"
    "config_operator.person_id=operator.person_id";
const char *const qElectro = "select * from electrometer where number=:num and type_id=:id";
const char *const qElectroMsl = "select * from MslElectro where Fbad=0 and electro_id=:id";
const char *const qElectroMslLast = "select max(JournalMsl_id) as 'last' from MslElectro where electro_id=:id";
const char *const qSelNumMsl = "select * from  JournalMsl, name_electro where  JournalMsl.JournalMsl_id=:id and\n"
                               "JournalMsl.name_electro_id=name_electro.name_electro_id";
const char *const qInfoMsl = "select * from msl_info where JournalMsl_id=:id";
const char *const qLastOperation =
    "select route.type_operation_msl_id,type_operation_msl.name_operation, msl_.entry from msl_,route,type_operation_msl \n"
    "where \n"
    "route.type_route_id=:id1 and\n"
    "msl_.JournalMsl_id=:id2 and\n"
    "msl_.state_operation=0 and\n"
    "msl_.route_id=route.route_id and\n"
    "route.type_operation_msl_id=type_operation_msl.type_operation_msl_id";
const char *const qConfigOperation = "select * from config_operation where config_id=:id1 and type_operation_msl_id=:id2";
const char *const qStatusMsl = "select * from type_status where type_status_id=:id";
const char *const qSelRegMsl = "select * from RegMsl where JournalMsl_id=:id";
const char *const qAddRegMsl = "insert into RegMsl (person_id,plant_id,JournalMsl_id,EntryEl) values (:id1,:id2,:id3,:cnt)";
const char *const qMslElectro = "select * from MslElectro,electrometer where \n"
                                "MslElectro.Fbad=0 and \n"
                                "MslElectro.JournalMsl_id=:id and\n"
                                "MslElectro.electro_id=electrometer.electro_id";
const char *const qSelRegEntry = "select * from RegMslEntry where RegMsl_id=:id1 and electro_id=:id2";
const char *const qAddRegEntry = "insert into RegMslEntry (RegMsl_id,electro_id) values (:id1,:id2)";
const char *const qDelRegEntry = "delete from RegMslEntry where RegMslEntry_id=:id";
const char *const qAddRegGood = "insert into RegMslGood (RegMsl_id,electro_id) values (:id1,:id2)";
const char *const qSelRegBrak = "select * from RegMslBrak where RegMsl_id=:id1 and electro_id=:id2";
const char *const qDelRegBrak = "delete from RegMslBrak where RegMslBrak_id=:id";
const char *const qListRegGood = "select * from RegMslGood,electrometer where \n"
                                 "RegMslGood.RegMsl_id=:id and\n"
                                 "RegMslGood.electro_id=electrometer.electro_id\n"
                                 "order by electrometer.number";
const char *const qListRegBrak = "select * from RegMslBrak,electrometer where \n"
                                 "RegMslBrak.RegMsl_id=:id and\n"
                                 "RegMslBrak.electro_id=electrometer.electro_id\n"
                                 "order by electrometer.number";
const char *const qStateLastOp = "select max(msl_id) as 'last' from msl_ where JournalMsl_id=:id";
const char *const qSelMslOp = "select * from msl_ where msl_id=:id";
const char *const qSelRoute = "select * from route where route_id=:id";
const char *const qSelStepRoute = "select * from route,type_operation_msl where \n"
                                  "route.type_route_id=:id and \n"
                                  "route.Srun=:step and \n"
                                  "route.type_operation_msl_id=type_operation_msl.type_operation_msl_id";
const char *const qMaxStepRoute = "select max(Srun) as \"Mstep\" from route where type_route_id=:id";
const char *const qUpdMslElectro =
    "update MslElectro set Fbad=:bad,msl_id=:id3 where JournalMsl_id=:id1 and electro_id=:id2";
const char *const qUpdateMslOp = "update msl_ set  good=:good,bad=:bad,date_time_stop=:dt1,person_id=:id1,"
                                 "state_operation=:state,dt_stop=:dt2 where msl_id=:id2";
const char *const qAddOp =
    "insert into msl_ (JournalMsl_id,route_id,entry,good,bad,date_time_start,user_id,state_operation,dt_start) \n"
    "values(:id1,:id2,:entry,:good,:bad,:dt1,:id3,:state,:dt2)";
const char *const qUpdMslEl = "update MslElectro set msl_id=:id1 where JournalMsl_id=:id2 and Fbad=:bad";
const char *const qDelBrak = "delete from RegMslBrak where RegMsl_id=:id";
const char *const qDelGood = "delete from RegMslGood where RegMsl_id=:id";
const char *const qDelEntry = "delete from RegMslEntry  where RegMsl_id=:id";
const char *const qDelMsl = "delete from RegMsl where RegMsl_id=:id";
} // namespace sql

const QString waitingStatus = QStringLiteral("Ожидает работы");

// An error that ends the record: a failed statement, or NULL where a number
// must be. Thrown by the steps below and turned into false + text by the
// public calls, so that the caller rolls the record back.
struct RecordError
{
    QString text;
};

DbResult run(DbConnection &db, const char *statement, const QVariantMap &params)
{
    DbResult r = db.run(QString::fromUtf8(statement), params);
    if (!r.ok)
        throw RecordError{r.error};
    return r;
}

// A number the rules read without a NULL test: NULL, or no row, is an error.
int number(const DbResult &r, const char *column)
{
    const QVariant v = r.first(QString::fromLatin1(column));
    if (v.isNull())
        throw RecordError{QStringLiteral("Маршрутный лист: поле %1 не заполнено (NULL).").arg(column)};
    return v.toInt();
}

// Booleans come back as 0/1 integers.
bool flag(const DbResult &r, const char *column)
{
    return r.first(QString::fromLatin1(column)).toInt() != 0;
}

template<typename Body>
bool guarded(QString *error, Body &&body)
{
    try {
        body();
        return true;
    } catch (const RecordError &e) {
        if (error)
            *error = e.text;
        return false;
    }
}

// The sheet a record works on, as AdmitToRouteSheet found it.
struct Sheet
{
    DbConnection &db;
    int id;
    int routeTypeId;
    int configId;
};

QVariant findMeter(DbConnection &db, int number, int typeId)
{
    return run(db, sql::qElectro, {{"num", number}, {"id", typeId}}).first("electro_id");
}

// The operation type belongs to this workplace's configuration.
bool configHasOperation(DbConnection &db, int configId, const QVariant &opType)
{
    return !run(db, sql::qConfigOperation, {{"id1", configId}, {"id2", opType}}).first("config_operation_id").isNull();
}

// --- Admitting a meter --------------------------------------------------

struct SheetState
{
    int routeTypeId = 0;
    int pendingEntry = 0;
    bool waiting = false;
};

// The sheet's open operation: whether it belongs to this workplace; its
// entry becomes the pending entry.
bool openOperationIsOurs(DbConnection &db, int configId, int sheetId, SheetState *state)
{
    const DbResult op = run(db, sql::qLastOperation, {{"id1", state->routeTypeId}, {"id2", sheetId}});
    if (op.rows.isEmpty())
        return false;
    const QVariant opType = op.first("type_operation_msl_id");
    const bool ours = !opType.isNull() && configHasOperation(db, configId, opType);
    state->pendingEntry = number(op, "entry");
    return ours;
}

QString statusName(DbConnection &db, const QVariant &statusId)
{
    if (statusId.isNull())
        return {};
    const DbResult status = run(db, sql::qStatusMsl, {{"id", statusId}});
    return status.rows.isEmpty() ? QString() : status.first("name_status").toString();
}

// Whether the sheet waits for an operation of this workplace.
SheetState readSheetState(DbConnection &db, int configId, int sheetId)
{
    SheetState state;
    const DbResult info = run(db, sql::qInfoMsl, {{"id", sheetId}});
    if (info.first("msl_info_id").isNull())
        return state;
    bool configMatch = false;
    const QVariant routeType = info.first("type_route_id");
    if (!routeType.isNull()) {
        state.routeTypeId = routeType.toInt();
        configMatch = openOperationIsOurs(db, configId, sheetId, &state);
    }
    const QString status = statusName(db, info.first("type_status_id"));
    const int archive = number(info, "archive");
    const int active = number(info, "active");
    // Compared as written: a status differing only in case does not wait.
    state.waiting = status == waitingStatus && archive == 0 && active == 1 && configMatch;
    return state;
}

// One entry per good meter of the sheet in a new registration.
void addEntries(DbConnection &db, int sheetId, const QVariant &reg)
{
    const DbResult meters = run(db, sql::qMslElectro, {{"id", sheetId}});
    for (const QSqlRecord &row : meters.rows) {
        const QVariant meter = row.value(QStringLiteral("electro_id"));
        if (meter.isNull())
            continue;
        if (run(db, sql::qSelRegEntry, {{"id1", reg}, {"id2", meter}}).first("RegMslEntry_id").isNull())
            run(db, sql::qAddRegEntry, {{"id1", reg}, {"id2", meter}});
    }
}

// Creates the workplace registration unless one exists (another operator
// started the batch: it is left as it is).
void registerWorkplace(DbConnection &db, int sheetId, int pendingEntry, int personId, int plantId)
{
    if (!run(db, sql::qSelRegMsl, {{"id", sheetId}}).first("RegMsl_id").isNull())
        return;
    if (run(db, sql::qSelNumMsl, {{"id", sheetId}}).rows.isEmpty())
        return;
    run(db, sql::qAddRegMsl, {{"id1", personId}, {"id2", plantId}, {"id3", sheetId}, {"cnt", pendingEntry}});
    const QVariant reg = run(db, sql::qSelRegMsl, {{"id", sheetId}}).first("RegMsl_id");
    if (!reg.isNull())
        addEntries(db, sheetId, reg);
}

// --- Registering the result ---------------------------------------------

// Moves the meter from entry or rejected to good, once even when it stands
// in both lists.
void moveToGood(DbConnection &db, const QVariant &reg, const QVariant &meter)
{
    const QVariantMap pair{{"id1", reg}, {"id2", meter}};
    bool added = false;
    const DbResult entry = run(db, sql::qSelRegEntry, pair);
    if (!entry.rows.isEmpty()) {
        run(db, sql::qAddRegGood, pair);
        added = true;
        run(db, sql::qDelRegEntry, {{"id", entry.first("RegMslEntry_id")}});
    }
    const DbResult brak = run(db, sql::qSelRegBrak, pair);
    if (!brak.rows.isEmpty()) {
        if (!added)
            run(db, sql::qAddRegGood, pair);
        run(db, sql::qDelRegBrak, {{"id", brak.first("RegMslBrak_id")}});
    }
}

// Registers the meter as good in its sheet's registration; true when every
// expected meter of the batch has now been judged.
bool judgeGoodAndCheckBatch(DbConnection &db, const QVariant &meter)
{
    const DbResult onSheet = run(db, sql::qElectroMsl, {{"id", meter}});
    if (onSheet.first("MslElectro_id").isNull())
        return false;
    const DbResult registration = run(db, sql::qSelRegMsl, {{"id", onSheet.first("JournalMsl_id")}});
    const QVariant reg = registration.first("RegMsl_id");
    if (reg.isNull())
        return false;
    const int expected = number(registration, "EntryEl");
    moveToGood(db, reg, meter);
    const qsizetype good = run(db, sql::qListRegGood, {{"id", reg}}).rows.size();
    const qsizetype bad = run(db, sql::qListRegBrak, {{"id", reg}}).rows.size();
    return expected - good - bad == 0;
}

// Where the sheet stands on its route while it is advanced.
struct RoutePosition
{
    int lastOp = 0;   // the operation being closed
    int routeId = 0;  // the route row of the step found last
    int step = 0;     // its step number
    int maxStep = 0;  // the route's highest step number
    bool recorded = false;
    bool sameWorkplace = false;
};

// Finds the sheet's latest operation and its step; false when there is
// nothing to advance (no route row or step to start from, or the operation
// is already closed).
bool locateOperation(const Sheet &sheet, RoutePosition *pos)
{
    pos->lastOp = number(run(sheet.db, sql::qStateLastOp, {{"id", sheet.id}}), "last");
    const DbResult op = run(sheet.db, sql::qSelMslOp, {{"id", pos->lastOp}});
    if (op.first("route_id").isNull())
        return false;
    const bool done = flag(op, "state_operation");
    const DbResult route = run(sheet.db, sql::qSelRoute, {{"id", op.first("route_id")}});
    if (route.rows.isEmpty())
        return false;
    pos->step = number(route, "Srun");
    pos->recorded = flag(route, "Frun");
    const DbResult stepRow = run(sheet.db, sql::qSelStepRoute, {{"id", sheet.routeTypeId}, {"step", pos->step}});
    if (stepRow.first("route_id").isNull())
        return false; // the step is not on the sheet's route: no operation type to go on from
    pos->routeId = stepRow.first("route_id").toInt();
    pos->sameWorkplace = configHasOperation(sheet.db, sheet.configId, stepRow.first("type_operation_msl_id"));
    const QVariant maxStep = run(sheet.db, sql::qMaxStepRoute, {{"id", sheet.routeTypeId}}).first("Mstep");
    if (maxStep.isNull())
        return false; // no step to search for
    pos->maxStep = maxStep.toInt();
    return !done;
}

struct Counts
{
    int good = 0;
    int bad = 0;
};

// Puts the judged meters of a list at the operation; returns how many.
int placeMeters(const Sheet &sheet, const char *list, const QVariant &reg, int bad, int lastOp)
{
    int placed = 0;
    const DbResult meters = run(sheet.db, list, {{"id", reg}});
    for (const QSqlRecord &row : meters.rows) {
        const QVariant meter = row.value(QStringLiteral("electro_id"));
        if (meter.isNull())
            continue;
        run(sheet.db, sql::qUpdMslElectro, {{"bad", bad}, {"id3", lastOp}, {"id1", sheet.id}, {"id2", meter}});
        ++placed;
    }
    return placed;
}

// Marks the judged meters and removes the workplace registration.
Counts closeRegistration(const Sheet &sheet, int lastOp)
{
    Counts counts;
    const QVariant reg = run(sheet.db, sql::qSelRegMsl, {{"id", sheet.id}}).first("RegMsl_id");
    if (reg.isNull())
        return counts;
    counts.good = placeMeters(sheet, sql::qListRegGood, reg, 0, lastOp);
    counts.bad = placeMeters(sheet, sql::qListRegBrak, reg, 1, lastOp);
    for (const char *remove : {sql::qDelBrak, sql::qDelGood, sql::qDelEntry, sql::qDelMsl})
        run(sheet.db, remove, {{"id", reg}});
    return counts;
}

// The moment of the record as the sheet keeps it.
struct Moment
{
    QString day;       // "dd.mm.yy"
    QDateTime second;  // truncated to the whole second
};

Moment momentOf(const QDateTime &now)
{
    return {now.date().toString(QStringLiteral("dd.MM.yy")), now.addMSecs(-now.time().msec())};
}

// Finds the next step that keeps a record, passing over step numbers
// without a row; a step of another workplace ends the advance after it.
// False when the route is finished.
bool nextRecordedStep(const Sheet &sheet, RoutePosition *pos)
{
    pos->recorded = false;
    while (!pos->recorded) {
        if (++pos->step > pos->maxStep)
            return false;
        const DbResult row = run(sheet.db, sql::qSelStepRoute, {{"id", sheet.routeTypeId}, {"step", pos->step}});
        if (row.rows.isEmpty())
            continue;
        pos->routeId = row.first("route_id").toInt();
        pos->recorded = flag(row, "Frun");
        if (!configHasOperation(sheet.db, sheet.configId, row.first("type_operation_msl_id")))
            pos->sameWorkplace = false;
    }
    return true;
}

void closeOperation(const Sheet &sheet, const RoutePosition &pos, const Counts &counts, int personId,
                    const Moment &moment)
{
    run(sheet.db, sql::qUpdateMslOp,
        {{"good", counts.good}, {"bad", counts.bad}, {"dt1", moment.day}, {"id1", personId}, {"state", true},
         {"dt2", moment.second}, {"id2", pos.lastOp}});
}

// Opens the operation of the step found for the good meters and moves them
// to it.
void openOperation(const Sheet &sheet, RoutePosition *pos, int good, int personId, const Moment &moment)
{
    run(sheet.db, sql::qAddOp,
        {{"id1", sheet.id}, {"id2", pos->routeId}, {"entry", good}, {"good", 0}, {"bad", 0}, {"dt1", moment.day},
         {"id3", personId}, {"state", false}, {"dt2", moment.second}});
    const int last = number(run(sheet.db, sql::qStateLastOp, {{"id", sheet.id}}), "last");
    if (last > 0) {
        pos->lastOp = last;
        run(sheet.db, sql::qUpdMslEl, {{"id1", last}, {"id2", sheet.id}, {"bad", 0}});
    }
}

// Closes the operation and, while the steps that follow belong to this
// workplace, passes the good meters through them; the first operation of
// another workplace is left open.
void advance(const Sheet &sheet, RoutePosition pos, Counts counts, int personId, const Moment &moment)
{
    while (pos.sameWorkplace) {
        if (pos.recorded)
            closeOperation(sheet, pos, counts, personId, moment);
        if (!nextRecordedStep(sheet, &pos))
            return;
        if (counts.good > 0) {
            openOperation(sheet, &pos, counts.good, personId, moment);
            counts.bad = 0;
        }
    }
}

} // namespace

TDMemsl::TDMemsl(DbConnection &db) : m_db(db) {}

bool TDMemsl::OperatorHasConfig(int configId, int personId, bool *has, QString *error)
{
    *has = false;
    return guarded(error, [&] {
        *has = !run(m_db, sql::qConfigOperator, {{"id1", personId}, {"id2", configId}}).rows.isEmpty();
    });
}

bool TDMemsl::AdmitToRouteSheet(int number, int typeId, int configId, int personId, int plantId, bool *admitted,
                                QString *error)
{
    *admitted = false;
    return guarded(error, [&] {
        const QVariant meter = findMeter(m_db, number, typeId);
        if (meter.isNull())
            return;
        const QVariant last = run(m_db, sql::qElectroMslLast, {{"id", meter}}).first("last");
        if (last.isNull())
            return; // on no sheet
        m_sheetId = last.toInt();
        m_routeTypeId = 0;
        m_pendingEntry = 0;
        const SheetState state = readSheetState(m_db, configId, m_sheetId);
        m_routeTypeId = state.routeTypeId;
        m_pendingEntry = state.pendingEntry;
        if (!state.waiting)
            return;
        registerWorkplace(m_db, m_sheetId, m_pendingEntry, personId, plantId);
        *admitted = true;
    });
}

bool TDMemsl::RegisterRouteResult(int number, int typeId, int configId, int personId, const QDateTime &now,
                                  QString *error)
{
    return guarded(error, [&] {
        const QVariant meter = findMeter(m_db, number, typeId);
        if (meter.isNull() || !judgeGoodAndCheckBatch(m_db, meter))
            return;
        const Sheet sheet{m_db, m_sheetId, m_routeTypeId, configId};
        RoutePosition pos;
        if (!locateOperation(sheet, &pos))
            return;
        const Counts counts = closeRegistration(sheet, pos.lastOp);
        advance(sheet, pos, counts, personId, momentOf(now));
    });
}

} // namespace productiondb
