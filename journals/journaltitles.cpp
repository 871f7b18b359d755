#include "journaltitles.h"

namespace journals {

namespace {

struct Names
{
    const char *exported;
    const char *printed;
};

// In the order of the journal numbers. The trailing blanks are part of the
// titles as operators know them.
const Names kNames[kJournalCount] = {
    {"Месячный журнал ", "Месячный журнал"},   // month
    {"Суточный журнал ", "Суточный журнал"},   // day
    {"Журнал включений", "Журнал включений"}, // on/off
    {"Журнал установок", "Журнал установок"}, // settings changes
    {"Журнал качества сети", "Журнал качества сети"},
    {"Профиль нагрузки ", "Профиль нагрузки "}, // load profile
};

QString title(quint32 serial, const char *name)
{
    return QStringLiteral("Счетчик № ") + QString::number(serial) + QStringLiteral(", ") + QString::fromUtf8(name);
}

} // namespace

QString exportTitle(Journal j, quint32 serial)
{
    return title(serial, kNames[int(j)].exported);
}

QString printTitle(Journal j, quint32 serial)
{
    return title(serial, kNames[int(j)].printed);
}

} // namespace journals
