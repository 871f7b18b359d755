#pragma once
// tarvik-cli at a production workstation. With the marker file
// "SettingSql.tarvik" in the working directory the run works in database
// mode as the window does: the workstation and operator are identified
// before the meter is connected, nothing goes to the operation-log file,
// and a settings template may not tick the tasks that database mode
// disables on the page "Установка".

#include "clioptions.h"

#include "app/runmodes.h"
#include "db/systemclock.h"

#include <QDir>
#include <QString>

namespace protocol {
struct SettingsValues;
}

namespace app {
class Station;
}

namespace cli {

// databaseMode from the marker file; masterMode from --master, and always
// in database mode.
app::RunModes runModesFor(const Options &options, const QDir &workingDir);

// --no-clock-sync: the PC clock is left as it is.
class KeptClock : public productiondb::ClockSetter
{
public:
    bool setLocalTime(const QDateTime &) override { return true; }
};

// IdentifyWorkstation of the station's workstation: ExitOk, or
// ExitNotInDatabase / ExitDatabaseError with the message for stderr.
int identifyWorkstation(app::Station &station, QString *message);

// Empty when the values tick none of them; otherwise the refusal naming them.
QString disabledTasksRefusal(const protocol::SettingsValues &values);

} // namespace cli
