#pragma once
// The state of the page "Установка": which write tasks are ticked and every
// value control, by the controls' own names. The page keeps one of these
// current; a settings template stores all of it but the pickers and
// SpinEdit_Number. Defaults are the page's defaults, every box unticked.

#include <QDate>
#include <QString>
#include <QTime>

namespace protocol {

struct SettingsValues
{
    // GroupTask, in the order of the group.
    bool CheckTime = false;
    bool CheckShedule = false;
    bool CheckAddr = false;
    bool CheckIntegra = false;
    bool CheckPassword = false;
    bool CheckResetTariff = false;
    bool CheckPult = false;
    bool CheckPeriodProfile = false;
    bool CheckQuality = false;
    bool CheckSeal = false;
    bool CheckSensor = false;
    bool CheckTelemetry = false;

    // " Время  ": the pickers follow the PC clock until the operator edits
    // one (its edit flag, the picker's Tag); resetReadings clears the flags.
    QDate DatePicker;
    QTime TimePicker;
    bool datePickerEdited = false;
    bool timePickerEdited = false;
    bool CheckBoxClock = false; // "Автопереход на летнее время"

    int SpinEdit_Number = 0;    // 0..16777215

    // " Параметры связи "
    int SpinNewAddr = 1;        // 0..255
    int ComboNewBaud = 0;       // speed index 0..5
    int ComboModeW = 0;         // 0 Rs-485, 1 MODBUS
    int ComboParityW = 0;       // 0 "нет", 1 "четн.", 2 "нечетн."

    // " РДЧ "
    int SpinDay = 1;            // 1..31
    int SpinHour = 0;           // 0..23

    QString EditPassW;          // at most 6 characters, one byte each in Windows-1251

    int SpinIntegra = 1;        // 1..60 minutes

    // Remote control ("пульт") and load mode
    int ComboModeDdm = 0;       // 0..3
    int SpinPult = 0;           // 0..16777215
    int SpinBreaker = 65535;    // 0..65535 W

    int ComboProfile = 11;      // period code 0..12 ("30")

    // Poor-quality energy
    int SpinMin = 72;           // 0..1440 minutes
    int ComboSec = 0;           // 0 "0", 1 "20", 2 "40"
    bool CheckAccountKind = false;
    bool CheckJtvf = false;

    // Discrete sensors
    int SpinSensor = 1;         // 1..3
    QString EditSensor;         // decimal reading
    QString EditSensorCalibr;   // integer calibration

    bool anyTaskTicked() const
    {
        return CheckTime || CheckShedule || CheckAddr || CheckIntegra || CheckPassword || CheckResetTariff
               || CheckPult || CheckPeriodProfile || CheckQuality || CheckSeal || CheckSensor || CheckTelemetry;
    }
};

} // namespace protocol
