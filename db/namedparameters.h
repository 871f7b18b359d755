#pragma once
// Statements are written with named parameters (":number"); ODBC knows only
// "?" markers, bound by position. This turns one into the other.

#include <QString>
#include <QStringList>

namespace productiondb {

struct PositionalStatement
{
    QString text;      // the statement with every ":name" replaced by "?"
    QStringList names; // the name of each "?" in order (a name used twice is listed twice)
};

// A parameter is ':' followed by a letter or '_' and then letters, digits
// or '_'. Text in '...' or "..." (quotes doubled inside) is left alone.
PositionalStatement toPositional(const QString &statement);

} // namespace productiondb
