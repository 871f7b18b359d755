#pragma once
// The tariff schedule to and from the meter: the write batch ("З&аписать в
// счетчик") and the read ("&Прочитать из счетчика") over the request queue,
// and the replies of a read taken into the ScheduleDocument.
//
// Write: [14 08 A5 x6 unless the password is accepted] 27 02, 29 02, 09 02
// (clear holidays, transfers, zones), 07 03 c; then, only with at least one
// zone, 27 05 i d m per holiday slot, 29 07 i d m y t per transfer slot and
// 09 0A s + entry per zone (zone k in slot k + 2).
// Read: 06 02, 08 03 n (n = 0..255), 26 03 i, 28 03 i (i = 0..15); the
// zones read are loaded when the first holiday reply arrives.

#include "schedule/scheduledocument.h"

#include <QByteArray>
#include <QList>
#include <QObject>

namespace meterlink {
class MeterConnection;
}
namespace protocol {
class ReplyDispatcher;
class Reply;
}

namespace schedule {

// Replies a read counts on the gauge: 256 zone slots, 16 holidays, 16 transfers.
constexpr int kReadReplies = 288;
constexpr int kZoneSlots = 256;
constexpr int kFirstZoneSlot = 2;

// The write batch's requests (code, L, payload; no CRC), in order. Empty
// when the schedule has more than kMaxZones zones: slot numbers would wrap.
QList<QByteArray> scheduleWriteRequests(const ScheduleFileData &data, bool passwordAccepted);
// The read's 289 requests, in order.
QList<QByteArray> scheduleReadRequests();

// "Коэффициент лимита тарифного расписания=" + c: the operation-log line of
// an acknowledged coefficient write.
QString coefficientLogLine(int coefficient);

class ScheduleTransfer : public QObject
{
    Q_OBJECT
public:
    ScheduleTransfer(ScheduleDocument &document, meterlink::MeterConnection &connection,
                     protocol::ReplyDispatcher &dispatcher, QObject *parent = nullptr);

    // ActionWriteSched. False with a Russian message in *error, and nothing
    // queued, when the schedule cannot go to the meter.
    bool writeToMeter(QString *error);
    // ActionReadSched.
    void readFromMeter();

    int progress() const { return m_progress; }
    // Zone entries of a read not yet handed to the model.
    const QList<QByteArray> &receivedZoneEntries() const { return m_receivedZoneEntries; }

signals:
    void readStarted();              // bring the schedule page to the front
    void progressChanged(int value); // GaugeSched, 0..kReadReplies
    void zonesSkipped(int count);    // entries with an impossible time left out
    void readFinished();             // the last transfer reply has been handled

private:
    void registerReplies(protocol::ReplyDispatcher &dispatcher);
    void takeCoefficient(const protocol::Reply &reply);
    void takeZoneSlot(const protocol::Reply &reply);
    void takeHoliday(const protocol::Reply &reply);
    void takeTransfer(const protocol::Reply &reply);
    void loadReceivedZones();
    void step();

    ScheduleDocument &m_document;
    meterlink::MeterConnection &m_connection;
    protocol::ReplyDispatcher &m_dispatcher;
    QList<QByteArray> m_receivedZoneEntries;
    int m_progress = 0;
    int m_transferReplies = 0;
    bool m_reading = false;
};

} // namespace schedule
