#pragma once
// What the barcode scanner sends, gathered into codes. The scanner ends
// every code with a carriage return (CR), often followed by a line feed;
// the bytes may arrive in any pieces.
//
// A code is the text up to the LAST CR held: its surrounding spaces and
// control characters are removed, the rest read as a decimal number. What
// follows the last CR waits for the next code, so "123456" CR "78" then
// "9012" CR gives 123456, then 789012. Two whole codes in one arrival
// (111111 CR 222222 CR) are one text with a CR inside: no number, 0.
//
// At most kCapacity characters wait: a scanner that never sends a CR
// cannot grow the buffer without end. When more arrive, the oldest are
// dropped; spaces and control characters are dropped freely (reading the
// code would remove them anyway), but a dropped character that belongs to
// the text marks it cut. A cut text reads as 0 when its CR comes, as the
// whole text would have (a code is at most ten digits, so a text that long
// is no code): keeping its newest characters must not turn the tail of
// rubbish into a serial number that was never scanned. The code after
// that CR is read as usual.

#include <QByteArray>
#include <QByteArrayView>
#include <optional>

namespace app {

// The text of one code as a number: surrounding spaces and control
// characters (every byte up to 0x20) removed, then decimal digits only (no
// sign, no spaces inside); anything else, an empty text or a value beyond
// 2147483647 gives 0. Clamped to the serial number's range 0..16777215.
int scannedNumber(QByteArrayView text);

class ScanBuffer
{
public:
    static constexpr qsizetype kCapacity = 256;
    static constexpr int kMaxNumber = 16777215; // SpinEdit_Number's range: three bytes

    // Appends what arrived; the number of the code ended by the last CR
    // among them, or nothing while no CR has come.
    std::optional<int> append(QByteArrayView bytes);

    // The text waiting for its CR (at most kCapacity characters).
    const QByteArray &pending() const { return m_text; }
    bool isCut() const { return m_cut; }

private:
    void keep(QByteArrayView bytes);

    QByteArray m_text;
    bool m_cut = false;
};

} // namespace app
