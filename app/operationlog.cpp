#include "app/operationlog.h"

#include "protocol/cp1251.h"
#include "protocol/encodings.h"

#include <QFile>
#include <cstring>

namespace app {

namespace {

constexpr qsizetype kPrefixLength = 6;
constexpr qsizetype kBlockSize = 1 << 20;

// First CR or LF in [p, end), or end.
const char *findLineBreak(const char *p, const char *end)
{
    const char *lf = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)));
    if (!lf)
        lf = end;
    const char *cr = static_cast<const char *>(std::memchr(p, '\r', size_t(lf - p)));
    return cr ? cr : lf;
}

} // namespace

OperationLog::OperationLog(const QString &workingDirectory, bool databaseMode)
    : m_logFilePath(QDir(workingDirectory).absoluteFilePath(kFileName)),
      m_databaseMode(databaseMode),
      m_now([] { return QDateTime::currentDateTime(); }),
      m_serial([] { return quint32(0); })
{
}

void OperationLog::setNowProvider(NowProvider now)
{
    m_now = now ? std::move(now) : NowProvider([] { return QDateTime::currentDateTime(); });
}

void OperationLog::setSerialProvider(SerialProvider serial)
{
    m_serial = serial ? std::move(serial) : SerialProvider([] { return quint32(0); });
}

QString OperationLog::entry(const QString &text, quint32 meterSerial) const
{
    return QStringLiteral("%1[%2] %3")
        .arg(meterSerial, int(kPrefixLength), 10, QLatin1Char('0'))
        .arg(protocol::formatDateTime(m_now(), m_locale), text);
}

void OperationLog::operationLogLine(const QString &text) const
{
    if (m_databaseMode)
        return;
    quint32 serial = 0;
    try {
        serial = m_serial();
    } catch (...) {
        return;
    }
    operationLogLine(text, serial);
}

void OperationLog::operationLogLine(const QString &text, quint32 meterSerial) const
{
    if (m_databaseMode)
        return;
    try {
        QByteArray bytes = protocol::toCp1251(entry(text, meterSerial));
        bytes += "\r\n";

        QFile file(m_logFilePath);
        if (!file.open(QIODevice::ReadWrite | QIODevice::Append | QIODevice::Unbuffered))
            return;
        // A log whose last line has no line end (edited by hand) gets one
        // first, so the entry starts a line of its own.
        const qint64 size = file.size();
        char last = '\n';
        if (size > 0 && file.seek(size - 1) && file.getChar(&last) && last != '\n' && last != '\r')
            bytes.prepend("\r\n");
        file.write(bytes);
    } catch (...) {
        // The entry is lost; the write it records is not affected.
    }
}

QString OperationLog::filterPrefix(qint64 filter)
{
    return QString::number(filter).rightJustified(kPrefixLength, QLatin1Char('0'));
}

QStringList OperationLog::ShowLogForSerial(qint64 filter, qsizetype maxLines) const
{
    QStringList lines;
    if (maxLines == 0)
        return lines;
    forEachLogLine(filter, [&](const QString &line) {
        lines.append(line);
        return maxLines < 0 || lines.size() < maxLines;
    });
    return lines;
}

qint64 OperationLog::forEachLogLine(qint64 filter, const LineSink &sink) const
{
    const QString prefixText = filterPrefix(filter);
    if (prefixText.size() != kPrefixLength)
        return 0; // seven or more characters never equal a line's first six
    const QByteArray prefix = protocol::toCp1251(prefixText);

    QFile file(m_logFilePath);
    if (!file.open(QIODevice::ReadOnly))
        return 0;

    // Lines end at CR LF, LF or CR; CR LF reads as a line end followed by an
    // empty line, which never matches. Per line: the first six bytes are
    // compared; a line that matches is collected, the others are skipped.
    enum class State { Head, Keep, Skip };
    State state = State::Head;
    qsizetype headLength = 0;
    bool stopped = false;
    qint64 delivered = 0;
    QByteArray rest; // bytes after the prefix of a matching line

    auto endLine = [&] {
        if (state == State::Keep) {
            ++delivered;
            if (!sink(protocol::fromCp1251(rest)))
                stopped = true;
        }
        state = State::Head;
        headLength = 0;
        rest.clear();
    };

    QByteArray block(kBlockSize, Qt::Uninitialized);
    while (!stopped) {
        const qint64 got = file.read(block.data(), block.size());
        if (got <= 0)
            break; // end of file, or a read error ends the listing silently
        const char *p = block.constData();
        const char *end = p + got;
        while (p < end && !stopped) {
            if (state == State::Head) {
                if (*p == '\r' || *p == '\n') {
                    ++p;
                    endLine();
                    continue;
                }
                if (*p != prefix[headLength]) {
                    state = State::Skip;
                } else if (++headLength == kPrefixLength) {
                    state = State::Keep;
                }
                ++p;
                continue;
            }
            const char *lineEnd = findLineBreak(p, end);
            if (state == State::Keep)
                rest.append(p, lineEnd - p);
            p = lineEnd;
            if (p < end) {
                ++p;
                endLine();
            }
        }
    }
    if (!stopped && (state != State::Head || headLength > 0))
        endLine(); // last line without a line end
    return delivered;
}

} // namespace app
