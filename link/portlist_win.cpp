#include "portlist.h"

#include <QSerialPort>

#include <windows.h>

#include <vector>

namespace meterlink {

namespace {

// Every value of HKLM\Hardware\DeviceMap\SerialComm. The value names are
// device paths with backslashes (\Device\Serial0), which QSettings' registry
// backend mangles, so the key is read with the Win32 API itself.
QList<RegistryValue> serialCommValues()
{
    QList<RegistryValue> values;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return values;
    DWORD count = 0, maxNameChars = 0, maxDataBytes = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &maxNameChars,
                         &maxDataBytes, nullptr, nullptr)
        == ERROR_SUCCESS) {
        std::vector<wchar_t> name(maxNameChars + 1);
        std::vector<BYTE> data(maxDataBytes + 2);
        for (DWORD i = 0; i < count; ++i) {
            DWORD nameChars = static_cast<DWORD>(name.size());
            DWORD dataBytes = static_cast<DWORD>(data.size());
            DWORD type = 0;
            if (RegEnumValueW(key, i, name.data(), &nameChars, nullptr, &type, data.data(), &dataBytes)
                != ERROR_SUCCESS)
                continue; // a value that changed under us: skip it, keep the others
            values.append({QString::fromWCharArray(name.data(), static_cast<qsizetype>(nameChars)),
                           static_cast<quint32>(type),
                           QByteArray(reinterpret_cast<const char *>(data.data()), static_cast<qsizetype>(dataBytes))});
        }
    }
    RegCloseKey(key);
    return values;
}

// No usable list from the system: probe COM1..COM8 with a zero byte each.
QList<PortEntry> probedPorts()
{
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

} // namespace

QList<PortEntry> systemPorts()
{
    const QStringList names = portNamesFromRegistryValues(serialCommValues());
    return names.isEmpty() ? probedPorts() : portsFromRegistryNames(names);
}

PortEntry portEntryForName(const QString &name)
{
    const int n = portFromCaption(name, -1);
    return {name, n, n >= 0 ? windowsDevicePath(n) : name};
}

} // namespace meterlink
