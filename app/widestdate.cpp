#include "widestdate.h"

#include <QDateEdit>
#include <QFontMetrics>

namespace app {

// Every month and weekday name is tried with a two-digit day.
int widestDateText(const QDateEdit *picker)
{
    const QFontMetrics metrics = picker->fontMetrics();
    int widest = 0;
    for (int month = 1; month <= 12; ++month)
        for (int day = 22; day <= 28; ++day) // every weekday
            widest = qMax(widest, metrics.horizontalAdvance(
                                      picker->locale().toString(QDate(2088, month, day), picker->displayFormat())));
    return widest;
}

} // namespace app
