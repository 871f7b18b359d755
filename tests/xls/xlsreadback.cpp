// Compound file, BIFF records, SST and cells, read defensively.
#include "xlsreadback.h"

#include <QList>
#include <cstring>
#include <utility>

namespace xlstest {

namespace {

constexpr quint32 kEndOfChain = 0xFFFFFFFE;
constexpr quint32 kFatSect = 0xFFFFFFFD;
constexpr quint32 kFree = 0xFFFFFFFF;

struct Failure
{
    QString why;
};

[[noreturn]] void fail(const QString &why) { throw Failure{why}; }

quint8 u8(const QByteArray &b, qsizetype at)
{
    if (at < 0 || at >= b.size())
        fail(QStringLiteral("read past the end at %1").arg(at));
    return quint8(b[at]);
}

quint16 u16(const QByteArray &b, qsizetype at)
{
    if (at < 0 || at + 2 > b.size())
        fail(QStringLiteral("read past the end at %1").arg(at));
    return quint16(quint8(b[at]) | quint8(b[at + 1]) << 8);
}

quint32 u32(const QByteArray &b, qsizetype at)
{
    return u16(b, at) | quint32(u16(b, at + 2)) << 16;
}

double f64(const QByteArray &b, qsizetype at)
{
    const quint64 bits = u32(b, at) | quint64(u32(b, at + 4)) << 32;
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

// --- compound file -------------------------------------------------------

class CompoundFile
{
public:
    explicit CompoundFile(const QByteArray &file) : m_file(file)
    {
        if (!file.startsWith(QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)))
            fail(QStringLiteral("no compound file signature"));
        if (u16(file, 26) != 3 || u16(file, 30) != 9 || u16(file, 28) != 0xFFFE)
            fail(QStringLiteral("not version 3 with 512-byte sectors"));
        if (file.size() % 512 != 0 || file.size() < 1024)
            fail(QStringLiteral("size %1 is not a whole number of sectors").arg(file.size()));
        m_sectors = quint32(file.size() / 512 - 1);
        readFat();
    }

    QByteArray stream(const QString &name, quint32 *sizeOut = nullptr) const
    {
        const QByteArray dir = chain(u32(m_file, 48), 0);
        for (qsizetype e = 0; e + 128 <= dir.size(); e += 128) {
            const int nameBytes = u16(dir, e + 64);
            if (nameBytes < 2 || nameBytes > 64)
                continue;
            QString entry;
            for (int i = 0; i + 2 < nameBytes; i += 2)
                entry.append(QChar(u16(dir, e + i)));
            if (entry != name || quint8(dir[e + 66]) != 2)
                continue;
            const quint32 size = u32(dir, e + 120);
            if (size < u32(m_file, 56))
                fail(QStringLiteral("stream %1 of %2 bytes belongs in the mini stream").arg(name).arg(size));
            if (sizeOut)
                *sizeOut = size;
            return chain(u32(dir, e + 116), size);
        }
        fail(QStringLiteral("no stream %1").arg(name));
    }

    quint32 fatSectors() const { return m_fatSectorCount; }
    quint32 difatSectors() const { return m_difatSectorCount; }

private:
    QByteArray sector(quint32 id) const
    {
        if (id >= m_sectors)
            fail(QStringLiteral("sector %1 beyond the file's %2").arg(id).arg(m_sectors));
        return m_file.mid(512 + qsizetype(id) * 512, 512);
    }

    void readFat()
    {
        m_fatSectorCount = u32(m_file, 44);
        m_difatSectorCount = u32(m_file, 72);
        QList<quint32> fatIds;
        for (int i = 0; i < 109 && quint32(fatIds.size()) < m_fatSectorCount; ++i)
            fatIds.append(u32(m_file, 76 + 4 * i));
        quint32 next = u32(m_file, 68);
        for (quint32 d = 0; d < m_difatSectorCount; ++d) {
            const QByteArray s = sector(next);
            for (int i = 0; i < 127 && quint32(fatIds.size()) < m_fatSectorCount; ++i)
                fatIds.append(u32(s, 4 * i));
            next = u32(s, 508);
        }
        if (quint32(fatIds.size()) != m_fatSectorCount)
            fail(QStringLiteral("%1 FAT sectors listed of %2").arg(fatIds.size()).arg(m_fatSectorCount));
        for (quint32 id : fatIds)
            m_fat.append(sector(id));
        if (quint64(m_fat.size() / 4) < m_sectors)
            fail(QStringLiteral("the FAT does not cover all %1 sectors").arg(m_sectors));
        for (quint32 id : fatIds)
            if (u32(m_fat, 4 * qsizetype(id)) != kFatSect)
                fail(QStringLiteral("FAT sector %1 not marked as such").arg(id));
        for (quint32 s = m_sectors; s < quint32(m_fat.size() / 4); ++s)
            if (u32(m_fat, 4 * qsizetype(s)) != kFree)
                fail(QStringLiteral("FAT entry %1 beyond the file is in use").arg(s));
    }

    // The sectors from start on; size 0: the whole chain.
    QByteArray chain(quint32 start, quint32 size) const
    {
        QByteArray out;
        quint32 id = start;
        for (quint32 steps = 0; id != kEndOfChain; ++steps) {
            if (steps > m_sectors)
                fail(QStringLiteral("a sector chain loops"));
            out.append(sector(id));
            id = u32(m_fat, 4 * qsizetype(id));
        }
        if (size && (out.size() < size || out.size() - size >= 512))
            fail(QStringLiteral("a chain of %1 bytes for a stream of %2").arg(out.size()).arg(size));
        return size ? out.left(size) : out;
    }

    const QByteArray &m_file;
    quint32 m_sectors = 0;
    quint32 m_fatSectorCount = 0;
    quint32 m_difatSectorCount = 0;
    QByteArray m_fat;
};

// --- BIFF ----------------------------------------------------------------

struct Record
{
    qsizetype start; // of the record header in the stream
    quint16 type;
    QByteArray data;
    qsizetype next;
};

Record record(const QByteArray &s, qsizetype at)
{
    const quint16 type = u16(s, at);
    const quint16 size = u16(s, at + 2);
    if (size > 8224)
        fail(QStringLiteral("record %1 of %2 bytes").arg(type, 0, 16).arg(size));
    if (at + 4 + size > s.size())
        fail(QStringLiteral("record %1 past the stream's end").arg(type, 0, 16));
    return {at, type, s.mid(at + 4, size), at + 4 + size};
}

// Reads characters across the SST and its CONTINUE records.
class SstCursor
{
public:
    // parts: the data of SST and its CONTINUE records; starts: where each
    // record begins in the stream.
    SstCursor(QList<QByteArray> parts, QList<qsizetype> starts) : m_parts(std::move(parts)), m_starts(std::move(starts))
    {
    }

