#pragma once
// The input format of fuzz_reply, shared by the fuzz target (which reads it)
// and the corpus maker (which writes it):
//
//   byte 0   setup: bit 0 line mode (0 "Rs-485", 1 "MODBUS"), bit 1 frame
//            tracing (masterMode), bits 2-3 MODBUS parity index (3 reads as 0)
//   byte 1   meter address (SpinAddr)
//   byte 2   the current request: 0..60 is polling request n of the cycle;
//            61 is followed by [code][n][n payload bytes], n <= 16;
//            62..255 is followed by one byte s; k = (byte 2 - 62) mod 10
//            picks, for k = 0..3, a request of the schedule read: 06 02,
//            08 03 s, 26 03 (s mod 16), 28 03 (s mod 16); for k = 4..9, a
//            read of journal k - 4 begun by the journal reader (its header
//            request 5D 03 j current), the load profile's day being
//            2000-01-01 + 40 x s days
//   then, until the input ends, events:
//            k > 0, then k bytes   a chunk arrives on the line (cut short at
//                                  the end of the input)
//            0, then t             the clock moves on t x 10 ms, so that the
//                                  timers fire (next transmission, time-out)
//
// A reader never fails: whatever is missing at the end reads as zero or as
// no more events.

#include <QByteArray>
#include <QDate>
#include <QList>
#include <cstddef>
#include <cstdint>

namespace fuzz {

struct ReplyEvent
{
    QByteArray chunk; // empty: a clock step
    int advanceMs = 0;
};

struct ReplyScript
{
    static constexpr int kPollRequests = 61;
    static constexpr int kOwnRequest = 61;
    static constexpr int kMaxPayload = 16;
    static constexpr int kClockStepMs = 10;

    int lineMode = 0;
    bool trace = false;
    int parityIndex = 0;
    quint8 address = 0;
    int pollIndex = 0;  // used when request is empty
    QByteArray request; // [code][L][payload] when not a polling request
    int journal = -1;   // 0..5: a journal read begun by the reader instead
    quint8 journalDay = 0;
    QList<ReplyEvent> events;

    static constexpr int kRequestKinds = 10; // 4 schedule reads, 6 journals
    static constexpr int kJournalKind = 4;
    static constexpr int kDayStep = 40;
    QDate profileDay() const;

    static ReplyScript parse(const uint8_t *data, size_t size);
    QByteArray serialize() const;
};

} // namespace fuzz
