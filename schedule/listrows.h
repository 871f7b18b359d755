#pragma once
// Row removal shared by the holiday and transfer lists.

#include <QList>
#include <algorithm>
#include <functional>

namespace schedule {

// Deletes the listed rows; indices outside the list and repeats are ignored.
template<typename Row> void removeListRows(QList<Row> &list, const QList<int> &rows)
{
    QList<int> sorted = rows;
    std::sort(sorted.begin(), sorted.end(), std::greater<int>());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    for (int row : sorted) // from the last row so earlier indices stay put
        if (row >= 0 && row < list.size())
            list.removeAt(row);
}

} // namespace schedule
