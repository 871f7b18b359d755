#pragma once
// A simulated meter on an in-memory line, driven from the PC side on a
// virtual clock. The bench plays the station's part of the exchange: in
// Rs-485 mode the address byte, then the frame once the echo is back; in
// MODBUS mode the framed request in one piece.

#include "sim/attach.h"
#include "sim/encoding.h"
#include "sim/simulatedmeter.h"

#include "link/crc.h"
#include "link/memoryline.h"
#include "link/virtualclock.h"

#include <QList>
#include <QObject>

namespace simtest {

// 2026-03-14 10:20:30, where the virtual clock starts, as MeterSeconds.
constexpr quint32 kStartSeconds = 826798830;

inline QByteArray u32(quint32 v)
{
    QByteArray out;
    sim::putU32(out, v);
    return out;
}

inline QByteArray hex(const char *text) { return QByteArray::fromHex(QByteArray(text)); }

inline QByteArray withCrc(QByteArray bytes)
{
    meterlink::appendCrc(bytes);
    return bytes;
}

struct Chunk
{
    qint64 atMs;
    QByteArray bytes;
};

class MeterBench
{
public:
    meterlink::VirtualClock clock;
    meterlink::MemoryLine line{clock};
    sim::SimulatedMeter meter{clock};
    QList<Chunk> chunks; // everything the meter sent, as the PC received it

    // How the PC side frames its requests (follows the meter unless a test changes it).
    bool modbus = false;
    quint8 address = 0;

    MeterBench()
    {
        sim::attach(line, meter);
        line.open(nullptr);
        QObject::connect(&line, &meterlink::SerialLine::readyRead, &line,
                         [this] { chunks.append({clock.elapsedMs(), line.readAll()}); });
    }

    void useModbus(quint8 a)
    {
        meter.setLineMode(meterlink::LineMode::Modbus);
        meter.setAddress(a);
        modbus = true;
        address = a;
    }
    void useRs485(quint8 a)
    {
        meter.setLineMode(meterlink::LineMode::Rs485);
        meter.setAddress(a);
        modbus = false;
        address = a;
    }

    QByteArray received() const
    {
        QByteArray all;
        for (const Chunk &c : chunks)
            all += c.bytes;
        return all;
    }

    // Sends [code][L][payload] the way the station does and returns the
    // meter's reply frame as it came over the line (in Rs-485 mode without
    // the echoed address byte); empty when nothing complete came within 500 ms.
    QByteArray exchange(const QByteArray &request)
    {
        chunks.clear();
        if (modbus) {
            QByteArray frame(1, static_cast<char>(address));
            line.write(withCrc(frame + request));
            if (!clock.advanceUntil([this] { return complete(received()); }, 500))
                return {};
            return received();
        }
        line.write(QByteArray(1, static_cast<char>(address)));
        if (!clock.advanceUntil([this] { return !chunks.isEmpty(); }, 500))
            return {};
        if (received().at(0) != static_cast<char>(address))
            return {};
        chunks.clear();
        line.write(withCrc(request));
        if (!clock.advanceUntil([this] { return complete(received()); }, 500))
            return {};
        return received();
    }

    // The payload of a reply after checking that it is a normal reply to
    // `request` with a good CRC; a marker text otherwise, so a comparison fails.
    QByteArray payloadOf(const QByteArray &request)
    {
        QByteArray reply = exchange(request);
        if (modbus) {
            if (reply.isEmpty() || reply.at(0) != static_cast<char>(address))
                return "<no reply from the address>";
            reply.remove(0, 1);
        }
        if (reply.size() < 4 || reply.at(0) != request.at(0) || !meterlink::checkCrc(modbus ? withAddress(reply) : reply))
            return "<not a reply: " + reply.toHex(' ') + ">";
        return reply.mid(2, reply.size() - 4);
    }

    double readFloat(quint8 selector)
    {
        const QByteArray p = payloadOf(QByteArray::fromHex("0F03") + char(selector));
        return p.size() == 6 ? sim::decodeMeterFloat(sim::getU32(p, 2)) : qQNaN();
    }

    bool enterPassword(const QByteArray &password = QByteArray(6, '\0'))
    {
        return payloadOf(hex("1408") + password) == QByteArray();
    }

private:
    bool complete(const QByteArray &bytes) const
    {
        if (modbus)
            return bytes.size() > 2 && bytes.size() >= quint8(bytes[2]) + 3;
        return bytes.size() >= 2 && bytes.size() >= quint8(bytes[1]) + 2;
    }
    QByteArray withAddress(const QByteArray &reply) const { return QByteArray(1, static_cast<char>(address)) + reply; }
};

} // namespace simtest
