#pragma once
// The meter's function codes with their operation names, and the texts of
// the meter's error codes.

#include <QString>

namespace protocol {

// Operation name of a code; the code is taken modulo 128, so 0x85 names the
// same operation as 0x05. Unknown: "неизвестная функция " + code in decimal.
QString functionName(int code);
// Text of an error code of the meter's error reply.
QString errorText(int errorCode);
// Error codes 3 (bad checksum) and 9 (memory busy) are answered by sending
// the same request again.
bool isResendError(int errorCode);

} // namespace protocol
