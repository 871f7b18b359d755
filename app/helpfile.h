#pragma once
// What "&Справка" opens. The help file Setting_Tarvik_504.chm of the working
// directory comes first, as it always has; a Linux workstation has none, so
// the HTML manual installed with the program takes its place.

#include <QString>
#include <QUrl>

namespace app {

// Where the HTML manual may be found, first match wins.
struct ManualLocations {
    // <prefix>/share/tarvik-504/manual/index.html, the prefix being the
    // parent of the executable's folder (/usr/bin -> /usr).
    QString installed;
    // docs/manual/index.html of the source tree, for a program run from its
    // build folder; empty when there is no such tree.
    QString sourceTree;
};

// The locations for the program running now.
ManualLocations manualLocations();

// The manual installed beside an executable kept in executableDir.
QString installedManualPath(const QString &executableDir);

// The help file when it exists, else the first manual that exists, else the
// help file anyway (the shell then fails quietly, as without a manual).
QUrl helpUrl(const QString &helpFile, const ManualLocations &manual);
QUrl helpUrl(const QString &helpFile);

} // namespace app
