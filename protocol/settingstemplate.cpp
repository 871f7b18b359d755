#include "settingstemplate.h"

#include "protocol/accesspassword.h"
#include "protocol/cp1251.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSaveFile>
#include <array>
#include <cmath>

namespace protocol {

namespace {

using V = SettingsValues;

constexpr SettingsControl box(const char *name, bool V::*field)
{
    return {name, ControlKind::Box, 0, 1, field, nullptr, nullptr};
}
constexpr SettingsControl spin(const char *name, int lo, int hi, int V::*field)
{
    return {name, ControlKind::Spin, lo, hi, nullptr, field, nullptr};
}
constexpr SettingsControl combo(const char *name, int items, int V::*field)
{
    return {name, ControlKind::Combo, 0, items - 1, nullptr, field, nullptr};
}
constexpr SettingsControl text(const char *name, ControlKind kind, int maxLength, QString V::*field)
{
    return {name, kind, 0, maxLength, nullptr, nullptr, field};
}

const std::array kControls = {
    box("CheckTime", &V::CheckTime),
    box("CheckShedule", &V::CheckShedule),
    box("CheckAddr", &V::CheckAddr),
    box("CheckIntegra", &V::CheckIntegra),
    box("CheckPassword", &V::CheckPassword),
    box("CheckResetTariff", &V::CheckResetTariff),
    box("CheckPult", &V::CheckPult),
    box("CheckPeriodProfile", &V::CheckPeriodProfile),
    box("CheckQuality", &V::CheckQuality),
    box("CheckSeal", &V::CheckSeal),
    box("CheckSensor", &V::CheckSensor),
    box("CheckTelemetry", &V::CheckTelemetry),
    box("CheckBoxClock", &V::CheckBoxClock),
    spin("SpinNewAddr", 0, 255, &V::SpinNewAddr),
    combo("ComboNewBaud", 6, &V::ComboNewBaud),
    combo("ComboModeW", 2, &V::ComboModeW),
    combo("ComboParityW", 3, &V::ComboParityW),
    spin("SpinDay", 1, 31, &V::SpinDay),
    spin("SpinHour", 0, 23, &V::SpinHour),
    text("EditPassW", ControlKind::Password, AccessPassword::kMaxLength, &V::EditPassW),
    spin("SpinIntegra", 1, 60, &V::SpinIntegra),
    combo("ComboModeDdm", 4, &V::ComboModeDdm),
    spin("SpinPult", 0, 16777215, &V::SpinPult),
    spin("SpinBreaker", 0, 65535, &V::SpinBreaker),
    combo("ComboProfile", 13, &V::ComboProfile),
    spin("SpinMin", 0, 1440, &V::SpinMin),
    combo("ComboSec", 3, &V::ComboSec),
    box("CheckAccountKind", &V::CheckAccountKind),
    box("CheckJtvf", &V::CheckJtvf),
    spin("SpinSensor", 1, 3, &V::SpinSensor),
    text("EditSensor", ControlKind::Decimal, 0, &V::EditSensor),
    text("EditSensorCalibr", ControlKind::Integer, 0, &V::EditSensorCalibr),
};

QString prefixed(const QString &text) { return QStringLiteral("Шаблон установок: ") + text; }

// What a key's value must be, for the refusal message.
QString expectation(const SettingsControl &c)
{
    const QString key = QStringLiteral("значение \"%1\" должно быть ").arg(QLatin1String(c.name));
    switch (c.kind) {
    case ControlKind::Box:
        return prefixed(key + QStringLiteral("логическим (true или false)."));
    case ControlKind::Spin:
        return prefixed(key + QStringLiteral("целым числом от %1 до %2.").arg(c.minimum).arg(c.maximum));
    case ControlKind::Combo:
        return prefixed(key + QStringLiteral("номером пункта списка от %1 до %2.").arg(c.minimum).arg(c.maximum));
    case ControlKind::Password:
        return prefixed(key + QStringLiteral("строкой не длиннее %1 символов, каждый из которых есть в кодировке "
                                             "Windows-1251.")
                                  .arg(c.maximum));
    case ControlKind::Decimal:
        return prefixed(key + QStringLiteral("строкой: пустой или десятичным числом (с точкой или запятой)."));
    case ControlKind::Integer:
        return prefixed(key + QStringLiteral("строкой: пустой или целым числом."));
    }
    return {};
}

// Takes one template value into values; false when it does not fit the control.
bool takeValue(const SettingsControl &c, const QJsonValue &value, SettingsValues *values)
{
    switch (c.kind) {
    case ControlKind::Box:
        if (!value.isBool())
            return false;
        values->*c.box = value.toBool();
        return true;
    case ControlKind::Spin:
    case ControlKind::Combo: {
        // JSON numbers are doubles; an integer is one without a fraction.
        if (!value.isDouble())
            return false;
        const double d = value.toDouble();
        if (d != std::floor(d) || d < c.minimum || d > c.maximum)
            return false;
        values->*c.number = static_cast<int>(d);
        return true;
    }
    case ControlKind::Password:
    case ControlKind::Decimal:
    case ControlKind::Integer:
        if (!value.isString() || !settingsTextAcceptable(c, value.toString()))
            return false;
        values->*c.text = value.toString();
        return true;
    }
    return false;
}

QJsonValue storedValue(const SettingsControl &c, const SettingsValues &values)
{
    if (c.box)
        return values.*c.box;
    if (c.number)
        return values.*c.number;
    return values.*c.text;
}

} // namespace

std::span<const SettingsControl> settingsControls() { return kControls; }

const SettingsControl *settingsControl(QStringView name)
{
    for (const SettingsControl &c : kControls)
        if (name == QLatin1String(c.name))
            return &c;
    return nullptr;
}

bool settingsTextAcceptable(const SettingsControl &control, const QString &text)
{
    static const QRegularExpression decimal(QStringLiteral("^[+-]?(\\d+([.,]\\d*)?|[.,]\\d+)$"));
    static const QRegularExpression integer(QStringLiteral("^[+-]?\\d+$"));
    switch (control.kind) {
    case ControlKind::Password:
        return text.size() <= control.maximum && fitsCp1251(text);
    case ControlKind::Decimal:
        return text.isEmpty() || decimal.match(text).hasMatch();
    case ControlKind::Integer: {
        // The calibration is read as a 32-bit integer.
        bool fits = false;
        text.toInt(&fits);
        return text.isEmpty() || (integer.match(text).hasMatch() && fits);
    }
    case ControlKind::Box:
    case ControlKind::Spin:
    case ControlKind::Combo:
        break;
    }
    return false;
}

QByteArray settingsTemplateJson(const SettingsValues &values)
{
    QJsonObject object;
    for (const SettingsControl &c : kControls)
        object.insert(QLatin1String(c.name), storedValue(c, values));
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

std::optional<SettingsValues> applySettingsTemplate(const QByteArray &json, const SettingsValues &current,
                                                    QString *error)
{
    QString ignored;
    if (!error)
        error = &ignored;
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        *error = prefixed(QStringLiteral("файл не является объектом JSON (ошибка разбора в позиции %1).")
                              .arg(parseError.offset));
        return std::nullopt;
    }
    if (!doc.isObject()) {
        *error = prefixed(QStringLiteral("файл не является объектом JSON."));
        return std::nullopt;
    }
    const QJsonObject object = doc.object();
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (!settingsControl(it.key())) {
            *error = prefixed(QStringLiteral("неизвестный ключ \"%1\".").arg(it.key()));
            return std::nullopt;
        }
    }

