#pragma once
// The schedule verbs of tarvik-cli, run one after the other once the first
// polling cycle is done: --write-schedule FILE (then --verify: read it back
// and compare), then --read-schedule FILE.

#include "clioptions.h"

#include "schedule/schedulefile.h"

#include <QObject>
#include <QString>

namespace app {
class Station;
}

namespace cli {

class ScheduleVerbs : public QObject
{
    Q_OBJECT
public:
    ScheduleVerbs(app::Station &station, const Options &options, QObject *parent = nullptr);

    bool any() const { return !m_writePath.isEmpty() || !m_readPath.isEmpty(); }
    // Loads the file to write into the station's schedule before anything
    // is sent; false with a Russian message when it cannot be read, is
    // damaged or holds more zones than the meter takes.
    bool prepare(QString *error);
    // Runs the verbs; finished() follows exactly once.
    void start();
    bool done() const { return m_step == Step::Done; }

signals:
    // ExitOk, or the exit code of the first failure with its message.
    void finished(int exitCode, const QString &message);

private:
    enum class Step { Idle, Writing, Verifying, Reading, Between, Done };

    void next();
    void write();
    void readBack(Step step);
    void onReadFinished();
    void onPollResumed();
    QString differences() const;
    void finish(int exitCode, const QString &message = {});

    app::Station &m_station;
    QString m_writePath;
    QString m_readPath;
    bool m_verify = false;
    schedule::ScheduleFileData m_written;
    Step m_step = Step::Idle;
    bool m_wrote = false;
    bool m_verified = false;
    bool m_read = false;
};

} // namespace cli
