#pragma once
// The production tables as rows of text, for tests that check what a record
// (or a failed one) left on the server: compare a dump before and after.

#include "db/dbconnection.h"

#include <QMap>
#include <QSqlRecord>
#include <QStringList>

namespace testserver {

// Every table of db/schema.sql the station reads or writes.
inline const QStringList &productionTables()
{
    static const QStringList tables = {
        "computer",    "operator", "plant",          "electrometer", "operation",  "set_tarvik",  "set_pk",
        "config_operator", "config_operation", "type_operation_msl", "name_electro", "JournalMsl", "msl_info",
        "type_status", "route",    "MslElectro",     "msl_",         "RegMsl",     "RegMslEntry", "RegMslGood",
        "RegMslBrak"};
    return tables;
}

using TableDump = QMap<QString, QStringList>;

// Every row of every table in key order, fields joined by '|', NULL told
// apart from an empty text. A table that cannot be read holds its error.
inline TableDump dumpTables(productiondb::DbConnection &db, const QStringList &tables = productionTables())
{
    TableDump d;
    for (const QString &table : tables) {
        const productiondb::DbResult r = db.run(QStringLiteral("SELECT * FROM %1 ORDER BY 1").arg(table));
        QStringList rows;
        if (!r.ok)
            rows << QStringLiteral("ERROR ") + r.error;
        for (const QSqlRecord &record : r.rows) {
            QStringList fields;
            for (int i = 0; i < record.count(); ++i)
                fields << (record.isNull(i) ? QStringLiteral("NULL") : record.value(i).toString());
            rows << fields.join(u'|');
        }
        d.insert(table, rows);
    }
    return d;
}

} // namespace testserver
