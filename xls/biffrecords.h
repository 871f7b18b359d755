#pragma once
// BIFF8 record building: little-endian fields appended to a byte buffer, the
// record frame (type, length, data of at most kMaxRecordData bytes) and the
// Unicode string forms the workbook uses. Texts are always written as
// uncompressed UTF-16 code units, so any character goes through unchanged.

#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace xls {

// Largest data part of one record; longer data continues in CONTINUE records.
constexpr int kMaxRecordData = 8224;

namespace rec {
constexpr quint16 Eof = 0x000A;
constexpr quint16 CalcCount = 0x000C;
constexpr quint16 CalcMode = 0x000D;
constexpr quint16 Precision = 0x000E;
constexpr quint16 RefMode = 0x000F;
constexpr quint16 Header = 0x0014;
constexpr quint16 Footer = 0x0015;
constexpr quint16 DateMode = 0x0022;
constexpr quint16 LeftMargin = 0x0026;
constexpr quint16 RightMargin = 0x0027;
constexpr quint16 TopMargin = 0x0028;
constexpr quint16 BottomMargin = 0x0029;
constexpr quint16 PrintHeaders = 0x002A;
constexpr quint16 PrintGridlines = 0x002B;
constexpr quint16 Font = 0x0031;
constexpr quint16 Continue = 0x003C;
constexpr quint16 Window1 = 0x003D;
constexpr quint16 Backup = 0x0040;
constexpr quint16 Codepage = 0x0042;
constexpr quint16 DefColWidth = 0x0055;
constexpr quint16 WsBool = 0x0081;
constexpr quint16 GridSet = 0x0082;
constexpr quint16 HCenter = 0x0083;
constexpr quint16 VCenter = 0x0084;
constexpr quint16 BoundSheet = 0x0085;
constexpr quint16 Country = 0x008C;
constexpr quint16 Setup = 0x00A1;
constexpr quint16 Xf = 0x00E0;
constexpr quint16 Sst = 0x00FC;
constexpr quint16 LabelSst = 0x00FD;
constexpr quint16 ExtSst = 0x00FF;
constexpr quint16 Dimensions = 0x0200;
constexpr quint16 Number = 0x0203;
constexpr quint16 DefaultRowHeight = 0x0225;
constexpr quint16 Window2 = 0x023E;
constexpr quint16 Style = 0x0293;
constexpr quint16 Bof = 0x0809;
} // namespace rec

inline void put8(QByteArray &out, quint8 v) { out.append(char(v)); }

inline void put16(QByteArray &out, quint16 v)
{
    out.append(char(v & 0xFF));
    out.append(char(v >> 8));
}

inline void put32(QByteArray &out, quint32 v)
{
    put16(out, quint16(v & 0xFFFF));
    put16(out, quint16(v >> 16));
}

void putDouble(QByteArray &out, double v);

// Overwrites four bytes at offset (a field whose value is known only later).
void patch32(QByteArray &out, qsizetype offset, quint32 v);

// The code units of text, two bytes each, low byte first.
void putUtf16(QByteArray &out, const QString &text);

// XLUnicodeString: 16-bit character count, flags (UTF-16), characters.
void putString16(QByteArray &out, const QString &text);
// ShortXLUnicodeString: 8-bit character count (text of at most 255), flags, characters.
void putString8(QByteArray &out, const QString &text);

// Appends one record; data must fit in kMaxRecordData bytes.
void putRecord(QByteArray &out, quint16 type, const QByteArray &data);

// BOF of a BIFF8 substream: kind 0x0005 workbook globals, 0x0010 worksheet.
void putBof(QByteArray &out, quint16 kind);

} // namespace xls
