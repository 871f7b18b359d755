#pragma once
// gridFromListView: a journal list as a table of texts. Row 0 holds the
// column captions; row r + 1 holds item r: column 0 its caption, column
// c >= 1 its sub-item c - 1 (an empty text where the item has fewer).

#include "journals/textgrid.h"

class QTreeWidget;

namespace app {

journals::TextGrid gridFromListView(const QTreeWidget *list);

} // namespace app
