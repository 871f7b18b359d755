#include "dispatcher.h"

#include "functioncatalogue.h"
#include "link/connection.h"
#include "link/crc.h"
#include "link/linemode.h"

namespace protocol {

namespace {
const QString kWrongReply = QStringLiteral("Неверный отклик");
}

Route routeFor(quint8 code)
{
    switch (code) {
    case 0x00: case 0x01: case 0x04: case 0x0F: case 0x11: case 0x16: case 0x18: case 0x1C:
    case 0x1E: case 0x22: case 0x25: case 0x2B: case 0x4C: case 0x4D: case 0x4E: case 0x50:
    case 0x5C: case 0x60:                     // the meter page
    case 0x08: case 0x06: case 0x26: case 0x28: // schedule checksum and schedule reading
    case 0x0A: case 0x20:                     // RF-PLC address and routes
    case 0x2E:                                // indicator
    case 0x5D:                                // journals
        return Route::Decode;
    case 0x14:
        return Route::Password;
    case 0x09: case 0x27: case 0x29: case 0x4F:
        return Route::DequeueOnly;
    case 0x02: case 0x03: case 0x05: case 0x07: case 0x0B: case 0x15: case 0x17: case 0x19:
    case 0x1D: case 0x1F: case 0x21: case 0x23: case 0x24: case 0x2F: case 0x51: case 0x5F:
    case 0x61:
        return Route::Acknowledge;
    default:
        return Route::None;
    }
}

ReplyDispatcher::ReplyDispatcher(meterlink::MeterConnection &connection, QObject *parent)
    : QObject(parent), m_connection(connection)
{
}

void ReplyDispatcher::addDecoder(quint8 code, Decoder decoder) { m_decoders[code].append(std::move(decoder)); }

void ReplyDispatcher::setAcknowledgement(quint8 code, Acknowledgement ack) { m_acks.insert(code, std::move(ack)); }

void ReplyDispatcher::setReplyCheck(quint8 code, ReplyCheck check) { m_checks.insert(code, std::move(check)); }

void ReplyDispatcher::dispatch(const QByteArray &reply)
{
    if (reply.size() < 2)
        return;
    if (handleErrorReply(reply))
        return;
    const bool rs485 = m_connection.lineMode() == static_cast<int>(meterlink::LineMode::Rs485);
    const QByteArray request = m_connection.currentRequest();
    if (rs485 && (request.isEmpty() || reply[0] != request[0])) {
        reject(kWrongReply, false);
        return;
    }
    const Reply accepted(reply);
    const auto check = m_checks.constFind(accepted.code());
    if (check != m_checks.constEnd() && !(*check)(accepted, requestBody())) {
        reject(kWrongReply, false);
        return;
    }
    accept(accepted);
}

bool ReplyDispatcher::handleErrorReply(const QByteArray &reply)
{
    const bool modbus = m_connection.lineMode() == static_cast<int>(meterlink::LineMode::Modbus);
    if (reply.size() != 5 || static_cast<quint8>(reply[0]) < 0x80 || reply[1] != 3
        || !(modbus || meterlink::checkCrc(reply)))
        return false;
    m_connection.noteMeterAnswered();
    const int error = static_cast<quint8>(reply[2]);
    const QString text = errorText(error) + QStringLiteral(" (")
                         + functionName(static_cast<quint8>(reply[0]) - 0x80) + QStringLiteral(")");
    reject(text, isResendError(error));
    return true;
}

void ReplyDispatcher::reject(const QString &text, bool resend)
{
    m_connection.reportProtocolLine(text);
    if (resend)
        m_connection.resendHead();
    else if (m_connection.queuedCount() > 0)
        m_connection.abortQueue();
}

void ReplyDispatcher::accept(const Reply &reply)
{
    const quint8 code = reply.code();
    emit replyAccepted(code);
    m_connection.noteMeterAnswered();
    emit scheduleGaugeVisible((code == 0x08 || code == 0x26 || code == 0x28) && reply.length() != 4);
    m_connection.setStatusPanel(0, {});

    switch (routeFor(code)) {
    case Route::Decode:
        for (const Decoder &decode : m_decoders.value(code))
            decode(reply);
        break;
    case Route::Password:
        m_passwordAccepted = true;
        break;
    case Route::DequeueOnly:
        break;
    case Route::Acknowledge:
        acknowledge(code);
        break;
    case Route::None:
        // Possible in MODBUS mode, where the code is not compared with the
        // request: waiting for ever would stall the link, so treat it as wrong.
        reject(kWrongReply, false);
        return;
    }
    m_connection.dequeueHead();
}

void ReplyDispatcher::acknowledge(quint8 code)
{
    const auto it = m_acks.constFind(code);
    if (it == m_acks.constEnd())
        return;
    const QByteArray request = requestBody();
    if (it->logLines)
        for (const QString &line : it->logLines(request))
            emit operationLogged(line);
    if (it->sideEffect)
        it->sideEffect(request);
}

QByteArray ReplyDispatcher::requestBody() const
{
    QByteArray framed = m_connection.currentRequest();
    if (m_connection.lineMode() == static_cast<int>(meterlink::LineMode::Modbus) && !framed.isEmpty())
        framed.remove(0, 1);
    framed.chop(2);
    return framed;
}

} // namespace protocol
