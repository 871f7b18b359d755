#include "journals/journal.h"

#include <array>

namespace journals {

namespace {

// The tariff columns and the three discrete counters close the month and
// day lists alike.
QStringList tariffColumns()
{
    QStringList out;
    for (int t = 1; t <= 8; ++t)
        out << QString::number(t) + QStringLiteral(" тариф");
    return out;
}

QStringList counterColumns()
{
    return {QStringLiteral("Время работы"), QStringLiteral("1-ый дискр.сч."), QStringLiteral("2-ой дискр.сч."),
            QStringLiteral("3-ий дискр.сч.")};
}

QStringList energyColumns()
{
    return {QStringLiteral("Дата"), QStringLiteral("Активная"), QStringLiteral("Реакт.прям."),
            QStringLiteral("Реакт.обр.")};
}

constexpr std::array<const char *, kJournalCount> kNames{"month", "day", "onoff", "settings", "quality", "profile"};

} // namespace

QString journalCaption(Journal j)
{
    switch (j) {
    case Journal::Month: return QStringLiteral("Месячный");
    case Journal::Day: return QStringLiteral("Суточный");
    case Journal::OnOff: return QStringLiteral("Вкл./выкл.");
    case Journal::Settings: return QStringLiteral("Коррекций");
    case Journal::Quality: return QStringLiteral("ПКЭ");
    case Journal::Profile: return QStringLiteral("Профиль нагрузки");
    }
    return {};
}

QStringList journalColumns(Journal j)
{
    switch (j) {
    case Journal::Month:
        return energyColumns()
               + QStringList{QStringLiteral("Пик мощн., Вт"), QStringLiteral("Вр. пика"), QStringLiteral("Некач. эн."),
                             QStringLiteral("Парам. расч.")}
               + tariffColumns() + counterColumns();
    case Journal::Day:
        return energyColumns()
               + QStringList{QStringLiteral("Некач. U"), QStringLiteral("Некач. F"), QStringLiteral("Некач. U+F"),
                             QStringLiteral("Флаги некач.")}
               + tariffColumns() + counterColumns();
    case Journal::OnOff: return {QStringLiteral("Время"), QStringLiteral("Событие")};
    case Journal::Settings:
        return {QStringLiteral("дата время"), QStringLiteral("параметр"), QStringLiteral("установленное значение"),
                QStringLiteral("примечания")};
    case Journal::Quality: return {QStringLiteral("Время"), QStringLiteral("Состояние")};
    case Journal::Profile:
        return {QStringLiteral("Время"), QStringLiteral("Активная энергия , кВт"), QStringLiteral("Реакт.прям., квар.ч."),
                QStringLiteral("Реакт.обр., квар.ч.")};
    }
    return {};
}

QString journalName(Journal j)
{
    const int i = int(j);
    return i >= 0 && i < kJournalCount ? QString::fromLatin1(kNames[i]) : QString();
}

std::optional<Journal> journalFromName(const QString &name)
{
    for (int i = 0; i < kJournalCount; ++i)
        if (name == QLatin1String(kNames[i]))
            return Journal(i);
    return std::nullopt;
}

} // namespace journals
