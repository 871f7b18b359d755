#pragma once
// The conversation with the meter: the request queue Commands, the timers
// that pace it, the polling cycle that runs whenever the queue is empty,
// time-outs, address search, connecting and disconnecting, and the end of a
// write batch. It never touches a widget: what the window shows (enabled
// actions, the lamp, the status panels, message boxes) is state and signals
// that a face binds to.

#include "clock.h"
#include "requestqueue.h"
#include "serialline.h"
#include "transceiver.h"

#include <QObject>
#include <functional>
#include <memory>

namespace meterlink {

enum class Lamp { Hidden, Green, Red };
enum class Batch { Settings, Schedule };

class MeterConnection : public QObject
{
    Q_OBJECT
public:
    static constexpr int kCommandIntervalMs = 50;
    static constexpr int kStartDelayMs = 100;
    static constexpr int kShapeMs = 2000;
    static constexpr int kReopenDelayMs = 500;
    static constexpr int kMinTimeoutMs = 200;
    static constexpr int kMaxTimeoutMs = 30000;
    static constexpr int kDefaultTimeoutMs = 500;
    static constexpr int kAbsentAfterTimeouts = 5; // more than this in a row: meter absent

    explicit MeterConnection(Clock &clock, QObject *parent = nullptr);
    ~MeterConnection() override;

    // --- the line and its parameters (the connection panel) ---
    // Only while disconnected.
    void setLine(SerialLine *line);
    SerialLine *line() const { return m_line; }
    void setPortName(const QString &device, const QString &caption = {});
    QString portCaption() const { return m_portCaption; }

    int address() const { return m_address; }          // SpinAddr, 0..255
    void setAddress(int address);
    int timeoutMs() const { return m_timeoutMs; }      // SpinTimer, 200..30000
    void setTimeoutMs(int ms);
    int speedIndex() const { return m_speedIndex; }    // ComboBaud, 0..5
    void setSpeedIndex(int index);                     // other indexes change nothing
    int lineMode() const { return m_transceiver.lineMode(); } // ComboMode
    void setLineMode(int index);
    int parityIndex() const { return m_transceiver.modbusParity(); } // ComboParity
    void setParityIndex(int index);
    void setMasterMode(bool on);
    bool masterMode() const { return m_masterMode; }
    void setDatabaseMode(bool on) { m_databaseMode = on; }
    // Names the function being sent in status panel 1.
    void setFunctionNamer(std::function<QString(quint8)> namer) { m_namer = std::move(namer); }

    // --- the queue ---
    // Frames the request for the current line mode (MODBUS: with the address
    // as it is now) and appends it; while connected the first append starts
    // transmission by itself. With an unknown line mode nothing is appended.
    void enqueueRequest(const QByteArray &request);
    void dequeueHead();
    // Drops the queue; a running write batch ends with the failure signal.
    void abortQueue();
    void beginBatch(Batch batch);
    bool settingsWriteActive() const { return m_settingsWriteActive; }
    bool scheduleWriteActive() const { return m_scheduleWriteActive; }
    QByteArray currentRequest() const { return m_transceiver.currentRequest(); }
    qsizetype queuedCount() const { return m_commands.size(); }
    int pollCounter() const { return m_pollCounter; }
    const QByteArray &replyBuffer() const { return m_transceiver.replyBuffer(); }

    // --- actions ---
    void connectLink();    // ActionConnect
    void disconnectLink(); // ActionDisconnect
    void findAddress();    // ActionFindAddress

    // --- the reply path, used by the dispatcher ---
    void setReplyHandler(std::function<void(const QByteArray &)> handler) { m_replyHandler = std::move(handler); }
    // The meter answered (accepted or error reply): stop the reply timer.
    void noteMeterAnswered();
    // Sends the unchanged head again 0..50 ms from now (busy or CRC error).
    void resendHead();
    // The meter has acknowledged new communication parameters: take them
    // over before the next request.
    void applyCommunicationParameters(int address, int speedIndex, int parityIndex, int lineModeIndex);
    void setMeterControls(bool enabled);
    void setStatusPanel(int panel, const QString &text);
    void setFixDbEnabled(bool enabled);
    // Shows the result lamp as a finished batch does: green or red, hidden
    // and every read value cleared 2 s later. ("Зафиксировать в Б&Д" shows
    // its record's result this way.)
    void showLamp(Lamp lamp);
    // A line for the protocol view from the protocol layer (rejected replies).
    void reportProtocolLine(const QString &line) { emit protocolLine(line); }

