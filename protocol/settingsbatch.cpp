#include "settingsbatch.h"

#include "accesspassword.h"
#include "encodings.h"
#include "sensorreading.h"

#include <algorithm>

namespace protocol {

namespace {

constexpr qint64 kSecondsPerDay = 86400;
constexpr qint64 kMaxRequestSeconds = 0xFFFFFFFF;
constexpr quint8 kSummerTimeFlag = 0x80;
constexpr quint8 kModbusParityBits[3] = {0x40, 0x50, 0x70};
constexpr int kModbus = 1;

QDate epochDate() { return QDate(2000, 1, 1); }

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(static_cast<char>(v));
    return out;
}

QByteArray clockRequest(const SettingsValues &v, const SettingsBatchContext &c)
{
    const quint8 flag = v.CheckBoxClock ? kSummerTimeFlag : 0;
    return request(0x05, bytes({flag}) + le(clockRequestSeconds(c.date, c.time), 4));
}

void appendSerial(QList<QByteArray> &out, quint32 serial)
{
    const PlcAddress plc = plcAddressOfSerial(serial);
    out << request(0x02, le(serial, 3));
    out << request(0x0B, bytes({plc.group, plc.address}));
}

void appendScheduleReset(QList<QByteArray> &out)
{
    out << request(0x27) << request(0x29) << request(0x09) << request(0x24);
    out << request(0x07, bytes({1})); // limit coefficient 1
}

// Steps 21 and 22; false when the values cannot be used.
bool appendSensor(QList<QByteArray> &out, const SettingsValues &v)
{
    const quint8 sensor = static_cast<quint8>(std::clamp(v.SpinSensor, 1, 3) - 1);
    const auto calibration = sensorCalibration(v.EditSensorCalibr);
    if (!calibration)
        return false;
    out << request(0x1D, bytes({sensor, 0}) + le(*calibration, 2));
    const auto count = sensorCount(v.EditSensor, *calibration);
    if (!count)
        return false;
    out << request(0x1D, bytes({sensor, 1}) + le(*count, 4));
    return true;
}

QByteArray communicationRequest(const SettingsValues &v)
{
    return request(0x03, bytes({v.SpinNewAddr & 0xFF, communicationByte(v.ComboNewBaud, v.ComboModeW, v.ComboParityW)}));
}

} // namespace

QDateTime kEarliestMoment()
{
    return QDateTime(epochDate(), QTime(0, 0));
}

QDateTime kLatestMoment()
{
    return meterSecondsToDateTime(quint32(kMaxRequestSeconds - kClockLeadSeconds));
}

quint32 clockRequestSeconds(const QDate &date, const QTime &time)
{
    if (!date.isValid() || date < epochDate())
        return kClockLeadSeconds;
    const qint64 days = date.toJulianDay() - epochDate().toJulianDay();
    const qint64 ofDay = time.isValid() ? time.msecsSinceStartOfDay() / 1000 : 0;
    // Past the range long before the multiplication could overflow.
    if (days > kMaxRequestSeconds / kSecondsPerDay + 1)
        return quint32(kMaxRequestSeconds);
    return quint32(std::min(days * kSecondsPerDay + ofDay + kClockLeadSeconds, kMaxRequestSeconds));
}

PlcAddress plcAddressOfSerial(quint32 serial)
{
    const auto orHundred = [](quint32 v) { return static_cast<quint8>(v == 0 ? 100 : v); };
    return {orHundred((serial % 10000) / 100), orHundred(serial % 100)};
}

quint32 qualityParameters(const SettingsValues &v)
{
    quint32 q = quint32(std::clamp(v.ComboSec, 0, 2)) + 3 * quint32(std::clamp(v.SpinMin, 0, 1440));
    if (v.CheckAccountKind)
        q += 0x10000;
    if (v.CheckJtvf)
        q += 0x20000;
    return q;
}

quint8 communicationByte(int speedIndex, int lineMode, int parityIndex)
{
    const quint8 speed = static_cast<quint8>(std::clamp(speedIndex, 0, 5));
    if (lineMode != kModbus)
        return speed;
    return speed + kModbusParityBits[std::clamp(parityIndex, 0, 2)];
}

CommunicationParameters communicationParameters(quint8 x)
{
    const int speed = x & 0x0F;
    switch (x & 0xF0) {
    case 0x00: return {speed, 0, 0};
    case 0x50: return {speed, kModbus, 1};
    case 0x70: return {speed, kModbus, 2};
    default: return {speed, kModbus, 0};
    }
}

SettingsBatch buildSettingsBatch(const SettingsValues &v, const SettingsBatchContext &c)
{
    SettingsBatch batch;
    if (!v.anyTaskTicked())
        return batch;
    QList<QByteArray> &out = batch.requests;
    if (!c.passwordAccepted)
        out << request(0x14, c.accessPasswordPayload.leftJustified(AccessPassword::kMaxLength, '\0', true));
    if (v.CheckTime)
        out << clockRequest(v, c);
    if (v.CheckPassword)
        out << request(0x15, AccessPassword::payload(v.EditPassW));
    if (c.writeSerial && v.SpinEdit_Number > 0)
        appendSerial(out, quint32(v.SpinEdit_Number) & 0xFFFFFF);
    if (v.CheckShedule)
        out << request(0x23, bytes({toBcd8(std::clamp(v.SpinHour, 0, 23)), toBcd8(std::clamp(v.SpinDay, 1, 31))}));
    if (v.CheckIntegra)
        out << request(0x1F, bytes({std::clamp(v.SpinIntegra, 1, 60) - 1}));
    if (v.CheckPeriodProfile)
        out << request(0x51, bytes({std::clamp(v.ComboProfile, 0, 12)}));
    if (v.CheckResetTariff)
        appendScheduleReset(out);
    if (v.CheckPult) {
        out << request(0x17, le(quint32(v.SpinPult) & 0xFFFFFF, 3) + bytes({std::clamp(v.ComboModeDdm, 0, 3)}));
        out << request(0x19, le(quint32(std::clamp(v.SpinBreaker, 0, 0xFFFF)), 2));
    }
    if (v.CheckQuality)
        out << request(0x61, le(qualityParameters(v), 3));
    if (v.CheckSeal)
        out << request(0x5F, bytes({0xFF, 0xFF, 0xFF, 0xFF}));
    if (v.CheckTelemetry)
        out << request(0x4F, bytes({1})); // reactive energy
    if (v.CheckSensor)
        batch.sensorValuesInvalid = !appendSensor(out, v);
    if (v.CheckAddr)
        out << communicationRequest(v);
    return batch;
}

} // namespace protocol
