#pragma once
// The settings batch as bytes: the ticked tasks of the page "Установка" turned
// into the requests (function code, L, payload; the link adds address and
// CRC), in the order the meter expects them:
//
//   14 08 P×6      password entry, unless the password is already accepted
//   05 07 F T×4    clock: F = 0x80 with automatic summer time, T = u32le of
//                  the seconds since 2000-01-01 00:00:00 plus 3
//   15 08 P×6      new password
//   02 05 N×3      serial number (only when it is to be written) ...
//   0B 04 G A      ... and the RF-PLC group and address derived from it
//   23 04 H D      billing hour and day, bcd8, hour first
//   1F 03 m        peak-power integration time - 1
//   51 03 k        load-profile period code
//   27 02, 29 02, 09 02, 24 02, 07 03 01   tariff schedule reset
//   17 06 R×3 M, 19 04 W×2                 remote control and load
//   61 05 Q×3      poor-quality energy parameters
//   5F 06 FF×4     seal indication reset
//   4F 03 01       reactive-energy telemetry
//   1D 06 S 00 C×2, 1D 08 S 01 V×4         discrete sensor calibration, count
//   03 04 B X      communication parameters, always last: after it the meter
//                  listens at the new address, speed and mode.

#include "protocol/settingsvalues.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QTime>

namespace protocol {

struct SettingsBatchContext
{
    bool passwordAccepted = false;
    QByteArray accessPasswordPayload; // the six payload bytes of EditPass
    bool writeSerial = false;         // steps 6 and 7: SpinEdit_Number goes to the meter
    QDate date;                       // the moment the clock is set to
    QTime time;
};

struct SettingsBatch
{
    QList<QByteArray> requests;
    // The sensor values cannot be used: the count (and, with a bad
    // calibration, the calibration too) has been left out.
    bool sensorValuesInvalid = false;
};

// Nothing ticked: no request at all, not even the password entry.
SettingsBatch buildSettingsBatch(const SettingsValues &values, const SettingsBatchContext &context);

// The clock request's lead: the meter takes the time about three seconds
// after the request has been built.
inline constexpr quint32 kClockLeadSeconds = 3;

// The range of moments the clock request can carry: 2000-01-01 00:00:00 to
// the moment whose seconds plus the lead are 0xFFFFFFFF. The date and time
// pickers keep to it.
QDateTime kEarliestMoment();
QDateTime kLatestMoment();

// T of the clock request: whole days since 2000-01-01 × 86400 + seconds of
// the day + the lead, from the calendar fields alone (no time zone, so a
// summer-time date is not an hour off); moments outside the range above are
// taken as its nearest end.
quint32 clockRequestSeconds(const QDate &date, const QTime &time);

// RF-PLC group and address of a serial number N: (N mod 10000) div 100 and
// N mod 100, a 0 sent as 100.
struct PlcAddress
{
    quint8 group;
    quint8 address;
};
PlcAddress plcAddressOfSerial(quint32 serial);

// Q of the poor-quality energy request.
quint32 qualityParameters(const SettingsValues &values);

// X of the communication request and back: the speed index in the low
// nibble; in MODBUS 0x40 / 0x50 / 0x70 for parity none / even / odd.
quint8 communicationByte(int speedIndex, int lineMode, int parityIndex);
struct CommunicationParameters
{
    int speedIndex;
    int lineMode;    // 0 Rs-485, 1 MODBUS
    int parityIndex; // 0 "нет", 1 "четн.", 2 "нечетн."; 0 in Rs-485
};
CommunicationParameters communicationParameters(quint8 x);

} // namespace protocol
