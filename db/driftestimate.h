#pragma once
// The meter clock's drift since the meter was last programmed, estimated at
// every time reply of one connection and shown in EditDelta; the record's
// success flag is read back from that text.
//
// The texts are shown and read in one locale (the display locale of the
// meter page), so "1,00" under a decimal comma is 1.0 and never 0.

#include <QDateTime>
#include <QLocale>
#include <QString>

#include <optional>

namespace productiondb {

// A number shown as text read back with the locale it was shown in;
// nothing when the text is empty or not a number.
std::optional<double> readShownNumber(const QString &text, const QLocale &locale);

// The drift shown in EditDelta: fixed notation with two decimals after
// rounding to 5 significant digits; a whole part longer than 5 digits is
// written in exponent notation ("1,2346E+05").
QString formatDrift(double secondsPerDay, const QLocale &locale);

// The record's success flag from the EditDelta text: a clock gaining at
// most 1 s a day or losing at most 3 s a day passes; no estimate (an empty
// text or one that is not a number) passes.
bool driftSuccess(const QString &editDelta, const QLocale &locale);

class DriftEstimate
{
public:
    explicit DriftEstimate(const QLocale &locale) : m_locale(locale) {}

    // The latest date_time recorded for the meter; invalid = none (0).
    void setLastProgrammed(const QDateTime &value) { m_lastProgrammed = value; }
    QDateTime lastProgrammed() const { return m_lastProgrammed; }

    // One time reply without a clock fault, in database mode only (outside
    // it EditDelta is never filled): meterTime is the meter's clock,
    // now the PC's, both local. Adds an estimate when the meter was last
    // programmed more than half a day ago and returns the new EditDelta text
    // (the mean of this connection's estimates); otherwise returns an empty
    // text (EditDelta stays empty).
    QString ApplyDriftEstimate(const QDateTime &meterTime, const QDateTime &now);

    // resetReadings: no last programming, no estimates.
    void reset();

    double driftSum() const { return m_driftSum; }
    int driftCount() const { return m_driftCount; }

private:
    QLocale m_locale;
    QDateTime m_lastProgrammed;
    double m_driftSum = 0.0;
    int m_driftCount = 0;
};

} // namespace productiondb
