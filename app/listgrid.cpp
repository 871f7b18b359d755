#include "listgrid.h"

#include <QTreeWidget>

namespace app {

journals::TextGrid gridFromListView(const QTreeWidget *list)
{
    const int columns = list->columnCount();
    const QTreeWidgetItem *header = list->headerItem();
    QStringList captions;
    for (int c = 0; c < columns; ++c)
        captions << header->text(c);
    journals::TextGrid grid{captions};
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = list->topLevelItem(i);
        QStringList cells;
        for (int c = 0; c < columns; ++c)
            cells << item->text(c); // empty beyond the item's own columns
        grid << cells;
    }
    return grid;
}

} // namespace app
