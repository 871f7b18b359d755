#include "db/dberrortext.h"

namespace productiondb {

QString withoutDriverTags(const QString &message)
{
    QString s = message.trimmed();
    while (s.startsWith(u'[')) {
        const qsizetype close = s.indexOf(u']');
        if (close < 0)
            break;
        s = s.mid(close + 1).trimmed();
    }
    return s;
}

QString serverMessage(const QSqlError &error)
{
    const QString server = withoutDriverTags(error.databaseText());
    return server.isEmpty() ? error.driverText().trimmed() : server;
}

} // namespace productiondb
