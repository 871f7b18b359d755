#pragma once
// Faults the simulated meter can be told to show, changeable at any time.
// Counters (silentAfterReplies, vanishAfterReplies, busyCount, corruptNext)
// count down as the meter uses them up.

#include <QMap>

namespace sim {

struct Faults
{
    // Answers nothing at all, not even the address echo of Rs-485 mode.
    bool silent = false;
    // Sends this many more replies, then falls silent (sets `silent`); -1: off.
    int silentAfterReplies = -1;
    // Sends this many more replies; the next request finds the meter gone
    // (SimulatedMeter::vanished(): the program closes its port); -1: off.
    int vanishAfterReplies = -1;

    // The reply faults below (error and busy answers, corruption, split,
    // stray bytes, delay) wait until the meter has sent this many replies,
    // so that they hit a write batch or a journal read and not the polling
    // before it.
    int faultsAfterReplies = 0;

    // Function code -> error code sent instead of the normal reply, for as
    // long as the entry stays in the map.
    QMap<quint8, quint8> errors;
    // The next busyCount requests are answered "memory busy" (error 9) and
    // not carried out; then the meter answers normally again.
    int busyCount = 0;

    // One byte of the reply is inverted: of the next reply only, or of every reply.
    bool corruptNext = false;
    bool corruptEvery = false;
    // Which byte of the reply as it goes on the line (address byte of MODBUS
    // mode included); negative counts from the end, so -1 is the CRC high byte.
    int corruptOffset = -1;

    // A reply goes out in this many chunks; each chunk after the first is
    // sent splitGapMs after the previous one has left the line.
    int splitParts = 1;
    int splitGapMs = 5;

    // A stray byte follows every reply, strayDelayMs after the reply has left
    // the line, or with strayInReply in the same write as the reply's last
    // chunk (the PC reads reply and stray byte as one chunk).
    bool strayByte = false;
    quint8 strayValue = 0xFF;
    int strayDelayMs = 20;
    bool strayInReply = false;

    // Time between a complete request and the first byte of its reply.
    int replyDelayMs = 0;

    // Every zone entry written (09 0A) is stored with bit 0 of its power
    // limit (byte 3) inverted: a meter that does not keep what it was given.
    bool alterStoredZones = false;
};

} // namespace sim
