#include "helpfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace app {

namespace {

bool isFile(const QString &path)
{
    return !path.isEmpty() && QFileInfo(path).isFile();
}

} // namespace

QString installedManualPath(const QString &executableDir)
{
    return QDir::cleanPath(executableDir + QStringLiteral("/../share/tarvik-504/manual/index.html"));
}

ManualLocations manualLocations()
{
    ManualLocations locations;
    locations.installed = installedManualPath(QCoreApplication::applicationDirPath());
#ifdef TARVIK_SOURCE_MANUAL
    locations.sourceTree = QStringLiteral(TARVIK_SOURCE_MANUAL);
#endif
    return locations;
}

QUrl helpUrl(const QString &helpFile, const ManualLocations &manual)
{
    for (const QString &path : {helpFile, manual.installed, manual.sourceTree}) {
        if (isFile(path))
            return QUrl::fromLocalFile(path);
    }
    return QUrl::fromLocalFile(helpFile);
}

QUrl helpUrl(const QString &helpFile)
{
    return helpUrl(helpFile, manualLocations());
}

} // namespace app
