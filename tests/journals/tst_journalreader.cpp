// The 0x5D conversation against a scripted meter that serves a journal
// store: the requests in their order, the rows read, the end of the read,
// and the load-profile search over every shape of circular store.

#include "../support/linkfixture.h"
#include "journals/journalreader.h"
#include "protocol/encodings.h"
#include "protocol/meterpage.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

using journals::Journal;

namespace {

constexpr qint64 kDay = 86400;

// A journal as the meter holds it: the header values and one payload per
// slot (an empty slot answers with L = 5).
struct Store
{
    int a = 0; // slots
    int b = 0; // records held
    int c = 0; // newest record (load profile)
    QList<QByteArray> payloads;
};

QByteArray le16(int v) { return protocol::le(quint32(v), 2); }

// Meter seconds of midnight of a day.
qint64 midnight(QDate day) { return QDate(2000, 1, 1).daysTo(day) * kDay; }

QByteArray profilePayload(qint64 t) { return protocol::le(quint32(t), 4) + QByteArray(12, '\0'); }

// A load-profile store holding the given times, oldest first: record 0 is
// the oldest until the store is full; a full store keeps its oldest at
// newest + 1.
Store profileStore(int slotTotal, const QList<qint64> &times, int newest)
{
    Store s;
    s.a = slotTotal;
    s.b = int(times.size());
    s.payloads.resize(slotTotal);
    if (s.b < slotTotal) {
        s.c = qMax(0, s.b - 1);
        for (int i = 0; i < s.b; ++i)
            s.payloads[i] = profilePayload(times[i]);
    } else {
        s.c = newest;
        for (int p = 0; p < s.b; ++p)
            s.payloads[(newest + 1 + p) % slotTotal] = profilePayload(times[p]);
    }
    return s;
}

// The rows of the day found by reading every slot from the oldest on.
QList<qint64> dayByScan(const QList<qint64> &timesOldestFirst, qint64 dayStart)
{
    QList<qint64> out;
    for (qint64 t : timesOldestFirst)
        if (t >= dayStart && t < dayStart + kDay)
            out << t;
    return out;
}

struct Bench
{
    testsupport::LinkFixture link;
    protocol::MeterPage page;
    journals::JournalReader reader{link.connection, link.dispatcher, page};
    Store store;
    int finished = 0;
    int aborted = 0;
    // Answers of the scripted meter, by the request's index; nothing = the store.
    std::function<std::optional<QByteArray>(int index)> override;

    Bench()
    {
        QObject::connect(&reader, &journals::JournalReader::readFinished, [this] { ++finished; });
        QObject::connect(&reader, &journals::JournalReader::readAborted, [this] { ++aborted; });
        link.meter.responder = [this](const QByteArray &r) -> std::optional<QByteArray> {
            if (static_cast<quint8>(r[0]) != 0x5D)
                return QByteArray() + r[0] + char(2);
            const char j = r[2];
            if (r.size() == 3)
                return QByteArray::fromHex("5D09") + j + le16(store.a) + le16(store.b) + le16(store.c);
            const int index = protocol::u16le(r, 3);
            if (override)
                if (auto answer = override(index))
                    return answer;
            const QByteArray payload = index < store.payloads.size() ? store.payloads[index] : QByteArray();
            return QByteArray() + char(0x5D) + char(5 + payload.size()) + j + le16(index) + payload;
        };
        link.connectAndStart();
        link.clock.advance(500);
    }

    bool read(Journal j, QDate day = {})
    {
        link.meter.requests.clear();
        if (!reader.read(j, day))
            return false;
        return link.clock.advanceUntil([this] { return finished + aborted > 0; }, 3600 * 1000);
    }

    // Record indexes requested with 0x5D, in order (-1 for a header).
    QList<int> journalRequests() const
    {
        QList<int> out;
        for (const QByteArray &r : link.meter.requests)
            if (static_cast<quint8>(r[0]) == 0x5D)
                out << (r.size() == 3 ? -1 : int(protocol::u16le(r, 3)));
        return out;
    }

