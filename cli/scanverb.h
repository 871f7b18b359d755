#pragma once
// tarvik-cli --scanner DEVICE --scan: the barcode scanner's port opened as
// the station opens it at start-up (9600 8N1, no handshake, one 0x00 byte
// written), the number of the next code printed. Nothing goes to a meter.

#include "clioptions.h"

namespace cli {

// The exit code: ExitOk with the number on stdout; ExitPortFailed or
// ExitNoAnswer (no code within --wait-ms) with the message on stderr.
int runScan(const Options &options);

} // namespace cli
