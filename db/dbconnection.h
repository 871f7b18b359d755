#pragma once
// The one connection of the production database: Qt SQL's ODBC driver on the
// data source "Electrometer" (server, database and credentials belong to the
// data source; the operator is never asked to log in). It is opened by the
// first statement and kept open. When the link fails, the failing statement
// says so (DbResult::connectionLost) and the next one opens it again.
//
// Statements run as written, prepared, their ":name" parameters bound by
// value (see OdbcParameters for why not through QSqlQuery::bindValue). A
// NULL is bound with its type: QVariant(QMetaType(QMetaType::Int)).

#include "db/dbresult.h"

#include <QString>
#include <QVariantMap>

class QSqlDatabase;
class QSqlError;

namespace productiondb {

struct PositionalStatement;

class DbConnection
{
public:
    explicit DbConnection(const QString &dataSource = QStringLiteral("Electrometer"));
    ~DbConnection();
    DbConnection(const DbConnection &) = delete;
    DbConnection &operator=(const DbConnection &) = delete;

    // Runs one statement. params holds a value for every parameter name of
    // the statement (written with or without the ':'), and no other names.
    DbResult run(const QString &statement, const QVariantMap &params = {});

    DbResult begin();
    DbResult commit();
    // Also succeeds when the transaction already ended with a lost
    // connection (the server has discarded it then).
    DbResult rollback();
    bool inTransaction() const { return m_inTransaction; }

    bool isOpen() const;
    void close();

private:
    QString m_name; // Qt's name for this connection
    QString m_dataSource;
    bool m_inTransaction = false;
    // The link failed inside a transaction: statements are refused until
    // rollback(), so nothing runs outside the transaction it belonged to.
    bool m_transactionLost = false;

    QSqlDatabase database() const;
    QString open();
    QString checkParameters(const PositionalStatement &statement, const QVariantMap &params) const;
    DbResult execute(const PositionalStatement &statement, const QVariantMap &params);
    DbResult failure(const QSqlError &error);
    void dropConnection();
};

} // namespace productiondb
