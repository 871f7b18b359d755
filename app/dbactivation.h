#pragma once
// In database mode the main window identifies its workstation, operator and
// installation every time it becomes active (Workstation). A missing one
// ends the program after its message; a failed statement shows its error
// and the program goes on.
//
// Two guards keep an unreachable server from taking the window away: the
// identification never runs inside itself (its own message box may
// activate the window again), and the activation that follows the closing
// of its error box does not try again; the operator's next action does.

#include <QMessageBox>
#include <functional>

namespace productiondb {
class Workstation;
}

namespace app {

class DbActivation
{
public:
    using ShowMessage = std::function<void(QMessageBox::Icon, const QString &caption, const QString &text)>;
    // errorCaption: the caption of the general error handler's box.
    DbActivation(productiondb::Workstation &workstation, ShowMessage showMessage, std::function<void()> endProgram,
                 QString errorCaption);

    // The window became active. False when the program is ending.
    bool activated();
    // The window lost the activation (to a message box, another window).
    void deactivated();
    bool ending() const { return m_ending; }
    // Shows a box of the production database (its error, a refusal, a
    // failed record): the activation its closing hands back does not
    // identify again, so a server that is away costs one box per action.
    void showBox(QMessageBox::Icon icon, const QString &caption, const QString &text);

private:
    productiondb::Workstation &m_workstation;
    ShowMessage m_showMessage;
    std::function<void()> m_endProgram;
    QString m_errorCaption;
    bool m_running = false;
    bool m_boxShown = false;          // one of our boxes is up
    bool m_activatedByOwnBox = false; // the window lost the activation to it
    bool m_ending = false;
};

} // namespace app
