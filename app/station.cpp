#include "station.h"

#include "app/productionrecording.h"
#include "db/dbconnection.h"
#include "db/systemclock.h"
#include "db/systemidentity.h"
#include "db/workstation.h"
#include "protocol/functioncatalogue.h"
#include "sim/attach.h"

namespace app {

QString Station::simulatorPortName() { return QStringLiteral("sim:"); }

QString Station::simulatorCaption() { return QStringLiteral("Имитатор счетчика"); }

Station::Station(meterlink::Clock &clock, RunModes modes, const QString &workingDir, DatabaseServices databaseServices,
                 QObject *parent)
    : QObject(parent),
      m_clock(clock),
      m_modes(modes),
      m_connection(clock),
      m_dispatcher(m_connection),
      m_decoders(&m_page, modes.databaseMode),
      m_log(workingDir, modes.databaseMode),
      m_rfPlc(m_connection, m_dispatcher),
      m_indicator(m_connection, m_dispatcher, m_accessPassword),
      m_settingsWriter(clock, m_connection, m_dispatcher, m_page, m_accessPassword, modes.databaseMode),
      m_memoryLine(clock),
      m_simulator(clock),
      m_scheduleTransfer(m_schedule, m_connection, m_dispatcher),
      m_journals(m_connection, m_dispatcher, m_page)
{
    sim::attach(m_memoryLine, m_simulator);
    m_connection.setMasterMode(modes.masterMode);
    m_connection.setDatabaseMode(modes.databaseMode);
    m_connection.setFunctionNamer([](quint8 code) { return protocol::functionName(code); });
    m_connection.setReplyHandler([this](const QByteArray &reply) { m_dispatcher.dispatch(reply); });
    connect(&m_connection, &meterlink::MeterConnection::protocolLine, &m_protocol, &ProtocolView::protocolLine);
    connect(&m_connection, &meterlink::MeterConnection::resetRequested, this, &Station::resetReadings);
    connect(&m_decoders, &protocol::MeterDecoders::serialRead, this,
            [this](quint32, bool, bool fixDbEnabled) { m_connection.setFixDbEnabled(fixDbEnabled); });
    m_log.setNowProvider([this] { return m_clock.now(); });
    connect(&m_dispatcher, &protocol::ReplyDispatcher::operationLogged, this,
            [this](const QString &text) { m_log.operationLogLine(text, m_page.meterSerial()); });
    registerDecoders();
    selectPort(simulatorPortName());
    if (modes.databaseMode)
        openDatabaseMode(databaseServices);
}

void Station::openDatabaseMode(DatabaseServices services)
{
    m_database = std::make_unique<productiondb::DbConnection>();
    if (!services.identity) {
        m_systemIdentity = std::make_unique<productiondb::OsIdentity>();
        services.identity = m_systemIdentity.get();
    }
    if (!services.clockSetter) {
        m_systemClock = std::make_unique<productiondb::SystemClockSetter>();
        services.clockSetter = m_systemClock.get();
    }
    m_workstation = std::make_unique<productiondb::Workstation>(*m_database, *services.identity, *services.clockSetter);
    m_productionRecording = std::make_unique<ProductionRecording>(*this, *m_database, *m_workstation);
}

Station::~Station()
{
    m_connection.disconnectLink();
}

void Station::registerDecoders()
{
    for (const quint8 code : protocol::MeterDecoders::codes())
        m_dispatcher.addDecoder(code, [this](const protocol::Reply &r) { m_decoders.decode(r); });
}

void Station::selectPort(const QString &device, const QString &caption)
{
    if (m_connection.isConnected())
        return;
    m_usingSimulator = device == simulatorPortName();
    if (m_usingSimulator) {
        m_connection.setLine(&m_memoryLine);
        m_connection.setPortName(device, caption.isEmpty() ? simulatorCaption() : caption);
    } else {
        m_connection.setLine(&m_serialLine);
        m_connection.setPortName(device, caption);
    }
}

void Station::resetReadings()
{
    m_dispatcher.clearPasswordAccepted();
    m_settingsWriter.resetPickerFlags();
    m_page.resetReadings();
    m_rfPlc.resetReadings();
    emit readingsReset();
}

} // namespace app
