#pragma once
// The operation log: one line per write the meter acknowledged, kept in
// "Setting_Tarvik_504.log" in the working directory at start-up, from one run
// to the next. Each entry is
//
//   <serial, decimal, zero-padded to at least 6 digits>[<date> <time>] <text>
//
// with the date in the display locale's short form and the time in its long
// form (left out at exactly midnight), encoded in Windows-1251, ended by CR LF.
// In databaseMode the production database takes the log's place and nothing
// is written. Failures are never reported: an entry that cannot be written is
// lost, a log that cannot be read lists nothing.
//
// Entries are appended to the file; the file is never read back and
// rewritten, so the cost of an entry does not grow with the log.

#include "protocol/encodings.h"

#include <QDateTime>
#include <QDir>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <functional>

namespace app {

class OperationLog
{
public:
    static inline const QString kFileName = QStringLiteral("Setting_Tarvik_504.log");

    using NowProvider = std::function<QDateTime()>;
    using SerialProvider = std::function<quint32()>;
    // Gets the text of one matching line (from its 7th character on); return
    // false to stop reading.
    using LineSink = std::function<bool(const QString &line)>;

    // logFilePath is fixed here: workingDirectory joined with kFileName.
    explicit OperationLog(const QString &workingDirectory = QDir::currentPath(), bool databaseMode = false);

    QString logFilePath() const { return m_logFilePath; }
    bool databaseMode() const { return m_databaseMode; }

    // Time stamp source (default: the local clock) and the locale of the date
    // and time forms (default: protocol::displayLocale()).
    void setNowProvider(NowProvider now);
    void setLocale(const QLocale &locale) { m_locale = locale; }
    // meterSerial for operationLogLine(text) (default: 0).
    void setSerialProvider(SerialProvider serial);

    // Appends one entry, unless in databaseMode.
    void operationLogLine(const QString &text, quint32 meterSerial) const;
    void operationLogLine(const QString &text) const;
    // The entry as written, without its line end.
    QString entry(const QString &text, quint32 meterSerial) const;

    // The six characters a line of this SpinFilter value starts with: the
    // value in decimal, "0" put in front until it is six long. A value of
    // seven or more digits gives a longer text, which no line matches.
    static QString filterPrefix(qint64 filter);

    // Lines whose first six characters are filterPrefix(filter), from their
    // 7th character on, in file order; at most maxLines when maxLines >= 0.
    // Absent or unreadable file: empty list.
    QStringList ShowLogForSerial(qint64 filter, qsizetype maxLines = -1) const;
    // Streaming form for a view that shows lines as they come without
    // holding them all: the file is read in blocks, only the first six bytes
    // of a line are looked at unless it matches, and each matching line is
    // handed to sink. Returns the number of lines handed over.
    qint64 forEachLogLine(qint64 filter, const LineSink &sink) const;

private:
    QString m_logFilePath;
    bool m_databaseMode;
    QLocale m_locale = protocol::displayLocale();
    NowProvider m_now;
    SerialProvider m_serial;
};

} // namespace app
