#pragma once
// CRC-16/MODBUS: init 0xFFFF, reflected polynomial 0xA001, no final XOR,
// sent low byte first.

#include <QByteArray>
#include <QByteArrayView>

namespace meterlink {

quint16 crc16(QByteArrayView bytes);
void appendCrc(QByteArray &bytes);
bool checkCrc(QByteArrayView bytes);

} // namespace meterlink
