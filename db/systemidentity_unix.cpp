#include "db/systemidentity.h"

#include <QSysInfo>

#include <pwd.h>
#include <unistd.h>

namespace productiondb {

QString OsIdentity::computerName() const
{
    return QSysInfo::machineHostName();
}

// The account the program runs as, as Windows' GetUserName gives the
// account of the running process. $USER is not read: it may be unset (a
// service, a desktop entry) or stale after su/sudo, and any process can set it.
QString OsIdentity::userName() const
{
    const passwd *entry = getpwuid(geteuid());
    return entry && entry->pw_name ? QString::fromLocal8Bit(entry->pw_name) : QString();
}

} // namespace productiondb
