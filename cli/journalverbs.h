#pragma once
// The journal verb of tarvik-cli, run once the first polling cycle is done:
// --read-journal NAME reads one journal as its "Прочитать" button does (the
// load profile for the day of --day) and gives the list as the window shows
// it: a header line of the column captions, then one row a line, cells
// separated by TAB, one cell per caption. With --csv FILE the same table is
// written to FILE as CSV instead, with --xls FILE it is exported to FILE as
// the "Экспорт" button does (title "Счетчик № <serial>, <journal>" in row
// 1, cells that read as numbers in the display locale as numbers); either
// or both replace the printed lines. A read cut off by a time-out or an
// error reply still gives the rows read so far, and the verb has failed
// (exit 5); a file that cannot be written is exit 6.

#include "clioptions.h"

#include "journals/journal.h"

#include <QObject>
#include <QStringList>

namespace app {
class Station;
}

namespace cli {

class JournalVerbs : public QObject
{
    Q_OBJECT
public:
    JournalVerbs(app::Station &station, const Options &options, QObject *parent = nullptr);

    bool any() const { return m_journal.has_value(); }
    // Begins the read; finished() follows exactly once.
    void start();
    bool done() const { return m_step == Step::Done; }
    // Without --csv and --xls: the header line and the rows read, TAB-separated.
    QStringList resultLines() const;

signals:
    // ExitOk; ExitBatchFailed when the read was cut off or could not begin;
    // ExitScheduleFile when the CSV or .xls file cannot be written.
    void finished(int exitCode, const QString &message);

private:
    enum class Step { Idle, Reading, Done };

    void read();
    void onReadEnded(journals::Journal j, bool aborted);
    QList<QStringList> table() const; // captions first, then the rows
    bool writeFiles(QString *error) const;
    void finish(int exitCode, const QString &message = {});

    app::Station &m_station;
    std::optional<journals::Journal> m_journal;
    QDate m_day;
    QString m_csvPath;
    QString m_xlsPath;
    Step m_step = Step::Idle;
};

} // namespace cli
