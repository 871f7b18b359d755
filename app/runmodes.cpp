#include "runmodes.h"

#include <QFileInfo>

namespace app {

QString keyIgnoringCase(const QSettings &settings, const QString &name)
{
    for (const QString &key : settings.childKeys())
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return key;
    return {};
}

bool containsIgnoringCase(const QSettings &settings, const QString &name)
{
    return !keyIgnoringCase(settings, name).isEmpty();
}

RunModes determineRunModes(const QSettings &settings, const QDir &workingDir)
{
    RunModes modes;
    modes.masterMode = containsIgnoringCase(settings, QStringLiteral("Master"));
    // Only the existence counts; the file is never opened.
    if (QFileInfo::exists(workingDir.filePath(QString::fromLatin1(kMarkerFileName)))) {
        modes.databaseMode = true;
        modes.masterMode = true;
    }
    return modes;
}

} // namespace app
