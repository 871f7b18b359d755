#include "rfplc.h"

#include "protocol/dispatcher.h"
#include "protocol/encodings.h"
#include "protocol/servicepassword.h"

#include "link/connection.h"

namespace protocol {

namespace {

char byteOf(int value, int max) { return static_cast<char>(qBound(0, value, max)); }

quint8 at(const QByteArray &bytes, int i) { return static_cast<quint8>(bytes[i]); }

// In MODBUS mode a reply's code is not compared with the request's: the
// request answered may be another one altogether.
bool isRequest(const QByteArray &request, quint8 code, int length)
{
    return request.size() == length && at(request, 0) == code && at(request, 1) == length;
}

} // namespace

RfPlc::RfPlc(meterlink::MeterConnection &connection, ReplyDispatcher &dispatcher, QObject *parent)
    : QObject(parent), m_connection(connection), m_dispatcher(dispatcher)
{
    registerReplies(dispatcher);
}

void RfPlc::registerReplies(ReplyDispatcher &dispatcher)
{
    dispatcher.addDecoder(0x0A, [this](const Reply &r) { decodeAddress(r); });
    dispatcher.addDecoder(0x20, [this](const Reply &r) { decodeRoute(r); });
    const auto lines = [](QString line) { return line.isEmpty() ? QStringList() : QStringList{line}; };
    dispatcher.setAcknowledgement(0x0B, {[lines](const QByteArray &req) { return lines(addressLogLine(req)); }, {}});
    dispatcher.setAcknowledgement(0x21, {[lines](const QByteArray &req) { return lines(routeLogLine(req)); }, {}});
}

RouteRow RfPlc::route(int n) const
{
    return n >= 0 && n < kRoutes ? m_routes[n] : RouteRow{};
}

QList<QByteArray> RfPlc::addressWriteRequests(int group, int address, bool passwordAccepted)
{
    // The serial number and working counters are read first, as a check that
    // the right meter answers.
    QList<QByteArray> out{request(0x01), request(0x11)};
    if (!passwordAccepted)
        out << servicePasswordEntry();
    QByteArray payload;
    payload.append(byteOf(group, 255));
    payload.append(byteOf(address, 255));
    out << request(0x0B, payload);
    return out;
}

QByteArray RfPlc::routeWriteRequest(int route, int repeater, quint32 number)
{
    QByteArray payload;
    payload.append(byteOf(route, kRoutes - 1));
    payload.append(byteOf(repeater, 255));
    payload.append(le(number, 3));
    return request(0x21, payload);
}

QByteArray RfPlc::routeDeleteRequest(int route)
{
    return request(0x21, QByteArray(1, byteOf(route, kRoutes - 1)));
}

bool RfPlc::parseRouteNumber(const QString &text, quint32 *number)
{
    bool ok = false;
    const qlonglong value = text.trimmed().toLongLong(&ok, 10);
    if (!ok || value < 0 || value > kMaxRouteNumber)
        return false;
    if (number)
        *number = static_cast<quint32>(value);
    return true;
}

QString RfPlc::addressLogLine(const QByteArray &request)
{
    if (!isRequest(request, 0x0B, 4))
        return {};
    return QStringLiteral("Plc-группа=%1, Plc-адрес=%2").arg(at(request, 2)).arg(at(request, 3));
}

QString RfPlc::routeLogLine(const QByteArray &request)
{
    if (isRequest(request, 0x21, 3))
        return QStringLiteral("Plc-Маршрут=%1 удален").arg(at(request, 2));
    if (isRequest(request, 0x21, 7))
        return QStringLiteral("Plc-Маршрут=%1, адрес=%2, номер=%3")
            .arg(at(request, 2))
            .arg(at(request, 3))
            .arg(u24le(request, 4));
    return {};
}

bool RfPlc::writeAddress()
{
    if (!m_connection.isConnected())
        return false;
    for (const QByteArray &r :
         addressWriteRequests(m_controls.group, m_controls.address, m_dispatcher.passwordAccepted()))
        m_connection.enqueueRequest(r);
    return true;
}

bool RfPlc::writeRoute(QString *error)
{
    quint32 number = 0;
    QString message;
    if (!parseRouteNumber(m_controls.number, &number))
        message = QStringLiteral("Номер маршрута должен быть целым числом от 0 до %1.").arg(kMaxRouteNumber);
    else if (!m_connection.isConnected())
        message = QStringLiteral("Нет связи со счетчиком: маршрут не записан.");
    if (!message.isEmpty()) {
        if (error)
            *error = message;
        return false;
    }
    m_connection.enqueueRequest(routeWriteRequest(m_controls.route, m_controls.repeater, number));
    return true;
}

bool RfPlc::deleteRoute()
{
    if (!m_connection.isConnected())
        return false;
    m_connection.enqueueRequest(routeDeleteRequest(m_controls.route));
    return true;
}

void RfPlc::resetReadings()
{
    bool changed = !m_group.isEmpty() || !m_address.isEmpty();
    m_group.clear();
    m_address.clear();
    for (RouteRow &row : m_routes) {
        changed = changed || row != RouteRow{};
        row = {};
    }
    if (changed)
        emit readingsChanged();
}

void RfPlc::decodeAddress(const Reply &reply)
{
    if (!reply.has(2))
        return;
    const QString group = QString::number(reply.p(0));
    const QString address = QString::number(reply.p(1));
    if (group == m_group && address == m_address)
        return;
    m_group = group;
    m_address = address;
    emit readingsChanged();
}

void RfPlc::decodeRoute(const Reply &reply)
{
    if (!reply.has(1) || reply.p(0) >= kRoutes)
        return;
    RouteRow row; // any length but 7: the route is absent
    if (reply.length() == 7) {
        if (!reply.has(5))
            return;
        row.address = QString::number(reply.p(1));
        row.number = QString::number(u24le(reply.payload(), 2));
    }
    RouteRow &shown = m_routes[reply.p(0)];
    if (shown == row)
        return;
    shown = row;
    emit readingsChanged();
}

} // namespace protocol
