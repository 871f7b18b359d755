// rename(2) replaces the target atomically within one file system; the
// temporary file always lies beside the target, so that holds.
#include "replacefile.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace journals {

bool flushToDisk(QFile &file)
{
    return file.flush() && ::fsync(file.handle()) == 0;
}

bool replaceFile(const QString &from, const QString &to, QString *error)
{
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return true;
    if (error)
        *error = QString::fromLocal8Bit(std::strerror(errno));
    return false;
}

} // namespace journals
