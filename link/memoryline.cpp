#include "memoryline.h"

namespace meterlink {

MemoryLine::MemoryLine(Clock &clock, QObject *parent) : SerialLine(parent), m_clock(clock) {}

int MemoryLine::lineTimeMs(qsizetype byteCount) const
{
    return static_cast<int>((byteCount * 11 * 1000 + m_baud - 1) / m_baud);
}

int MemoryLine::deliveryDelay(qint64 &freeAt, qsizetype byteCount)
{
    const qint64 now = m_clock.elapsedMs();
    freeAt = qMax(freeAt, now) + lineTimeMs(byteCount);
    return static_cast<int>(freeAt - now);
}

bool MemoryLine::open(QString *error)
{
    if (m_open) {
        if (error)
            *error = QStringLiteral("Can't open specified device %1 (port already open)").arg(m_name);
        return false;
    }
    if (!m_openError.isEmpty()) {
        if (error)
            *error = m_openError;
        return false;
    }
    if (m_parity == m_refusedParity) {
        if (error)
            *error = QStringLiteral("Can't open specified device %1 (Error 22, Invalid argument)").arg(m_name);
        return false;
    }
    m_open = true;
    ++m_session;
    m_rx.clear();
    return true;
}

bool MemoryLine::close(QString *)
{
    m_open = false;
    ++m_session;
    m_rx.clear();
    return true;
}

bool MemoryLine::setBaudRate(int bitsPerSecond)
{
    if (bitsPerSecond <= 0)
        return false;
    m_baud = bitsPerSecond;
    return true;
}

bool MemoryLine::setParity(Parity parity)
{
    m_parity = parity;
    return !(m_open && parity == m_refusedParity);
}

bool MemoryLine::setStopBits(StopBits stopBits)
{
    m_stopBits = stopBits;
    return true;
}

bool MemoryLine::setRts(bool) { return m_open; }

bool MemoryLine::write(const QByteArray &bytes)
{
    if (!m_open || m_writeFails)
        return false;
    m_writes.append({bytes, m_parity, m_stopBits});
    const quint64 session = m_session;
    m_clock.callLater(deliveryDelay(m_toPeerFreeAt, bytes.size()), this, [this, bytes, session] {
        if (session == m_session && m_toPeer)
            m_toPeer(bytes);
    });
    return true;
}

void MemoryLine::sendFromPeer(const QByteArray &bytes)
{
    const quint64 session = m_session;
    m_clock.callLater(deliveryDelay(m_fromPeerFreeAt, bytes.size()), this, [this, bytes, session] {
        if (session != m_session || !m_open)
            return;
        m_rx.append(bytes);
        emit readyRead();
    });
}

QByteArray MemoryLine::readAll()
{
    if (!m_open)
        return {};
    return std::exchange(m_rx, {});
}

QList<MemoryLine::Write> MemoryLine::takeWrites() { return std::exchange(m_writes, {}); }

} // namespace meterlink
