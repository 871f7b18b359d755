#pragma once
// A Tarvik 504 meter in software: bytes from the PC go into receive(), the
// meter's bytes come out of send(). It speaks both line modes, answers every
// read of the polling cycle with living values, carries out every write of
// the station, and can be told to misbehave (Faults). All timing goes
// through the meterlink::Clock, so tests run it on a VirtualClock.

#include "faults.h"
#include "journals.h"
#include "meterstate.h"

#include "link/clock.h"
#include "link/linemode.h"

#include <QDateTime>
#include <QObject>
#include <QRandomGenerator>
#include <functional>

namespace sim {

class SimulatedMeter : public QObject
{
    Q_OBJECT
public:
    // Error codes of the meter's error reply [code + 0x80][3][error].
    enum Error : quint8 {
        UnknownFunction = 1,
        WrongLength = 2,
        BadCrc = 3,
        BadData = 4,
        Protected = 5,  // wrong password entered
        NoAccess = 6,   // a write before the password was accepted
        Busy = 9,
    };

    // How long a started Rs-485 frame may take to arrive, and the silence
    // after which a partial MODBUS frame is thrown away.
    static constexpr int kFramePhaseMs = 100;
    static constexpr int kModbusGapMs = 20;
    // Six bytes A5 the station sends before schedule and RF-PLC address
    // writes; the meter takes them as well as its own password.
    static const QByteArray &servicePassword();

    explicit SimulatedMeter(meterlink::Clock &clock, QObject *parent = nullptr);

    // Bus address 0..255, default 0.
    void setAddress(quint8 address) { m_address = address; }
    quint8 address() const { return m_address; }
    // Line mode, default Rs-485; the MODBUS parity only matters to a program
    // that drives a real port (see communicationChanged).
    void setLineMode(meterlink::LineMode mode);
    meterlink::LineMode lineMode() const { return m_mode; }
    void setModbusParity(meterlink::ModbusParity parity) { m_parity = parity; }
    meterlink::ModbusParity modbusParity() const { return m_parity; }
    // Speed index 0..5 (4800..115200); paces split replies and stray bytes.
    void setSpeedIndex(int index);
    int speedIndex() const { return m_speedIndex; }

    // Write access granted by the password entry lapses after this long
    // without a request addressed to the meter (default one minute).
    void setAccessTimeoutMs(int ms) { m_accessTimeoutMs = ms; }
    bool accessGranted() const { return m_access; }

    // The meter's memory. The living values are as of the last request;
    // refresh() brings them up to the present.
    MeterState &state() { return m_state; }
    const MeterState &state() const { return m_state; }
    void refresh();

    // The six journals of 0x5D. What they hold now, as the meter serves it:
    // every held record of journal 0..5 by index, and the load-profile
    // records of one day in time order.
    QList<JournalRecord> journalRecords(int journal);
    QList<JournalRecord> profileDay(const QDate &day);
    JournalHeader journalHeader(int journal);
    // Shapes the load-profile store from the present meter time on (a later
    // setMeterTime keeps the shape and anchors it at the new time).
    void setProfileShape(const LoadProfileShape &shape);

    // Every reply waits as long as the request and the reply would take on
    // a real line at the meter's speed. A pseudo-terminal moves bytes at
    // once whatever its speed; with this the conversation keeps a real
    // line's pace (off: replies go at once, as the tests want).
    void setLineTimeEmulated(bool on) { m_lineTimeEmulated = on; }

    Faults &faults() { return m_faults; }
    void setFaults(const Faults &faults) { m_faults = faults; }

    // Jitter of the instantaneous values comes from this seed.
    void setSeed(quint32 seed) { m_random.seed(seed); }

    // The meter clock: wall-clock fields of its local time, running with the Clock.
    QDateTime meterTime() const;
    void setMeterTime(const QDateTime &localTime);
    quint32 meterSeconds() const;

    // Frame replies sent so far (normal and error replies, not echoes or stray bytes).
    int repliesSent() const { return m_repliesSent; }
    // Tariff 1..8 in force at the meter's present time.
    int currentTariff() const;

    // Time a number of bytes takes on the line at the meter's speed
    // (11 bit times a byte), rounded up to whole milliseconds.
    int lineTimeMs(qsizetype byteCount) const;

public slots:
    void receive(const QByteArray &bytesFromPc);

signals:
    void send(const QByteArray &bytesToPc);
    // A write of communication parameters (0x03) has been acknowledged with
    // the old address and mode; from now on the meter listens with these.
    // The acknowledgement has just been handed to send(): a program driving
    // a real port lets it leave the line before it changes the speed.
    void communicationChanged(int address, int speedIndex, meterlink::LineMode mode, meterlink::ModbusParity parity);
    // Faults::vanishAfterReplies has run out and a request came: the port
    // goes away (the program serving the meter closes it and quits).
    void vanished();

private:
    struct Answer
    {
        QByteArray body; // [code][L][payload], no address, no CRC
        std::function<void()> afterSent;
    };

    void receiveRs485(const QByteArray &bytes);
    void receiveModbus(const QByteArray &bytes);
    void processFrame(quint8 code, QByteArrayView payload);
    Answer answer(quint8 code, QByteArrayView payload);
    Answer answerRead(quint8 code, QByteArrayView payload);
    Answer answerWrite(quint8 code, QByteArrayView payload);
    void journalWrite(quint8 code, QByteArrayView payload, quint32 timeBefore);
    void transmit(QByteArray frame, std::function<void()> afterSent);
    void emitChunk(const QByteArray &chunk);
    void countReply();
    // The reply faults apply to the next reply (Faults::faultsAfterReplies).
    bool replyFaultsDue() const { return m_repliesSent >= m_faults.faultsAfterReplies; }

    // Living values.
    void advanceTo(qint64 meterMs, qint64 elapsedMs);
    void settle();
    int tariffAt(qint64 meterMs) const;
    int dayTypeOf(const QDate &date) const;
    double jitter(double value, double amplitude);
    QByteArray reading(quint8 selector, bool *ok);
    Answer answerJournal(QByteArrayView payload);
    quint16 scheduleChecksum() const;

    meterlink::Clock &m_clock;
    quint8 m_address = 0;
    meterlink::LineMode m_mode = meterlink::LineMode::Rs485;
    meterlink::ModbusParity m_parity = meterlink::ModbusParity::None;
    int m_speedIndex = 0;

    MeterState m_state;
    Journals m_journals;
    Faults m_faults;
    QRandomGenerator m_random{20260314u};

    // Meter clock: meter time (ms since 2000) at a moment of the Clock.
    qint64 m_meterMsAtRef = 0;
    qint64 m_elapsedAtRef = 0;
    // Living values were last brought up to these.
    qint64 m_livedMeterMs = 0;
    qint64 m_livedElapsedMs = 0;
    double m_workingMsRemainder = 0;

    bool m_access = false;
    int m_accessTimeoutMs = 60000;
    qint64 m_lastRequestMs = 0;

    // Receive state: Rs-485 phase (idle or frame) and the bytes collected.
    bool m_framePhase = false;
    QByteArray m_buffer;
    quint64 m_rxGeneration = 0;

    int m_repliesSent = 0;
    bool m_lineTimeEmulated = false;
    // Bytes of the request being answered as they went over the line (the
    // Rs-485 address byte and its echo included).
    qsizetype m_requestLineBytes = 0;
};

} // namespace sim
