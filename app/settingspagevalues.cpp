// What the page's controls do: every change goes into the writer's values,
// the pickers follow the clock until edited, the visibility rules, and the
// template buttons.

#include "settingspage.h"

#include "app/limitedspinbox.h"
#include "link/clock.h"
#include "protocol/settingsbatch.h"
#include "protocol/settingstemplate.h"
#include "protocol/settingswriter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTimeEdit>

namespace app {

using protocol::ControlKind;
using protocol::SettingsControl;

namespace {

template<typename T> T *controlWidget(const QWidget *page, const SettingsControl &control)
{
    T *w = page->findChild<T *>(QLatin1String(control.name));
    Q_ASSERT(w);
    return w;
}

} // namespace

void SettingsPage::bindControls()
{
    for (const SettingsControl &c : protocol::settingsControls()) {
        switch (c.kind) {
        case ControlKind::Box:
            connect(controlWidget<QCheckBox>(this, c), &QCheckBox::toggled, this, &SettingsPage::storeValues);
            break;
        case ControlKind::Spin:
            connect(controlWidget<QSpinBox>(this, c), &QSpinBox::valueChanged, this, &SettingsPage::storeValues);
            break;
        case ControlKind::Combo:
            connect(controlWidget<QComboBox>(this, c), &QComboBox::currentIndexChanged, this,
                    &SettingsPage::storeValues);
            break;
        case ControlKind::Password:
        case ControlKind::Decimal:
        case ControlKind::Integer:
            connect(controlWidget<QLineEdit>(this, c), &QLineEdit::textChanged, this, &SettingsPage::storeValues);
            break;
        }
    }
    connect(SpinEdit_Number, &QSpinBox::valueChanged, this, [this] {
        storeValues();
        SpinEdit_NumberChange();
    });
    connect(ComboModeW, &QComboBox::currentIndexChanged, this, &SettingsPage::ComboModeWChange);
    // Typed texts that are no number yet come only from the field itself.
    connect(SpinPult, &QSpinBox::textChanged, this, &SettingsPage::SpinPultChange);
    connect(SpinPult->editor(), &QLineEdit::textChanged, this, &SettingsPage::SpinPultChange);
    connect(ComboModeDdm, &QComboBox::currentIndexChanged, this, &SettingsPage::SpinPultChange);
    connect(DatePicker, &QDateEdit::dateChanged, this, [this] { TimePickerChange(DatePicker); });
    connect(TimePicker, &QTimeEdit::timeChanged, this, [this] { TimePickerChange(TimePicker); });
    connect(BtnSaveTemplate, &QPushButton::clicked, this, &SettingsPage::saveTemplateClick);
    connect(BtnLoadTemplate, &QPushButton::clicked, this, &SettingsPage::loadTemplateClick);

    storeValues(); // the start-up ticks
    ComboModeWChange();
    SpinPultChange();
    m_timerDate = m_clock.createTimer(kTimerDateMs);
    connect(m_timerDate.get(), &meterlink::Timer::timeout, this, &SettingsPage::TimerDateTimer);
    m_timerDate->start();
    TimerDateTimer(); // the clock shows at once, not half a second later
}

// ---------------------------------------------------------------- values

void SettingsPage::storeValues()
{
    if (m_showing)
        return;
    protocol::SettingsValues &v = m_writer.values();
    for (const SettingsControl &c : protocol::settingsControls()) {
        switch (c.kind) {
        case ControlKind::Box:
            v.*c.box = controlWidget<QCheckBox>(this, c)->isChecked();
            break;
        case ControlKind::Spin:
            v.*c.number = controlWidget<QSpinBox>(this, c)->value();
            break;
        case ControlKind::Combo:
            v.*c.number = controlWidget<QComboBox>(this, c)->currentIndex();
            break;
        case ControlKind::Password:
        case ControlKind::Decimal:
        case ControlKind::Integer:
            v.*c.text = controlWidget<QLineEdit>(this, c)->text();
            break;
        }
    }
    v.SpinEdit_Number = SpinEdit_Number->value();
}

void SettingsPage::showValues(const protocol::SettingsValues &values)
{
    {
        QScopedValueRollback showing(m_showing, true);
        for (const SettingsControl &c : protocol::settingsControls()) {
            switch (c.kind) {
            case ControlKind::Box: {
                auto *box = controlWidget<QCheckBox>(this, c);
                box->setChecked(values.*c.box && box->isEnabled());
                break;
            }
            case ControlKind::Spin:
                controlWidget<QSpinBox>(this, c)->setValue(values.*c.number);
                break;
            case ControlKind::Combo:
                controlWidget<QComboBox>(this, c)->setCurrentIndex(values.*c.number);
                break;
            case ControlKind::Password:
            case ControlKind::Decimal:
            case ControlKind::Integer:
                controlWidget<QLineEdit>(this, c)->setText(values.*c.text);
                break;
            }
        }
        SpinEdit_Number->setValue(values.SpinEdit_Number);
        if (values.DatePicker.isValid())
            DatePicker->setDate(values.DatePicker);
        if (values.TimePicker.isValid())
            TimePicker->setTime(values.TimePicker);
    }
    // The pickers' values and edit flags as given; everything else as shown
    // (a value a control cannot take is not kept behind its back).
    m_writer.values() = values;
    storeValues();
}

// ---------------------------------------------------------------- pickers

void SettingsPage::TimerDateTimer()
{
    const QDateTime now = m_clock.now();
    const protocol::SettingsValues &v = m_writer.values();
    QScopedValueRollback following(m_showing, true);
    if (!v.datePickerEdited)
        DatePicker->setDate(now.date());
    if (!v.timePickerEdited)
        TimePicker->setTime(now.time());
}

void SettingsPage::TimePickerChange(QDateTimeEdit *picker)
{
    if (picker == DatePicker)
        limitTimeOnLastDay();
    protocol::SettingsValues &v = m_writer.values();
    v.DatePicker = DatePicker->date();
    v.TimePicker = TimePicker->time();
    // The operator's edit stops the picker following the clock; the clock's
    // own updates (and a shown template) do not.
    if (!m_showing)
        (picker == DatePicker ? v.datePickerEdited : v.timePickerEdited) = true;
}

// The clock request can carry no moment past the latest one: on its day the
// time stops there.
void SettingsPage::limitTimeOnLastDay()
{
    const QDateTime latest = protocol::kLatestMoment();
    QScopedValueRollback clamping(m_showing, true);
    TimePicker->setMaximumTime(DatePicker->date() == latest.date() ? latest.time() : QTime(23, 59, 59, 999));
}

// ---------------------------------------------------------------- rules

void SettingsPage::SpinEdit_NumberChange()
{
    // In production the serial number's last two digits become the new address.
    if (m_showing || !SpinEdit_Number->isEnabled() || !m_modes.databaseMode || !CheckAddr->isChecked())
        return;
    const int serial = SpinEdit_Number->value();
    if (serial > 0)
        SpinNewAddr->setValue(serial % 100);
}

void SettingsPage::SpinPultChange()
{
    // Remote control 0 with a mode that lets it switch the load on: a warning only.
    bool isNumber = false;
    const int number = SpinPult->locale().toInt(SpinPult->cleanText(), &isNumber);
    LabelBan->setVisible(isNumber && number == 0 && ComboModeDdm->currentIndex() % 2 == 1);
}

void SettingsPage::ComboModeWChange()
{
    const bool modbus = ComboModeW->currentIndex() == 1;
    ComboParityW->setVisible(modbus);
    LabelParityW->setVisible(modbus);
}

// ---------------------------------------------------------------- serial number

void SettingsPage::setSerialNumberEnabled(bool enabled)
{
    SpinEdit_Number->setEnabled(enabled);
}

void SettingsPage::setSerialNumber(quint32 serial)
{
    SpinEdit_Number->setValue(int(qMin<quint32>(serial, kSerialMaximum)));
}

void SettingsPage::focusSerialNumber()
{
    if (isVisible() && SpinEdit_Number->isEnabled())
        SpinEdit_Number->setFocus();
}

// ---------------------------------------------------------------- templates

void SettingsPage::saveTemplateClick()
{
    const QString path = m_hooks.saveFileName(kTemplateFilter, QStringLiteral("json"));
    if (path.isEmpty())
        return;
    QString error;
    if (!protocol::saveSettingsTemplate(path, m_writer.values(), &error))
        m_hooks.showMessage(QMessageBox::Critical, QStringLiteral("Ошибка"), error);
}

void SettingsPage::loadTemplateClick()
{
    const QString path = m_hooks.openFileName(kTemplateFilter);
    if (path.isEmpty())
        return;
    QString error;
    const std::optional<protocol::SettingsValues> values =
        protocol::loadSettingsTemplate(path, m_writer.values(), &error);
    if (!values) {
        m_hooks.showMessage(QMessageBox::Critical, QStringLiteral("Ошибка"), error);
        return;
    }
    showValues(*values);
}

} // namespace app
