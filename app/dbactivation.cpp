#include "dbactivation.h"

#include "db/workstation.h"

#include <utility>

namespace app {

DbActivation::DbActivation(productiondb::Workstation &workstation, ShowMessage showMessage,
                           std::function<void()> endProgram, QString errorCaption)
    : m_workstation(workstation),
      m_showMessage(std::move(showMessage)),
      m_endProgram(std::move(endProgram)),
      m_errorCaption(std::move(errorCaption))
{
}

void DbActivation::deactivated()
{
    if (m_boxShown)
        m_activatedByOwnBox = true; // the window comes back when the box closes
}

void DbActivation::showBox(QMessageBox::Icon icon, const QString &caption, const QString &text)
{
    m_boxShown = true;
    m_showMessage(icon, caption, text);
    m_boxShown = false;
}

bool DbActivation::activated()
{
    if (m_ending)
        return false;
    // Back from our own box (also while it is still up): no new try.
    const bool backFromOwnBox = std::exchange(m_activatedByOwnBox, false);
    if (m_running || backFromOwnBox)
        return true;
    m_running = true;
    const productiondb::IdentifyOutcome outcome = m_workstation.IdentifyWorkstation();
    switch (outcome.kind) {
    case productiondb::IdentifyOutcome::Identified:
        break;
    case productiondb::IdentifyOutcome::NotFound:
        m_ending = true; // before the box: no activation identifies again
        showBox(QMessageBox::Warning, productiondb::Workstation::kStoppedCaption, outcome.message);
        m_endProgram();
        break;
    case productiondb::IdentifyOutcome::Failed:
        showBox(QMessageBox::Critical, m_errorCaption, outcome.message);
        break;
    }
    m_running = false;
    return !m_ending;
}

} // namespace app
