#include "portlist.h"

#include <QSerialPortInfo>

namespace meterlink {

QList<PortEntry> systemPorts()
{
    QList<PortEntry> entries;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        entries.append(unixPortEntry(info.systemLocation()));
    return entries;
}

PortEntry portEntryForName(const QString &name) { return unixPortEntry(name); }

} // namespace meterlink
