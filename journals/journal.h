#pragma once
// The meter's six journals: their numbers on the wire (the first payload
// byte of every 0x5D request and reply), the captions of their pages and
// the columns of their lists.

#include <QString>
#include <QStringList>
#include <optional>

namespace journals {

enum class Journal { Month = 0, Day = 1, OnOff = 2, Settings = 3, Quality = 4, Profile = 5 };

constexpr int kJournalCount = 6;

// "Месячный", "Суточный", "Вкл./выкл.", "Коррекций", "ПКЭ", "Профиль нагрузки".
QString journalCaption(Journal j);
// Caption first, then the sub-items, exactly as the lists show them.
QStringList journalColumns(Journal j);
// month, day, onoff, settings, quality, profile: the names scripts use.
QString journalName(Journal j);
std::optional<Journal> journalFromName(const QString &name);

} // namespace journals
