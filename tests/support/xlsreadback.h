#pragma once
// Reads the first sheet of an .xls workbook back through an independent
// reader (xlrd under /usr/bin/python3), so a test sees what a spreadsheet
// program would: the sheet names and every cell as (type, value).

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace testsupport {

struct XlsCell
{
    enum Type { Empty = 0, Text = 1, Number = 2 }; // xlrd's cell types
    int type = Empty;
    QString text;
    double number = 0;
};

struct XlsSheet
{
    QString error; // empty when the workbook was read
    QStringList sheetNames;
    QList<QList<XlsCell>> rows; // every row as wide as the widest
};

inline XlsSheet readXlsBack(const QString &path)
{
    static const char *script = R"(
import json, sys, xlrd
book = xlrd.open_workbook(sys.argv[1])
s = book.sheet_by_index(0)
rows = [[[s.cell_type(r, c), s.cell_value(r, c)] for c in range(s.ncols)] for r in range(s.nrows)]
json.dump({"sheets": book.sheet_names(), "rows": rows}, sys.stdout)
)";
    XlsSheet sheet;
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QString::fromUtf8(script), path});
    if (!python.waitForFinished(60000) || python.exitCode() != 0) {
        sheet.error = QStringLiteral("xlrd: ") + QString::fromUtf8(python.readAllStandardError());
        return sheet;
    }
    const QJsonObject root = QJsonDocument::fromJson(python.readAllStandardOutput()).object();
    for (const QJsonValue &name : root.value("sheets").toArray())
        sheet.sheetNames << name.toString();
    for (const QJsonValue &row : root.value("rows").toArray()) {
        QList<XlsCell> cells;
        for (const QJsonValue &cell : row.toArray()) {
            const QJsonArray pair = cell.toArray();
            XlsCell c;
            c.type = pair.at(0).toInt();
            if (pair.at(1).isString())
                c.text = pair.at(1).toString();
            else
                c.number = pair.at(1).toDouble();
            cells << c;
        }
        sheet.rows << cells;
    }
    return sheet;
}

} // namespace testsupport
