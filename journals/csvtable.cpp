#include "csvtable.h"

#include <QSaveFile>

namespace journals {

namespace {

QString csvLine(const QStringList &fields)
{
    QStringList quoted;
    quoted.reserve(fields.size());
    for (const QString &f : fields)
        quoted << csvField(f);
    return quoted.join(QLatin1Char(',')) + QStringLiteral("\r\n");
}

} // namespace

QString csvField(const QString &text)
{
    const bool needsQuotes = text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"'))
                             || text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
    if (!needsQuotes)
        return text;
    QString doubled = text;
    doubled.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + doubled + QLatin1Char('"');
}

QByteArray csvTable(const QStringList &captions, const QList<QStringList> &rows)
{
    QString text = csvLine(captions);
    for (const QStringList &row : rows)
        text += csvLine(row);
    return QByteArrayLiteral("\xEF\xBB\xBF") + text.toUtf8();
}

bool writeCsvTable(const QString &path, const QStringList &captions, const QList<QStringList> &rows,
                   QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(csvTable(captions, rows)) < 0 || !file.commit()) {
        if (error)
            *error = QStringLiteral("Не удалось записать файл %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

} // namespace journals
