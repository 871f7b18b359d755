#pragma once
// The 61-step polling cycle that keeps the meter page fresh whenever no
// operation has queued anything.

#include <QByteArray>

namespace meterlink {

inline constexpr int kPollSteps = 61; // counter values 0..60

// Request bytes [code][L][payload] for counter n; outside 0..60: 01 02.
QByteArray pollRequest(int n);

} // namespace meterlink
