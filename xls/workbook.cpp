// The workbook: checked cells in sheet order, written as globals, three
// worksheets and the compound file around them.
#include "xls/workbook.h"

#include "xls/biffrecords.h"
#include "xls/compoundfile.h"
#include "xls/globals.h"
#include "xls/sharedstrings.h"
#include "xls/worksheet.h"

#include <QFile>
#include <cmath>

namespace xls {

namespace {

bool refuse(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return false;
}

bool checkPosition(int row, int column, QString *error)
{
    if (row < 1 || row > kMaxRows)
        return refuse(error, QStringLiteral("Номер строки %1 вне листа (допустимо от 1 до %2)").arg(row).arg(kMaxRows));
    if (column < 1 || column > kMaxColumns)
        return refuse(error,
                      QStringLiteral("Номер столбца %1 вне листа (допустимо от 1 до %2)").arg(column).arg(kMaxColumns));
    return true;
}

qint64 cellKey(int row, int column)
{
    return qint64(row - 1) * kMaxColumns + (column - 1);
}

const QStringList &sheetNames()
{
    static const QStringList names{QStringLiteral("Лист1"), QStringLiteral("Лист2"), QStringLiteral("Лист3")};
    return names;
}

} // namespace

Workbook Workbook::fromTemplate()
{
    return Workbook();
}

bool Workbook::setText(int row, int column, const QString &text, QString *error)
{
    if (!checkPosition(row, column, error))
        return false;
    if (text.size() > kMaxTextLength)
        return refuse(error, QStringLiteral("Текст ячейки из %1 символов длиннее допустимых %2")
                                 .arg(text.size())
                                 .arg(kMaxTextLength));
    m_cells.insert(cellKey(row, column), text);
    return true;
}

bool Workbook::setNumber(int row, int column, double value, QString *error)
{
    if (!checkPosition(row, column, error))
        return false;
    if (!std::isfinite(value))
        return refuse(error, QStringLiteral("Число ячейки не конечно (бесконечность или не число)"));
    m_cells.insert(cellKey(row, column), value);
    return true;
}

QByteArray Workbook::toBytes() const
{
    SharedStrings strings;
    QList<SheetCell> cells;
    cells.reserve(m_cells.size());
    for (auto it = m_cells.cbegin(); it != m_cells.cend(); ++it) {
        SheetCell c{quint16(it.key() / kMaxColumns), quint16(it.key() % kMaxColumns), false, 0, 0.0};
        if (const QString *text = std::get_if<QString>(&it.value())) {
            c.isText = true;
            c.stringIndex = strings.add(*text);
        } else {
            c.number = std::get<double>(it.value());
        }
        cells.append(c);
    }

    QByteArray stream;
    stream.reserve(4096 + cells.size() * 18 + 64);
    const QList<qsizetype> sheetPositions = putGlobals(stream, sheetNames(), strings);
    for (int i = 0; i < sheetPositions.size(); ++i) {
        patch32(stream, sheetPositions[i], quint32(stream.size()));
        putWorksheet(stream, i == 0 ? cells : QList<SheetCell>(), i == 0);
    }
    return compoundFile(std::move(stream));
}

bool Workbook::saveAs(const QString &path, QString *error) const
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return refuse(error, QStringLiteral("Файл %1 не открывается для записи: %2").arg(path, file.errorString()));
    const QByteArray bytes = toBytes();
    if (file.write(bytes) != bytes.size() || !file.flush())
        return refuse(error, QStringLiteral("Файл %1 не записан: %2").arg(path, file.errorString()));
    return true;
}

void Workbook::close()
{
    m_cells.clear();
}

} // namespace xls