    QList<qint64> pointTimes() const
    {
        QList<qint64> out;
        for (const auto &p : reader.profilePoints())
            out << protocol::meterEpoch().secsTo(p.when);
        return out;
    }
    QList<qint64> rowTimes(Journal j) const
    {
        QList<qint64> out;
        for (const auto &r : reader.rows(j))
            out << protocol::meterEpoch().secsTo(r.when);
        return out;
    }
};

QList<int> range(int from, int to) // inclusive
{
    QList<int> out;
    for (int i = from; i <= to; ++i)
        out << i;
    return out;
}

// The requests a search may take: header, record 0, two probes per halving
// of the store, the records of the day and the one that ends them.
int requestBound(int slotTotal, int dayRecords)
{
    const int halvings = slotTotal > 1 ? int(std::ceil(std::log2(slotTotal))) : 0;
    return 2 + 2 * halvings + 2 + dayRecords + 1;
}

} // namespace

class TestJournalReader : public QObject
{
    Q_OBJECT
private slots:
    void emptyJournalStillAsksForRecordZero_data();
    void emptyJournalStillAsksForRecordZero();
    void monthSlotsSkipEmptyAndSortByDate();
    void listJournalsStopAtEntryCount();
    void recordWithFourBytesIsNoHeader();
    void wrongRepliesAreRefused_data();
    void wrongRepliesAreRefused();
    void errorReplyKeepsRowsAndAborts();
    void timeoutAbortsRead();
    void disconnectAbortsRead();
    void profileExampleProbesAndReads();
    void profileMidnightAtBothEnds();
    void profileReadEndsAfterOneRound();
    void profileStoreShapes_data();
    void profileStoreShapes();
    void profileRandomStores();
};

void TestJournalReader::emptyJournalStillAsksForRecordZero_data()
{
    QTest::addColumn<int>("number");
    QTest::newRow("onoff") << int(Journal::OnOff);
    QTest::newRow("settings") << int(Journal::Settings);
    QTest::newRow("quality") << int(Journal::Quality);
}

void TestJournalReader::emptyJournalStillAsksForRecordZero()
{
    QFETCH(int, number);
    const auto journal = Journal(number);
    Bench bench;
    bench.store.a = 100; // B = 0
    bench.page.setMeterSerial(4321);
    QVERIFY(bench.read(journal));
    QCOMPARE(bench.journalRequests(), (QList<int>{-1, 0}));
    QCOMPARE(bench.finished, 1);
    QVERIFY(bench.reader.rows(journal).isEmpty());
    QCOMPARE(bench.reader.serialOf(journal), 4321u);
    QVERIFY(!bench.reader.reading());
    // The queue ran empty: the meter controls are back and polling goes on.
    QVERIFY(bench.link.connection.meterControlsEnabled());
    QVERIFY(bench.link.runExchanges(3));
}

void TestJournalReader::monthSlotsSkipEmptyAndSortByDate()
{
    Bench bench;
    bench.store.a = 12;
    bench.store.b = 11;
    bench.store.payloads.resize(12);
    // Slot i holds month 12 - i of 2009 (newest first); slot 3 is empty.
    for (int i = 0; i < 12; ++i) {
        if (i == 3)
            continue;
        QByteArray p(73, '\0');
        p[1] = char(0x05);
        p[2] = char(protocol::toBcd8(12 - i));
        p[3] = char(0x09);
        bench.store.payloads[i] = p;
    }
    QList<QString> panel0;
    QObject::connect(&bench.link.connection, &meterlink::MeterConnection::statusPanelChanged,
                     [&](int panel, const QString &text) {
                         if (panel == 0 && !text.isEmpty())
                             panel0 << text;
                     });
    bool controlsDuringRead = false;
    QObject::connect(&bench.reader, &journals::JournalReader::rowsChanged,
                     [&] { controlsDuringRead = controlsDuringRead || bench.link.connection.meterControlsEnabled(); });

    QVERIFY(bench.read(Journal::Month));
    QCOMPARE(bench.journalRequests(), QList<int>{-1} + range(0, 11));
    QCOMPARE(bench.finished, 1);
    QVERIFY(!controlsDuringRead);
    const auto &rows = bench.reader.rows(Journal::Month);
    QCOMPARE(rows.size(), 11);
    QStringList captions;
    for (const auto &r : rows)
        captions << r.cells.value(0);
    QCOMPARE(captions, (QStringList{"05.01.2009", "05.02.2009", "05.03.2009", "05.04.2009", "05.05.2009",
                                    "05.06.2009", "05.07.2009", "05.08.2009", "05.10.2009", "05.11.2009",
                                    "05.12.2009"}));
    // Panel 0 showed the index of every record with a payload.
    QCOMPARE(panel0, (QStringList{"0", "1", "2", "4", "5", "6", "7", "8", "9", "10", "11"}));
}

