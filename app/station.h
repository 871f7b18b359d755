#pragma once
// The programming station's engine, assembled once: the meter link, the
// reply dispatcher with every decoder registered, the "О счетчике" page,
// the protocol feed and the built-in simulated meter. The window, the
// command-line tool and the tests all drive this same object.

#include "app/operationlog.h"
#include "app/protocolview.h"
#include "app/runmodes.h"
#include "journals/journalreader.h"
#include "link/clock.h"
#include "link/connection.h"
#include "link/memoryline.h"
#include "link/qtserialline.h"
#include "protocol/accesspassword.h"
#include "protocol/dispatcher.h"
#include "protocol/indicator.h"
#include "protocol/meterdecoders.h"
#include "protocol/meterpage.h"
#include "protocol/rfplc.h"
#include "protocol/settingswriter.h"
#include "schedule/scheduledocument.h"
#include "schedule/scheduletransfer.h"
#include "sim/simulatedmeter.h"

#include <QObject>
#include <memory>

namespace productiondb {
class ClockSetter;
class DbConnection;
class SystemIdentity;
class Workstation;
} // namespace productiondb

namespace app {

class ProductionRecording;

// What database mode takes from the system; tests give their own.
struct DatabaseServices
{
    productiondb::ClockSetter *clockSetter = nullptr;       // empty: the PC's clock
    const productiondb::SystemIdentity *identity = nullptr; // empty: this computer and its user
};

class Station : public QObject
{
    Q_OBJECT
public:
    // The port name that stands for the built-in simulated meter.
    static QString simulatorPortName();
    static QString simulatorCaption(); // as the port list shows it

    static constexpr int kMeterTypeId = 48; // this meter model in the production database

    // workingDir: where the operation log lives (fixed at start-up).
    // In database mode the station holds the production database connection
    // (opened by its first statement) and the workstation identification;
    // outside it there is neither, and the database is never touched.
    explicit Station(meterlink::Clock &clock, RunModes modes = {}, const QString &workingDir = QDir::currentPath(),
                     DatabaseServices databaseServices = {}, QObject *parent = nullptr);
    ~Station() override;

    const RunModes &modes() const { return m_modes; }
    meterlink::MeterConnection &connection() { return m_connection; }
    protocol::ReplyDispatcher &dispatcher() { return m_dispatcher; }
    protocol::MeterPage &page() { return m_page; }
    protocol::MeterDecoders &decoders() { return m_decoders; }
    ProtocolView &protocolView() { return m_protocol; }
    OperationLog &operationLog() { return m_log; }
    // EditPass of the connection panel.
    protocol::AccessPassword &accessPassword() { return m_accessPassword; }
    // The pages "Параметры RFPLC" and "Индикатор".
    protocol::RfPlc &rfPlc() { return m_rfPlc; }
    protocol::Indicator &indicator() { return m_indicator; }
    // ActionSetting and the acknowledgements of the settings batch.
    protocol::SettingsWriter &settingsWriter() { return m_settingsWriter; }
    sim::SimulatedMeter &simulator() { return m_simulator; }
    schedule::ScheduleDocument &schedule() { return m_schedule; }
    schedule::ScheduleTransfer &scheduleTransfer() { return m_scheduleTransfer; }
    // The journal reads of the page "Журналы".
    journals::JournalReader &journals() { return m_journals; }

    // Database mode only; null outside it.
    productiondb::DbConnection *database() { return m_database.get(); }
    productiondb::Workstation *workstation() { return m_workstation.get(); }
    // The operation records of the production database (database mode only).
    ProductionRecording *productionRecording() { return m_productionRecording.get(); }

    // The time every part of the station runs on.
    meterlink::Clock &clock() { return m_clock; }

    // Chooses the port for the next connection (only while disconnected):
    // the simulated meter for simulatorPortName(), a serial device otherwise.
    void selectPort(const QString &device, const QString &caption = {});
    bool usingSimulator() const { return m_usingSimulator; }

    // ActionReset: every read value is cleared and read anew by polling.
    void resetReadings();

signals:
    // resetReadings has run (the production records start their clock-drift
    // estimate again).
    void readingsReset();

private:
    void registerDecoders();
    void openDatabaseMode(DatabaseServices services);

    meterlink::Clock &m_clock;
    RunModes m_modes;
    meterlink::MeterConnection m_connection;
    protocol::ReplyDispatcher m_dispatcher;
    protocol::MeterPage m_page;
    protocol::MeterDecoders m_decoders;
    ProtocolView m_protocol;
    OperationLog m_log;
    protocol::AccessPassword m_accessPassword;
    protocol::RfPlc m_rfPlc;
    protocol::Indicator m_indicator;
    protocol::SettingsWriter m_settingsWriter;
    meterlink::MemoryLine m_memoryLine;
    meterlink::QtSerialLine m_serialLine;
    sim::SimulatedMeter m_simulator;
    schedule::ScheduleDocument m_schedule;
    schedule::ScheduleTransfer m_scheduleTransfer;
    journals::JournalReader m_journals;
    bool m_usingSimulator = false;
    // database mode (the workstation refers to the others)
    std::unique_ptr<productiondb::DbConnection> m_database;
    std::unique_ptr<productiondb::SystemIdentity> m_systemIdentity;
    std::unique_ptr<productiondb::ClockSetter> m_systemClock;
    std::unique_ptr<productiondb::Workstation> m_workstation;
    std::unique_ptr<ProductionRecording> m_productionRecording;
};

} // namespace app
