// libFuzzer target: the barcode scanner's ScanBuffer fed arbitrary arrivals.
//
// Input: a sequence of arrivals, each [1 byte: length n][n bytes] (a length
// beyond the input takes what is left; n = 255 repeats the arrival's bytes
// 64 times, so the bound is crossed within a short input).
//
// Invariants: never more than kCapacity characters wait; every number is
// within 0..16777215; and whenever the text up to a CR held at most
// kCapacity characters (nothing can have been dropped), the number is the
// one the whole text reads as.

#include "app/scanbuffer.h"

#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "fuzz_scan: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    app::ScanBuffer buffer;
    QByteArray whole; // the text since the last CR, unbounded, while short enough to compare
    bool wholeKnown = true;
    size_t at = 0;
    while (at < size) {
        const size_t n = data[at++];
        const size_t take = std::min(n, size - at);
        QByteArray arrival(reinterpret_cast<const char *>(data + at), qsizetype(take));
        at += take;
        if (n == 255)
            arrival = arrival.repeated(64);

        const auto number = buffer.append(arrival);
        if (buffer.pending().size() > app::ScanBuffer::kCapacity)
            fail("more than the bound waits");
        const qsizetype lastCr = arrival.lastIndexOf('\r');
        if (number.has_value() != (lastCr >= 0))
            fail("a number without a CR, or a CR without a number");
        if (number && (*number < 0 || *number > app::ScanBuffer::kMaxNumber))
            fail("number out of range");

        if (lastCr < 0) {
            if (wholeKnown)
                whole += arrival;
        } else {
            if (wholeKnown) {
                whole += arrival.first(lastCr);
                if (whole.size() <= app::ScanBuffer::kCapacity && *number != app::scannedNumber(whole))
                    fail("a short text read otherwise than whole");
            }
            whole = arrival.sliced(lastCr + 1);
            wholeKnown = true;
        }
        if (whole.size() > app::ScanBuffer::kCapacity) { // beyond comparison until the next CR
            whole.clear();
            wholeKnown = false;
        }
    }
    return 0;
}