void TestJournalReader::listJournalsStopAtEntryCount()
{
    Bench bench;
    bench.store.a = 100;
    bench.store.b = 3;
    bench.store.payloads.resize(100);
    const qint64 times[] = {5000, 1000, 3000};
    for (int i = 0; i < 3; ++i)
        bench.store.payloads[i] = protocol::le(quint32(times[i]), 4) + char(1);
    bench.store.payloads[3] = bench.store.payloads[0]; // held beyond B: never asked for
    QVERIFY(bench.read(Journal::OnOff));
    QCOMPARE(bench.journalRequests(), (QList<int>{-1, 0, 1, 2}));
    QCOMPARE(bench.rowTimes(Journal::OnOff), (QList<qint64>{1000, 3000, 5000}));
}

// A record of 4 payload bytes has L = 9 like a header; the request tells.
void TestJournalReader::recordWithFourBytesIsNoHeader()
{
    Bench bench;
    bench.store.a = 10;
    bench.store.b = 2;
    bench.store.payloads = {protocol::le(2000, 4), protocol::le(1000, 4) + char(0)};
    QVERIFY(bench.read(Journal::OnOff));
    QCOMPARE(bench.journalRequests(), (QList<int>{-1, 0, 1}));
    QCOMPARE(bench.reader.entryCount(), 2);
    QCOMPARE(bench.rowTimes(Journal::OnOff), (QList<qint64>{1000, 2000}));
    QCOMPARE(bench.reader.rows(Journal::OnOff).last().cells.value(1), QString()); // no event byte
}

void TestJournalReader::wrongRepliesAreRefused_data()
{
    QTest::addColumn<QByteArray>("reply"); // the answer to record 1 of journal 2
    QTest::newRow("another journal") << QByteArray::fromHex("5D0A03010010270000 01");
    QTest::newRow("another index") << QByteArray::fromHex("5D0A02020010270000 01");
    QTest::newRow("index missing") << QByteArray::fromHex("5D040201");
    QTest::newRow("no journal byte") << QByteArray::fromHex("5D02");
}

void TestJournalReader::wrongRepliesAreRefused()
{
    QFETCH(QByteArray, reply);
    Bench bench;
    bench.store.a = 10;
    bench.store.b = 5;
    for (int i = 0; i < 5; ++i)
        bench.store.payloads << protocol::le(quint32(1000 * (i + 1)), 4) + char(1);
    bench.override = [&](int index) -> std::optional<QByteArray> {
        if (index == 1)
            return reply;
        return std::nullopt;
    };
    QVERIFY(bench.read(Journal::OnOff));
    QCOMPARE(bench.aborted, 1);
    QCOMPARE(bench.finished, 0);
    QCOMPARE(bench.journalRequests(), (QList<int>{-1, 0, 1}));
    QVERIFY(bench.link.protocol.contains("Неверный отклик"));
    QCOMPARE(bench.rowTimes(Journal::OnOff), (QList<qint64>{1000}));
    QVERIFY(bench.link.runExchanges(2)); // polling resumes
}

