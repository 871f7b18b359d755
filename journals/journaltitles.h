#pragma once
// The one title every export and printout of a journal carries:
// "Счетчик № " + the meter's serial (decimal) + ", " + the journal's name.
// The export names of the month, day and profile journals end in a blank,
// as does the printed name of the profile.

#include "journal.h"

#include <QString>

namespace journals {

QString exportTitle(Journal j, quint32 serial);
QString printTitle(Journal j, quint32 serial);

} // namespace journals
