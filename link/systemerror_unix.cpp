#include "systemerror.h"

#include <cerrno>
#include <cstring>

namespace meterlink {

void resetSystemError() { errno = 0; }

SystemError lastSystemError()
{
    const int code = errno;
    return {code, code ? QString::fromLocal8Bit(std::strerror(code)) : QString()};
}

QString portDisplayName(const QString &portName) { return portName; }

} // namespace meterlink
