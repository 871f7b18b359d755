#pragma once
// A meter whose every answer the test decides: it sits on a MemoryLine,
// echoes its address in Rs-485 mode and answers each frame with what the
// test's responder returns (by default an empty reply with the request's code).

#include "link/crc.h"
#include "link/memoryline.h"

#include <QList>
#include <functional>
#include <optional>

namespace testsupport {

class ScriptedMeter
{
public:
    // Given the frame [code][L][payload] (no address, no CRC), the reply
    // payload-less frame to send (without CRC), or nothing for silence.
    using Responder = std::function<std::optional<QByteArray>(const QByteArray &request)>;

    ScriptedMeter(meterlink::Clock &clock, meterlink::MemoryLine &line, quint8 address, bool modbus = false)
        : m_clock(clock), m_line(line), m_address(address), m_modbus(modbus)
    {
        line.setPeer([this](const QByteArray &bytes) { receive(bytes); });
        responder = [](const QByteArray &request) {
            return std::optional<QByteArray>(QByteArray() + request[0] + char(2));
        };
    }

    void setAddress(quint8 a) { m_address = a; }
    void setModbus(bool m) { m_modbus = m; }

    Responder responder;
    // When set and returning bytes, they go on the line exactly as given.
    Responder rawReply;
    QList<QByteArray> requests; // frames received, without address and CRC
    bool present = true; // false: nothing on the bus answers, not even the echo
    // A meter that answers late: replies leave this long after the request
    // has arrived (the echo of the address is never late).
    int replyDelayMs = 0;

    // Frame + CRC as the meter sends it in the current mode.
    QByteArray framed(const QByteArray &reply) const
    {
        QByteArray out;
        if (m_modbus)
            out.append(static_cast<char>(m_address));
        out.append(reply);
        meterlink::appendCrc(out);
        return out;
    }

private:
    void receive(const QByteArray &bytes)
    {
        if (!present)
            return;
        if (!m_modbus && m_awaitingAddress) {
            if (bytes.size() == 1 && static_cast<quint8>(bytes[0]) == m_address) {
                m_awaitingAddress = false;
                m_line.sendFromPeer(bytes); // the address comes back, then the frame follows
            }
            return;
        }
        m_awaitingAddress = true;
        QByteArray frame = bytes;
        if (m_modbus) {
            if (frame.isEmpty() || static_cast<quint8>(frame[0]) != m_address || !meterlink::checkCrc(frame))
                return;
            frame.remove(0, 1);
        }
        frame.chop(2);
        requests.append(frame);
        if (rawReply) {
            if (const auto raw = rawReply(frame)) {
                send(*raw);
                return;
            }
        }
        if (const auto reply = responder(frame))
            send(framed(*reply));
    }

    void send(const QByteArray &bytes)
    {
        if (replyDelayMs <= 0) {
            m_line.sendFromPeer(bytes);
            return;
        }
        m_clock.callLater(replyDelayMs, &m_line, [this, bytes] { m_line.sendFromPeer(bytes); });
    }

    meterlink::Clock &m_clock;
    meterlink::MemoryLine &m_line;
    quint8 m_address;
    bool m_modbus;
    bool m_awaitingAddress = true;
};

} // namespace testsupport
