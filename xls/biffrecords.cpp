// Little-endian field and record writers for the BIFF8 stream.
#include "xls/biffrecords.h"

#include <cstring>

namespace xls {

void putDouble(QByteArray &out, double v)
{
    quint64 bits;
    std::memcpy(&bits, &v, sizeof bits);
    put32(out, quint32(bits & 0xFFFFFFFFu));
    put32(out, quint32(bits >> 32));
}

void patch32(QByteArray &out, qsizetype offset, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        out[offset + i] = char((v >> (8 * i)) & 0xFF);
}

void putUtf16(QByteArray &out, const QString &text)
{
    for (QChar c : text)
        put16(out, c.unicode());
}

void putString16(QByteArray &out, const QString &text)
{
    put16(out, quint16(text.size()));
    put8(out, 0x01); // fHighByte: two bytes per character
    putUtf16(out, text);
}

void putString8(QByteArray &out, const QString &text)
{
    Q_ASSERT(text.size() <= 255);
    put8(out, quint8(text.size()));
    put8(out, 0x01);
    putUtf16(out, text);
}

void putRecord(QByteArray &out, quint16 type, const QByteArray &data)
{
    Q_ASSERT(data.size() <= kMaxRecordData);
    put16(out, type);
    put16(out, quint16(data.size()));
    out.append(data);
}

void putBof(QByteArray &out, quint16 kind)
{
    QByteArray d;
    put16(d, 0x0600); // BIFF8
    put16(d, kind);
    put16(d, 0x0DBB); // build and year of the writing application
    put16(d, 0x07CC);
    put32(d, 0x00000041); // file history flags
    put32(d, 0x00000006); // lowest BIFF version that reads the file
    putRecord(out, rec::Bof, d);
}

} // namespace xls
