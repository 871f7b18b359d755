#include "pagereport.h"

namespace app {

using protocol::MeterPage;

int reportColumns(MeterPage::ListId list)
{
    switch (list) {
    case MeterPage::ListAddi: return 2;
    case MeterPage::ListSensor: return 3;
    default: return 1; // ListParam has four columns, one of them in use
    }
}

QStringList pageReport(const MeterPage &page)
{
    QStringList lines;
    for (int l = 0; l < MeterPage::kListCount; ++l) {
        const auto list = static_cast<MeterPage::ListId>(l);
        for (int row = 0; row < MeterPage::rowCount(list); ++row) {
            const QString title = MeterPage::rowCaption(list, row);
            if (title.isEmpty())
                continue;
            QStringList fields{title};
            for (int c = 0; c < reportColumns(list); ++c)
                fields << page.cell(list, row, c);
            lines << fields.join(QLatin1Char('\t'));
        }
    }
    for (const QString &status : page.memoStatus())
        lines << QStringLiteral("Статус\t") + status;
    return lines;
}

QStringList rfPlcReport(const protocol::RfPlc &rfPlc)
{
    QStringList lines{QStringLiteral("Plc-группа\t") + rfPlc.group(), QStringLiteral("Plc-адрес\t") + rfPlc.address()};
    for (int n = 0; n < protocol::RfPlc::kRoutes; ++n) {
        const protocol::RouteRow row = rfPlc.route(n);
        lines << QStringLiteral("Маршрут %1\t%2\t%3").arg(n).arg(row.address, row.number);
    }
    return lines;
}

} // namespace app
