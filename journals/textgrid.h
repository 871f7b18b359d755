#pragma once
// A journal list as a table of texts (the form export and printing take):
// row 0 holds the column captions, row r + 1 item r of the list; every row
// is as wide as row 0.

#include <QList>
#include <QStringList>

namespace journals {

using TextGrid = QList<QStringList>;

} // namespace journals
