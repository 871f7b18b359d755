#pragma once
// An in-memory serial line: bytes written by the PC side reach a peer (the
// simulated meter) and the peer's bytes come back through readyRead, each
// after the time the bytes would take on a real line at the set speed
// (11 bit times a byte: start, 8 data, parity or second stop, stop).

#include "clock.h"
#include "serialline.h"

#include <functional>
#include <optional>

namespace meterlink {

class MemoryLine final : public SerialLine
{
    Q_OBJECT
public:
    using PeerInput = std::function<void(const QByteArray &)>;

    explicit MemoryLine(Clock &clock, QObject *parent = nullptr);

    // Where written bytes go (the simulated meter's input).
    void setPeer(PeerInput toPeer) { m_toPeer = std::move(toPeer); }
    // The peer sends bytes towards the PC.
    void sendFromPeer(const QByteArray &bytes);

    // Test hooks: the next open() fails with this text; writes start failing.
    void setOpenError(const QString &text) { m_openError = text; }
    void setWriteFails(bool fails) { m_writeFails = fails; }
    // A driver without this parity: setting it fails, and so does opening
    // the port while it is the stored parity.
    void refuseParity(Parity parity) { m_refusedParity = parity; }
    // Everything written since the last call, with the parity of each write.
    struct Write
    {
        QByteArray bytes;
        Parity parity;
        StopBits stopBits;
    };
    QList<Write> takeWrites();

    void setPortName(const QString &name) override { m_name = name; }
    QString portName() const override { return m_name; }
    bool open(QString *error) override;
    bool close(QString *error) override;
    bool isOpen() const override { return m_open; }
    bool setBaudRate(int bitsPerSecond) override;
    int baudRate() const override { return m_baud; }
    bool setParity(Parity parity) override;
    Parity parity() const override { return m_parity; }
    bool setStopBits(StopBits stopBits) override;
    StopBits stopBits() const override { return m_stopBits; }
    bool setRts(bool on) override;
    bool write(const QByteArray &bytes) override;
    QByteArray readAll() override;

    int lineTimeMs(qsizetype byteCount) const;

private:
    Clock &m_clock;
    PeerInput m_toPeer;
    QString m_name = QStringLiteral("sim");
    QString m_openError;
    bool m_writeFails = false;
    std::optional<Parity> m_refusedParity;
    bool m_open = false;
    int m_baud = 4800;
    Parity m_parity = Parity::None;
    StopBits m_stopBits = StopBits::One;
    QByteArray m_rx;
    QList<Write> m_writes;
    quint64 m_session = 0; // bytes in flight from a closed session are dropped
    // Each direction carries one byte at a time: a chunk starts when the one
    // before it has left the line, so chunks never overtake each other.
    qint64 m_toPeerFreeAt = 0;
    qint64 m_fromPeerFreeAt = 0;
    int deliveryDelay(qint64 &freeAt, qsizetype byteCount);
};

} // namespace meterlink
