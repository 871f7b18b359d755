#pragma once
// The page "О счетчике" as text: one line a row, in list order, the row
// title, a TAB and the row's values separated by TABs. Separator rows
// (without a title) are left out. The status lines (MemoStatus) follow,
// each as "Статус", a TAB and the line.
//
// The page "Параметры RFPLC" the same way: "Plc-группа" and "Plc-адрес",
// then "Маршрут 0" .. "Маршрут 3" with the repeater address and the number.

#include "protocol/meterpage.h"
#include "protocol/rfplc.h"

#include <QStringList>

namespace app {

// Value columns that carry data in each list.
int reportColumns(protocol::MeterPage::ListId list);
QStringList pageReport(const protocol::MeterPage &page);
QStringList rfPlcReport(const protocol::RfPlc &rfPlc);

} // namespace app
