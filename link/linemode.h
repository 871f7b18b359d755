#pragma once
// Line modes and the MODBUS parity choice, as the connection panel offers them.

#include "serialline.h"

#include <QByteArray>
#include <QStringList>
#include <optional>

namespace meterlink {

// Index of ComboMode: 0 "Rs-485" (wake-up address byte with Mark parity,
// frame with Space), 1 "MODBUS" (address byte inside the frame).
enum class LineMode { Rs485 = 0, Modbus = 1 };
// Index of ComboParity, used in MODBUS mode only.
enum class ModbusParity { None = 0, Even = 1, Odd = 2 };

QStringList lineModeItems();      // "Rs-485", "MODBUS"
QStringList modbusParityItems();  // "нет", "четн.", "нечетн."
std::optional<LineMode> lineModeFromIndex(int index);

// MODBUS line settings: "нет" -> no parity, 2 stop bits; otherwise 1 stop bit.
Parity parityFor(ModbusParity p);
StopBits stopBitsFor(ModbusParity p);

// The frame as it goes on the line: in Rs-485 mode request + CRC; in MODBUS
// mode address + request + CRC over both. Empty for an unknown mode index.
QByteArray frameRequest(int lineModeIndex, quint8 address, const QByteArray &request);

} // namespace meterlink
