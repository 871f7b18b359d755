#pragma once
// The fixed password the station enters before a tariff schedule write and
// before an RF-PLC group and address write: six bytes A5, never the
// operator's access password.

#include <QByteArray>

namespace protocol {

inline QByteArray servicePassword() { return QByteArray(6, char(0xA5)); }

// 14 08 A5 A5 A5 A5 A5 A5 (code, length, payload; no CRC).
inline QByteArray servicePasswordEntry() { return QByteArray("\x14\x08", 2) + servicePassword(); }

} // namespace protocol
