#include "schedulefileactions.h"

#include "schedule/scheduledocument.h"

#include <QDir>

namespace app {

namespace {

// Puts the working directory back when the action ends, however it ends.
class KeepWorkingDirectory
{
public:
    KeepWorkingDirectory() : m_dir(QDir::currentPath()) {}
    ~KeepWorkingDirectory() { QDir::setCurrent(m_dir); }
    KeepWorkingDirectory(const KeepWorkingDirectory &) = delete;
    KeepWorkingDirectory &operator=(const KeepWorkingDirectory &) = delete;

private:
    QString m_dir;
};

} // namespace

ScheduleFileActions::ScheduleFileActions(schedule::ScheduleDocument &document, ScheduleFileHooks hooks)
    : m_document(document), m_hooks(std::move(hooks))
{
}

void ScheduleFileActions::ActionNewSchedExecute()
{
    m_hooks.showSchedulePage();
    m_document.newSchedule();
}

void ScheduleFileActions::ActionLoadTariffExecute()
{
    const KeepWorkingDirectory keep;
    const QString path = m_hooks.openFileName(kFilter);
    if (path.isEmpty())
        return;
    m_hooks.showSchedulePage();
    QString error;
    int skipped = 0;
    if (!m_document.loadFile(path, &error, &skipped)) {
        m_hooks.showMessage(QMessageBox::Critical, QStringLiteral("Ошибка"), error); // nothing has changed
        return;
    }
    if (skipped > 0)
        m_hooks.showMessage(QMessageBox::Warning, QStringLiteral("Внимание"), schedule::skippedZonesMessage(skipped));
}

void ScheduleFileActions::ActionSaveTariffExecute()
{
    const KeepWorkingDirectory keep;
    // The editor is committed whether or not the dialog is confirmed.
    const schedule::ScheduleFileData data = m_document.exportData();
    const QString path = m_hooks.saveFileName(kFilter, QStringLiteral("tsc"));
    if (path.isEmpty())
        return;
    QString error;
    if (!schedule::saveTscFile(path, data, &error))
        m_hooks.showMessage(QMessageBox::Critical, QStringLiteral("Ошибка"), error);
}

} // namespace app
