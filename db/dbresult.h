#pragma once
// What one statement (or begin/commit/rollback) gave back.

#include <QList>
#include <QSqlRecord>
#include <QString>
#include <QVariant>

namespace productiondb {

struct DbResult
{
    bool ok = false;
    // When !ok: the server's own message when it gave one (the driver's
    // "[vendor][driver]" prefixes removed), else a description of what failed.
    QString error;
    // Every row of a result set, read to the end; the server-side result is
    // already closed (SQL Server over ODBC allows one open result per
    // connection). The ODBC driver cannot tell the row count in advance,
    // so this list is the count.
    QList<QSqlRecord> rows;
    int rowsAffected = -1;
    // The connection itself failed (unreachable or dropped): it is closed
    // and the next statement opens it again.
    bool connectionLost = false;

    // The value of a column of a row; an invalid QVariant when the row does
    // not exist. NULL comes back as a null QVariant of the column's type (so
    // toInt() gives 0); note that MAX over no rows gives one row holding
    // NULL, not an empty result. Booleans come back as the integers 0 and 1
    // (MariaDB), so read them with toInt(), which also suits a SQL Server bit.
    QVariant value(int row, const QString &column) const
    {
        return row >= 0 && row < rows.size() ? rows[row].value(column) : QVariant();
    }
    QVariant first(const QString &column) const { return value(0, column); }
};

} // namespace productiondb
