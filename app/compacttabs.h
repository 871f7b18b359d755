#pragma once
// The main page control's tabs side by side in the fixed-size window: the
// blank beside each caption is halved, so no page hides behind the tab
// bar's scroll arrows.

class QTabWidget;

namespace app {

void compactTabs(QTabWidget *pages);

} // namespace app