    quint8 byte()
    {
        if (m_pos >= m_parts[m_part].size())
            nextPart();
        return quint8(m_parts[m_part][m_pos++]);
    }
    quint16 word()
    {
        const quint8 lo = byte();
        return quint16(lo | byte() << 8);
    }
    // A new record in the middle of characters starts with its flags byte.
    QString chars(int count, bool wide)
    {
        QString out;
        while (count > 0) {
            if (m_pos >= m_parts[m_part].size()) {
                nextPart();
                wide = byte() & 1;
            }
            if (wide && m_pos + 1 >= m_parts[m_part].size())
                fail(QStringLiteral("a character split between records"));
            out.append(QChar(wide ? word() : byte()));
            --count;
        }
        return out;
    }
    // A string's count and flags are never split between records. Returns
    // where the string begins: in the stream, and from its record's start.
    std::pair<quint32, quint16> beginString()
    {
        if (m_pos >= m_parts[m_part].size())
            nextPart();
        if (m_pos + 3 > m_parts[m_part].size())
            fail(QStringLiteral("a string header split between records"));
        return {quint32(m_starts[m_part] + 4 + m_pos), quint16(4 + m_pos)};
    }
    bool atEnd() const { return m_part + 1 == m_parts.size() && m_pos == m_parts[m_part].size(); }

private:
    void nextPart()
    {
        if (++m_part >= m_parts.size())
            fail(QStringLiteral("the shared strings end early"));
        m_pos = 0;
    }
    QList<QByteArray> m_parts;
    QList<qsizetype> m_starts;
    qsizetype m_part = 0;
    qsizetype m_pos = 0;
};

struct SharedStrings
{
    QStringList strings;
    QList<std::pair<quint32, quint16>> starts; // per string, as EXTSST gives them
};

SharedStrings sharedStrings(const QList<QByteArray> &parts, const QList<qsizetype> &starts)
{
    SstCursor in(parts, starts);
    in.word(), in.word(); // references
    const quint32 unique = in.word() | quint32(in.word()) << 16;
    SharedStrings out;
    for (quint32 i = 0; i < unique; ++i) {
        out.starts.append(in.beginString());
        const int count = in.word();
        const quint8 flags = in.byte();
        if (flags & 0x0C)
            fail(QStringLiteral("rich or extended text, never written"));
        out.strings.append(in.chars(count, flags & 1));
    }
    if (!in.atEnd())
        fail(QStringLiteral("bytes after the last shared string"));
    return out;
}

// EXTSST: every bucket's first string where the shared strings have it.
void checkExtSst(const QByteArray &ext, const SharedStrings &sst)
{
    const int perBucket = u16(ext, 0);
    if (perBucket < 8)
        fail(QStringLiteral("EXTSST with %1 strings a bucket").arg(perBucket));
    const qsizetype buckets = (sst.strings.size() + perBucket - 1) / perBucket;
    if (ext.size() != 2 + 8 * buckets)
        fail(QStringLiteral("EXTSST of %1 bytes for %2 buckets").arg(ext.size()).arg(buckets));
    for (qsizetype b = 0; b < buckets; ++b)
        if (u32(ext, 2 + 8 * b) != sst.starts[b * perBucket].first
            || u16(ext, 6 + 8 * b) != sst.starts[b * perBucket].second)
            fail(QStringLiteral("EXTSST bucket %1 points elsewhere").arg(b));
}

struct Globals
{
    QList<quint32> sheetOffsets;
    QStringList sheetNames;
    SharedStrings sst;
    bool extSst = false;
};

Globals globals(const QByteArray &s)
{
    Globals g;
    Record r = record(s, 0);
    if (r.type != 0x0809 || u16(r.data, 0) != 0x0600 || u16(r.data, 2) != 0x0005)
        fail(QStringLiteral("the stream does not begin with a BIFF8 globals BOF"));
    QList<QByteArray> sst; // SST and the CONTINUE records after it
    QList<qsizetype> sstStarts;
    bool inSst = false;
    for (qsizetype at = r.next; r.type != 0x000A; at = r.next) {
        r = record(s, at);
        if (r.type == 0x003C && inSst) {
            sst.append(r.data);
            sstStarts.append(r.start);
            continue;
        }
        if (inSst)
            g.sst = sharedStrings(sst, sstStarts);
        inSst = r.type == 0x00FC;
        if (inSst) {
            sst = {r.data};
            sstStarts = {r.start};
        } else if (r.type == 0x00FF) {
            checkExtSst(r.data, g.sst);
            g.extSst = true;
        } else if (r.type == 0x0085) {
            g.sheetOffsets.append(u32(r.data, 0));
            const int count = u8(r.data, 6);
            const bool wide = u8(r.data, 7) & 1;
            QString name;
            for (int i = 0; i < count; ++i)
                name.append(QChar(wide ? u16(r.data, 8 + 2 * i) : u8(r.data, 8 + i)));
            g.sheetNames.append(name);
        }
    }
    if (!g.extSst)
        fail(QStringLiteral("no EXTSST"));
    return g;
}

void readSheet(const QByteArray &s, quint32 offset, const QStringList &strings, QMap<qint64, CellValue> &cells)
{
    Record r = record(s, offset);
    if (r.type != 0x0809 || u16(r.data, 2) != 0x0010)
        fail(QStringLiteral("no worksheet BOF at %1").arg(offset));
    for (qsizetype at = r.next; r.type != 0x000A; at = r.next) {
        r = record(s, at);
        switch (r.type) {
        case 0x00FD: {
            const quint32 index = u32(r.data, 6);
            if (index >= quint32(strings.size()))
                fail(QStringLiteral("shared string %1 of %2").arg(index).arg(strings.size()));
            cells.insert(u16(r.data, 0) * 256 + u16(r.data, 2), strings[index]);
            break;
        }
        case 0x0203:
            cells.insert(u16(r.data, 0) * 256 + u16(r.data, 2), f64(r.data, 6));
            break;
        case 0x0204: case 0x027E: case 0x00BD: case 0x0201: case 0x00BE:
            fail(QStringLiteral("a cell record %1 never written").arg(r.type, 0, 16));
        default:
            break;
        }
    }
}

} // namespace

std::optional<ReadBack> readWorkbook(const QByteArray &file, QString *why)
{
    try {
        const CompoundFile cf(file);
        const QByteArray s = cf.stream(QStringLiteral("Workbook"));
        const Globals g = globals(s);
        ReadBack out;
        out.sheetNames = g.sheetNames;
        out.fatSectors = cf.fatSectors();
        out.difatSectors = cf.difatSectors();
        for (int i = 0; i < g.sheetOffsets.size(); ++i) {
            QMap<qint64, CellValue> cells;
            readSheet(s, g.sheetOffsets[i], g.sst.strings, cells);
            if (i == 0)
                out.cells = cells;
            else
                out.cellsOnOtherSheets += int(cells.size());
        }
        return out;
    } catch (const Failure &f) {
        if (why)
            *why = f.why;
        return std::nullopt;
    }
}

} // namespace xlstest
