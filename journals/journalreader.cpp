#include "journalreader.h"

#include "journals/recorddecoders.h"
#include "link/connection.h"
#include "protocol/dispatcher.h"
#include "protocol/encodings.h"
#include "protocol/meterpage.h"

#include <algorithm>

namespace journals {

namespace {

constexpr quint8 kCode = 0x5D;
constexpr qint64 kDaySeconds = 86400;
// Payload of a header reply: j, A, B, C.
constexpr int kHeaderPayload = 7;
// Payload of a record reply before the record itself: j, index.
constexpr int kRecordPrefix = 3;
// A load-profile record needs its time stamp to take part in the search.
constexpr int kProfileTimeBytes = 4;

bool isHeaderRequest(const QByteArray &request) { return request.size() == 3; }

int requestedIndex(const QByteArray &request) { return protocol::u16le(request, 3); }

// A 0x5D reply answers the request outstanding: the same journal and, for a
// record, the same index, with all the bytes of its kind. Anything else would
// be taken for the wrong kind of reply or the wrong record.
bool answersRequest(const protocol::Reply &reply, const QByteArray &request)
{
    if (request.size() < 3 || static_cast<quint8>(request[0]) != kCode)
        return false;
    const QByteArrayView payload = reply.payload();
    if (payload.isEmpty() || payload[0] != request[2])
        return false;
    if (isHeaderRequest(request))
        return payload.size() >= kHeaderPayload;
    return request.size() >= 5 && payload.size() >= kRecordPrefix
           && protocol::u16le(payload, 1) == requestedIndex(request);
}

QByteArray recordRequest(Journal j, int index)
{
    return protocol::request(kCode, QByteArray(1, static_cast<char>(j)) + protocol::le(quint32(index), 2));
}

// Rows by their decoded moment, oldest first; rows without one come first,
// and rows of the same moment keep their order.
bool earlier(const JournalRow &a, const JournalRow &b)
{
    if (!a.when.isValid() || !b.when.isValid())
        return !a.when.isValid() && b.when.isValid();
    return a.when < b.when;
}

} // namespace

JournalReader::JournalReader(meterlink::MeterConnection &connection, protocol::ReplyDispatcher &dispatcher,
                             protocol::MeterPage &page, QObject *parent)
    : QObject(parent), m_connection(connection), m_dispatcher(dispatcher), m_page(page)
{
    m_dispatcher.setReplyCheck(kCode, answersRequest);
    m_dispatcher.addDecoder(kCode, [this](const protocol::Reply &reply) { onReply(reply); });
    connect(&m_connection, &meterlink::MeterConnection::queueAborted, this, &JournalReader::abort);
    connect(&m_connection, &meterlink::MeterConnection::connectedChanged, this, [this](bool connected) {
        if (!connected)
            abort();
    });
}

bool JournalReader::read(Journal j, QDate day)
{
    if (!m_connection.isConnected() || m_reading)
        return false;
    if (j == Journal::Profile) {
        if (!day.isValid())
            return false;
        // Taken once: the picker may change while the day is read.
        m_profileDay = day;
        m_dayStart = QDate(2000, 1, 1).daysTo(day) * kDaySeconds;
        m_points.clear();
        m_profileState = 0;
        m_profileReads = 0;
    }
    m_lastProfileTime = -1;
    m_journal = j;
    m_rows[int(j)].clear();
    m_serials[int(j)] = m_page.meterSerial();
    m_reading = true;
    m_connection.enqueueRequest(protocol::request(kCode, QByteArray(1, static_cast<char>(j))));
    m_connection.setMeterControls(false);
    emit rowsChanged(j);
    return true;
}

const QList<JournalRow> &JournalReader::rows(Journal j) const { return m_rows[int(j)]; }

quint32 JournalReader::serialOf(Journal j) const { return m_serials[int(j)]; }

// ---------------------------------------------------------------- replies

void JournalReader::onReply(const protocol::Reply &reply)
{
    const QByteArray request = m_dispatcher.requestBody();
    const QByteArrayView payload = reply.payload();
    // The reply check has made sure the reply matches the request; one for
    // a journal this reader is not reading has no effect.
    if (!m_reading || static_cast<quint8>(payload[0]) != static_cast<quint8>(m_journal))
        return;
    if (isHeaderRequest(request)) {
        onHeader(payload);
        return;
    }
    const int index = requestedIndex(request);
    const QByteArrayView record = payload.sliced(kRecordPrefix);
    if (!record.isEmpty())
        m_connection.setStatusPanel(0, QString::number(index));
    onRecord(index, record);
}

void JournalReader::onHeader(QByteArrayView payload)
{
    m_slotCount = protocol::u16le(payload, 1);
    m_entryCount = protocol::u16le(payload, 3);
    if (m_journal == Journal::Profile) {
        m_journalIndex = protocol::u16le(payload, 5);
        m_profileState = 1;
    } else {
        m_journalIndex = 0;
    }
    requestRecord(0);
}

void JournalReader::onRecord(int index, QByteArrayView record)
{
    if (m_journal == Journal::Profile)
        onProfileRecord(index, record);
    else
        onListRecord(index, record);
}

// Month and day journals run through every slot, skipping empty ones; the
// others stop at the number of records held. The next index always follows
// the requested one, whatever the meter echoed.
void JournalReader::onListRecord(int index, QByteArrayView record)
{
    const bool bySlots = m_journal == Journal::Month || m_journal == Journal::Day;
    if (!record.isEmpty()) {
        addRow(record);
        if (bySlots)
            sortRows();
    }
    const int next = index + 1;
    m_journalIndex = next;
    if (next < (bySlots ? m_slotCount : m_entryCount)) {
        requestRecord(next);
        return;
    }
    if (!bySlots)
        sortRows();
    finish();
}

void JournalReader::addRow(QByteArrayView record)
{
    m_rows[int(m_journal)].append(decodeRecord(m_journal, record, protocol::displayLocale()));
    emit rowsChanged(m_journal);
}

void JournalReader::sortRows()
{
    QList<JournalRow> &rows = m_rows[int(m_journal)];
    std::stable_sort(rows.begin(), rows.end(), earlier);
    emit rowsChanged(m_journal);
}

// ---------------------------------------------------------------- load profile
//
// The store is circular: slotCount slots, entryCount records held, the newest
// at journalIndex (C). Record 0 is the oldest unless the store is full and
// has wrapped (C + 1 < slotCount); then the oldest is at C + 1. The first
// record of the day is found by a binary search, and the day's records are
// then read in order until a record leaves the day or the store wraps.

void JournalReader::onProfileRecord(int index, QByteArrayView record)
{
    if (record.size() < kProfileTimeBytes) { // an empty slot ends the reading
        finish();
        return;
    }
    const qint64 t = protocol::u32le(record, 0);
    switch (m_profileState) {
    case 1:
        probeRecordZero(t);
        if (m_profileState == 3)
            accept(index, record, t);
        break;
    case 2:
        probe(index, t);
        if (m_profileState == 3 && t >= m_dayStart)
            accept(index, record, t);
        break;
    default:
        accept(index, record, t);
        break;
    }
}

void JournalReader::probeRecordZero(qint64 t)
{
    const int newest = qBound(0, m_journalIndex, qMax(0, m_slotCount - 1));
    const bool wrapped = m_entryCount >= m_slotCount && newest + 1 < m_slotCount;
    if (t < m_dayStart) {
        m_searchLow = 0;
        m_searchHigh = newest;
    } else if (t == m_dayStart || (!wrapped && t < m_dayStart + kDaySeconds)) {
        m_profileState = 3; // record 0 opens the day
        return;
    } else if (wrapped) { // the day, if held, lies among the slots after the newest
        m_searchLow = newest + 1;
        m_searchHigh = m_slotCount - 1;
    } else { // the oldest record is after the day
        finish();
        return;
    }
    m_profileState = 2;
    requestMiddle();
}

void JournalReader::probe(int index, qint64 t)
{
    if (m_searchHigh <= m_searchLow) {
        settle(index, t);
        return;
    }
    if (t < m_dayStart)
        m_searchLow = m_searchHigh - m_searchLow > 1 ? index : m_searchHigh;
    else
        m_searchHigh = index;
    requestMiddle();
}

// The search has come down to one record: the day's first, the last one
// before the day (the day, if held, begins at the next slot), or none.
void JournalReader::settle(int index, qint64 t)
{
    if (t >= m_dayStart + kDaySeconds) {
        finish();
        return;
    }
    m_profileState = 3;
    if (t < m_dayStart) {
        m_lastProfileTime = t; // a wrap back to older records ends the reading
        requestRecord(index + 1 >= m_slotCount ? 0 : index + 1);
    }
}

void JournalReader::accept(int index, QByteArrayView record, qint64 t)
{
    const bool wrapped = t <= m_lastProfileTime;
    const bool outside = t < m_dayStart || t >= m_dayStart + kDaySeconds;
    if (wrapped || outside || m_profileReads >= qMax(1, m_slotCount)) {
        finish();
        return;
    }
    m_lastProfileTime = t;
    ++m_profileReads;
    // The point first: a view redrawn on rowsChanged shows the row and its bar together.
    if (const auto point = decodeProfilePoint(record))
        m_points.append(*point);
    addRow(record);
    requestRecord(index + 1 >= m_slotCount ? 0 : index + 1);
}

void JournalReader::requestMiddle() { requestRecord((m_searchLow + m_searchHigh) / 2); }

// ---------------------------------------------------------------- the conversation

void JournalReader::requestRecord(int index) { m_connection.enqueueRequest(recordRequest(m_journal, index)); }

void JournalReader::finish()
{
    m_reading = false;
    emit readFinished(m_journal);
}

void JournalReader::abort()
{
    if (!m_reading)
        return;
    m_reading = false;
    emit readAborted(m_journal);
}

} // namespace journals
