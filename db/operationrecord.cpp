#include "db/operationrecord.h"

#include "db/UDMemsl.h"
#include "db/dbconnection.h"
#include "db/driftestimate.h"
#include "db/rfplcidentity.h"

namespace productiondb {

namespace {

// The statements of the operation records, as the station runs them.
namespace statements {

const QString QueryCheckNumber = QStringLiteral(
    "SELECT * FROM electrometer\n"
    "WHERE number = :number \n"
    "AND type_id = :type_id");

const QString QueryDoubleNumber = QStringLiteral(
    "SELECT COUNT(*) FROM set_pk\n"
    "WHERE plm_number = :number");

const QString QueryDelta = QStringLiteral(
    "SELECT MAX(date_time) FROM set_tarvik\n"
    "WHERE operation_id IN (SELECT operation_id FROM operation\n"
    "  WHERE electro_id = (SELECT electro_id FROM electrometer\n"
    "     WHERE number = :number AND type_id = :type_id))");

const QString QueryOperation = QStringLiteral(
    "INSERT INTO operation(type_id,electro_id,plant_id,person_id,success)\n"
    "VALUES(:type_id,:electro_id,:plant_id,:person_id,:success)");

const QString QueryMaxOper = QStringLiteral(
    "SELECT MAX(operation_id) FROM operation\n"
    "WHERE plant_id = :plant_id");

const QString QueryIns = QStringLiteral(
    "INSERT INTO set_tarvik(operation_id,version,el_type,address,baud,turn_on,\n"
    "  status,date_time,summer,check_sum,pass,t,count_day,count_hour,ncorrect,\n"
    "  time_integ,ddm_a,ddm_b,ddm_c,mode_tarif,secperday)\n"
    "VALUES(:operation_id,:version,:el_type,:address,:baud,:turn_on,:status,\n"
    "  :date_time,:summer,:check_sum,:pass,:t,:count_day,:count_hour,:ncorrect,\n"
    "  :time_integ,:ddm_a,:ddm_b,:ddm_c,:mode_tarif,:secperday)");

const QString QueryInsPlm = QStringLiteral(
    "INSERT INTO set_pk(operation_id,version,plm_group,plm_address,\n"
    "  plm_number)\n"
    "VALUES(:operation_id,:version,:plm_group,:plm_address,:plm_number)");

} // namespace statements

const QString notInDatabaseText = QStringLiteral("Прибор с таким номером не описан в БД.");
// The caption of this refusal is written so in the station: keep it.
const QString notInDatabaseCaption = QStringLiteral("Запись установок невохможна");
const QString numberTakenText = QStringLiteral(
    "Счетчик с таким RFPLC-номером уже существует. Обратитесь к главному конструктору прибора.");
const QString numberTakenCaption = QStringLiteral("Запись установок невозможна");
const QString fixNotInDatabaseText = QStringLiteral("Номер прибора не описан в БД. Установите его.");
const QString fixNotInDatabaseCaption = QStringLiteral("Ошибка записи в БД");
const QString recordFailedPrefix = QStringLiteral("Ошибка записи в БД: ");
const QString recordFailedCaption = QStringLiteral("Ошибка БД");

QVariant typedNull(QMetaType::Type type)
{
    return QVariant(QMetaType(type));
}

QString failureText(const QString &error)
{
    return error.isEmpty() ? QStringLiteral("Запрос не выполнен, причина неизвестна.") : error;
}

} // namespace

OperationRecorder::OperationRecorder(DbConnection &db, TDMemsl &routeSheet, const QLocale &locale)
    : m_db(db), m_routeSheet(routeSheet), m_locale(locale)
{
}

void OperationRecorder::setIdentity(int personId, int plantId)
{
    m_personId = personId;
    m_plantId = plantId;
}

DbOutcome OperationRecorder::CheckMeterInDatabase(quint32 meterSerial, int SpinEdit_Number)
{
    const int number = meterSerial != 0 ? int(meterSerial) : SpinEdit_Number;
    const DbResult meter = m_db.run(statements::QueryCheckNumber, {{"number", number}, {"type_id", kMeterTypeId}});
    if (!meter.ok)
        return DbOutcome::databaseError(meter.error);
    if (meter.rows.isEmpty())
        return DbOutcome::refused(notInDatabaseText, notInDatabaseCaption);
    m_electroId = meter.first("electro_id").toInt();

    if (meterSerial != 0)
        return DbOutcome::ok();
    // The meter is numbered now: its RF-PLC number must be free.
    const DbResult taken = m_db.run(statements::QueryDoubleNumber, {{"number", SpinEdit_Number}});
    if (!taken.ok)
        return DbOutcome::databaseError(taken.error);
    if (!taken.rows.isEmpty() && taken.rows[0].value(0).toInt() > 0)
        return DbOutcome::refused(numberTakenText, numberTakenCaption);
    return DbOutcome::ok();
}

DbOutcome OperationRecorder::lookUpLastProgrammed(quint32 meterSerial, DriftEstimate &drift)
{
    drift.setLastProgrammed(QDateTime());
    const DbResult last = m_db.run(statements::QueryDelta, {{"number", int(meterSerial)}, {"type_id", kMeterTypeId}});
    if (!last.ok)
        return DbOutcome::databaseError(last.error);
    if (!last.rows.isEmpty())
        drift.setLastProgrammed(last.rows[0].value(0).toDateTime()); // NULL: none
    return DbOutcome::ok();
}

QVariantMap OperationRecorder::settingsRowParameters(int operationId, const OperationValues &v,
                                                     bool withSettings) const
{
    const QVariant noInt = typedNull(QMetaType::Int);
    const QVariant noText = typedNull(QMetaType::QString);
    const QVariant noDouble = typedNull(QMetaType::Double);
    QVariantMap p{
        {"operation_id", noInt}, {"version", noText},  {"el_type", noText},    {"address", noInt},
        {"baud", noText},        {"turn_on", noText},  {"status", noInt},
        {"date_time", typedNull(QMetaType::QDateTime)}, {"summer", typedNull(QMetaType::Bool)},
        {"check_sum", noInt},    {"pass", noText},     {"t", noDouble},        {"count_day", noInt},
        {"count_hour", noInt},   {"ncorrect", noInt},  {"time_integ", noInt},  {"ddm_a", noInt},
        {"ddm_b", noInt},        {"ddm_c", noInt},     {"mode_tarif", noInt},  {"secperday", noDouble},
    };

    p["operation_id"] = operationId;
    p["version"] = v.version;
    p["el_type"] = v.elType;
    p["turn_on"] = v.workingTime;
    p["status"] = int(v.clockFaultBits & 0xF8);
    bool isInteger = false;
    const int checkSum = v.scheduleChecksum.trimmed().toInt(&isInteger);
    p["check_sum"] = isInteger ? checkSum : 0;
    double t = 0.0;
    for (const QString &tariff : v.tariffCurrent)
        t += readShownNumber(tariff, m_locale).value_or(0.0);
    p["t"] = t;
    if (const auto drift = readShownNumber(v.EditDelta, m_locale))
        p["secperday"] = *drift;

    if (!withSettings)
        return p;
    if (v.CheckAddr) {
        p["address"] = v.SpinNewAddr;
        p["baud"] = v.newBaudText;
    }
    if (v.CheckTime) {
        const QDateTime written(v.DatePicker, v.TimePicker);
        if (written.isValid()) // pickers never read stay NULL
            p["date_time"] = written;
        p["summer"] = v.CheckBoxClock;
    }
    if (v.CheckPassword)
        p["pass"] = v.EditPassW;
    if (v.CheckShedule) {
        p["count_day"] = v.SpinDay;
        p["count_hour"] = v.SpinHour;
    }
    if (v.CheckIntegra)
        p["time_integ"] = v.SpinIntegra;
    return p;
}

QString OperationRecorder::writeRouteSheet(int number, const QDateTime &now)
{
    constexpr int config = TDMemsl::kProgrammingConfigId;
    QString error;
    bool has = false;
    if (!m_routeSheet.OperatorHasConfig(config, m_personId, &has, &error))
        return failureText(error);
    if (!has)
        return {};
    bool admitted = false;
    if (!m_routeSheet.AdmitToRouteSheet(number, kMeterTypeId, config, m_personId, m_plantId, &admitted, &error))
        return failureText(error);
    if (!admitted)
        return {};
    // Registered as good also when the drift estimate failed the meter.
    if (!m_routeSheet.RegisterRouteResult(number, kMeterTypeId, config, m_personId, now, &error))
        return failureText(error);
    return {};
}

QString OperationRecorder::writeRecord(int electroId, const OperationValues &v, bool withSettings,
                                       const QDateTime &now)
{
    DbResult r = m_db.run(statements::QueryOperation, {{"type_id", kProgrammingOperation},
                                                      {"electro_id", electroId},
                                                      {"plant_id", m_plantId},
                                                      {"person_id", m_personId},
                                                      {"success", driftSuccess(v.EditDelta, m_locale)}});
    if (!r.ok)
        return failureText(r.error);
    // The row just inserted: read inside this transaction.
    r = m_db.run(statements::QueryMaxOper, {{"plant_id", m_plantId}});
    if (!r.ok)
        return failureText(r.error);
    const int operationId = r.rows.isEmpty() ? 0 : r.rows[0].value(0).toInt();

    r = m_db.run(statements::QueryIns, settingsRowParameters(operationId, v, withSettings));
    if (!r.ok)
        return failureText(r.error);

    if (v.meterSerial == 0) {
        const int n = v.SpinEdit_Number;
        r = m_db.run(statements::QueryInsPlm, {{"operation_id", operationId},
                                               {"version", v.version},
                                               {"plm_group", rfplcGroup(n)},
                                               {"plm_address", rfplcAddress(n)},
                                               {"plm_number", n}});
        if (!r.ok)
            return failureText(r.error);
    }
    return writeRouteSheet(v.SpinEdit_Number, now);
}

DbOutcome OperationRecorder::RecordOperation(int electroId, const OperationValues &values, bool withSettings,
                                             const QDateTime &now)
{
    const DbResult started = m_db.begin();
    QString error = started.ok ? writeRecord(electroId, values, withSettings, now) : failureText(started.error);
    if (error.isEmpty()) {
        const DbResult committed = m_db.commit();
        if (committed.ok)
            return DbOutcome::ok();
        error = failureText(committed.error);
    }
    // Rolled back before anything is shown.
    m_db.rollback();
    return DbOutcome::recordFailed(recordFailedPrefix + error, recordFailedCaption);
}

DbOutcome OperationRecorder::FixDb(const OperationValues &values, const QDateTime &now)
{
    // Read to the end (and so closed) before the record's transaction begins.
    const DbResult meter =
        m_db.run(statements::QueryCheckNumber, {{"number", int(values.meterSerial)}, {"type_id", kMeterTypeId}});
    if (!meter.ok)
        return DbOutcome::databaseError(meter.error);
    if (meter.rows.isEmpty())
        return DbOutcome::refused(fixNotInDatabaseText, fixNotInDatabaseCaption);
    return RecordOperation(meter.first("electro_id").toInt(), values, false, now);
}

} // namespace productiondb
