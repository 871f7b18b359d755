#pragma once
// The operating system's last error code and its text, for open failures.
// One implementation per platform.

#include <QString>

namespace meterlink {

struct SystemError
{
    int code = 0;
    QString text;
};

void resetSystemError();
SystemError lastSystemError();
// The port name as operators know it: COM3 for \\.\COM3, the path otherwise.
QString portDisplayName(const QString &portName);

} // namespace meterlink
