#pragma once
// The schedule actions of the main window that need no meter: "&Новое",
// "&Загрузить из файла" and "&Сохранить как файл". The file dialogs and
// message boxes come in as functions so tests can answer them. The working
// directory is put back after every dialog: other code builds file paths
// from it.

#include <QMessageBox>
#include <QString>
#include <functional>

namespace schedule {
class ScheduleDocument;
}

namespace app {

struct ScheduleFileHooks
{
    // Returns the chosen path, empty when cancelled.
    std::function<QString(const QString &filter)> openFileName;
    std::function<QString(const QString &filter, const QString &defaultSuffix)> saveFileName;
    std::function<void(QMessageBox::Icon, const QString &caption, const QString &text)> showMessage;
    std::function<void()> showSchedulePage; // page "Тарифное расписание", inner page "Расписание"
};

class ScheduleFileActions
{
public:
    static inline const QString kFilter = QStringLiteral("Файлы тарифного расписания (*.tsc)");

    ScheduleFileActions(schedule::ScheduleDocument &document, ScheduleFileHooks hooks);

    void ActionNewSchedExecute();
    void ActionLoadTariffExecute();
    void ActionSaveTariffExecute();

private:
    schedule::ScheduleDocument &m_document;
    ScheduleFileHooks m_hooks;
};

} // namespace app
