#pragma once
// The RF-PLC and indicator verbs of tarvik-cli, run one after the other once
// the first polling cycle is done: the group and address write, the route
// write, the route deletion, the indicator write, the indicator read. Each
// is done when the meter has answered its last request; a time-out or error
// reply drops the queue, polling resumes, and the verb has failed (exit 5).
// After an RF-PLC write the verbs wait until polling has read the group,
// address and routes anew (at most one whole cycle), so --report shows what
// the meter now holds.

#include "meterverboptions.h"

#include <QObject>
#include <QStringList>
#include <functional>

namespace app {
class Station;
}

namespace cli {

class MeterVerbs : public QObject
{
    Q_OBJECT
public:
    MeterVerbs(app::Station &station, const MeterVerbOptions &options, QObject *parent = nullptr);

    bool any() const { return !m_steps.isEmpty(); }
    // Runs the verbs; finished() follows exactly once.
    void start();
    bool done() const { return m_phase == Phase::Done; }
    // After --read-indicator: "Маска индикации" TAB mask and "Подсветка" TAB
    // word, in decimal, as the meter sent them.
    QStringList resultLines() const;

signals:
    // ExitOk, or ExitBatchFailed with its message.
    void finished(int exitCode, const QString &message);

private:
    struct Step
    {
        std::function<bool()> queue; // false: nothing could be queued
        quint8 lastCode;             // the reply that ends the step
        bool rfPlcWrite;             // the polled RF-PLC values change
    };
    enum class Phase { Idle, Awaiting, Between, Rereading, Done };

    void addSteps(const MeterVerbOptions &options);
    void next();
    void onReplyAccepted(quint8 code);
    void noteReread(quint8 code);
    void onPollRequested(int n);
    void finish(int exitCode, const QString &message = {});

    app::Station &m_station;
    bool m_readIndicator = false;
    QList<Step> m_steps;
    qsizetype m_index = 0;
    Phase m_phase = Phase::Idle;
    bool m_reread = false;   // an RF-PLC write was done
    int m_cycleStarts = 0;   // polling cycles begun while re-reading
    bool m_addressReread = false;
    int m_routesReread = 0;
};

} // namespace cli
