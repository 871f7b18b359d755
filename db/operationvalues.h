#pragma once
// The values one operation record is built from, taken when the settings
// batch was queued (or when "Зафиксировать в Б&Д" was chosen): the scanner
// or the operator may change the controls while the batch runs, and the
// record must describe the meter that was programmed. Texts are kept as the
// page "О счетчике" shows them; numbers among them are read back in the
// locale they were shown in. Field names follow the controls they come from
// (protocol::SettingsValues, protocol::MeterPage).

#include <QDate>
#include <QString>
#include <QTime>
#include <QtGlobal>

#include <array>

namespace productiondb {

struct OperationValues
{
    // meterSerial: the serial read from the meter, 0 when it has none (it
    // is numbered now with SpinEdit_Number).
    quint32 meterSerial = 0;
    int SpinEdit_Number = 0;

    // "О счетчике"
    QString version;          // ListMain "Версия ПО"
    QString elType;           // ListMain "Тип"
    QString workingTime;      // ListInfo "Время работы"
    QString scheduleChecksum; // ListMain "Контрольная сумма тарифного расписания"
    std::array<QString, 8> tariffCurrent; // ListAddi "1 тариф".."8 тариф", column "текущие"
    quint8 clockFaultBits = 0;
    QString EditDelta;        // the clock drift shown, empty without an estimate

    // "Установка": the ticked boxes and their values. Used only for a record
    // that follows a settings write.
    bool CheckAddr = false;
    int SpinNewAddr = 0;
    QString newBaudText;      // the text of ComboNewBaud, e.g. "9600"
    bool CheckTime = false;
    QDate DatePicker;
    QTime TimePicker;
    bool CheckBoxClock = false; // "Автопереход на летнее время"
    bool CheckPassword = false;
    QString EditPassW;
    bool CheckShedule = false;
    int SpinDay = 0;
    int SpinHour = 0;
    bool CheckIntegra = false;
    int SpinIntegra = 0;
};

} // namespace productiondb