    SettingsValues values;
    values.DatePicker = current.DatePicker;
    values.TimePicker = current.TimePicker;
    values.datePickerEdited = current.datePickerEdited;
    values.timePickerEdited = current.timePickerEdited;
    values.SpinEdit_Number = current.SpinEdit_Number;
    for (const SettingsControl &c : kControls) {
        const auto it = object.constFind(QLatin1String(c.name));
        if (it != object.constEnd() && !takeValue(c, *it, &values)) {
            *error = expectation(c);
            return std::nullopt;
        }
    }
    return values;
}

bool saveSettingsTemplate(const QString &path, const SettingsValues &values, QString *error)
{
    QSaveFile file(path);
    const QByteArray bytes = settingsTemplateJson(values);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    *error = prefixed(QStringLiteral("не удается записать файл \"%1\".").arg(path));
    return false;
}

std::optional<SettingsValues> loadSettingsTemplate(const QString &path, const SettingsValues &current,
                                                   QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = prefixed(QStringLiteral("не удается прочитать файл \"%1\".").arg(path));
        return std::nullopt;
    }
    // One byte past the cap tells a file that is too large.
    const QByteArray bytes = file.read(kMaxSettingsTemplateBytes + 1);
    if (bytes.size() > kMaxSettingsTemplateBytes) {
        *error = prefixed(QStringLiteral("файл \"%1\" слишком велик (более %2 КБ).")
                              .arg(path)
                              .arg(kMaxSettingsTemplateBytes / 1024));
        return std::nullopt;
    }
    if (file.error() != QFileDevice::NoError) {
        *error = prefixed(QStringLiteral("не удается прочитать файл \"%1\".").arg(path));
        return std::nullopt;
    }
    return applySettingsTemplate(bytes, current, error);
}

const QStringList &tasksDisabledInDatabaseMode()
{
    static const QStringList names = {QStringLiteral("CheckIntegra"), QStringLiteral("CheckPeriodProfile"),
                                      QStringLiteral("CheckQuality")};
    return names;
}

} // namespace protocol
