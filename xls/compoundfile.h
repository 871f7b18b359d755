#pragma once
// The OLE2 compound file (version 3, 512-byte sectors) around one stream
// named "Workbook". The stream is kept out of the mini stream by padding it
// to at least 4096 bytes, as Excel does, so it always lies in whole
// sectors of its own. Files of any size get as many FAT sectors as they
// need, listed in the header and, past the header's 109 entries, in DIFAT
// sectors. Layout: header, stream sectors, directory sector, FAT sectors,
// DIFAT sectors.

#include <QByteArray>

namespace xls {

constexpr int kSectorSize = 512;
// Streams shorter than this would belong in the mini stream.
constexpr int kMiniStreamCutoff = 4096;

QByteArray compoundFile(QByteArray workbookStream);

} // namespace xls
