#include "db/systemidentity.h"

#include <windows.h>

namespace productiondb {

namespace {
// A name of up to 16 characters and its terminating NUL. A longer name does
// not fit, the call fails and the name stays empty, which the Workstation
// reads as "no such user". NetBIOS computer names have at most 15 characters.
constexpr DWORD kNameBuffer = 17;
} // namespace

QString OsIdentity::computerName() const
{
    wchar_t name[kNameBuffer] = {};
    DWORD size = kNameBuffer;
    if (!GetComputerNameW(name, &size))
        return {};
    return QString::fromWCharArray(name, int(size));
}

QString OsIdentity::userName() const
{
    wchar_t name[kNameBuffer] = {};
    DWORD size = kNameBuffer; // in: the buffer; out: with the terminating NUL
    if (!GetUserNameW(name, &size) || size == 0)
        return {};
    return QString::fromWCharArray(name, int(size) - 1);
}

} // namespace productiondb
