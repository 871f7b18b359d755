#include "connection.h"

#include "linemode.h"
#include "pollcycle.h"
#include "speeds.h"
#include "tracetime.h"

#include <exception>
#include <utility>

namespace meterlink {

namespace {
const QString kSettingsFailed = QStringLiteral(
    "Во время записи установок произошла ошибка. Описание смотрите на закладке Протокол.");
const QString kScheduleFailed = QStringLiteral(
    "Во время записи тарифного расписания произошла ошибка. Описание смотрите на закладке Протокол.");
} // namespace

MeterConnection::MeterConnection(Clock &clock, QObject *parent)
    : QObject(parent),
      m_clock(clock),
      m_transceiver(clock),
      m_timerCommand(clock.createTimer(kCommandIntervalMs)),
      m_timerOut(clock.createTimer(kDefaultTimeoutMs)),
      m_timerStart(clock.createTimer(kStartDelayMs)),
      m_timerShape(clock.createTimer(kShapeMs))
{
    m_commands.setChangeRule([this] { commandsChange(); });
    m_transceiver.setAddressSource([this] { return static_cast<quint8>(m_address); });
    connect(m_timerCommand.get(), &Timer::timeout, this, &MeterConnection::timerCommandTick);
    connect(m_timerOut.get(), &Timer::timeout, this, &MeterConnection::timerOutTick);
    connect(m_timerStart.get(), &Timer::timeout, this, &MeterConnection::timerStartTick);
    connect(m_timerShape.get(), &Timer::timeout, this, &MeterConnection::timerShapeTick);

    connect(&m_transceiver, &Transceiver::replyComplete, this, &MeterConnection::onReplyComplete);
    connect(&m_transceiver, &Transceiver::chunkArrived, this, [this] { m_addressSearch = false; });
    connect(&m_transceiver, &Transceiver::replyBytesArrived, this, [this] { m_timeoutCount = 0; });
    connect(&m_transceiver, &Transceiver::traceLine, this, &MeterConnection::protocolLine);
    connect(&m_transceiver, &Transceiver::portError, this, &MeterConnection::portError);
    connect(&m_transceiver, &Transceiver::transmitting, this,
            [this](quint8 code) { setStatusPanel(1, m_namer ? m_namer(code) : QString::number(code)); });
}

MeterConnection::~MeterConnection()
{
    m_commands.setChangeRule({});
}

// ---------------------------------------------------------------- parameters

void MeterConnection::setLine(SerialLine *line)
{
    if (m_connected || m_opening)
        return;
    if (m_lostConnection)
        disconnect(m_lostConnection);
    m_line = line;
    m_transceiver.setLine(line);
    if (m_line) {
        m_lostConnection = connect(m_line, &SerialLine::lost, this, &MeterConnection::onLineLost);
        if (!m_portName.isEmpty())
            m_line->setPortName(m_portName);
        applySpeed();
    }
}

void MeterConnection::setPortName(const QString &device, const QString &caption)
{
    if (m_connected || m_opening)
        return;
    m_portName = device;
    m_portCaption = caption.isEmpty() ? device : caption;
    if (m_line)
        m_line->setPortName(device);
}

void MeterConnection::setAddress(int address)
{
    address = qBound(0, address, 255);
    if (address == m_address)
        return;
    m_address = address;
    emit addressChanged(address);
}

void MeterConnection::setTimeoutMs(int ms)
{
    m_timeoutMs = qBound(kMinTimeoutMs, ms, kMaxTimeoutMs);
    m_timerOut->setInterval(m_timeoutMs);
}

void MeterConnection::setSpeedIndex(int index)
{
    if (!speedForIndex(index) || index == m_speedIndex)
        return;
    m_speedIndex = index;
    applySpeed();
    emit speedIndexChanged(index);
}

void MeterConnection::applySpeed()
{
    if (m_line)
        m_line->setBaudRate(*speedForIndex(m_speedIndex));
}

void MeterConnection::setLineMode(int index)
{
    if (index == m_transceiver.lineMode())
        return;
    m_transceiver.setLineMode(index);
    emit lineModeChanged(index);
}

void MeterConnection::setParityIndex(int index)
{
    if (index == m_transceiver.modbusParity())
        return;
    m_transceiver.setModbusParity(index);
    emit parityIndexChanged(index);
}

void MeterConnection::setMasterMode(bool on)
{
    m_masterMode = on;
    m_transceiver.setTraceEnabled(on);
}

// ---------------------------------------------------------------- the queue

void MeterConnection::enqueueRequest(const QByteArray &request)
{
    const QByteArray frame = frameRequest(m_transceiver.lineMode(), static_cast<quint8>(m_address), request);
    if (!frame.isEmpty())
        m_commands.append(frame);
}

void MeterConnection::dequeueHead() { m_commands.dequeueHead(); }

void MeterConnection::commandsChange()
{
    if (!m_commands.isEmpty()) {
        if (m_connected) {
            m_transceiver.setCurrentRequest(m_commands.head());
            m_timerCommand->start();
        } else {
            m_commands.clear();
        }
        return;
    }
    if (!m_connected)
        return;
    finishBatchWithSuccess(Batch::Settings);
    finishBatchWithSuccess(Batch::Schedule);
    setMeterControls(true);
    const QByteArray request = pollRequest(m_pollCounter);
    const int n = m_pollCounter;
    m_pollCounter = m_pollCounter >= kPollSteps - 1 ? 0 : m_pollCounter + 1;
    emit pollRequested(n);
    enqueueRequest(request);
}

void MeterConnection::abortQueue()
{
    m_timerOut->stop();
    const QList<Batch> failed = takeActiveBatches();
    if (!failed.isEmpty()) {
        setLamp(Lamp::Red);
        m_timerShape->start();
    }
    // The rest of a batch goes before the operator is told: the failure box
    // is modal, and nothing of the batch may go out while it is open.
    m_commands.clear();
    emit queueAborted();
    reportFailedBatches(failed);
}

QList<Batch> MeterConnection::takeActiveBatches()
{
    QList<Batch> active;
    if (std::exchange(m_settingsWriteActive, false)) // the settings batch is reported first
        active << Batch::Settings;
    if (std::exchange(m_scheduleWriteActive, false))
        active << Batch::Schedule;
    return active;
}

void MeterConnection::reportFailedBatches(const QList<Batch> &batches)
{
    for (const Batch batch : batches)
        emit batchFailed(batch, batch == Batch::Settings ? kSettingsFailed : kScheduleFailed);
}

void MeterConnection::finishBatchWithSuccess(Batch batch)
{
    bool &active = batch == Batch::Settings ? m_settingsWriteActive : m_scheduleWriteActive;
    if (!active)
        return;
    active = false;
    setLamp(Lamp::Green);
    m_timerShape->start();
    emit batchSucceeded(batch);
}

void MeterConnection::beginBatch(Batch batch)
{
    (batch == Batch::Settings ? m_settingsWriteActive : m_scheduleWriteActive) = true;
}

// ---------------------------------------------------------------- timers

void MeterConnection::timerCommandTick()
{
    if (!m_line || !m_line->isOpen() || m_timerOut->isActive())
        return; // a reply is awaited: the head goes out once it has been handled
    m_timerCommand->stop();
    m_transceiver.clearReplyBuffer();
    m_transceiver.transmitRequest();
    m_timerOut->start();
    emit exchangeStarted();
}

void MeterConnection::timerOutTick()
{
    m_timerOut->stop();
    if (m_addressSearch) {
        setAddress(m_address >= 255 ? 0 : m_address + 1);
        if (!m_commands.isEmpty())
            abortQueue();
        return;
    }
    emit protocolLine(timeoutTraceTime(m_clock.now().time()) + QStringLiteral(" Timeout."));
    if (!m_commands.isEmpty())
        abortQueue();
    setFindAddressEnabled(true);
    ++m_timeoutCount;
    if (m_timeoutCount > kAbsentAfterTimeouts) {
        setSettingEnabled(false);
        setFixDbEnabled(false);
        setMeterControls(false);
        if (m_databaseMode)
            setAddress(0);
        emit resetRequested();
    }
}

void MeterConnection::timerStartTick()
{
    m_timerStart->stop();
    m_pollCounter = 0;
    m_commands.clear();
    enqueueRequest(QByteArray::fromHex("0002"));
}

void MeterConnection::timerShapeTick()
{
    m_timerShape->stop();
    setLamp(Lamp::Hidden);
    emit resetRequested();
}

// ---------------------------------------------------------------- connect / disconnect

void MeterConnection::connectLink()
{
    if (m_connected || m_opening || !m_line)
        return;
    setStatusPanel(0, {});
    setStatusPanel(1, {});
    m_line->setPortName(m_portName);
    applySpeed();
    m_transceiver.prepareLine();
    m_opening = true;
    emit controlsChanged();
    tryOpen(false);
}

void MeterConnection::tryOpen(bool lastAttempt)
{
    QString error;
    if (m_line->open(&error)) {
        m_opening = false;
        finishConnect();
        return;
    }
    QString ignored;
    m_line->close(&ignored);
    if (!lastAttempt) {
        // One more try after a pause: a converter that was just plugged in may need it.
        const quint64 attempt = ++m_openAttempt;
        m_clock.callLater(kReopenDelayMs, this, [this, attempt] {
            if (attempt == m_openAttempt && m_opening)
                tryOpen(true);
        });
        return;
    }
    m_opening = false;
    emit controlsChanged();
    emit openFailed(error);
}

void MeterConnection::finishConnect()
{
    m_connected = true;
    emit connectedChanged(true);
    emit controlsChanged();
    emit resetRequested();
    m_settingsWriteActive = false;
    m_scheduleWriteActive = false;
    // timeoutCount is left alone: only bytes from the meter clear it, so a
    // silent meter stays "absent" across a reconnection.
    m_timerStart->start();
}

void MeterConnection::disconnectLink()
{
    if (!m_connected) {
        if (m_opening) { // give up a pending second attempt
            ++m_openAttempt;
            m_opening = false;
            emit controlsChanged();
        }
        return;
    }
    setStatusPanel(0, {});
    setStatusPanel(1, {});
    m_timerOut->stop();
    m_timerCommand->stop();
    QString error;
    if (m_line && !m_line->close(&error)) {
        emit closeFailed(QStringLiteral("Ошибка закрытия порта ") + m_portCaption);
        return;
    }
    finishDisconnect();
}

void MeterConnection::finishDisconnect()
{
    m_connected = false; // from here on the queue-change rule queues nothing
    stopAllTimers();
    m_commands.clear();
    m_transceiver.setCurrentRequest({});
    // A search in progress ends with the link: the next connection starts
    // at the address the field shows, like any other.
    m_addressSearch = false;
    // A batch ends with the link; the lamp of a batch that ended just before
    // goes out, since its timer no longer runs.
    m_settingsWriteActive = false;
    m_scheduleWriteActive = false;
    setLamp(Lamp::Hidden);
    emit connectedChanged(false);
    setMeterControls(false);
    setFixDbEnabled(false);
    setFindAddressEnabled(false);
    emit controlsChanged();
}

void MeterConnection::stopAllTimers()
{
    m_timerOut->stop();
    m_timerCommand->stop();
    m_timerStart->stop();
    m_timerShape->stop();
}

void MeterConnection::onLineLost(const QString &reason)
{
    if (!m_connected)
        return;
    QString ignored;
    m_line->close(&ignored);
    const QList<Batch> failed = takeActiveBatches(); // a batch in progress has failed
    setStatusPanel(0, {});
    setStatusPanel(1, {});
    finishDisconnect();
    emit portError(QStringLiteral("Связь с портом %1 потеряна: %2").arg(m_portCaption, reason));
    reportFailedBatches(failed);
}

void MeterConnection::findAddress()
{
    m_addressSearch = true;
    setAddress(0);
}

// ---------------------------------------------------------------- reply path

void MeterConnection::onReplyComplete(const QByteArray &reply)
{
    if (!m_replyHandler)
        return;
    try {
        m_replyHandler(reply);
    } catch (const std::exception &e) {
        // Whatever a decoder throws must not stop the conversation.
        emit portError(QString::fromLocal8Bit(e.what()));
    }
}

void MeterConnection::noteMeterAnswered()
{
    setSettingEnabled(true);
    setFindAddressEnabled(false);
    m_timerOut->stop();
    emit meterAnswered();
}

void MeterConnection::resendHead() { m_timerCommand->start(); }

void MeterConnection::applyCommunicationParameters(int address, int speedIndex, int parityIndex, int lineModeIndex)
{
    setAddress(address);
    setSpeedIndex(speedIndex);
    if (lineModeIndex == static_cast<int>(LineMode::Modbus))
        setParityIndex(parityIndex);
    setLineMode(lineModeIndex);
}

void MeterConnection::setControl(bool &state, bool enabled)
{
    if (state == enabled)
        return;
    state = enabled;
    emit controlsChanged();
}

void MeterConnection::setMeterControls(bool enabled)
{
    setSettingEnabled(enabled); // ActionSetting is one of the meter-dependent controls
    setControl(m_meterControlsEnabled, enabled);
}

void MeterConnection::setStatusPanel(int panel, const QString &text)
{
    panel = panel == 0 ? 0 : 1;
    if (m_statusPanels[panel] == text)
        return;
    m_statusPanels[panel] = text;
    emit statusPanelChanged(panel, text);
}

void MeterConnection::setFixDbEnabled(bool enabled) { setControl(m_fixDbEnabled, enabled); }

void MeterConnection::setSettingEnabled(bool on) { setControl(m_settingEnabled, on); }

void MeterConnection::setFindAddressEnabled(bool on) { setControl(m_findAddressEnabled, on); }

void MeterConnection::showLamp(Lamp lamp)
{
    setLamp(lamp);
    if (lamp != Lamp::Hidden)
        m_timerShape->start();
}

void MeterConnection::setLamp(Lamp lamp)
{
    if (m_lamp == lamp)
        return;
    m_lamp = lamp;
    emit lampChanged(lamp);
}

} // namespace meterlink
