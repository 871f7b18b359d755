#pragma once
// Everything the simulated meter remembers: identity, settings written by
// the PC, the tariff schedule, and the living readings that advance with
// its clock. Plain data; SimulatedMeter keeps it consistent.

#include "settingsjournal.h"

#include <QByteArray>
#include <array>
#include <map>

namespace sim {

struct Route
{
    bool present = false;
    quint8 repeater = 0;
    quint32 number = 0; // 24 bits
};

struct DiscreteSensor
{
    quint16 calibration = 1000; // pulses per unit
    quint32 count = 0;          // pulses
    quint32 settlementCount = 0;
};

// Holiday and transfer slots hold their bytes as they travel (bcd8 dates);
// a day byte of 0 marks an empty slot.
struct HolidaySlot
{
    quint8 day = 0;
    quint8 month = 0;
};

struct TransferSlot
{
    quint8 day = 0;
    quint8 month = 0;
    quint8 year = 0;    // years since 2000, bcd8
    quint8 dayType = 0; // 1..8: Monday .. Sunday, holiday
};

struct Registers
{
    std::array<double, 8> activeKwh{}; // per tariff
    double reactiveInductiveKvarh = 0;
    double reactiveCapacitiveKvarh = 0;
    quint32 peakW = 0;
    quint32 peakTime = 0; // MeterSeconds; 0 = none
};

struct MeterState
{
    // Identity: type code 050401 is "504.01", firmware 2.15.
    quint32 serial = 123456;
    quint32 typeCode = 50401;
    int versionMajor = 2;
    int versionMinor = 15;
    quint16 digitalId = 0x5A3C;

    // Access password for writes (entry 0x14, changed by 0x15).
    QByteArray password = QByteArray(6, '\0');

    // Clock: DST switching flag (status bit 7) and fault bits 4..6 of the
    // status byte (4 battery, 5 clock, 6 date and time not set; a clock
    // write clears bit 6).
    bool dstAuto = false;
    quint8 clockFaults = 0;

    quint8 settlementDay = 1; // 1..31
    quint8 settlementHour = 0; // 0..23
    quint8 profilePeriodCode = 11; // index into off,1,2,3,4,5,6,10,12,15,20,30,60 minutes
    quint8 integrationMinus1 = 0;  // peak-power integration time in minutes, minus one
    quint32 pult = 0;              // control-panel number, 24 bits
    quint8 loadMode = 0;           // 0..3
    quint16 powerLimitW = 65535;
    quint16 poorQualityThreshold = 216; // units of 20 s (72 min)
    quint8 poorQualityFlags = 0;        // bit 0 Account-Kind, bit 1 JTVF
    quint8 telemetry = 0;               // bit 0: reactive energy
    quint8 plcGroup = 34;
    quint8 plcAddress = 56;
    std::array<Route, 4> routes{};
    std::array<DiscreteSensor, 3> sensors{};
    quint8 status = 0x02; // bit 1: terminal cover seal broken (reset by 0x5F)
    quint16 displayMask = 0x0161;
    quint32 backlight = 0;

    // Tariff schedule: zone entries by slot (7 bytes each), holidays,
    // transfers and the limit coefficient.
    std::map<int, QByteArray> zones;
    std::array<HolidaySlot, 16> holidays{};
    std::array<TransferSlot, 16> transfers{};
    quint8 limitCoefficient = 1;

    // One record per accepted settings write (served by journal 3 later).
    SettingsJournal settingsJournal;

    // Living values. The energy registers advance with loadPowerW; the
    // instantaneous readings jitter around the nominal values.
    double loadPowerW = 1500;
    double cosPhi = 0.95;
    double voltage = 230.0;
    double frequency = 50.0;
    int temperature = 24;   // degrees C
    double battery = 3.05;  // V
    Registers current;
    Registers settlement;
    quint32 workingSeconds = 1234567;
    quint16 corrections = 3;
};

} // namespace sim
