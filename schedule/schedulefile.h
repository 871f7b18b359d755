#pragma once
// The tariff schedule file (*.tsc): raw bytes, no header, every item
// followed by 0D 0A:
//
//   0    32  HolidayBlock
//   32    2  0D 0A
//   34   64  TransferBlock
//   98    2  0D 0A
//   100   1  limit coefficient
//   101   2  0D 0A
//   103+9k 7 ZoneEntry of zone k, then 0D 0A
//
// A file of N zones is 103 + 9N bytes. Items are not escaped (0D and 0A can
// occur inside them), so the reader goes by these fixed sizes, never by
// lines, and refuses anything else as damaged.

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace schedule {

// The slot of a zone in the meter is one byte and zone k goes to slot
// k + 2, so a schedule of more zones cannot be written to the meter.
constexpr int kMaxZones = 254;

struct ScheduleFileData
{
    QByteArray holidayBlock;       // 32 bytes (HolidayList::GetHolidayBlock)
    QByteArray transferBlock;      // 64 bytes (TransferList::GetTransferBlock)
    quint8 coefficient = 1;        // as stored; show it with coefficientFromByte
    QList<QByteArray> zoneEntries; // 7 bytes each (ZoneEntry)
    bool operator==(const ScheduleFileData &) const = default;
};

constexpr qsizetype kTscHeaderSize = 103;
constexpr qsizetype kTscZoneSize = 9;

// The file's bytes. A block or entry of the wrong size is cut or padded
// with 00 to its size, so the layout holds whatever the caller passes.
QByteArray tscBytes(const ScheduleFileData &data);

// The data of a file's bytes; nullopt when they are damaged (too short, not
// 103 + 9N long, a separator other than 0D 0A), with the reason in *error.
std::optional<ScheduleFileData> parseTsc(const QByteArray &bytes, QString *error = nullptr);

// Writes the file through a temporary file that replaces it only when all
// of it is written, so a failed save leaves the old file as it was. False
// with a Russian message in *error when the save fails.
bool saveTscFile(const QString &path, const ScheduleFileData &data, QString *error = nullptr);

// Reads and parses a file; nullopt with a Russian message in *error when it
// cannot be read or is damaged. The caller then changes nothing.
std::optional<ScheduleFileData> loadTscFile(const QString &path, QString *error = nullptr);

} // namespace schedule
