#include "db/odbcparameters.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QSqlResult>

#ifdef _WIN32
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

namespace productiondb {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "texts are bound as UTF-16");

struct OdbcParameters::Slot
{
    union {
        SQLINTEGER integer;
        SQLBIGINT bigint;
        SQLDOUBLE real;
        SQLCHAR bit;
        SQL_TIMESTAMP_STRUCT timestamp;
        SQL_DATE_STRUCT date;
    } fixed{};
    QByteArray bytes; // texts (UTF-16) and binary values
    SQLLEN indicator = 0;
};

namespace {

// How one value goes to the driver.
struct Binding
{
    SQLSMALLINT cType = 0;
    SQLSMALLINT sqlType = 0;
    SQLULEN columnSize = 0;
    SQLSMALLINT digits = 0;
    SQLPOINTER buffer = nullptr;
    SQLLEN length = 0;
};

// The statement handle of a prepared QODBC query; null for another driver.
SQLHANDLE handleOf(const QVariant &handle)
{
    if (!handle.isValid() || handle.metaType() != QMetaType::fromType<SQLHANDLE>())
        return nullptr;
    return *static_cast<const SQLHANDLE *>(handle.constData());
}

SQL_TIMESTAMP_STRUCT timestampOf(const QDateTime &dt)
{
    const QDate d = dt.date();
    const QTime t = dt.time();
    SQL_TIMESTAMP_STRUCT ts{};
    ts.year = SQLSMALLINT(d.year());
    ts.month = SQLUSMALLINT(d.month());
    ts.day = SQLUSMALLINT(d.day());
    ts.hour = SQLUSMALLINT(t.hour());
    ts.minute = SQLUSMALLINT(t.minute());
    ts.second = SQLUSMALLINT(t.second());
    ts.fraction = SQLUINTEGER(t.msec()) * 1000000u; // nanoseconds
    return ts;
}

// Puts the value into the slot and says how to bind it; false for a type
// not handled. A NULL keeps the C and SQL types of its QVariant's type.
bool describe(const QVariant &value, OdbcParameters::Slot &slot, Binding &b)
{
    const bool null = value.isNull();
    switch (value.typeId()) {
    case QMetaType::QString: {
        const QString text = value.toString();
        slot.bytes = QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
        b = {SQL_C_WCHAR, text.size() > 4000 ? SQLSMALLINT(SQL_WLONGVARCHAR) : SQLSMALLINT(SQL_WVARCHAR),
             SQLULEN(qMax<qsizetype>(text.size(), 1)), 0, slot.bytes.data(), slot.bytes.size()};
        return true;
    }
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        slot.fixed.integer = null ? 0 : value.toInt();
        b = {SQL_C_SLONG, SQL_INTEGER, 10, 0, &slot.fixed.integer, sizeof(SQLINTEGER)};
        return true;
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        slot.fixed.bigint = null ? 0 : value.toLongLong();
        b = {SQL_C_SBIGINT, SQL_BIGINT, 19, 0, &slot.fixed.bigint, sizeof(SQLBIGINT)};
        return true;
    case QMetaType::Bool:
        slot.fixed.bit = value.toBool() ? 1 : 0;
        b = {SQL_C_BIT, SQL_BIT, 1, 0, &slot.fixed.bit, 1};
        return true;
    case QMetaType::Double:
    case QMetaType::Float:
        slot.fixed.real = value.toDouble();
        b = {SQL_C_DOUBLE, SQL_DOUBLE, 15, 0, &slot.fixed.real, sizeof(SQLDOUBLE)};
        return true;
    case QMetaType::QDateTime:
        // To the millisecond: "yyyy-mm-dd hh:mm:ss.fff" is 23 characters.
        slot.fixed.timestamp = null ? SQL_TIMESTAMP_STRUCT{} : timestampOf(value.toDateTime());
        b = {SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP, 23, 3, &slot.fixed.timestamp, sizeof(SQL_TIMESTAMP_STRUCT)};
        return true;
    case QMetaType::QDate: {
        const QDate d = value.toDate();
        if (!null)
            slot.fixed.date = {SQLSMALLINT(d.year()), SQLUSMALLINT(d.month()), SQLUSMALLINT(d.day())};
        b = {SQL_C_TYPE_DATE, SQL_TYPE_DATE, 10, 0, &slot.fixed.date, sizeof(SQL_DATE_STRUCT)};
        return true;
    }
    case QMetaType::QByteArray:
        slot.bytes = value.toByteArray();
        b = {SQL_C_BINARY, slot.bytes.size() > 8000 ? SQLSMALLINT(SQL_LONGVARBINARY) : SQLSMALLINT(SQL_VARBINARY),
             SQLULEN(qMax<qsizetype>(slot.bytes.size(), 1)), 0, slot.bytes.data(), slot.bytes.size()};
        return true;
    default:
        return false;
    }
}

} // namespace

OdbcParameters::OdbcParameters() = default;
OdbcParameters::~OdbcParameters() = default;

QString OdbcParameters::bindOne(void *statement, int number, const QVariant &value)
{
    if (!value.isValid())
        return QStringLiteral("значение без типа");
    m_slots.push_back(std::make_unique<Slot>());
    Slot &slot = *m_slots.back();
    Binding b;
    if (!describe(value, slot, b))
        return QStringLiteral("тип значения %1 не поддерживается").arg(QString::fromLatin1(value.typeName()));
    slot.indicator = value.isNull() ? SQL_NULL_DATA : b.length;
    const SQLRETURN r = SQLBindParameter(statement, SQLUSMALLINT(number), SQL_PARAM_INPUT, b.cType, b.sqlType,
                                         b.columnSize, b.digits, b.buffer, b.length, &slot.indicator);
    return SQL_SUCCEEDED(r) ? QString() : QStringLiteral("драйвер ODBC не принял значение");
}

QString OdbcParameters::bind(QSqlQuery &prepared, const QVariantList &values)
{
    SQLHANDLE statement = handleOf(prepared.result() ? prepared.result()->handle() : QVariant());
    if (!statement)
        return QStringLiteral("запрос не подготовлен драйвером ODBC");
    for (int i = 0; i < values.size(); ++i) {
        const QString error = bindOne(statement, i + 1, values[i]);
        if (!error.isEmpty())
            return QStringLiteral("параметр %1: %2").arg(i + 1).arg(error);
    }
    return {};
}

bool isConnectionDead(const QSqlDatabase &db)
{
    if (!db.isOpen())
        return true;
    SQLHANDLE connection = handleOf(db.driver()->handle());
    if (!connection)
        return false;
    SQLUINTEGER dead = SQL_CD_FALSE;
    const SQLRETURN r = SQLGetConnectAttr(connection, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr);
    return SQL_SUCCEEDED(r) && dead == SQL_CD_TRUE;
}

} // namespace productiondb