void TestJournalReader::errorReplyKeepsRowsAndAborts()
{
    Bench bench;
    bench.store.a = 12;
    bench.store.b = 12;
    bench.store.payloads.resize(12);
    for (int i = 0; i < 12; ++i)
        bench.store.payloads[i] = protocol::le(quint32(1000 * (i + 1)), 4) + char(0);
    bench.override = [](int index) -> std::optional<QByteArray> {
        if (index == 2)
            return QByteArray::fromHex("DD0304");
        return std::nullopt;
    };
    QVERIFY(bench.read(Journal::Quality));
    QCOMPARE(bench.aborted, 1);
    QCOMPARE(bench.finished, 0);
    QCOMPARE(bench.journalRequests(), (QList<int>{-1, 0, 1, 2}));
    QCOMPARE(bench.rowTimes(Journal::Quality).size(), 2);
    QVERIFY(std::any_of(bench.link.protocol.cbegin(), bench.link.protocol.cend(),
                        [](const QString &l) { return l.startsWith("Ошибка: Неверные данные запроса"); }));
    QVERIFY(bench.link.connection.meterControlsEnabled());
}

void TestJournalReader::timeoutAbortsRead()
{
    Bench bench;
    bench.store.a = 12;
    bench.store.b = 12;
    bench.store.payloads.fill(protocol::le(1000, 4) + char(0), 12);
    bench.override = [&](int index) -> std::optional<QByteArray> {
        if (index == 1)
            bench.link.meter.present = false;
        return std::nullopt;
    };
    QVERIFY(bench.read(Journal::OnOff));
    QCOMPARE(bench.aborted, 1);
    QCOMPARE(bench.journalRequests(), (QList<int>{-1, 0, 1})); // 2 went out unheard
    QCOMPARE(bench.reader.rows(Journal::OnOff).size(), 2);
    QVERIFY(bench.link.protocol.last().endsWith(" Timeout."));
}

void TestJournalReader::disconnectAbortsRead()
{
    Bench bench;
    bench.store.a = 12;
    bench.store.b = 12;
    bench.store.payloads.fill(protocol::le(1000, 4) + char(0), 12);
    bench.link.meter.requests.clear();
    QVERIFY(bench.reader.read(Journal::Quality));
    QVERIFY(bench.link.clock.advanceUntil([&] { return bench.journalRequests().size() == 3; }, 60000));
    bench.link.connection.disconnectLink();
    QCOMPARE(bench.aborted, 1);
    QVERIFY(!bench.reader.reading());
    QVERIFY(!bench.reader.read(Journal::Quality)); // nothing is queued without a link
    QCOMPARE(bench.finished, 0);
}

// 48 slots, all full, newest at 10, the day's first record at slot 30: record
// 0 lies after the day start, so the search runs over 11..47; the reading
// starts at 30 and goes on through 47, 0 .. 10, until slot 11 (older) ends it.
void TestJournalReader::profileExampleProbesAndReads()
{
    const QDate day(2024, 3, 15);
    const qint64 d = midnight(day);
    QList<qint64> times; // oldest (slot 11) first, half-hourly; slot 30 at 00:10
    for (int p = 0; p < 48; ++p)
        times << d + 600 + (p - 19) * 1800;
    Bench bench;
    bench.store = profileStore(48, times, 10);
    QVERIFY(bench.read(Journal::Profile, day));
    QCOMPARE(bench.finished, 1);
    const QList<int> expected = QList<int>{-1, 0, 29, 38, 33, 31, 30, 29, 30} + range(31, 47) + range(0, 11);
    QCOMPARE(bench.journalRequests(), expected);
    QCOMPARE(bench.pointTimes(), dayByScan(times, d));
    QCOMPARE(bench.rowTimes(Journal::Profile), dayByScan(times, d));
    QCOMPARE(bench.pointTimes().size(), 29);
    QCOMPARE(bench.reader.profileDay(), day);
}

