#pragma once
// The production records of a tarvik-cli run in database mode, as the
// window shows them, turned into messages and exit codes:
//  - a settings write is checked in the database before anything is sent
//    (the meter registered, a new RF-PLC number free): a refusal ends the run
//    with ExitMeterRefused, a failed statement with ExitDatabaseError;
//  - the completed batch is recorded with its route-sheet step: a record
//    rolled back ends the run with ExitRecordFailed and the server's message;
//  - --fix-db records the connected meter without writing ("Зафиксировать в
//    Б&Д") once the first polling cycle is done.
// A failed statement that the window would only show (the meter's last
// programming, the clock synchronisation) is printed and the run goes on.

#include "clioptions.h"

#include <QObject>
#include <QString>

namespace app {
class Station;
}

namespace cli {

class RecordVerbs : public QObject
{
    Q_OBJECT
public:
    // The station must be in database mode.
    RecordVerbs(app::Station &station, const Options &options, QObject *parent = nullptr);

    bool any() const { return m_fixDb; }
    // --fix-db; finished() follows exactly once.
    void start();
    // --fix-db has its outcome, and no settings batch waits for its record.
    bool done() const;

    // A settings batch is about to be checked and queued.
    void preCheckStarting();
    // The batch has been checked (and queued or refused): when the database
    // check refused it, its own exit code and message (otherwise *exitCode
    // and *message stay).
    void preCheckVerdict(int *exitCode, QString *message);

signals:
    // ExitOk, or a failure code with its message.
    void finished(int exitCode, const QString &message);
    // A database error that stops nothing.
    void warning(const QString &message);

private:
    enum class Step { Idle, Checking, FixingDb, Done };

    void fixDb();
    void onRefused(const QString &caption, const QString &text);
    void onDatabaseError(const QString &text);
    void onRecordFailed(const QString &caption, const QString &text);
    void onRecorded(bool withSettings);
    void finish(int exitCode, const QString &message = {});

    app::Station &m_station;
    bool m_fixDb;
    Step m_step = Step::Idle;
    bool m_recordPending = false; // a settings batch is queued and not yet recorded
    int m_verdictCode = ExitOk;
    QString m_verdictMessage;
};

} // namespace cli
