#pragma once
// The widest text a date picker can show in its display format, so the
// picker can be made wide enough for every day of the year.

class QDateEdit;

namespace app {

int widestDateText(const QDateEdit *picker);

} // namespace app
