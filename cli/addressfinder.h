#pragma once
// Finds the address of the one meter on the line, as a factory script asks
// with --find-address: polling starts at the given address; when that times
// out, the link's address search walks 1..255, 0 until the meter answers.

#include <QObject>

namespace meterlink {
class MeterConnection;
}

namespace cli {

class AddressFinder : public QObject
{
    Q_OBJECT
public:
    // Every address has had its turn and timed out once the address has
    // moved this often: the move to 0 at the start, one step per time-out
    // after it, and in MODBUS mode one more, since the request queued before
    // the search still carries the old address and address 0 comes last.
    static constexpr int kWholeRange = 258;

    explicit AddressFinder(meterlink::MeterConnection &connection, QObject *parent = nullptr);

signals:
    void found(int address);
    void exhausted(); // the whole range was walked without an answer

private:
    void onControlsChanged();
    void onAddressChanged();
    void onMeterAnswered();

    meterlink::MeterConnection &m_connection;
    bool m_searching = false;
    bool m_done = false;
    int m_steps = 0;
};

} // namespace cli
