#pragma once
// The two run modes, fixed once at start-up:
//  masterMode   - frame tracing and the editable serial number (service use);
//                 on when the configuration holds a value named "Master" of
//                 any type or content, or in databaseMode;
//  databaseMode - production use with the factory database; on when the
//                 marker file "SettingSql.tarvik" exists in the working directory.

#include <QDir>
#include <QSettings>

namespace app {

struct RunModes
{
    bool masterMode = false;
    bool databaseMode = false;
};

inline constexpr char kMarkerFileName[] = "SettingSql.tarvik";

// settings: the main configuration group, opened for restoring.
RunModes determineRunModes(const QSettings &settings, const QDir &workingDir);
// Value names are compared without regard to case ("BaudRate" = "Baudrate").
bool containsIgnoringCase(const QSettings &settings, const QString &name);
QString keyIgnoringCase(const QSettings &settings, const QString &name);

} // namespace app
