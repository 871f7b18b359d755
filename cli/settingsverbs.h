#pragma once
// The settings verb of tarvik-cli, run once the first polling cycle is done:
// --write-settings FILE.json writes one batch from a settings template, as
// "&Записать" does on the page "Установка" (the same acknowledgements and
// operation-log lines). The serial number comes from --serial (written only
// when the meter has none), the access password from --password. The verb
// is done when the batch has succeeded, its values have been cleared two
// seconds later and one whole polling cycle has read them anew, so a
// report shows what the meter holds afterwards.

#include "clioptions.h"

#include <QObject>
#include <QString>
#include <functional>

namespace app {
class Station;
}

namespace cli {

class SettingsVerbs : public QObject
{
    Q_OBJECT
public:
    SettingsVerbs(app::Station &station, const Options &options, QObject *parent = nullptr);

    bool any() const { return !m_path.isEmpty(); }
    // Loads the template into the station's settings values before anything
    // is sent; false with a Russian message when it cannot be read, is
    // damaged or is refused.
    bool prepare(QString *error);
    // Queues the batch; finished() follows exactly once.
    void start();
    bool done() const { return m_step == Step::Done; }
    // Called after every attempt to write (the database pre-check's verdict):
    // a refused batch ends with ExitBatchFailed and the refusal's text unless
    // the hook gives its own.
    using RefusalVerdict = std::function<void(int *exitCode, QString *message)>;
    void setRefusalVerdict(RefusalVerdict verdict) { m_refusalVerdict = std::move(verdict); }

signals:
    // The batch is about to be checked and queued.
    void aboutToWrite();
    // ExitOk, or ExitBatchFailed with the refusal or failure message.
    void finished(int exitCode, const QString &message);
    // The sensor values could not be used; the rest of the batch goes on.
    void sensorValuesInvalid(const QString &message);

private:
    enum class Step { Idle, Writing, AwaitingReset, Rereading, Done };

    void write();
    void onPollRequested(int n);
    void finish(int exitCode, const QString &message = {});

    app::Station &m_station;
    QString m_path;
    int m_serial = 0;
    Step m_step = Step::Idle;
    bool m_queued = false;
    int m_cycleStartsAfterReset = 0;
    RefusalVerdict m_refusalVerdict;
};

} // namespace cli
