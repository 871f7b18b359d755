// MoveFileExW replaces the target in one step; WRITE_THROUGH returns only
// once the move is on the disk. A target held open by another program, or
// marked read-only, makes it fail, and the target stays as it was.
#include "replacefile.h"

#include <QDir>
#include <QFile>

#include <io.h>
#include <windows.h>

namespace journals {

namespace {

const wchar_t *nativePath(const QString &path)
{
    return reinterpret_cast<const wchar_t *>(path.utf16());
}

} // namespace

bool flushToDisk(QFile &file)
{
    if (!file.flush())
        return false;
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(file.handle()));
    return handle != INVALID_HANDLE_VALUE && FlushFileBuffers(handle);
}

bool replaceFile(const QString &from, const QString &to, QString *error)
{
    const QString source = QDir::toNativeSeparators(from);
    const QString target = QDir::toNativeSeparators(to);
    if (MoveFileExW(nativePath(source), nativePath(target), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    if (error)
        *error = qt_error_string(int(GetLastError()));
    return false;
}

} // namespace journals
