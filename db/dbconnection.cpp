#include "db/dbconnection.h"

#include "db/dberrortext.h"
#include "db/namedparameters.h"
#include "db/odbcparameters.h"

#include <QAtomicInt>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace productiondb {

namespace {

QString parameterName(const QString &key)
{
    return key.startsWith(u':') ? key.mid(1) : key;
}

QVariant parameterValue(const QVariantMap &params, const QString &name)
{
    const auto it = params.constFind(name);
    return it != params.cend() ? *it : params.value(u':' + name);
}

DbResult failed(const QString &text)
{
    DbResult r;
    r.error = text;
    return r;
}

DbResult succeeded()
{
    DbResult r;
    r.ok = true;
    return r;
}

const QString transactionLostText =
    QStringLiteral("Транзакция прервана: связь с базой данных была потеряна.");

} // namespace

DbConnection::DbConnection(const QString &dataSource) : m_dataSource(dataSource)
{
    static QAtomicInt serial;
    m_name = QStringLiteral("productiondb-%1").arg(serial.fetchAndAddRelaxed(1));
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), m_name);
    // A plain name is a data source name: Qt connects with "DSN=<name>" and
    // SQL_DRIVER_NOPROMPT, so no login dialog ever appears.
    db.setDatabaseName(m_dataSource);
    db.setConnectOptions(QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=10"));
}

DbConnection::~DbConnection()
{
    close();
    QSqlDatabase::removeDatabase(m_name);
}

QSqlDatabase DbConnection::database() const
{
    return QSqlDatabase::database(m_name, false);
}

bool DbConnection::isOpen() const
{
    return database().isOpen();
}

void DbConnection::close()
{
    QSqlDatabase db = database();
    if (db.isOpen())
        db.close();
    m_inTransaction = false;
    m_transactionLost = false;
}

QString DbConnection::open()
{
    QSqlDatabase db = database();
    if (db.isOpen())
        return {};
    if (!db.isValid())
        return QStringLiteral("Драйвер ODBC библиотеки Qt (QODBC) не установлен.");
    if (db.open())
        return {};
    return QStringLiteral("Нет связи с базой данных \"%1\": %2").arg(m_dataSource, serverMessage(db.lastError()));
}

void DbConnection::dropConnection()
{
    database().close();
    if (m_inTransaction)
        m_transactionLost = true;
    m_inTransaction = false;
}

DbResult DbConnection::failure(const QSqlError &error)
{
    DbResult r = failed(serverMessage(error));
    if (error.type() == QSqlError::ConnectionError || isConnectionDead(database())) {
        dropConnection();
        r.connectionLost = true;
        r.error = r.error.isEmpty() ? QStringLiteral("Связь с базой данных потеряна.")
                                    : QStringLiteral("Связь с базой данных потеряна: ") + r.error;
    } else if (r.error.isEmpty()) {
        r.error = QStringLiteral("Запрос не выполнен, сервер не сообщил причину.");
    }
    return r;
}

QString DbConnection::checkParameters(const PositionalStatement &statement, const QVariantMap &params) const
{
    for (const QString &name : statement.names)
        if (!params.contains(name) && !params.contains(u':' + name))
            return QStringLiteral("Не задан параметр :%1 запроса.").arg(name);
    for (auto it = params.cbegin(); it != params.cend(); ++it)
        if (!statement.names.contains(parameterName(it.key())))
            return QStringLiteral("Параметра :%1 нет в запросе.").arg(parameterName(it.key()));
    return {};
}

DbResult DbConnection::execute(const PositionalStatement &statement, const QVariantMap &params)
{
    QSqlQuery query(database());
    query.setForwardOnly(true);
    if (!query.prepare(statement.text))
        return failure(query.lastError());
    QVariantList values;
    for (const QString &name : statement.names)
        values.append(parameterValue(params, name));
    OdbcParameters bound; // must live until exec() has run
    const QString bindError = bound.bind(query, values);
    if (!bindError.isEmpty())
        return failed(QStringLiteral("Значение запроса не передано: ") + bindError);
    if (!query.exec())
        return failure(query.lastError());
    DbResult r = succeeded();
    while (query.next())
        r.rows.append(query.record());
    if (query.lastError().isValid())
        return failure(query.lastError());
    r.rowsAffected = query.numRowsAffected();
    query.finish();
    return r;
}

DbResult DbConnection::run(const QString &statement, const QVariantMap &params)
{
    if (m_transactionLost)
        return failed(transactionLostText);
    const PositionalStatement positional = toPositional(statement);
    const QString wrong = checkParameters(positional, params);
    if (!wrong.isEmpty())
        return failed(wrong);
    const QString notOpen = open();
    if (!notOpen.isEmpty()) {
        DbResult r = failed(notOpen);
        r.connectionLost = true;
        return r;
    }
    return execute(positional, params);
}

DbResult DbConnection::begin()
{
    if (m_inTransaction || m_transactionLost)
        return failed(QStringLiteral("Транзакция уже начата."));
    const QString notOpen = open();
    if (!notOpen.isEmpty()) {
        DbResult r = failed(notOpen);
        r.connectionLost = true;
        return r;
    }
    QSqlDatabase db = database();
    if (!db.transaction())
        return failure(db.lastError());
    m_inTransaction = true;
    return succeeded();
}

DbResult DbConnection::commit()
{
    if (m_transactionLost)
        return failed(transactionLostText);
    if (!m_inTransaction)
        return failed(QStringLiteral("Транзакция не начата."));
    QSqlDatabase db = database();
    if (!db.commit())
        return failure(db.lastError());
    m_inTransaction = false;
    return succeeded();
}

DbResult DbConnection::rollback()
{
    m_transactionLost = false;
    if (!m_inTransaction)
        return succeeded();
    QSqlDatabase db = database();
    if (db.rollback()) {
        m_inTransaction = false;
        return succeeded();
    }
    DbResult r = failure(db.lastError());
    // A rollback that failed may leave the connection outside autocommit:
    // closing it makes the server discard the transaction.
    if (!r.connectionLost)
        dropConnection();
    m_transactionLost = false;
    m_inTransaction = false;
    return r;
}

} // namespace productiondb
