#pragma once
// The page "Установка" (TabSet): the tasks to write (GroupTask) and the
// values they write. Every control is named after its field of
// SettingsValues, and every change goes into the writer's values at once, so
// ActionSetting and the acknowledgements' log lines always see what the page
// shows. A template saved or loaded with the page's buttons comes back as
// values and is shown here.
//
// The date and time pickers follow the PC clock (TimerDate, every 500 ms)
// until the operator edits one; resetReadings lets them follow it again.

#include "app/runmodes.h"
#include "protocol/settingsvalues.h"

#include <QMessageBox>
#include <QWidget>
#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QDateTimeEdit;
class QGroupBox;
class QLabel;
class QLayout;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTimeEdit;

namespace meterlink {
class Clock;
class Timer;
}
namespace protocol {
class SettingsWriter;
}

namespace app {

class LimitedSpinBox;

// The file dialogs and message boxes of the template buttons, replaceable
// so tests can answer them.
struct SettingsPageHooks
{
    std::function<QString(const QString &filter)> openFileName; // empty: cancelled
    std::function<QString(const QString &filter, const QString &defaultSuffix)> saveFileName;
    std::function<void(QMessageBox::Icon, const QString &caption, const QString &text)> showMessage;
};

class SettingsPage : public QWidget
{
    Q_OBJECT
public:
    static inline const QString kTemplateFilter = QStringLiteral("Шаблоны установок (*.json)");
    static constexpr int kSerialMaximum = 16777215; // three bytes
    static constexpr int kMaxTypedDigits = 6;
    static constexpr int kTimerDateMs = 500;

    SettingsPage(protocol::SettingsWriter &writer, meterlink::Clock &clock, const RunModes &modes,
                 SettingsPageHooks hooks, QWidget *parent = nullptr);
    ~SettingsPage() override;

    // SpinEdit_Number follows the meter's serial number: enabled while it is
    // 0 or in database mode; in database mode it takes a new serial read.
    void setSerialNumberEnabled(bool enabled);
    void setSerialNumber(quint32 serial);
    // After resetReadings: the keyboard focus to SpinEdit_Number when this
    // page is showing and the control is enabled.
    void focusSerialNumber();

    // Every control shows these values (a loaded template); a task box that
    // is disabled in this run mode stays unticked.
    void showValues(const protocol::SettingsValues &values);

private:
    // layout (settingspage.cpp)
    QLayout *buildTopBand();
    QLayout *buildColumns();
    QGroupBox *buildTasks();
    QWidget *buildTemplateButtons();
    QGroupBox *buildClock();
    QGroupBox *buildNumber();
    QGroupBox *buildLink();
    QGroupBox *buildBilling();
    QGroupBox *buildPassword();
    QGroupBox *buildIntegration();
    QGroupBox *buildPult();
    QGroupBox *buildProfile();
    QGroupBox *buildQuality();
    QGroupBox *buildSensors();
    QCheckBox *taskBox(QWidget *parent, const char *name, const QString &caption);
    QSpinBox *spinOfTable(QWidget *parent, const char *name);
    QComboBox *combo(QWidget *parent, const char *name, const QStringList &items);
    QLabel *label(QWidget *parent, const QString &text, QWidget *buddy, const char *name = nullptr);
    void applyRunModes();

    // behaviour (settingspagevalues.cpp)
    void bindControls();
    void storeValues();
    void TimerDateTimer();
    void TimePickerChange(QDateTimeEdit *picker);
    void limitTimeOnLastDay();
    void SpinEdit_NumberChange();
    void SpinPultChange();
    void ComboModeWChange();
    void saveTemplateClick();
    void loadTemplateClick();

    protocol::SettingsWriter &m_writer;
    meterlink::Clock &m_clock;
    RunModes m_modes;
    SettingsPageHooks m_hooks;
    std::unique_ptr<meterlink::Timer> m_timerDate;
    bool m_showing = false; // controls being set by the program, not the operator

    QGroupBox *GroupTask = nullptr;
    QList<QCheckBox *> m_tasks;
    QDateEdit *DatePicker = nullptr;
    QTimeEdit *TimePicker = nullptr;
    LimitedSpinBox *SpinEdit_Number = nullptr;
    QSpinBox *SpinNewAddr = nullptr;
    QComboBox *ComboModeW = nullptr;
    QLabel *LabelModeW = nullptr;
    QComboBox *ComboParityW = nullptr;
    QLabel *LabelParityW = nullptr;
    QCheckBox *CheckAddr = nullptr;
    QLineEdit *EditPassW = nullptr;
    QComboBox *ComboModeDdm = nullptr;
    LimitedSpinBox *SpinPult = nullptr;
    QLabel *LabelBan = nullptr;
    QPushButton *BtnSaveTemplate = nullptr;
    QPushButton *BtnLoadTemplate = nullptr;
};

} // namespace app
