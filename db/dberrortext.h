#pragma once
// The text of a database error as the operator should read it.

#include <QSqlError>
#include <QString>

namespace productiondb {

// Strips the leading bracketed tags the ODBC layers put before a message
// ("[ma-3.1.15][10.11.19-MariaDB]Data too long for column 's' at row 1" gives
// "Data too long for column 's' at row 1"; SQL Server's drivers write
// "[Microsoft][ODBC Driver 17 for SQL Server][SQL Server]...").
QString withoutDriverTags(const QString &message);

// The server's own message without the tags; the driver's text when the
// database gave none; empty when neither said anything.
QString serverMessage(const QSqlError &error);

} // namespace productiondb
