#pragma once
// The serial ports an operator can choose from.
//
// Windows: ports are named "COM<n>" and known by their number n (the
// stored "Port" value); the device opened is \\.\COM<n>. The list comes from
// HKLM\Hardware\DeviceMap\SerialComm, or, when that is empty, from probing
// COM1..COM8.
// Linux and other systems: a port is named by its device path, e.g.
// /dev/ttyUSB0, and stored as that path; the list is what the system reports,
// and any path typed by the operator (a pseudo-terminal, say) is accepted.

#include <QList>
#include <QString>
#include <QStringList>

namespace meterlink {

struct PortEntry
{
    QString caption;   // as shown in ComboPort and the port menu
    int number = -1;   // Windows port number (menu tag); -1 when the name has none
    QString device;    // what QSerialPort opens
    // False for a system entry whose name could not be read as COM<n>: it
    // stays in ComboPort but gets no menu item and no scanner entry.
    bool complete = true;
};

// "COM12" -> 12: the caption from its fourth character on; defaultValue when
// that is not a whole number.
int portFromCaption(const QString &caption, int defaultValue);
QString windowsDevicePath(int number);
// One value of HKLM\Hardware\DeviceMap\SerialComm as RegEnumValueW returns
// it: the value name (\Device\Serial0, say), its type and its raw data.
struct RegistryValue
{
    QString name;
    quint32 type = 0;  // REG_SZ = 1, REG_EXPAND_SZ = 2; other types carry no port name
    QByteArray data;   // UTF-16LE, terminated by zero, one or two NULs
};
constexpr quint32 kRegSz = 1;
constexpr quint32 kRegExpandSz = 2;
// The port names (COM3, ...) in the values' order; values that are not
// strings or hold no text are left out.
QStringList portNamesFromRegistryValues(const QList<RegistryValue> &values);

// Registry value data in listing order -> entries. A name whose tail is not
// a number still gets its combo entry but no number (no menu item).
QList<PortEntry> portsFromRegistryNames(const QStringList &names);
// A name typed or stored on a POSIX system: a bare "ttyUSB0" means /dev/ttyUSB0.
PortEntry unixPortEntry(const QString &nameOrPath);

// The ports of this computer (platform-specific).
QList<PortEntry> systemPorts();
// A port named by the operator (COM3 on Windows, a path or tty name
// elsewhere) as an entry of this platform (platform-specific).
PortEntry portEntryForName(const QString &name);

} // namespace meterlink
