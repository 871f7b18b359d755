#include "clirun.h"

#include "addressfinder.h"
#include "journalverbs.h"
#include "meterverbs.h"
#include "productionmode.h"
#include "recordverbs.h"
#include "scheduleverbs.h"
#include "serialscan.h"
#include "settingsverbs.h"
#include "app/pagereport.h"
#include "app/textreport.h"
#include "app/station.h"
#include "link/portlist.h"
#include "link/qtclock.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>
#include <QTimer>

#include <memory>

namespace cli {

namespace {

void configure(app::Station &station, const Options &o)
{
    auto &c = station.connection();
    if (o.port == QLatin1String("sim")) {
        station.selectPort(app::Station::simulatorPortName());
        auto &meter = station.simulator();
        meter.setAddress(static_cast<quint8>(o.simAddress >= 0 ? o.simAddress : o.address));
        meter.setLineMode(o.lineMode == 1 ? meterlink::LineMode::Modbus : meterlink::LineMode::Rs485);
        meter.setSpeedIndex(o.speedIndex);
        meter.faults().silent = o.simSilent;
        meter.faults().busyCount = o.simBusy;
    } else {
        const auto entry = meterlink::portEntryForName(o.port);
        station.selectPort(entry.device, entry.caption);
    }
    c.setSpeedIndex(o.speedIndex);
    c.setLineMode(o.lineMode);
    c.setParityIndex(o.parityIndex);
    c.setAddress(o.address);
    c.setTimeoutMs(o.timeoutMs);
    station.accessPassword().setText(o.password);
}

} // namespace

int run(const Options &o)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QDir workingDir = QDir::current();
    const app::RunModes modes = runModesFor(o, workingDir);
    if (o.fixDb && !modes.databaseMode) {
        err << QStringLiteral("--fix-db только в режиме базы данных (файл %1 в рабочей папке)")
                   .arg(QString::fromLatin1(app::kMarkerFileName))
            << '\n';
        return ExitUsage;
    }
    KeptClock keptClock;
    app::DatabaseServices databaseServices;
    if (o.noClockSync)
        databaseServices.clockSetter = &keptClock;
    app::Station station(meterlink::QtClock::instance(), modes, workingDir.path(), databaseServices);
    // A production run knows its workstation and operator before anything else.
    if (QString message; const int code = identifyWorkstation(station, &message)) {
        err << message << '\n';
        return code;
    }
    configure(station, o);
    auto &c = station.connection();
    std::unique_ptr<SerialScan> serialScan;
    std::unique_ptr<RecordVerbs> records;
    if (modes.databaseMode) {
        serialScan = std::make_unique<SerialScan>(station, o.serial);
        records = std::make_unique<RecordVerbs>(station, o);
    }

    // The schedule file to write is read before anything is sent.
    ScheduleVerbs verbs(station, o);
    if (QString error; !verbs.prepare(&error)) {
        err << error << '\n';
        return ExitScheduleFile;
    }
    SettingsVerbs settings(station, o);
    if (QString error; !settings.prepare(&error)) {
        err << error << '\n';
        return ExitScheduleFile;
    }
    MeterVerbs meterVerbs(station, o.meterVerbs);
    JournalVerbs journal(station, o);
    if (records) {
        QObject::connect(&settings, &SettingsVerbs::aboutToWrite, records.get(), &RecordVerbs::preCheckStarting);
        settings.setRefusalVerdict([&records](int *code, QString *message) { records->preCheckVerdict(code, message); });
    }

