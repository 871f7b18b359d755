// Workbook globals records: fonts, XF table, styles, sheets, strings.
#include "xls/globals.h"

#include "xls/biffrecords.h"
#include "xls/sharedstrings.h"

namespace xls {

namespace {

void putWindow1(QByteArray &out)
{
    QByteArray d;
    put16(d, 0x0168); // position and size in twips
    put16(d, 0x001E);
    put16(d, 0x3A5C);
    put16(d, 0x2328);
    put16(d, 0x0038); // horizontal scroll bar, vertical scroll bar, tabs shown
    put16(d, 0);      // active sheet
    put16(d, 0);      // first tab shown
    put16(d, 1);      // one sheet selected
    put16(d, 0x0258); // tab bar ratio
    putRecord(out, rec::Window1, d);
}

void putFont(QByteArray &out, const QString &name, quint16 twips, quint8 family)
{
    QByteArray d;
    put16(d, twips);
    put16(d, 0);      // no italic, strike-out, outline
    put16(d, 0x7FFF); // automatic colour
    put16(d, 400);    // normal weight
    put16(d, 0);      // no super- or subscript
    put8(d, 0);       // no underline
    put8(d, family);  // 1 roman, 2 swiss
    put8(d, 204);     // Cyrillic character set
    put8(d, 0);
    putString8(d, name);
    putRecord(out, rec::Font, d);
}

// A style XF (parent 0xFFF) or a cell XF (parent 0, the Normal style).
void putXf(QByteArray &out, quint16 font, bool style, quint8 unusedAttributes)
{
    QByteArray d;
    put16(d, font);
    put16(d, 0);                              // format "General"
    put16(d, style ? 0xFFF5 : 0x0001);        // locked; style flag and parent
    put8(d, 0x20);                            // bottom aligned
    put8(d, 0);                               // no rotation
    put8(d, 0);                               // no indent
    put8(d, style ? unusedAttributes : 0x00); // attribute groups this XF leaves to its parent
    put32(d, 0);                              // no borders
    put32(d, 0);
    put16(d, 0x20C0); // pattern colours: automatic
    putRecord(out, rec::Xf, d);
}

// Excel's own table: 15 style XFs, the default cell XF (15), then the style
// XFs of the built-in comma, currency and percent styles.
void putXfs(QByteArray &out)
{
    putXf(out, 0, true, 0x00);
    const quint16 fonts[14] = {1, 1, 2, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    for (quint16 font : fonts)
        putXf(out, font, true, 0xF4);
    putXf(out, 0, false, 0);
    for (int i = 0; i < 5; ++i)
        putXf(out, 1, true, 0xF8);
}

void putStyle(QByteArray &out, quint16 xf, quint8 builtIn)
{
    QByteArray d;
    put16(d, 0x8000 | xf);
    put8(d, builtIn);
    put8(d, 0xFF);
    putRecord(out, rec::Style, d);
}

void putStyles(QByteArray &out)
{
    putStyle(out, 0, 0);  // Normal
    putStyle(out, 16, 3); // Comma
    putStyle(out, 17, 6); // Comma [0]
    putStyle(out, 18, 4); // Currency
    putStyle(out, 19, 7); // Currency [0]
    putStyle(out, 20, 5); // Percent
}

qsizetype putBoundSheet(QByteArray &out, const QString &name)
{
    QByteArray d;
    put32(d, 0); // the sheet's BOF offset, set later
    put8(d, 0);  // visible
    put8(d, 0);  // worksheet
    putString8(d, name);
    putRecord(out, rec::BoundSheet, d);
    return out.size() - d.size(); // the offset field is the first of the data
}

void putWord(QByteArray &out, quint16 type, quint16 value)
{
    QByteArray d;
    put16(d, value);
    putRecord(out, type, d);
}

} // namespace

QList<qsizetype> putGlobals(QByteArray &stream, const QStringList &sheetNames, const SharedStrings &strings)
{
    putBof(stream, 0x0005);
    putWord(stream, rec::Codepage, 1200); // texts are UTF-16
    putWindow1(stream);
    putWord(stream, rec::Backup, 0);
    putWord(stream, rec::DateMode, 0); // dates count from 1900
    putWord(stream, rec::Precision, 1);
    // Font 4 does not exist in BIFF: fonts 0..3, then the next is 5.
    for (int i = 0; i < 4; ++i)
        putFont(stream, QStringLiteral("Arial"), 200, 2);
    putFont(stream, QStringLiteral("Times New Roman"), 240, 1); // the header and footer font
    putXfs(stream);
    putStyles(stream);
    QList<qsizetype> positions;
    for (const QString &name : sheetNames)
        positions.append(putBoundSheet(stream, name));
    QByteArray country;
    put16(country, 7); // Russia, for both the interface and the system
    put16(country, 7);
    putRecord(stream, rec::Country, country);
    strings.write(stream);
    putRecord(stream, rec::Eof, {});
    return positions;
}

} // namespace xls
