#include "textreport.h"

#include "protocol/cp1251.h"
#include "protocol/encodings.h"
#include "protocol/meterpage.h"

#include <QSaveFile>

namespace app {

using protocol::MeterPage;

namespace {

const QChar kTab = QLatin1Char('\t');

QString line(const QString &first, const QString &second = {})
{
    return first + kTab + second;
}

// Every row, separator rows included: a row without a title gives a line
// that is a single TAB, as the list shows an empty row there.
void addRows(QStringList &lines, const MeterPage &page, MeterPage::ListId list, int column)
{
    for (int row = 0; row < MeterPage::rowCount(list); ++row)
        lines << line(MeterPage::rowCaption(list, row), page.cell(list, row, column));
}

void addSensors(QStringList &lines, const MeterPage &page)
{
    const QStringList columnTitles = MeterPage::columnTitles(MeterPage::ListSensor);
    for (int row = 0; row < MeterPage::rowCount(MeterPage::ListSensor); ++row) {
        const QString title = MeterPage::rowCaption(MeterPage::ListSensor, row);
        for (int c = MeterPage::SensorCalibration; c <= MeterPage::SensorSettlement; ++c)
            lines << line(title + QLatin1Char(' ') + columnTitles.value(c + 1),
                          page.cell(MeterPage::ListSensor, row, c));
    }
}

} // namespace

QStringList textReportLines(const MeterPage &page, const QDateTime &now)
{
    const QString separator = line({});
    QStringList lines;
    lines << line(QStringLiteral("Системное время"), protocol::formatDateTime(now, protocol::displayLocale()))
          << separator;
    addRows(lines, page, MeterPage::ListMain, 0);
    lines << separator << line(QStringLiteral("Текущие показания"));
    addRows(lines, page, MeterPage::ListAddi, MeterPage::AddiCurrent);
    lines << separator << line(QStringLiteral("Показания на РДЧ"));
    addRows(lines, page, MeterPage::ListAddi, MeterPage::AddiSettlement);
    lines << separator << line(QStringLiteral("Параметры"));
    addRows(lines, page, MeterPage::ListParam, 0);
    lines << separator;
    addRows(lines, page, MeterPage::ListInfo, 0);
    lines << separator << line(QStringLiteral("Дискретные датчики"));
    addSensors(lines, page);
    return lines;
}

bool writeTextReport(const QString &path, const QStringList &lines, QString *error)
{
    QByteArray bytes;
    for (const QString &text : lines)
        bytes += protocol::toCp1251(text) + "\r\n";
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    if (error)
        *error = QStringLiteral("Не удалось записать отчет в файл \"%1\": %2").arg(path, file.errorString());
    return false;
}

} // namespace app
