#pragma once
// Checks every complete reply and routes it by its function code.
//
// An error reply (5 bytes, code + 0x80, length 3, good CRC) or, in Rs-485
// mode, a reply for another function is rejected: one line in the protocol
// view, then either the same request again (error codes 3 and 9) or the
// queue is dropped. An accepted reply goes to the decoders registered for
// its code, or is an acknowledgement of a write, and the queue moves on.

#include "reply.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QStringList>
#include <functional>

namespace meterlink {
class MeterConnection;
}

namespace protocol {

enum class Route { None, Decode, Password, DequeueOnly, Acknowledge };
// What the routing table does with an accepted reply of this code.
Route routeFor(quint8 code);

class ReplyDispatcher : public QObject
{
    Q_OBJECT
public:
    using Decoder = std::function<void(const Reply &)>;
    // Whether a reply answers the request outstanding (function code,
    // length, payload: no address byte, no CRC). False: "Неверный отклик".
    using ReplyCheck = std::function<bool(const Reply &reply, const QByteArray &request)>;
    // Both get the request being acknowledged as it was queued (function
    // code, length, payload: no address byte, no CRC).
    struct Acknowledgement
    {
        // The operation-log lines, built from the page as it is now.
        std::function<QStringList(const QByteArray &request)> logLines;
        // Whatever the write changes on this side (e.g. new link parameters).
        std::function<void(const QByteArray &request)> sideEffect;
    };

    explicit ReplyDispatcher(meterlink::MeterConnection &connection, QObject *parent = nullptr);

    // Each subsystem registers the decoder of the codes it reads; several
    // decoders may share a code (each checks the length it needs).
    void addDecoder(quint8 code, Decoder decoder);
    void setAcknowledgement(quint8 code, Acknowledgement ack);
    // Run before the decoders of the code: a reply that fails it is rejected
    // as a wrong reply and the queue is dropped.
    void setReplyCheck(quint8 code, ReplyCheck check);

    // The head of the queue without its framing.
    QByteArray requestBody() const;

    bool passwordAccepted() const { return m_passwordAccepted; }
    void clearPasswordAccepted() { m_passwordAccepted = false; }

    // Called with the reply buffer once the receive side holds a whole reply.
    void dispatch(const QByteArray &reply);

signals:
    void replyAccepted(quint8 code);
    void operationLogged(const QString &text);
    // GaugeSched: shown while the schedule, holidays or transfers are read.
    void scheduleGaugeVisible(bool visible);

private:
    bool handleErrorReply(const QByteArray &reply);
    void reject(const QString &text, bool resend);
    void accept(const Reply &reply);
    void acknowledge(quint8 code);

    meterlink::MeterConnection &m_connection;
    QHash<quint8, QList<Decoder>> m_decoders;
    QHash<quint8, Acknowledgement> m_acks;
    QHash<quint8, ReplyCheck> m_checks;
    bool m_passwordAccepted = false;
};

} // namespace protocol
