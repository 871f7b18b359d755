#include "db/driftestimate.h"

#include <cmath>

namespace productiondb {

namespace {

constexpr double kSecondsPerDay = 86400.0;
constexpr qint64 kHalfDayMs = 12LL * 3600 * 1000;
constexpr int kSignificantDigits = 5;
constexpr int kDecimals = 2;

QLocale withoutGrouping(QLocale locale)
{
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return locale;
}

} // namespace

std::optional<double> readShownNumber(const QString &text, const QLocale &locale)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    bool ok = false;
    const double value = locale.toDouble(trimmed, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString formatDrift(double secondsPerDay, const QLocale &locale)
{
    const QLocale plain = withoutGrouping(locale);
    if (!std::isfinite(secondsPerDay))
        return plain.toString(secondsPerDay);
    // Five significant digits first, then two places after the point.
    const double rounded = QString::number(secondsPerDay, 'e', kSignificantDigits - 1).toDouble();
    if (std::fabs(rounded) >= std::pow(10.0, kSignificantDigits))
        return plain.toString(rounded, 'E', kSignificantDigits - 1);
    const double shown = QString::number(rounded, 'f', kDecimals).toDouble();
    return plain.toString(shown == 0.0 ? 0.0 : shown, 'f', kDecimals); // no "-0,00"
}

bool driftSuccess(const QString &editDelta, const QLocale &locale)
{
    const double d = readShownNumber(editDelta, locale).value_or(0.0);
    return d <= 1.0 && d >= -3.0;
}

QString DriftEstimate::ApplyDriftEstimate(const QDateTime &meterTime, const QDateTime &now)
{
    if (!m_lastProgrammed.isValid() || !meterTime.isValid() || !now.isValid())
        return {};
    const qint64 sinceProgrammedMs = m_lastProgrammed.msecsTo(now);
    if (sinceProgrammedMs <= kHalfDayMs)
        return {};
    // Positive when the meter clock runs ahead.
    const double rate = double(now.msecsTo(meterTime)) / double(sinceProgrammedMs) * kSecondsPerDay;
    m_driftSum += rate;
    ++m_driftCount;
    return formatDrift(m_driftSum / m_driftCount, m_locale);
}

void DriftEstimate::reset()
{
    m_lastProgrammed = QDateTime();
    m_driftSum = 0.0;
    m_driftCount = 0;
}

} // namespace productiondb
