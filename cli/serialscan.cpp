#include "serialscan.h"

#include "app/station.h"

namespace cli {

SerialScan::SerialScan(app::Station &station, int scanned, QObject *parent)
    : QObject(parent),
      m_station(station),
      m_scanned(scanned)
{
    connect(&station.decoders(), &protocol::MeterDecoders::serialNumberForEdit, this,
            [this](quint32 serial) { setNumber(int(serial)); });
}

void SerialScan::scan()
{
    if (m_scanned > 0)
        setNumber(m_scanned);
}

// SpinEdit_Number is always enabled in database mode; only a change of its
// value moves the address, as the spin box's change event does.
void SerialScan::setNumber(int number)
{
    protocol::SettingsValues &values = m_station.settingsWriter().values();
    if (values.SpinEdit_Number == number)
        return;
    values.SpinEdit_Number = number;
    if (number > 0 && values.CheckAddr)
        values.SpinNewAddr = number % 100;
}

} // namespace cli
