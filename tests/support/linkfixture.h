#pragma once
// The link engine as the program wires it, on a virtual clock and an
// in-memory line with a scripted meter at the other end.

#include "link/connection.h"
#include "link/memoryline.h"
#include "link/virtualclock.h"
#include "protocol/dispatcher.h"
#include "protocol/functioncatalogue.h"
#include "scriptedmeter.h"

#include <QStringList>

namespace testsupport {

struct LinkFixture
{
    meterlink::VirtualClock clock;
    meterlink::MemoryLine line{clock};
    meterlink::MeterConnection connection{clock};
    protocol::ReplyDispatcher dispatcher{connection};
    ScriptedMeter meter;
    QStringList protocol; // lines of the protocol view
    QStringList failures; // batch failure messages
    int resets = 0;

    explicit LinkFixture(quint8 address = 5, bool modbus = false) : meter(clock, line, address, modbus)
    {
        connection.setLine(&line);
        connection.setAddress(address);
        connection.setLineMode(modbus ? 1 : 0);
        connection.setSpeedIndex(5);
        connection.setFunctionNamer([](quint8 c) { return protocol::functionName(c); });
        connection.setReplyHandler([this](const QByteArray &r) { dispatcher.dispatch(r); });
        QObject::connect(&connection, &meterlink::MeterConnection::protocolLine,
                         [this](const QString &l) { protocol << l; });
        QObject::connect(&connection, &meterlink::MeterConnection::batchFailed,
                         [this](meterlink::Batch, const QString &m) { failures << m; });
        QObject::connect(&connection, &meterlink::MeterConnection::resetRequested, [this] { ++resets; });
    }

    void connectAndStart()
    {
        connection.connectLink();
        clock.advance(1);
    }
    // Function codes of the frames the meter has received so far.
    QList<int> codes() const
    {
        QList<int> out;
        for (const QByteArray &r : meter.requests)
            out << static_cast<quint8>(r[0]);
        return out;
    }
    // Advance until the meter has received n more frames (or maxMs passes).
    bool runExchanges(int n, qint64 maxMs = 60000)
    {
        const auto target = meter.requests.size() + n;
        return clock.advanceUntil([&] { return meter.requests.size() >= target; }, maxMs);
    }
};

} // namespace testsupport
