#pragma once
// The page "О счетчике" as text: one line a row, in list order, the row
// title, a TAB and the row's values separated by TABs. Separator rows
// (without a title) are left out. The status lines (MemoStatus) follow,
// each as "Статус", a TAB and the line.

#include "protocol/meterpage.h"

#include <QStringList>

namespace app {

// Value columns that carry data in each list.
int reportColumns(protocol::MeterPage::ListId list);
QStringList pageReport(const protocol::MeterPage &page);

} // namespace app
