#include "protocol/cp1251.h"

#include <algorithm>
#include <array>
#include <utility>

namespace protocol {

namespace {

constexpr char16_t kUnused = 0xFFFD;

// 0x80..0xBF; 0xC0..0xFF are U+0410..U+044F (А..я) in order.
constexpr std::array<char16_t, 64> kHigh = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
};

char16_t toUnicode(quint8 byte)
{
    if (byte < 0x80)
        return byte;
    if (byte >= 0xC0)
        return char16_t(0x0410 + (byte - 0xC0));
    return kHigh[byte - 0x80];
}

// (code point, byte) of 0x80..0xBF, sorted by code point.
using Pair = std::pair<char16_t, quint8>;
const std::array<Pair, 63> &reverseTable()
{
    static const std::array<Pair, 63> table = [] {
        std::array<Pair, 63> t{};
        size_t n = 0;
        for (int b = 0x80; b < 0xC0; ++b)
            if (kHigh[b - 0x80] != kUnused)
                t[n++] = {kHigh[b - 0x80], quint8(b)};
        std::sort(t.begin(), t.end());
        return t;
    }();
    return table;
}

char fromUnicode(char32_t cp)
{
    if (cp < 0x80)
        return char(cp);
    if (cp >= 0x0410 && cp <= 0x044F)
        return char(0xC0 + (cp - 0x0410));
    if (cp > 0xFFFF)
        return '?';
    const auto &table = reverseTable();
    const auto it = std::lower_bound(table.begin(), table.end(), Pair{char16_t(cp), 0});
    return it != table.end() && it->first == cp ? char(it->second) : '?';
}

} // namespace

QByteArray toCp1251(QStringView text)
{
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t cp = text[i].unicode();
        // A surrogate pair is one character: one '?'.
        if (QChar::isHighSurrogate(cp) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            cp = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        out.append(fromUnicode(cp));
    }
    return out;
}

bool hasCp1251Byte(char32_t cp)
{
    return cp == '?' || fromUnicode(cp) != '?';
}

bool fitsCp1251(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text[i].isSurrogate() || !hasCp1251Byte(text[i].unicode()))
            return false;
    return true;
}

QString fromCp1251(QByteArrayView bytes)
{
    QString out(bytes.size(), Qt::Uninitialized);
    QChar *d = out.data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        d[i] = QChar(toUnicode(quint8(bytes[i])));
    return out;
}

} // namespace protocol