    // --- state the window shows ---
    bool isConnected() const { return m_connected; }
    bool connectEnabled() const { return !m_connected && !m_opening; }
    bool settingEnabled() const { return m_settingEnabled; }
    bool findAddressEnabled() const { return m_findAddressEnabled; }
    bool fixDbEnabled() const { return m_fixDbEnabled; }
    bool meterControlsEnabled() const { return m_meterControlsEnabled; }
    Lamp lamp() const { return m_lamp; }
    QString statusPanel(int panel) const { return m_statusPanels[panel == 0 ? 0 : 1]; }
    int timeoutCount() const { return m_timeoutCount; }
    bool addressSearch() const { return m_addressSearch; }

signals:
    void protocolLine(const QString &line);
    void connectedChanged(bool connected);
    void controlsChanged();   // an enabled state of an action or of the meter controls
    void lampChanged(meterlink::Lamp lamp);
    void statusPanelChanged(int panel, const QString &text);
    void addressChanged(int address);
    void speedIndexChanged(int index);
    void lineModeChanged(int index);
    void parityIndexChanged(int index);
    void resetRequested();    // ActionReset: clear every read value
    void batchFailed(meterlink::Batch batch, const QString &message); // caption "Ошибка"
    void batchSucceeded(meterlink::Batch batch);
    void openFailed(const QString &error);
    void closeFailed(const QString &message); // caption "Ошибка"
    void portError(const QString &message);
    void exchangeStarted();   // a request went out (for statistics)
    void pollRequested(int n); // polling request n of the cycle was queued
    void meterAnswered();      // an accepted reply or an error reply of the meter
    // The queue was dropped (time-out or refused reply): a conversation that
    // was in it will get no more replies.
    void queueAborted();

private:
    void commandsChange();
    void timerCommandTick();
    void timerOutTick();
    void timerStartTick();
    void timerShapeTick();
    void tryOpen(bool lastAttempt);
    void finishConnect();
    void finishDisconnect();
    void onReplyComplete(const QByteArray &reply);
    void onLineLost(const QString &reason);
    void setLamp(Lamp lamp);
    void finishBatchWithSuccess(Batch batch);
    // Clears the batch flags; returns the batches that were running, settings first.
    QList<Batch> takeActiveBatches();
    void reportFailedBatches(const QList<Batch> &batches);
    void stopAllTimers();
    void setControl(bool &state, bool enabled);
    void setSettingEnabled(bool on);
    void setFindAddressEnabled(bool on);
    void applySpeed();

    Clock &m_clock;
    SerialLine *m_line = nullptr;
    Transceiver m_transceiver;
    RequestQueue m_commands;
    std::unique_ptr<Timer> m_timerCommand;
    std::unique_ptr<Timer> m_timerOut;
    std::unique_ptr<Timer> m_timerStart;
    std::unique_ptr<Timer> m_timerShape;
    std::function<void(const QByteArray &)> m_replyHandler;
    std::function<QString(quint8)> m_namer;
    QMetaObject::Connection m_lostConnection;

    QString m_portName;
    QString m_portCaption;
    int m_address = 0;
    int m_timeoutMs = kDefaultTimeoutMs;
    int m_speedIndex = 0;
    bool m_masterMode = false;
    bool m_databaseMode = false;

    bool m_connected = false;
    bool m_opening = false;
    quint64 m_openAttempt = 0;
    int m_pollCounter = 0;
    int m_timeoutCount = 0;
    bool m_addressSearch = false;
    bool m_settingsWriteActive = false;
    bool m_scheduleWriteActive = false;
    bool m_settingEnabled = false;
    bool m_findAddressEnabled = false;
    bool m_fixDbEnabled = false;
    bool m_meterControlsEnabled = false;
    Lamp m_lamp = Lamp::Hidden;
    QString m_statusPanels[2];
};

} // namespace meterlink
