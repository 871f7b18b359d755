#include "crc.h"

namespace meterlink {

quint16 crc16(QByteArrayView bytes)
{
    quint16 reg = 0xFFFF;
    for (const char c : bytes) {
        reg ^= static_cast<quint8>(c);
        for (int bit = 0; bit < 8; ++bit)
            reg = (reg & 1) ? static_cast<quint16>((reg >> 1) ^ 0xA001) : static_cast<quint16>(reg >> 1);
    }
    return reg;
}

void appendCrc(QByteArray &bytes)
{
    const quint16 crc = crc16(bytes);
    bytes.append(static_cast<char>(crc & 0xFF));
    bytes.append(static_cast<char>(crc >> 8));
}

bool checkCrc(QByteArrayView bytes)
{
    if (bytes.size() < 2)
        return false;
    const quint16 expected = crc16(bytes.first(bytes.size() - 2));
    const auto lo = static_cast<quint8>(bytes[bytes.size() - 2]);
    const auto hi = static_cast<quint8>(bytes[bytes.size() - 1]);
    return expected == (lo | (hi << 8));
}

} // namespace meterlink
