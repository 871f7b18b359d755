#pragma once
// Time stamps of the protocol view: frame lines "hh:nn:ss.zzz", time-out
// lines "hh:nn:ss:zzz" (a colon before the milliseconds); every other colon
// is the system's time separator.

#include <QLocale>
#include <QString>
#include <QTime>

namespace meterlink {

// The separator between hours and minutes in the locale's short time format.
QChar timeSeparator(const QLocale &locale = QLocale::system());
// msSeparator is '.' for frame lines and the time separator for time-outs.
QString traceTime(const QTime &time, QChar msSeparator, QChar separator);
QString frameTraceTime(const QTime &time, const QLocale &locale = QLocale::system());
QString timeoutTraceTime(const QTime &time, const QLocale &locale = QLocale::system());
// "4C 02 B4 B1 " : two upper-case digits and a blank per byte.
QString hexBytes(const QByteArray &bytes);

} // namespace meterlink
