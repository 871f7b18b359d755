#include "app/appicon.h"

namespace app {

QIcon applicationIcon()
{
    return QIcon(QStringLiteral(":/tarvik/tarvik504.svg"));
}

} // namespace app
