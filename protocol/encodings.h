#pragma once
// Payload encodings of the meter protocol and the text forms the station
// shows them in. p[i] is payload byte i (reply byte i + 2).
//
//   bcd8          1 byte, two decimal digits (high nibble tens, low nibble units)
//   u16/u24/u32le unsigned little-endian integers
//   MeterSeconds  u32le seconds since 2000-01-01 00:00:00, meter local time
//   MeterFloat    32-bit word: fraction bits 0..22, sign bit 23 (1 = negative),
//                 biased exponent bits 24..31; the word 0 is 0.0
//   type code     three bcd8 bytes, least significant pair first

#include <QByteArrayView>
#include <QDateTime>
#include <QLocale>
#include <QString>

namespace protocol {

// bcd8 -> 0..99 (nibbles above 9 are taken at face value: 0x1A -> 20).
int bcd8(quint8 byte);
// 0..99 -> bcd8: (v mod 10) + (v div 10) * 16.
quint8 toBcd8(int value);

// Little-endian integers at offset `at`; the caller makes sure the bytes exist.
quint16 u16le(QByteArrayView bytes, qsizetype at);
quint32 u24le(QByteArrayView bytes, qsizetype at);
quint32 u32le(QByteArrayView bytes, qsizetype at);
// The low `count` bytes of value, least significant first.
QByteArray le(quint32 value, int count);

// A request as it is queued: function code, length byte (payload + 2),
// payload; the link adds the address byte in MODBUS mode and the CRC.
QByteArray request(quint8 code, const QByteArray &payload = {});

// MeterSeconds as a local date-time: 2000-01-01 plus n seconds, counted in
// whole days and seconds of the day (no daylight-saving arithmetic).
QDateTime meterSecondsToDateTime(quint32 seconds);
QDateTime meterEpoch();

double meterFloat(quint32 word);

// Six decimal digits from three bcd8 bytes, b0 the least significant pair.
int typeCode(quint8 b0, quint8 b1, quint8 b2);

// Fixed-point with 3 decimals after rounding to at most 8 significant digits;
// values of 10^8 and beyond are written in exponent notation. Uses the
// locale's decimal separator and no digit grouping.
QString formatFixed3(double value, const QLocale &locale);
// The same with `decimals` (0..3) places after the point: journal energies
// use 2, the peak power 1.
QString formatFixed(double value, int decimals, const QLocale &locale);

// The locale every value is shown in: the system's, except when the system
// names no locale at all (C or POSIX: a fresh install, a container, a service
// account), whose English month names and decimal point would be out of place
// in a Russian program; then the Russian one. The parameter is there so both
// cases can be tried; callers leave it out.
QLocale displayLocale(const QLocale &system = QLocale::system());

// The locale's short date, then a space and its long time; the time is left
// out at exactly midnight. A time-zone field in the locale's long time
// format is dropped (meter times carry no zone).
QString formatDateTime(const QDateTime &value, const QLocale &locale);
// The locale's long time format without a time-zone field.
QString longTimeFormat(const QLocale &locale);

} // namespace protocol
