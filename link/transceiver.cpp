#include "transceiver.h"

#include "clock.h"
#include "crc.h"
#include "linemode.h"
#include "tracetime.h"

namespace meterlink {

Transceiver::Transceiver(Clock &clock, QObject *parent) : QObject(parent), m_clock(clock) {}

void Transceiver::setLine(SerialLine *line)
{
    if (m_readyConnection)
        disconnect(m_readyConnection);
    m_line = line;
    if (m_line)
        m_readyConnection = connect(m_line, &SerialLine::readyRead, this, &Transceiver::onReadyRead);
}

void Transceiver::clearReplyBuffer()
{
    m_replyBuffer.clear();
    m_dispatched = false;
}

void Transceiver::transmitRequest()
{
    if (!m_line)
        return;
    const auto mode = lineModeFromIndex(m_lineMode);
    if (!mode)
        return;
    applyLineSettings(*mode);
    if (*mode == LineMode::Rs485) {
        m_line->setRts(true); // a pseudo-terminal refuses RTS; the exchange goes on
        const quint8 address = m_address();
        m_line->write(QByteArray(1, static_cast<char>(address)));
        if (m_trace)
            emit traceLine(frameTraceTime(m_clock.now().time()) + QStringLiteral(" Send ")
                           + hexBytes(QByteArray(1, static_cast<char>(address))).trimmed());
        return;
    }
    m_line->write(m_currentRequest);
    if (m_currentRequest.size() > 1)
        emit transmitting(static_cast<quint8>(m_currentRequest[1]));
    traceSend(m_currentRequest);
}

void Transceiver::prepareLine()
{
    if (!m_line)
        return;
    if (const auto mode = lineModeFromIndex(m_lineMode))
        applyLineSettings(*mode);
}

void Transceiver::applyLineSettings(LineMode mode)
{
    if (mode == LineMode::Rs485) {
        m_line->setParity(Parity::Mark); // the address phase
        m_line->setStopBits(StopBits::One);
        return;
    }
    const auto parity = static_cast<ModbusParity>(qBound(0, m_parityIndex, 2));
    m_line->setParity(parityFor(parity));
    m_line->setStopBits(stopBitsFor(parity));
}

void Transceiver::onReadyRead()
{
    if (!m_line || !m_line->isOpen())
        return;
    const QByteArray chunk = m_line->readAll();
    if (chunk.isEmpty())
        return;
    const auto mode = lineModeFromIndex(m_lineMode);
    if (!mode)
        return;
    if (*mode == LineMode::Rs485)
        receiveRs485(chunk);
    else
        receiveModbus(chunk);
}

void Transceiver::receiveRs485(const QByteArray &chunk)
{
    emit chunkArrived();
    trace(QStringLiteral(" Received: "), chunk);
    if (m_line->parity() == Parity::Mark) {
        // Address phase: only a chunk that starts with our address lets the frame go.
        if (static_cast<quint8>(chunk[0]) != m_address())
            return;
        m_line->setParity(Parity::Space);
        m_line->setRts(true);
        if (!m_line->write(m_currentRequest))
            emit portError(QStringLiteral("Ошибка записи в порт %1").arg(m_line->portName()));
        if (!m_currentRequest.isEmpty())
            emit transmitting(static_cast<quint8>(m_currentRequest[0]));
        traceSend(m_currentRequest);
        return;
    }
    emit replyBytesArrived();
    m_replyBuffer.append(chunk);
    if (m_dispatched || m_replyBuffer.size() < 2)
        return;
    const int length = static_cast<quint8>(m_replyBuffer[1]);
    if (m_replyBuffer.size() < length + 2)
        return;
    m_dispatched = true;
    emit replyComplete(m_replyBuffer);
}

void Transceiver::receiveModbus(const QByteArray &chunk)
{
    emit chunkArrived();
    trace(QStringLiteral(" Received: "), chunk);
    emit replyBytesArrived();
    m_replyBuffer.append(chunk);
    if (m_dispatched || m_replyBuffer.size() <= 2)
        return;
    const int length = static_cast<quint8>(m_replyBuffer[2]);
    if (m_replyBuffer.size() < length + 2 || !checkCrc(m_replyBuffer)
        || static_cast<quint8>(m_replyBuffer[0]) != m_address())
        return;
    m_dispatched = true;
    emit replyComplete(m_replyBuffer.mid(1));
}

void Transceiver::traceSend(const QByteArray &bytes) { trace(QStringLiteral(" Send "), bytes); }

void Transceiver::trace(const QString &what, const QByteArray &bytes)
{
    if (m_trace)
        emit traceLine(frameTraceTime(m_clock.now().time()) + what + hexBytes(bytes));
}

} // namespace meterlink
