#pragma once
// Binds the values of a prepared statement's "?" markers directly on its
// ODBC statement handle, instead of through QSqlQuery::bindValue.
//
// Why: Qt 6.4's ODBC driver binds every text with the terminating NUL
// counted in its length, so the server stores (and compares) one character
// more than meant: "10.12.26" arrives as the 9 bytes 31 30 2E 31 32 2E 32 36
// 00, overflows a VARCHAR(8) and is not found by "WHERE name = :name" under
// a collation where NUL counts. Texts bound here go as UTF-16 with their exact
// length, and the server converts them to the column's own code page.
//
// This works because Qt binds nothing on the handle when no value was bound
// through it, and its exec() then runs SQLExecute with the bindings made
// here; the buffers live in this object, which must outlive that exec().

#include <QString>
#include <QVariant>
#include <QVariantList>

#include <memory>
#include <vector>

class QSqlDatabase;
class QSqlQuery;

namespace productiondb {

class OdbcParameters
{
public:
    OdbcParameters();
    ~OdbcParameters();
    OdbcParameters(const OdbcParameters &) = delete;
    OdbcParameters &operator=(const OdbcParameters &) = delete;

    // Binds values[i] to marker i + 1 of the prepared query. A NULL keeps its
    // type (QVariant(QMetaType(QMetaType::Int))). Supported: texts, integers,
    // Booleans, floating point, QDateTime, QDate and QByteArray. Returns an
    // empty string on success, else what went wrong.
    QString bind(QSqlQuery &prepared, const QVariantList &values);

    struct Slot; // one parameter's buffer and length, at an address that never moves

private:
    std::vector<std::unique_ptr<Slot>> m_slots;

    QString bindOne(void *statement, int number, const QVariant &value);
};

// Whether the connection to the server is gone (ODBC's
// SQL_ATTR_CONNECTION_DEAD); also true for a closed database.
bool isConnectionDead(const QSqlDatabase &db);

} // namespace productiondb
