// libFuzzer target: the operation-log reader (ShowLogForSerial and the
// streaming forEachLogLine behind it) over arbitrary file bytes.
//
// Input: [4 bytes: SpinFilter value, signed, little-endian]
//        [1 byte: most lines to list, 255 = all] [the log file's bytes]
//
// The bytes are written to Setting_Tarvik_504.log in one temporary directory
// of this process and read back by the real reader. Its result must equal
// the reading of the page "База данных" done the plain way: lines end at
// CR, LF or CR LF; a line whose first six characters are the filter's text
// is listed from its seventh character on.

#include "protocol/cp1251.h"
#include "app/operationlog.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

namespace {

QTemporaryDir *workingDir()
{
    static QTemporaryDir dir;
    return &dir;
}

QStringList plainReading(const QByteArray &file, qint64 filter, qsizetype maxLines)
{
    QStringList out;
    const QByteArray prefix = protocol::toCp1251(app::OperationLog::filterPrefix(filter));
    QByteArray normalised = file;
    normalised.replace('\r', '\n'); // CR LF: a line end and an empty line, which never matches
    const QList<QByteArray> lines = normalised.split('\n');
    for (const QByteArray &line : lines) {
        if (maxLines >= 0 && out.size() >= maxLines)
            break;
        if (prefix.size() == 6 && line.startsWith(prefix))
            out << protocol::fromCp1251(line.mid(6));
    }
    return out;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    if (!workingDir()->isValid()) {
        std::fprintf(stderr, "fuzz_oplog: no temporary directory\n");
        std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 5)
        return 0;
    const qint32 filter = qint32(quint32(data[0]) | quint32(data[1]) << 8 | quint32(data[2]) << 16
                                 | quint32(data[3]) << 24);
    const qsizetype maxLines = data[4] == 255 ? -1 : data[4];
    const QByteArray file(reinterpret_cast<const char *>(data + 5), qsizetype(size - 5));

    const app::OperationLog log(workingDir()->path());
    if (!writeFile(log.logFilePath(), file)) {
        std::fprintf(stderr, "fuzz_oplog: cannot write %s\n", qPrintable(log.logFilePath()));
        std::abort();
    }
    const QStringList listed = log.ShowLogForSerial(filter, maxLines);
    if (listed != plainReading(file, filter, maxLines)) {
        std::fprintf(stderr, "fuzz_oplog: the reader listed other lines than the file holds\n");
        std::abort();
    }
    return 0;
}
