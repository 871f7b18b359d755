#pragma once
// The page "Параметры RFPLC" without its widgets: the group, address and
// four retransmission routes the meter reports (polled with 0A 02 and
// 20 03 n), and the three writes of the page:
//
//   BtnWriteAddress  01 02, 11 02, [14 08 A5 x6 unless the password is
//                    accepted], 0B 04 G A
//   BtnWriteRoute    21 07 R P N N N   (N: u24le route number)
//   ButtonDelRoute   21 03 R
//
// The acknowledgement lines are built from the request being answered, so
// they tell what was actually sent (the settings batch also writes 0x0B,
// with a group and address derived from the serial number). None of the
// writes is a batch: the meter controls stay as they are.

#include "protocol/reply.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

namespace meterlink {
class MeterConnection;
}

namespace protocol {

class ReplyDispatcher;

// The controls the operator sets; the page keeps them current.
struct RfPlcControls
{
    int group = 0;    // SpinGroup, 0..255
    int address = 0;  // SpinAddress, 0..255
    int route = 0;    // SpinRoute, 0..3
    int repeater = 0; // SpinAddrRep, 0..255
    QString number;   // EditNumb, as typed
};

// One row of ListRoute: the "Адрес" and "Номер" cells (empty = not read or
// route absent). The row captions "0".."3" never change.
struct RouteRow
{
    QString address;
    QString number;
    bool operator==(const RouteRow &) const = default;
};

class RfPlc : public QObject
{
    Q_OBJECT
public:
    static constexpr int kRoutes = 4;
    static constexpr quint32 kMaxRouteNumber = 0xFFFFFF; // 24 bits on the wire

    RfPlc(meterlink::MeterConnection &connection, ReplyDispatcher &dispatcher, QObject *parent = nullptr);

    // --- shown values (decimal texts; empty until read) ---
    QString group() const { return m_group; }     // EditGroup
    QString address() const { return m_address; } // EditAddress
    RouteRow route(int n) const;                  // ListRoute row n, 0..3

    // --- the page's controls ---
    const RfPlcControls &controls() const { return m_controls; }
    void setControls(const RfPlcControls &controls) { m_controls = controls; }

    // --- the buttons; false when not connected (nothing queued) ---
    bool writeAddress(); // BtnWriteAddress
    // BtnWriteRoute. False with a Russian message in *error, nothing queued,
    // when EditNumb is not an integer 0..16777215 or the link is down.
    bool writeRoute(QString *error = nullptr);
    bool deleteRoute(); // ButtonDelRoute

    // resetReadings: the shown group, address and route cells are emptied.
    void resetReadings();

    // --- the requests and texts on their own (code, L, payload; no CRC) ---
    static QList<QByteArray> addressWriteRequests(int group, int address, bool passwordAccepted);
    static QByteArray routeWriteRequest(int route, int repeater, quint32 number);
    static QByteArray routeDeleteRequest(int route);
    // EditNumb as a route number; false unless an integer 0..16777215.
    static bool parseRouteNumber(const QString &text, quint32 *number);
    // Operation-log lines of the 0x0B and 0x21 acknowledgements, from the
    // request answered; empty when that is no such write (MODBUS mode does
    // not compare the reply's code with the request's).
    static QString addressLogLine(const QByteArray &request);
    static QString routeLogLine(const QByteArray &request);

    // Decoders of the polled replies (the dispatcher calls them).
    void decodeAddress(const Reply &reply); // 0x0A
    void decodeRoute(const Reply &reply);   // 0x20

signals:
    // EditGroup, EditAddress or a ListRoute cell changed.
    void readingsChanged();

private:
    void registerReplies(ReplyDispatcher &dispatcher);

    meterlink::MeterConnection &m_connection;
    ReplyDispatcher &m_dispatcher;
    RfPlcControls m_controls;
    QString m_group;
    QString m_address;
    RouteRow m_routes[kRoutes];
};

} // namespace protocol
