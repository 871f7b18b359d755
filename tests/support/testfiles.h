#pragma once
// Whole-file reads and writes for tests: a file's bytes are the fixture or
// the thing compared.

#include <QByteArray>
#include <QFile>
#include <QString>

namespace testsupport {

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Empty when the file cannot be read.
inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace testsupport
