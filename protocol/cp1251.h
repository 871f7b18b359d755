#pragma once
// Windows-1251, the single-byte Cyrillic code page of the operation log.
// Bytes 0x00..0x7F are ASCII; 0x80..0xFF are the code page's table (А..я,
// Ё ё, №, quotes, dashes, € and the other letters and signs). The one unused
// byte 0x98 decodes to U+FFFD. Characters the page lacks encode as '?', one
// per code point.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace protocol {

QByteArray toCp1251(QStringView text);
QString fromCp1251(QByteArrayView bytes);
// Whether the character, or every character of the text, has its own byte
// (a password must travel unchanged, one byte per character).
bool hasCp1251Byte(char32_t cp);
bool fitsCp1251(QStringView text);

} // namespace protocol
