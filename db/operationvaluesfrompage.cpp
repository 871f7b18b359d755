#include "db/operationvaluesfrompage.h"

#include "link/speeds.h"
#include "protocol/meterpage.h"
#include "protocol/settingsvalues.h"

namespace productiondb {

OperationValues operationValuesFrom(const protocol::MeterPage &page, const protocol::SettingsValues &s)
{
    using P = protocol::MeterPage;
    OperationValues v;
    v.meterSerial = page.meterSerial();
    v.SpinEdit_Number = s.SpinEdit_Number;

    v.version = page.cell(P::ListMain, P::MainVersion);
    v.elType = page.cell(P::ListMain, P::MainType);
    v.workingTime = page.cell(P::ListInfo, P::InfoWorkingTime);
    v.scheduleChecksum = page.cell(P::ListMain, P::MainScheduleChecksum);
    for (int tariff = 0; tariff < int(v.tariffCurrent.size()); ++tariff) // rows 0..7: "1 тариф".."8 тариф"
        v.tariffCurrent[size_t(tariff)] = page.cell(P::ListAddi, tariff, P::AddiCurrent);
    v.clockFaultBits = page.clockFaultBits();
    v.EditDelta = page.editDelta();

    v.CheckAddr = s.CheckAddr;
    v.SpinNewAddr = s.SpinNewAddr;
    v.newBaudText = meterlink::speedItems().value(s.ComboNewBaud);
    v.CheckTime = s.CheckTime;
    v.DatePicker = s.DatePicker;
    v.TimePicker = s.TimePicker;
    v.CheckBoxClock = s.CheckBoxClock;
    v.CheckPassword = s.CheckPassword;
    v.EditPassW = s.EditPassW;
    v.CheckShedule = s.CheckShedule;
    v.SpinDay = s.SpinDay;
    v.SpinHour = s.SpinHour;
    v.CheckIntegra = s.CheckIntegra;
    v.SpinIntegra = s.SpinIntegra;
    return v;
}

} // namespace productiondb
