#pragma once
// One row of a journal list as plain data: a text per column and the
// decoded date-time it is sorted by (kept beside the texts, so no display
// format decides the order).

#include <QDateTime>
#include <QStringList>
#include <array>

namespace journals {

struct JournalRow
{
    QStringList cells; // one per column of the journal, empty cells empty
    QDateTime when;    // the caption's moment (meter time); invalid when unknown
};

// A load-profile record as the chart plots it: x = time, one value per series
// ("акт.", "прям.", "обр.").
struct ProfilePoint
{
    QDateTime when;
    std::array<double, 3> values{};
};

} // namespace journals
