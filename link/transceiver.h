#pragma once
// Puts the current request on the line in the selected line mode and
// assembles the meter's reply from the received chunks.
//
// Rs-485 mode: the address goes out alone with Mark parity; once a chunk
// starting with that address comes back, the frame follows with Space
// parity, and the reply is complete when the buffer holds L + 2 bytes.
// MODBUS mode: address, frame and CRC go out in one write; the reply is
// complete when it holds L + 3 bytes, the CRC is good and the address is ours.

#include "linemode.h"
#include "serialline.h"

#include <QByteArray>
#include <QObject>
#include <functional>

namespace meterlink {

class Clock;

class Transceiver : public QObject
{
    Q_OBJECT
public:
    explicit Transceiver(Clock &clock, QObject *parent = nullptr);

    void setLine(SerialLine *line);
    // Index of ComboMode; any index other than 0 or 1 sends nothing.
    void setLineMode(int index) { m_lineMode = index; }
    int lineMode() const { return m_lineMode; }
    // Index of ComboParity (MODBUS only): 0 none/2 stop bits, 1 even, 2 odd.
    void setModbusParity(int index) { m_parityIndex = index; }
    int modbusParity() const { return m_parityIndex; }
    void setTraceEnabled(bool on) { m_trace = on; }

    // The value of SpinAddr, read at the moment it is needed.
    void setAddressSource(std::function<quint8()> source) { m_address = std::move(source); }
    void setCurrentRequest(const QByteArray &request) { m_currentRequest = request; }
    const QByteArray &currentRequest() const { return m_currentRequest; }

    void clearReplyBuffer();
    const QByteArray &replyBuffer() const { return m_replyBuffer; }
    // Gives the line the parity and stop bits with which an exchange of the
    // current line mode begins, so that opening the port proves the driver
    // can carry them.
    void prepareLine();
    // Puts currentRequest on the line; port errors are swallowed (the reply
    // time-out ends such an exchange).
    void transmitRequest();

signals:
    // A complete reply [code][L][payload][CRC], address byte removed.
    void replyComplete(const QByteArray &reply);
    // Every non-empty chunk (ends an address search).
    void chunkArrived();
    // Bytes of a reply arrived (the meter is alive: time-out count restarts).
    void replyBytesArrived();
    // The function code of the frame now being sent (status panel 1).
    void transmitting(quint8 code);
    void traceLine(const QString &line);
    // Writing the frame after the address echo failed.
    void portError(const QString &text);

private:
    void applyLineSettings(LineMode mode);
    void onReadyRead();
    void receiveRs485(const QByteArray &chunk);
    void receiveModbus(const QByteArray &chunk);
    void traceSend(const QByteArray &bytes);
    void trace(const QString &what, const QByteArray &bytes);

    Clock &m_clock;
    SerialLine *m_line = nullptr;
    QMetaObject::Connection m_readyConnection;
    int m_lineMode = 0;
    int m_parityIndex = 0;
    bool m_trace = false;
    std::function<quint8()> m_address = [] { return quint8(0); };
    QByteArray m_currentRequest;
    QByteArray m_replyBuffer;
    bool m_dispatched = false; // this buffer's reply has been handed on
};

} // namespace meterlink