// A meter whose every answer is a newer record of the day (its store changing
// under the read) cannot keep the link: one round of the store at most.
void TestJournalReader::profileReadEndsAfterOneRound()
{
    const QDate day(2022, 2, 2);
    const qint64 d = midnight(day);
    Bench bench;
    bench.store = profileStore(4, {d + 10, d + 20, d + 30, d + 40}, 3);
    qint64 next = d + 100;
    bool first = true;
    bench.override = [&](int index) -> std::optional<QByteArray> {
        if (std::exchange(first, false))
            return std::nullopt; // record 0 opens the day
        const QByteArray payload = profilePayload(next += 60);
        return QByteArray() + char(0x5D) + char(5 + payload.size()) + char(5) + le16(index) + payload;
    };
    QVERIFY(bench.read(Journal::Profile, day));
    QCOMPARE(bench.finished, 1);
    QCOMPARE(bench.pointTimes().size(), 4);
    QCOMPARE(bench.journalRequests(), (QList<int>{-1, 0, 1, 2, 3, 0})); // the fifth record is not taken
}

void TestJournalReader::profileMidnightAtBothEnds()
{
    const QDate day(2021, 6, 1);
    const qint64 d = midnight(day);
    const QList<qint64> times{d - 1800, d, d + 1800, d + kDay - 1, d + kDay, d + kDay + 1800};
    Bench bench;
    bench.store = profileStore(48, times, 0);
    QVERIFY(bench.read(Journal::Profile, day));
    QCOMPARE(bench.pointTimes(), (QList<qint64>{d, d + 1800, d + kDay - 1}));
    QCOMPARE(bench.reader.rows(Journal::Profile).first().cells.value(0),
             protocol::displayLocale().toString(QTime(0, 0), protocol::longTimeFormat(protocol::displayLocale())));
    QCOMPARE(bench.journalRequests().last(), 4); // the record at the next midnight ends it
}

void TestJournalReader::profileStoreShapes_data()
{
    QTest::addColumn<int>("slotTotal");
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("newest");  // full stores only
    QTest::addColumn<qint64>("first"); // oldest time, seconds from the day start
    QTest::addColumn<qint64>("step");
    QTest::addColumn<int>("gapAt");   // records from this position on lie `gap` later
    QTest::addColumn<qint64>("gap");
    QTest::addColumn<int>("dayRecords");

    const qint64 h = 3600;
    QTest::newRow("empty") << 48 << 0 << 0 << 0ll << h << 0 << 0ll << 0;
    QTest::newRow("not full, day inside") << 48 << 40 << 0 << -10 * h << h << 0 << 0ll << 24;
    QTest::newRow("not full, day at slot 0") << 48 << 40 << 0 << 2 * h << h << 0 << 0ll << 22;
    QTest::newRow("not full, record 0 at midnight") << 48 << 40 << 0 << 0ll << h << 0 << 0ll << 24;
    QTest::newRow("not full, day before the oldest") << 48 << 40 << 0 << kDay + h << h << 0 << 0ll << 0;
    QTest::newRow("not full, day after the newest") << 48 << 20 << 0 << -2 * kDay << h << 0 << 0ll << 0;
    QTest::newRow("full, newest last, day inside") << 48 << 48 << 47 << -10 * h << h << 0 << 0ll << 24;
    QTest::newRow("full, newest last, record 0 after the day") << 48 << 48 << 47 << kDay + 5 << h << 0 << 0ll << 0;
    QTest::newRow("full, newest last, day at slot 0") << 48 << 48 << 47 << 600ll << 1800ll << 0 << 0ll << 48;
    QTest::newRow("wrapped, day begins at slot 0") << 48 << 48 << 20 << -27 * 1800ll << 1800ll << 0 << 0ll << 21;
    QTest::newRow("wrapped, day straddles the wrap") << 48 << 48 << 20 << -20 * h << h << 0 << 0ll << 24;
    QTest::newRow("wrapped, day not present") << 48 << 48 << 20 << -30 * h << h << 30 << 2 * kDay << 0;
    QTest::newRow("wrapped, day after the newest") << 48 << 48 << 20 << -3 * kDay << h << 0 << 0ll << 0;
    QTest::newRow("wrapped, day before the oldest") << 48 << 48 << 20 << kDay << h << 0 << 0ll << 0;
    QTest::newRow("wrapped, newest at 0") << 48 << 48 << 0 << -5 * h << h << 0 << 0ll << 24;
    QTest::newRow("wrapped, newest second last") << 48 << 48 << 46 << -47 * 1800ll << 1800ll << 0 << 0ll << 1;
    QTest::newRow("one slot, in the day") << 1 << 1 << 0 << 100ll << h << 0 << 0ll << 1;
    QTest::newRow("two slots, newest 0") << 2 << 2 << 0 << -h << 2 * h << 0 << 0ll << 1;
    QTest::newRow("large wrapped store") << 4000 << 4000 << 1234 << -3000 * 600ll << 600ll << 0 << 0ll << 144;
}