    int exitCode = ExitOk;
    int cycleStarts = 0;
    int answered = 0;
    int foundAddress = -1;
    bool runOver = false; // --cycles / --seconds have passed
    auto finish = [&](int code) {
        // What fails once the port has gone fails because of it: the code stays.
        if (exitCode == ExitPortLost)
            return;
        exitCode = code;
        QCoreApplication::exit(code);
    };
    auto verbsDone = [&] {
        return (!verbs.any() || verbs.done()) && (!settings.any() || settings.done())
               && (!meterVerbs.any() || meterVerbs.done()) && (!journal.any() || journal.done())
               && (!records || records->done());
    };
    // The run ends once its time is over and the verbs are done.
    auto endRun = [&] {
        runOver = true;
        if (verbsDone())
            finish(answered > 0 ? ExitOk : ExitNoAnswer);
    };
    auto verbFinished = [&](int code, const QString &message) {
        if (code != ExitOk) {
            err << message << '\n';
            finish(code);
        } else if (runOver && verbsDone()) {
            finish(ExitOk);
        }
    };
    QObject::connect(&verbs, &ScheduleVerbs::finished, verbFinished);
    QObject::connect(&settings, &SettingsVerbs::finished, verbFinished);
    QObject::connect(&meterVerbs, &MeterVerbs::finished, verbFinished);
    QObject::connect(&journal, &JournalVerbs::finished, verbFinished);
    if (records) {
        QObject::connect(records.get(), &RecordVerbs::finished, verbFinished);
        QObject::connect(records.get(), &RecordVerbs::warning, [&](const QString &message) {
            err << message << '\n';
            err.flush();
        });
    }
    QObject::connect(&settings, &SettingsVerbs::sensorValuesInvalid, [&](const QString &message) {
        err << message << '\n';
        err.flush();
    });
    QObject::connect(&station.scheduleTransfer(), &schedule::ScheduleTransfer::zonesSkipped,
                     [&](int count) { err << schedule::skippedZonesMessage(count) << '\n'; });

    if (!o.quiet)
        QObject::connect(&station.protocolView(), &app::ProtocolView::lineAdded, [&](const QString &line) {
            out << line << '\n';
            out.flush();
        });
    QObject::connect(&station.dispatcher(), &protocol::ReplyDispatcher::replyAccepted, [&] { ++answered; });
    if (o.findAddress) {
        // Runs until the meter is found or every address has timed out.
        auto *finder = new AddressFinder(c, &station);
        QObject::connect(finder, &AddressFinder::found, [&](int address) {
            foundAddress = address;
            finish(ExitOk);
        });
        QObject::connect(finder, &AddressFinder::exhausted, [&] { finish(ExitNoAnswer); });
    } else {
        QObject::connect(&c, &meterlink::MeterConnection::pollRequested, [&](int n) {
            if (n != 0)
                return;
            ++cycleStarts;
            if (cycleStarts == 2 && serialScan)
                serialScan->scan();
            // The first polling cycle is done: the verbs go next.
            const bool recordVerb = records && records->any();
            if (cycleStarts == 2 && (verbs.any() || settings.any() || meterVerbs.any() || journal.any() || recordVerb)) {
                if (answered == 0) {
                    finish(ExitNoAnswer);
                    return;
                }
                if (verbs.any())
                    verbs.start();
                if (settings.any())
                    settings.start();
                if (meterVerbs.any())
                    meterVerbs.start();
                if (journal.any())
                    journal.start();
                if (recordVerb)
                    records->start();
            }
            // The first request of the cycle after the last one asked for.
            if (cycleStarts > o.cycles && o.cycles > 0)
                endRun();
        });
    }
    QObject::connect(&c, &meterlink::MeterConnection::openFailed, [&](const QString &e) {
        err << e << '\n';
        finish(ExitPortFailed);
    });
    QObject::connect(&c, &meterlink::MeterConnection::portError, [&](const QString &e) {
        err << e << '\n';
        if (!c.isConnected())
            finish(ExitPortLost);
    });
    if (o.seconds > 0)
        QTimer::singleShot(static_cast<int>(o.seconds * 1000), [&] { endRun(); });

    QTimer::singleShot(0, [&] { c.connectLink(); });
    QCoreApplication::exec();
    c.disconnectLink();

    if (foundAddress >= 0)
        out << QStringLiteral("Адрес\t") << foundAddress << '\n';
    for (const QString &line : meterVerbs.resultLines())
        out << line << '\n';
    for (const QString &line : journal.resultLines())
        out << line << '\n';
    if (o.report)
        for (const QString &line : app::pageReport(station.page()) + app::rfPlcReport(station.rfPlc()))
            out << line << '\n';
    if (exitCode == ExitNoAnswer)
        err << QStringLiteral("Счетчик не отвечает") << '\n';
    if (!o.reportTxt.isEmpty()) {
        const QStringList lines = app::textReportLines(station.page(), meterlink::QtClock::instance().now());
        if (QString error; !app::writeTextReport(o.reportTxt, lines, &error)) {
            err << error << '\n';
            if (exitCode == ExitOk)
                exitCode = ExitScheduleFile;
        }
    }
    out.flush();
    return exitCode;
}

} // namespace cli
