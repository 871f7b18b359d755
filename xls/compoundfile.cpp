// OLE2 compound file writer: header, FAT, DIFAT and directory.
#include "xls/compoundfile.h"

#include "xls/biffrecords.h"

#include <QString>

namespace xls {

namespace {

constexpr quint32 kDifSect = 0xFFFFFFFC;
constexpr quint32 kFatSect = 0xFFFFFFFD;
constexpr quint32 kEndOfChain = 0xFFFFFFFE;
constexpr quint32 kFreeSect = 0xFFFFFFFF;
constexpr quint32 kNoStream = 0xFFFFFFFF;
constexpr int kIdsPerSector = kSectorSize / 4;     // 128 FAT entries
constexpr int kHeaderDifat = 109;                  // FAT sector ids in the header
constexpr int kIdsPerDifat = kIdsPerSector - 1;    // the last id chains on

struct Layout
{
    quint32 streamSectors;
    quint32 directory;     // sector id of the one directory sector
    quint32 fatSectors;
    quint32 firstFat;
    quint32 difatSectors;
    quint32 firstDifat;
    quint32 total() const { return firstDifat + difatSectors; }
};

quint32 ceilDiv(quint32 a, quint32 b) { return (a + b - 1) / b; }

// The FAT must cover every sector, its own included: grow until it does.
Layout layoutFor(quint32 streamSectors)
{
    Layout l{streamSectors, streamSectors, 1, streamSectors + 1, 0, 0};
    for (;;) {
        l.difatSectors = l.fatSectors > kHeaderDifat ? ceilDiv(l.fatSectors - kHeaderDifat, kIdsPerDifat) : 0;
        const quint32 sectors = streamSectors + 1 + l.fatSectors + l.difatSectors;
        if (quint64(l.fatSectors) * kIdsPerSector >= sectors)
            break;
        ++l.fatSectors;
    }
    l.firstDifat = l.firstFat + l.fatSectors;
    return l;
}

QByteArray fatTable(const Layout &l)
{
    QByteArray fat;
    fat.reserve(qsizetype(l.fatSectors) * kSectorSize);
    for (quint32 s = 0; s < l.streamSectors; ++s)
        put32(fat, s + 1 == l.streamSectors ? kEndOfChain : s + 1);
    put32(fat, kEndOfChain); // the directory
    for (quint32 i = 0; i < l.fatSectors; ++i)
        put32(fat, kFatSect);
    for (quint32 i = 0; i < l.difatSectors; ++i)
        put32(fat, kDifSect);
    while (fat.size() < qsizetype(l.fatSectors) * kSectorSize)
        put32(fat, kFreeSect);
    return fat;
}

// DIFAT sectors: FAT sector ids past the header's 109, 127 to a sector, each
// sector ending with the id of the next one.
QByteArray difatTable(const Layout &l)
{
    QByteArray difat;
    quint32 fat = kHeaderDifat;
    for (quint32 d = 0; d < l.difatSectors; ++d) {
        for (int i = 0; i < kIdsPerDifat; ++i, ++fat)
            put32(difat, fat < l.fatSectors ? l.firstFat + fat : kFreeSect);
        put32(difat, d + 1 == l.difatSectors ? kEndOfChain : l.firstDifat + d + 1);
    }
    return difat;
}

QByteArray header(const Layout &l)
{
    QByteArray h;
    h.append("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    h.append(16, '\0');  // class id
    put16(h, 0x003E);    // minor version
    put16(h, 0x0003);    // major version 3: 512-byte sectors
    put16(h, 0xFFFE);    // little-endian
    put16(h, 9);         // sector size 2^9
    put16(h, 6);         // mini sector size 2^6
    h.append(6, '\0');
    put32(h, 0);         // directory sectors: always 0 in version 3
    put32(h, l.fatSectors);
    put32(h, l.directory);
    put32(h, 0);         // transaction signature
    put32(h, kMiniStreamCutoff);
    put32(h, kEndOfChain); // no mini FAT
    put32(h, 0);
    put32(h, l.difatSectors ? l.firstDifat : kEndOfChain);
    put32(h, l.difatSectors);
    for (quint32 i = 0; i < kHeaderDifat; ++i)
        put32(h, i < l.fatSectors ? l.firstFat + i : kFreeSect);
    return h;
}

void putEntry(QByteArray &out, const QString &name, quint8 type, quint32 child, quint32 start, quint32 size)
{
    const qsizetype begin = out.size();
    putUtf16(out, name);
    out.append(64 - name.size() * 2, '\0');
    put16(out, quint16(name.isEmpty() ? 0 : (name.size() + 1) * 2)); // with the terminating zero
    put8(out, type);
    put8(out, type ? 1 : 0); // black: the tree is one node deep
    put32(out, kNoStream); // left sibling
    put32(out, kNoStream); // right sibling
    put32(out, child);
    out.append(16 + 4 + 8 + 8, '\0'); // class id, state, times
    put32(out, start);
    put32(out, size);
    put32(out, 0);
    Q_ASSERT(out.size() - begin == 128);
}

QByteArray directory(quint32 streamSize)
{
    QByteArray dir;
    putEntry(dir, QStringLiteral("Root Entry"), 5, 1, kEndOfChain, 0);
    putEntry(dir, QStringLiteral("Workbook"), 2, kNoStream, 0, streamSize);
    putEntry(dir, QString(), 0, kNoStream, 0, 0);
    putEntry(dir, QString(), 0, kNoStream, 0, 0);
    return dir;
}

} // namespace

QByteArray compoundFile(QByteArray stream)
{
    if (stream.size() < kMiniStreamCutoff)
        stream.append(kMiniStreamCutoff - stream.size(), '\0');
    const quint32 streamSize = quint32(stream.size());
    const Layout l = layoutFor(ceilDiv(streamSize, kSectorSize));
    stream.append(qsizetype(l.streamSectors) * kSectorSize - streamSize, '\0');

    QByteArray file = header(l);
    file.reserve(qsizetype(l.total() + 1) * kSectorSize);
    file.append(stream);
    file.append(directory(streamSize));
    file.append(fatTable(l));
    file.append(difatTable(l));
    return file;
}

} // namespace xls
