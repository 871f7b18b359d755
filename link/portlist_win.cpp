#include "portlist.h"

#include <QSerialPort>
#include <QSettings>

namespace meterlink {

QList<PortEntry> systemPorts()
{
    QSettings map(QStringLiteral("HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM"), QSettings::NativeFormat);
    QStringList names;
    for (const QString &key : map.childKeys())
        names << map.value(key).toString();
    if (!names.isEmpty())
        return portsFromRegistryNames(names);

    // No list from the system: probe COM1..COM8 with a zero byte each.
    QList<PortEntry> probed;
    for (int n = 1; n <= 8; ++n) {
        QSerialPort port(windowsDevicePath(n));
        if (!port.open(QIODevice::ReadWrite))
            continue;
        port.write(QByteArray(1, '\0'));
        port.waitForBytesWritten(100);
        port.close();
        probed.append({QStringLiteral("Com%1").arg(n), n, windowsDevicePath(n)});
    }
    return probed;
}

PortEntry portEntryForName(const QString &name)
{
    const int n = portFromCaption(name, -1);
    return {name, n, n >= 0 ? windowsDevicePath(n) : name};
}

} // namespace meterlink
