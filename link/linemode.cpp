#include "linemode.h"

#include "crc.h"

namespace meterlink {

QStringList lineModeItems() { return {QStringLiteral("Rs-485"), QStringLiteral("MODBUS")}; }

QStringList modbusParityItems()
{
    return {QStringLiteral("нет"), QStringLiteral("четн."), QStringLiteral("нечетн.")};
}

std::optional<LineMode> lineModeFromIndex(int index)
{
    switch (index) {
    case 0: return LineMode::Rs485;
    case 1: return LineMode::Modbus;
    default: return std::nullopt;
    }
}

Parity parityFor(ModbusParity p)
{
    switch (p) {
    case ModbusParity::Even: return Parity::Even;
    case ModbusParity::Odd: return Parity::Odd;
    case ModbusParity::None: break;
    }
    return Parity::None;
}

StopBits stopBitsFor(ModbusParity p) { return p == ModbusParity::None ? StopBits::Two : StopBits::One; }

QByteArray frameRequest(int lineModeIndex, quint8 address, const QByteArray &request)
{
    const auto mode = lineModeFromIndex(lineModeIndex);
    if (!mode)
        return {};
    QByteArray frame;
    if (*mode == LineMode::Modbus)
        frame.append(static_cast<char>(address));
    frame.append(request);
    appendCrc(frame);
    return frame;
}

} // namespace meterlink