void TestJournalReader::profileStoreShapes()
{
    QFETCH(int, slotTotal);
    QFETCH(int, records);
    QFETCH(int, newest);
    QFETCH(qint64, first);
    QFETCH(qint64, step);
    QFETCH(int, gapAt);
    QFETCH(qint64, gap);
    QFETCH(int, dayRecords);

    const QDate day(2023, 10, 29);
    const qint64 d = midnight(day);
    QList<qint64> times;
    for (int p = 0; p < records; ++p)
        times << d + first + p * step + (gapAt > 0 && p >= gapAt ? gap : 0);
    const QList<qint64> expected = dayByScan(times, d);
    QCOMPARE(expected.size(), dayRecords); // the store is what the row says

    Bench bench;
    bench.store = profileStore(slotTotal, times, newest);
    QVERIFY(bench.read(Journal::Profile, day));
    QCOMPARE(bench.finished, 1);
    QCOMPARE(bench.pointTimes(), expected);
    QCOMPARE(bench.rowTimes(Journal::Profile), expected);
    QVERIFY2(bench.journalRequests().size() <= requestBound(slotTotal, dayRecords),
             qPrintable(QString::number(bench.journalRequests().size())));
}

void TestJournalReader::profileRandomStores()
{
    const quint32 seed = 20261210;
    qInfo("seed %u", seed);
    QRandomGenerator rng(seed);
    Bench bench;
    for (int round = 0; round < 300; ++round) {
        const int slotTotal = 1 + rng.bounded(120);
        const bool full = rng.bounded(2) == 0;
        const int records = full ? slotTotal : rng.bounded(slotTotal);
        const int newest = rng.bounded(slotTotal);
        QList<qint64> times;
        qint64 t = 1000000 + rng.bounded(100000);
        for (int p = 0; p < records; ++p) {
            times << t;
            t += 1 + rng.bounded(4 * 3600);
        }
        const qint64 pick = times.isEmpty() ? t : times[rng.bounded(int(times.size()))];
        const QDate day = QDate(2000, 1, 1).addDays(pick / kDay + rng.bounded(3) - 1);
        const QList<qint64> expected = dayByScan(times, midnight(day));

        bench.store = profileStore(slotTotal, times, newest);
        bench.finished = 0;
        bench.aborted = 0;
        const QString where = QStringLiteral("round %1: %2 slots, %3 records, newest %4")
                                  .arg(round).arg(slotTotal).arg(records).arg(bench.store.c);
        QVERIFY2(bench.read(Journal::Profile, day), qPrintable(where));
        QVERIFY2(bench.finished == 1, qPrintable(where));
        QVERIFY2(bench.pointTimes() == expected, qPrintable(where));
        QVERIFY2(bench.journalRequests().size() <= requestBound(slotTotal, int(expected.size())), qPrintable(where));
        bench.link.clock.advance(200); // back to polling
    }
}

QTEST_GUILESS_MAIN(TestJournalReader)
#include "tst_journalreader.moc"
