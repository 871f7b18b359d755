#pragma once
// The meter's side of the payload encodings: what it puts into its replies
// and takes from the requests.
//
//   bcd8          two decimal digits in one byte, tens in the high nibble
//   u16/u24/u32le unsigned little-endian integers
//   MeterSeconds  u32le seconds since 2000-01-01 00:00:00 of the meter's own
//                 local time (a plain count, no time zone or DST arithmetic)
//   MeterFloat    fraction in bits 0..22, sign in bit 23, exponent biased by
//                 127 in bits 24..31; the word 0 is 0.0. Not IEEE 754: the
//                 sign sits below the exponent.

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>

namespace sim {

quint8 toBcd8(int value);          // 0..99
int fromBcd8(quint8 byte);         // -1 when a nibble is not a decimal digit

void putU16(QByteArray &out, quint32 value);
void putU24(QByteArray &out, quint32 value);
void putU32(QByteArray &out, quint32 value);
quint32 getU16(QByteArrayView bytes, qsizetype at);
quint32 getU24(QByteArrayView bytes, qsizetype at);
quint32 getU32(QByteArrayView bytes, qsizetype at);

// MeterFloat. Values too large for the exponent saturate at the largest
// magnitude; values too small for it become 0.
quint32 encodeMeterFloat(double value);
double decodeMeterFloat(quint32 word);
void putMeterFloat(QByteArray &out, double value);

// Milliseconds since 2000-01-01 00:00:00 for the date and time fields of a
// local date-time, and back. Only the fields count, so a meter clock set
// from a PC in any time zone reads back the same wall-clock time.
qint64 msSince2000(const QDateTime &localTime);
QDateTime dateTimeFromMsSince2000(qint64 ms);

} // namespace sim
