#include "systemerror.h"

#include <windows.h>

namespace meterlink {

void resetSystemError() { SetLastError(0); }

SystemError lastSystemError()
{
    const DWORD code = GetLastError();
    if (!code)
        return {};
    wchar_t *buffer = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    QString text = buffer ? QString::fromWCharArray(buffer).trimmed() : QString();
    LocalFree(buffer);
    return {static_cast<int>(code), text};
}

QString portDisplayName(const QString &portName)
{
    QString name = portName;
    if (name.startsWith(QLatin1String("\\\\.\\")))
        name.remove(0, 4);
    return name;
}

} // namespace meterlink
