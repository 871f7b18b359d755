#include "sensorreading.h"

#include <QList>

#include <limits>

namespace protocol {

namespace {

// Integer part beyond this many significant digits exceeds 2^32 for every
// calibration >= 1; below it, integer × 65535 stays far inside 64 bits.
constexpr int kMaxIntegerDigits = 10;

bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

bool allDigits(QStringView text)
{
    for (QChar c : text)
        if (!isDigit(c))
            return false;
    return true;
}

QStringView withoutLeadingZeros(QStringView digits)
{
    while (!digits.isEmpty() && digits.front() == u'0')
        digits = digits.sliced(1);
    return digits;
}

QStringView withoutTrailingZeros(QStringView digits)
{
    while (!digits.isEmpty() && digits.back() == u'0')
        digits.chop(1);
    return digits;
}

quint64 toNumber(QStringView digits)
{
    quint64 value = 0;
    for (QChar c : digits)
        value = value * 10 + quint64(c.unicode() - u'0');
    return value;
}

enum class Remainder { Below, Half, Above };

// calibration × 0.f1f2…fk: the whole part in *whole, and where the fraction
// left over stands against one half. Long multiplication from the last digit.
Remainder multiplyFraction(QStringView fraction, quint16 calibration, quint64 *whole)
{
    QList<int> digits;
    digits.reserve(fraction.size());
    for (QChar c : fraction)
        digits << (c.unicode() - u'0');
    quint64 carry = 0;
    for (qsizetype i = digits.size() - 1; i >= 0; --i) {
        const quint64 t = quint64(digits[i]) * calibration + carry;
        digits[i] = int(t % 10);
        carry = t / 10;
    }
    *whole = carry;
    if (digits.isEmpty() || digits[0] < 5)
        return Remainder::Below;
    if (digits[0] > 5)
        return Remainder::Above;
    for (qsizetype i = 1; i < digits.size(); ++i)
        if (digits[i] != 0)
            return Remainder::Above;
    return Remainder::Half;
}

} // namespace

std::optional<quint16> sensorCalibration(const QString &text)
{
    const QStringView digits = QStringView(text).trimmed();
    if (digits.isEmpty() || !allDigits(digits))
        return std::nullopt;
    const QStringView significant = withoutLeadingZeros(digits);
    if (significant.size() > 5)
        return std::nullopt;
    const quint64 value = toNumber(significant);
    if (value < 1 || value > std::numeric_limits<quint16>::max())
        return std::nullopt;
    return static_cast<quint16>(value);
}

std::optional<quint32> sensorCount(const QString &reading, quint16 calibration)
{
    const QStringView text = QStringView(reading).trimmed();
    qsizetype separator = text.indexOf(u'.');
    if (separator < 0)
        separator = text.indexOf(u',');
    const QStringView integer = separator < 0 ? text : text.first(separator);
    const QStringView fraction = separator < 0 ? QStringView() : text.sliced(separator + 1);
    if (integer.isEmpty() && fraction.isEmpty())
        return std::nullopt;
    if (!allDigits(integer) || !allDigits(fraction)) // also a second separator
        return std::nullopt;

    const QStringView intDigits = withoutLeadingZeros(integer);
    if (intDigits.size() > kMaxIntegerDigits)
        return std::nullopt;
    quint64 fractionWhole = 0;
    const Remainder rest = multiplyFraction(withoutTrailingZeros(fraction), calibration, &fractionWhole);
    quint64 count = toNumber(intDigits) * calibration + fractionWhole;
    if (rest == Remainder::Above || (rest == Remainder::Half && count % 2 == 1))
        ++count;
    if (count > std::numeric_limits<quint32>::max())
        return std::nullopt;
    return static_cast<quint32>(count);
}

} // namespace protocol
