#include "schedulepage.h"

#include "app/holidayspage.h"
#include "schedule/scheduledocument.h"

#include <QProgressBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace app {

SchedulePage::SchedulePage(schedule::ScheduleDocument &document, schedule::TFrameShedule::Options editorOptions,
                           QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("TabSched"));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    m_gauge = new QProgressBar(this);
    m_gauge->setObjectName(QStringLiteral("GaugeSched"));
    m_gauge->setFixedHeight(8);
    m_gauge->setTextVisible(false);
    m_gauge->hide();
    column->addWidget(m_gauge);

    m_inner = new QTabWidget(this);
    m_inner->setObjectName(QStringLiteral("PageControlSched"));
    m_tariffTab = new QWidget(m_inner);
    m_tariffTab->setObjectName(QStringLiteral("TabTariff"));
    auto *fill = new QVBoxLayout(m_tariffTab); // the frame fills the page
    fill->setContentsMargins(2, 2, 2, 2);
    m_editor = new schedule::TFrameShedule(document.model(), std::move(editorOptions), m_tariffTab);
    fill->addWidget(m_editor);
    m_inner->addTab(m_tariffTab, QStringLiteral("Расписание"));
    m_holidays = new HolidaysPage(document, {}, m_inner);
    m_inner->addTab(m_holidays, QStringLiteral("Праздники и коэффициент лимита"));
    column->addWidget(m_inner, 1);
}

void SchedulePage::showEditor()
{
    m_inner->setCurrentWidget(m_tariffTab);
}

} // namespace app
