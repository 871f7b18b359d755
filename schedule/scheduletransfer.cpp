#include "scheduletransfer.h"

#include "schedule/limitcoefficient.h"
#include "schedule/zoneentry.h"

#include "link/connection.h"
#include "protocol/dispatcher.h"
#include "protocol/encodings.h"
#include "protocol/servicepassword.h"

namespace schedule {

namespace {

using protocol::request;

QByteArray slotPayload(int slot, QByteArrayView bytes = {})
{
    QByteArray out(1, static_cast<char>(slot));
    out.append(bytes.toByteArray());
    return out;
}

// Holiday slots with day and month set; the bytes go as they are in the block.
void appendHolidays(QList<QByteArray> &out, const QByteArray &block)
{
    for (int i = 0; i < HolidayList::kMaxRows && 2 * i + 1 < block.size(); ++i) {
        const QByteArrayView slot = QByteArrayView(block).sliced(2 * i, 2);
        if (slot[0] != 0 && slot[1] != 0)
            out << request(0x27, slotPayload(i, slot));
    }
}

// Transfer slots with day, month and day type set (year 00 is 2000).
void appendTransfers(QList<QByteArray> &out, const QByteArray &block)
{
    for (int i = 0; i < TransferList::kMaxRows && 4 * i + 3 < block.size(); ++i) {
        const QByteArrayView slot = QByteArrayView(block).sliced(4 * i, 4);
        if (slot[0] != 0 && slot[1] != 0 && slot[3] != 0)
            out << request(0x29, slotPayload(i, slot));
    }
}

} // namespace

QList<QByteArray> scheduleWriteRequests(const ScheduleFileData &data, bool passwordAccepted)
{
    if (data.zoneEntries.size() > kMaxZones)
        return {};
    QList<QByteArray> out;
    if (!passwordAccepted)
        out << protocol::servicePasswordEntry();
    // The bare writes clear the meter's tables; no empty slot is written later.
    out << request(0x27) << request(0x29) << request(0x09);
    out << request(0x07, QByteArray(1, static_cast<char>(data.coefficient)));
    if (data.zoneEntries.isEmpty())
        return out;
    appendHolidays(out, data.holidayBlock);
    appendTransfers(out, data.transferBlock);
    for (int k = 0; k < data.zoneEntries.size(); ++k)
        out << request(0x09, slotPayload(k + kFirstZoneSlot, data.zoneEntries[k]));
    return out;
}

QList<QByteArray> scheduleReadRequests()
{
    QList<QByteArray> out;
    out << request(0x06);
    for (int n = 0; n < kZoneSlots; ++n)
        out << request(0x08, slotPayload(n));
    for (int i = 0; i < HolidayList::kMaxRows; ++i)
        out << request(0x26, slotPayload(i));
    for (int i = 0; i < TransferList::kMaxRows; ++i)
        out << request(0x28, slotPayload(i));
    return out;
}

QString coefficientLogLine(int coefficient)
{
    return QStringLiteral("Коэффициент лимита тарифного расписания=") + QString::number(coefficient);
}

ScheduleTransfer::ScheduleTransfer(ScheduleDocument &document, meterlink::MeterConnection &connection,
                                   protocol::ReplyDispatcher &dispatcher, QObject *parent)
    : QObject(parent), m_document(document), m_connection(connection), m_dispatcher(dispatcher)
{
    registerReplies(dispatcher);
}

void ScheduleTransfer::registerReplies(protocol::ReplyDispatcher &dispatcher)
{
    using protocol::Reply;
    dispatcher.addDecoder(0x06, [this](const Reply &r) { takeCoefficient(r); });
    dispatcher.addDecoder(0x08, [this](const Reply &r) { takeZoneSlot(r); });
    dispatcher.addDecoder(0x26, [this](const Reply &r) { takeHoliday(r); });
    dispatcher.addDecoder(0x28, [this](const Reply &r) { takeTransfer(r); });
    // The coefficient written is the one the page holds (SpinLimit).
    dispatcher.setAcknowledgement(
        0x07, {[this](const QByteArray &) { return QStringList{coefficientLogLine(m_document.limitCoefficient())}; }, {}});
}

bool ScheduleTransfer::writeToMeter(QString *error)
{
    if (!m_connection.isConnected()) {
        if (error)
            *error = QStringLiteral("Нет связи со счетчиком: тарифное расписание не записано.");
        return false;
    }
    const ScheduleFileData data = m_document.exportData(); // SaveZones commits the editor
    if (data.zoneEntries.size() > kMaxZones) {
        if (error)
            *error = QStringLiteral("В расписании %1 зон, в счетчик можно записать не более %2. "
                                    "Тарифное расписание не записано.")
                         .arg(data.zoneEntries.size())
                         .arg(kMaxZones);
        return false;
    }
    const QList<QByteArray> requests = scheduleWriteRequests(data, m_dispatcher.passwordAccepted());
    m_connection.beginBatch(meterlink::Batch::Schedule);
    for (const QByteArray &r : requests)
        m_connection.enqueueRequest(r);
    m_connection.setMeterControls(false);
    return true;
}

void ScheduleTransfer::readFromMeter()
{
    emit readStarted();
    m_document.holidays().clear();
    m_document.transfers().clear();
    m_document.model().replaceCommitted({});
    m_document.notifyHolidaysChanged();
    m_document.notifyTransfersChanged();
    m_receivedZoneEntries.clear();
    m_progress = 0;
    m_transferReplies = 0;
    m_reading = true;
    emit progressChanged(m_progress);
    for (const QByteArray &r : scheduleReadRequests())
        m_connection.enqueueRequest(r);
    m_connection.setMeterControls(false);
}

void ScheduleTransfer::step()
{
    ++m_progress;
    emit progressChanged(qMin(m_progress, kReadReplies));
}

// 06: the coefficient; a 0 shows as 1.
void ScheduleTransfer::takeCoefficient(const protocol::Reply &reply)
{
    if (reply.has(1))
        m_document.setLimitCoefficient(coefficientFromByte(reply.p(0)));
}

// 08 with L = 3: an empty slot; L = 10: slot number and entry, kept in
// arrival order (the slot number is not interpreted). L = 4 is the polling
// cycle's checksum, decoded by the meter page.
void ScheduleTransfer::takeZoneSlot(const protocol::Reply &reply)
{
    if (reply.length() == 3) {
        step();
    } else if (reply.length() == 10) {
        if (reply.has(1 + ZoneEntry::kSize))
            m_receivedZoneEntries << reply.payload().sliced(1, ZoneEntry::kSize).toByteArray();
        step();
    }
}

// LoadZones with the entries of a read; impossible times are left out.
void ScheduleTransfer::loadReceivedZones()
{
    const DecodedZones decoded = decodeZoneEntries(m_receivedZoneEntries);
    m_receivedZoneEntries.clear();
    m_document.model().replaceCommitted(decoded.zones);
    if (decoded.skipped > 0)
        emit zonesSkipped(decoded.skipped);
}

void ScheduleTransfer::takeHoliday(const protocol::Reply &reply)
{
    if (!m_receivedZoneEntries.isEmpty())
        loadReceivedZones();
    if (m_document.holidays().takeReply(reply.length(), reply.payload()))
        m_document.notifyHolidaysChanged();
    step();
}

void ScheduleTransfer::takeTransfer(const protocol::Reply &reply)
{
    if (m_document.transfers().takeReply(reply.length(), reply.payload()))
        m_document.notifyTransfersChanged();
    step();
    if (m_reading && ++m_transferReplies == TransferList::kMaxRows) {
        m_reading = false;
        emit readFinished();
    }
}

} // namespace schedule
