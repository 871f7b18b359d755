#pragma once
// In-process hookup of a simulated meter to the in-memory serial line: what
// the PC side writes reaches SimulatedMeter::receive, what the meter sends
// comes back through the line's readyRead.

namespace meterlink {
class MemoryLine;
}

namespace sim {

class SimulatedMeter;

// The line may outlive the meter: once the meter is gone, written bytes are dropped.
void attach(meterlink::MemoryLine &line, SimulatedMeter &meter);

} // namespace sim
