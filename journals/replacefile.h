#pragma once
// The platform's part of writing a file safely: pushing its bytes to the
// disk, then putting it in place of another in one step, so a reader of the
// target sees the old file or the new one, never a half-written one.

#include <QString>

class QFile;

namespace journals {

// The bytes written to the open file reach the disk (not only the cache).
bool flushToDisk(QFile &file);

// Renames from to to, replacing an existing file to. false and *error (the
// system's reason) when that cannot be done; to is then untouched.
bool replaceFile(const QString &from, const QString &to, QString *error);

} // namespace journals
