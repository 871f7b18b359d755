#include "settingsjournal.h"

#include "encoding.h"

namespace sim {

namespace {

QByteArray bytesOf(QByteArrayView payload, qsizetype from, qsizetype count)
{
    return payload.sliced(from, count).toByteArray();
}

std::optional<SettingsJournalRecord> record(quint8 code, const QByteArray &value = {})
{
    return SettingsJournalRecord{0, code, value};
}

// A sensor write: S 00 C C (calibration) or S 01 V V V V (count now).
std::optional<SettingsJournalRecord> sensorRecord(QByteArrayView p)
{
    const quint8 sensor = static_cast<quint8>(p[0]);
    if (sensor > 2)
        return std::nullopt;
    if (p[1] == 0)
        return record(60 + sensor, bytesOf(p, 2, 2));
    if (p[1] == 1 && p.size() >= 6)
        return record(63 + sensor, bytesOf(p, 2, 4));
    return std::nullopt;
}

// The payload bytes a record's value is taken from.
qsizetype neededPayload(quint8 function)
{
    switch (function) {
    case 0x07: case 0x1F: case 0x51: return 1;
    case 0x03: case 0x0B: case 0x19: case 0x23: return 2;
    case 0x61: return 3;
    case 0x17: case 0x1D: return 4;
    default: return 0;
    }
}

} // namespace

QByteArray SettingsJournalRecord::bytes() const
{
    QByteArray out;
    putU32(out, time);
    out.append(static_cast<char>(code));
    out.append(value);
    return out;
}

std::optional<SettingsJournalRecord> settingsJournalRecord(quint8 function, QByteArrayView p, quint32 previousTime,
                                                           quint16 checksum)
{
    if (p.size() < neededPayload(function))
        return std::nullopt;
    QByteArray value;
    switch (function) {
    case 0x05:
        putU32(value, previousTime);
        return record(1, value);
    case 0x07: return record(2, bytesOf(p, 0, 1));
    case 0x15: return record(3);
    case 0x1F: return record(4, bytesOf(p, 0, 1));
    case 0x23: return record(5, bytesOf(p, 1, 1) + bytesOf(p, 0, 1)); // written hour first, kept day first
    case 0x24: return record(6);
    case 0x2F: return record(7);
    case 0x51: return record(16, bytesOf(p, 0, 1));
    case 0x5F: return record(20);
    case 0x09:
        putU16(value, checksum);
        return record(50, value);
    case 0x27: return record(51);
    case 0x29: return record(52);
    case 0x0B: return record(53, bytesOf(p, 0, 2));
    case 0x21: return record(54);
    case 0x61: return record(55, bytesOf(p, 0, 3));
    case 0x19: return record(57, bytesOf(p, 0, 2));
    case 0x17: return record(58, bytesOf(p, 0, 4));
    case 0x03: return record(59, bytesOf(p, 0, 2));
    case 0x1D: return sensorRecord(p);
    default: return std::nullopt;
    }
}

void SettingsJournal::append(const SettingsJournalRecord &record)
{
    if (m_records.size() >= kCapacity)
        m_records.pop_front();
    m_records.push_back(record);
}

} // namespace sim
