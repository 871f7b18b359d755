#pragma once
// The two numbers of a discrete-sensor write (0x1D): the calibration C typed
// in EditSensorCalibr and the count the meter is set to, reading × C, where
// the reading in EditSensor is a decimal number of the display units.
//
// Nothing is cut to fit: a calibration outside 1..65535 or a count outside
// 0..2^32-1 is refused, and the caller tells the operator. The count is
// worked out on the exact decimal digits (no binary floating point), rounded
// half to even: 0.5015 × 1000 = 501.5 -> 502, 0.5025 × 1000 = 502.5 -> 502.

#include <QString>
#include <optional>

namespace protocol {

// Digits only (blanks around them are ignored), 1..65535.
std::optional<quint16> sensorCalibration(const QString &text);

// reading × calibration rounded half to even, or nothing when the reading is
// not a decimal number or the count does not fit 32 bits. A reading is
// digits with at most one decimal separator, '.' or ',' (either works,
// whatever the system's locale), no sign and no digit grouping.
std::optional<quint32> sensorCount(const QString &reading, quint16 calibration);

} // namespace protocol
