#pragma once
// The meter's journal of settings changes (journal 3 of function 0x5D): one
// record for every accepted write that changes a setting, oldest first, the
// oldest dropped when the store is full. A record travels as
//
//   T T T T  time of the change, MeterSeconds (meter time after the write)
//   P        parameter code
//   V ...    0..4 value bytes, as many as the code needs
//
// Codes and values by write:
//   05 clock          1  the meter time before the write (u32le)
//   07 coefficient    2  the coefficient byte
//   15 password       3  -
//   1F integration    4  the byte written (minutes - 1)
//   23 billing date   5  day, hour (bcd8 each: day first, unlike the write)
//   24 reading reset  6  -
//   2F indicator      7  -
//   51 profile        16 the period code
//   5F seal reset     20 -
//   09 zone / clear   50 the schedule checksum after the write (u16le)
//   27 holidays       51 -
//   29 transfers      52 -
//   0B RF-PLC         53 group, address
//   21 routes         54 -
//   61 poor quality   55 threshold (u16le), flags byte
//   19 power limit    57 W (u16le)
//   17 remote control 58 number (u24le), load mode
//   03 communication  59 address, speed/mode byte as written
//   1D calibration    60..62 by sensor: calibration (u16le)
//   1D sensor count   63..65 by sensor: count (u32le)
// The serial number (02), the telemetry channel (4F), the password entry
// (14) and a sensor's settlement count (1D kind 02) have no code and leave
// no record.

#include <QByteArray>
#include <QByteArrayView>
#include <deque>
#include <optional>

namespace sim {

struct SettingsJournalRecord
{
    quint32 time = 0; // MeterSeconds
    quint8 code = 0;
    QByteArray value; // 0..4 bytes

    // The record as the journal reply carries it: time, code, value.
    QByteArray bytes() const;
    bool operator==(const SettingsJournalRecord &) const = default;
};

// Code and value bytes of the record an accepted write leaves, or nothing
// for a write without a code. previousTime: the meter time before the
// write; checksum: the tariff schedule's checksum after it.
std::optional<SettingsJournalRecord> settingsJournalRecord(quint8 function, QByteArrayView payload,
                                                           quint32 previousTime, quint16 checksum);

class SettingsJournal
{
public:
    static constexpr int kCapacity = 128;

    void append(const SettingsJournalRecord &record);
    const std::deque<SettingsJournalRecord> &records() const { return m_records; }
    int size() const { return static_cast<int>(m_records.size()); }

private:
    std::deque<SettingsJournalRecord> m_records;
};

} // namespace sim
