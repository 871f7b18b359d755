#pragma once
// The program's icon, an electricity meter drawn as SVG (tarvik504.svg in
// the resources): the window, the task bar and the about box show it.
// Drawing it needs Qt's SVG icon engine plugin; without the plugin the icon
// is null and the system's generic one shows instead.

#include <QIcon>

namespace app {

QIcon applicationIcon();

} // namespace app
