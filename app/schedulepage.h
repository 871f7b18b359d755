#pragma once
// The page "Тарифное расписание" (TabSched): the thin progress bar of a
// schedule read across its top, and the inner pages "Расписание" (the
// editor frame) and "Праздники и коэффициент лимита".

#include "schedule/Shedule.h"

#include <QWidget>

class QProgressBar;
class QTabWidget;

namespace schedule {
class ScheduleDocument;
}

namespace app {

class HolidaysPage;

class SchedulePage : public QWidget
{
    Q_OBJECT
public:
    SchedulePage(schedule::ScheduleDocument &document, schedule::TFrameShedule::Options editorOptions,
                 QWidget *parent = nullptr);

    schedule::TFrameShedule *editor() const { return m_editor; }
    HolidaysPage *holidaysPage() const { return m_holidays; }
    QTabWidget *innerPages() const { return m_inner; }
    // GaugeSched: 8 pixels high, hidden until a schedule read shows it.
    QProgressBar *gaugeSched() const { return m_gauge; }
    // Brings "Расписание" to the front of the inner pages.
    void showEditor();

private:
    QProgressBar *m_gauge = nullptr;
    QTabWidget *m_inner = nullptr;
    QWidget *m_tariffTab = nullptr;
    schedule::TFrameShedule *m_editor = nullptr;
    HolidaysPage *m_holidays = nullptr;
};

} // namespace app
