#include "productionmode.h"

#include "app/station.h"
#include "db/workstation.h"
#include "protocol/settingstemplate.h"

#include <QFileInfo>

namespace cli {

app::RunModes runModesFor(const Options &options, const QDir &workingDir)
{
    app::RunModes modes;
    // Only the file's existence counts, as for the window.
    modes.databaseMode = QFileInfo::exists(workingDir.filePath(QString::fromLatin1(app::kMarkerFileName)));
    modes.masterMode = options.master || modes.databaseMode;
    return modes;
}

int identifyWorkstation(app::Station &station, QString *message)
{
    productiondb::Workstation *workstation = station.workstation();
    if (!workstation)
        return ExitOk;
    const productiondb::IdentifyOutcome outcome = workstation->IdentifyWorkstation();
    *message = outcome.message;
    switch (outcome.kind) {
    case productiondb::IdentifyOutcome::Identified: return ExitOk;
    case productiondb::IdentifyOutcome::NotFound: return ExitNotInDatabase;
    case productiondb::IdentifyOutcome::Failed: break;
    }
    return ExitDatabaseError;
}

QString disabledTasksRefusal(const protocol::SettingsValues &values)
{
    QStringList ticked;
    for (const QString &name : protocol::tasksDisabledInDatabaseMode()) {
        const protocol::SettingsControl *control = protocol::settingsControl(name);
        if (control && values.*control->box)
            ticked << name;
    }
    if (ticked.isEmpty())
        return {};
    return QStringLiteral("Шаблон установок отклонен: в режиме работы с базой данных не записываются %1")
        .arg(ticked.join(QStringLiteral(", ")));
}

} // namespace cli
