#pragma once
// ActionSetting ("&Записать", F12): the ticked tasks of the page "Установка"
// become one batch of requests, queued whole, and each acknowledgement
// writes its operation-log line (built from the values as they are when the
// reply arrives) and does its side effect: 0x03 moves the link to the new
// address, speed, parity and line mode, 0x15 makes the new password the
// access password. The page only keeps values() current.

#include "protocol/settingsvalues.h"

#include <QObject>
#include <QString>
#include <functional>

namespace meterlink {
class Clock;
class MeterConnection;
}

namespace protocol {

class AccessPassword;
class MeterPage;
class ReplyDispatcher;
struct SettingsBatch;
struct SettingsBatchContext;

class SettingsWriter : public QObject
{
    Q_OBJECT
public:
    // Why a batch was not queued: a message box with this caption and text
    // (error icon). An empty text: the refusal has been shown already (a
    // database pre-check shows its own boxes).
    struct Refusal
    {
        QString caption;
        QString text;
    };
    // Database pre-checks before anything is queued; writesSerial tells
    // whether the batch will write SpinEdit_Number. False: nothing is queued.
    using PreCheck = std::function<bool(const SettingsValues &values, quint32 meterSerial, bool writesSerial,
                                        Refusal *refusal)>;

    SettingsWriter(meterlink::Clock &clock, meterlink::MeterConnection &connection, ReplyDispatcher &dispatcher,
                   MeterPage &page, AccessPassword &accessPassword, bool databaseMode, QObject *parent = nullptr);

    SettingsValues &values() { return m_values; }
    const SettingsValues &values() const { return m_values; }

    void setPreCheck(PreCheck check) { m_preCheck = std::move(check); }
    // SyncClockFromServer (database mode): runs before the batch is built,
    // so pickers the operator has not edited take the synchronised time.
    void setClockSync(std::function<void()> sync) { m_clockSync = std::move(sync); }

    // ActionSetting. True when the batch was built and queued (when invalid
    // sensor values leave nothing to write, only sensorValuesInvalid is
    // emitted), or when no box is ticked (nothing happens); false with
    // *refusal when the batch was refused.
    bool write(Refusal *refusal = nullptr);

    // resetReadings: both pickers follow the clock again.
    void resetPickerFlags();

signals:
    // The sensor values could not be used: "Некорректные значения дискретных
    // датчиков" (caption "Ошибка"); emitted after the batch has been queued.
    void sensorValuesInvalid();
    void batchQueued(int requests);

private:
    void registerAcknowledgements(ReplyDispatcher &dispatcher);
    // What the batch is built with: pickers not edited take the clock's time.
    SettingsBatchContext batchContext(bool writesSerial) const;
    void queue(const SettingsBatch &batch);
    // 0x03 acknowledged: the link takes over the parameters sent.
    void followLink(const QByteArray &request);

    meterlink::Clock &m_clock;
    meterlink::MeterConnection &m_connection;
    ReplyDispatcher &m_dispatcher;
    MeterPage &m_page;
    AccessPassword &m_accessPassword;
    bool m_databaseMode;
    SettingsValues m_values;
    PreCheck m_preCheck;
    std::function<void()> m_clockSync;
};

} // namespace protocol
