#include "scanbuffer.h"

#include <algorithm>

namespace app {

namespace {

bool isBlank(char c) { return static_cast<unsigned char>(c) <= 0x20; }

bool allBlank(QByteArrayView bytes) { return std::all_of(bytes.begin(), bytes.end(), isBlank); }

} // namespace

int scannedNumber(QByteArrayView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    if (begin == end)
        return 0;
    constexpr qint64 kMaxInt32 = 2147483647;
    qint64 value = 0;
    for (qsizetype i = begin; i < end; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return 0;
        value = value * 10 + (c - '0');
        if (value > kMaxInt32) // no 32-bit integer: not a number
            return 0;
    }
    return static_cast<int>(std::min<qint64>(value, ScanBuffer::kMaxNumber));
}

std::optional<int> ScanBuffer::append(QByteArrayView bytes)
{
    const qsizetype lastCr = bytes.lastIndexOf('\r');
    if (lastCr < 0) {
        keep(bytes);
        return std::nullopt;
    }
    keep(bytes.first(lastCr));
    const int number = m_cut ? 0 : scannedNumber(m_text);
    m_text.clear();
    m_cut = false;
    keep(bytes.sliced(lastCr + 1));
    return number;
}

// Appends, dropping the oldest characters beyond kCapacity; only the newest
// kCapacity of a long arrival are ever copied.
void ScanBuffer::keep(QByteArrayView bytes)
{
    const qsizetype excess = m_text.size() + bytes.size() - kCapacity;
    if (excess <= 0) {
        m_text.append(bytes);
        return;
    }
    const qsizetype fromText = std::min(excess, m_text.size());
    const qsizetype fromBytes = excess - fromText;
    if (!allBlank(QByteArrayView(m_text).first(fromText)) || !allBlank(bytes.first(fromBytes)))
        m_cut = true;
    m_text.remove(0, fromText);
    m_text.append(bytes.sliced(fromBytes));
}

} // namespace app
