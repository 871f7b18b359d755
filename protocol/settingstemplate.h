#pragma once
// Settings templates: the page "Установка" saved to and loaded from a JSON
// object whose keys are the controls' names. Check boxes are JSON booleans,
// spin boxes integers, combo boxes their item index, the edit fields
// strings ("EditSensor" with a decimal point or comma):
//
//   { "CheckShedule": true, "SpinDay": 25, "SpinHour": 7, "ComboNewBaud": 2,
//     "EditSensor": "12,5", ... }
//
// The pickers (a template writes the PC's clock of the moment) and
// SpinEdit_Number (a serial number belongs to one meter) are not stored.
// A key that is missing takes the page's default (boxes unticked); an
// unknown key, a wrong JSON type or a value out of its control's range
// refuses the whole template with a message naming the key.

#include "protocol/settingsvalues.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>
#include <span>

namespace protocol {

// What a control holds and how a template value for it is checked.
enum class ControlKind {
    Box,      // check box: true / false
    Spin,     // spin box: an integer from minimum to maximum
    Combo,    // combo box: item index from minimum (0) to maximum (items - 1)
    Password, // EditPassW: at most maximum characters, each with a byte of its own in Windows-1251
    Decimal,  // EditSensor: empty, or a decimal number with '.' or ','
    Integer,  // EditSensorCalibr: empty, or an integer
};

// One stored control of the page: its name (the template key), kind and
// range, and the field of SettingsValues it lives in (exactly one of the
// three member pointers is set, by kind: box, number or text).
struct SettingsControl
{
    const char *name;
    ControlKind kind;
    int minimum;
    int maximum;
    bool SettingsValues::*box;
    int SettingsValues::*number;
    QString SettingsValues::*text;
};

// Every control a template stores, in the page's order. The single source of
// names and ranges for reading and writing templates (and for the page).
std::span<const SettingsControl> settingsControls();
// The control of this name, or nullptr.
const SettingsControl *settingsControl(QStringView name);
// The tasks a production run does not write: "Время интегр. мощности",
// "Период фиксации профиля", "Параметры расчета некач. энергии" (disabled
// in database mode).
const QStringList &tasksDisabledInDatabaseMode();

// Whether a text is acceptable for the control (Password, Decimal and
// Integer kinds; other kinds: false).
bool settingsTextAcceptable(const SettingsControl &control, const QString &text);

// The template of these values (indented JSON, UTF-8).
QByteArray settingsTemplateJson(const SettingsValues &values);

// The values a template gives: every stored control from the template or,
// when its key is missing, from SettingsValues' defaults; the pickers, their
// edit flags and SpinEdit_Number from current. Nothing (and *error set to
// the Russian message) when the template is refused.
std::optional<SettingsValues> applySettingsTemplate(const QByteArray &json, const SettingsValues &current,
                                                    QString *error);

// Larger files are refused unread: a template of every control is about 1 KB.
inline constexpr qint64 kMaxSettingsTemplateBytes = 64 * 1024;

// Writes the template of values to path; the file is replaced only when the
// new one is complete. False with a Russian message on failure.
bool saveSettingsTemplate(const QString &path, const SettingsValues &values, QString *error);
// Reads and applies the template in path (see applySettingsTemplate).
std::optional<SettingsValues> loadSettingsTemplate(const QString &path, const SettingsValues &current,
                                                   QString *error);

} // namespace protocol
