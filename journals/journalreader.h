#pragma once
// Reading a journal from the meter: the 0x5D conversation over the request
// queue (header, then one record at a time, each request queued by the
// handler of the previous reply), the load-profile search for the records of
// one day, and the rows read. No widgets: the journal pages and the command
// line show rows() and profilePoints().

#include "journals/journal.h"
#include "journals/journalrow.h"

#include <QByteArrayView>
#include <QDate>
#include <QList>
#include <QObject>

namespace meterlink {
class MeterConnection;
}
namespace protocol {
class MeterPage;
class Reply;
class ReplyDispatcher;
}

namespace journals {

class JournalReader : public QObject
{
    Q_OBJECT
public:
    JournalReader(meterlink::MeterConnection &connection, protocol::ReplyDispatcher &dispatcher,
                  protocol::MeterPage &page, QObject *parent = nullptr);

    // A read button: clears the journal's rows (and, for the profile, its
    // points), keeps meterSerial for titles, queues the header request 5D 03 j
    // and disables the meter controls until the queue runs empty. day: the
    // chosen day of the load profile, taken now (ignored for the others).
    // False (nothing queued) while not connected, while a read runs, and
    // for the load profile without a valid day.
    bool read(Journal j, QDate day = {});

    const QList<JournalRow> &rows(Journal j) const;
    const QList<ProfilePoint> &profilePoints() const { return m_points; }
    quint32 serialOf(Journal j) const; // meterSerial when its read began
    QDate profileDay() const { return m_profileDay; }

    // Reading state, for tests and diagnostics.
    int slotCount() const { return m_slotCount; }
    int entryCount() const { return m_entryCount; }
    int journalIndex() const { return m_journalIndex; }
    int profileState() const { return m_profileState; }
    int searchLow() const { return m_searchLow; }
    int searchHigh() const { return m_searchHigh; }
    bool reading() const { return m_reading; }

signals:
    void rowsChanged(journals::Journal j);
    // The read has ended: the last reply queued nothing more. A read cut
    // off by a time-out or an error reply ends with readAborted instead.
    void readFinished(journals::Journal j);
    void readAborted(journals::Journal j);

private:
    // One 0x5D reply, told apart by the request it answers.
    void onReply(const protocol::Reply &reply);
    void onHeader(QByteArrayView payload);
    void onRecord(int index, QByteArrayView record);
    void onListRecord(int index, QByteArrayView record); // journals 0..4
    void onProfileRecord(int index, QByteArrayView record);
    void probeRecordZero(qint64 t);
    void probe(int index, qint64 t);
    void settle(int index, qint64 t);
    void accept(int index, QByteArrayView record, qint64 t);
    void requestRecord(int index);
    void requestMiddle();
    void addRow(QByteArrayView record);
    void sortRows();
    void finish();
    void abort();

    meterlink::MeterConnection &m_connection;
    protocol::ReplyDispatcher &m_dispatcher;
    protocol::MeterPage &m_page;
    QList<JournalRow> m_rows[kJournalCount];
    quint32 m_serials[kJournalCount] = {};
    QList<ProfilePoint> m_points;
    QDate m_profileDay;
    Journal m_journal = Journal::Month; // the journal being read
    int m_slotCount = 0;
    int m_entryCount = 0;
    int m_journalIndex = 0;
    int m_profileState = 0;
    int m_searchLow = 0;
    int m_searchHigh = 0;
    qint64 m_dayStart = 0;         // the chosen day's midnight, meter seconds
    qint64 m_lastProfileTime = -1; // meter seconds; -1 before the first record
    int m_profileReads = 0;        // records taken in order: at most one round of the store
    bool m_reading = false;
};

} // namespace journals
