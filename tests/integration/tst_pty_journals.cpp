// tarvik-cli --read-journal against the tarvik-sim program over a real
// pseudo-terminal: every journal read gives exactly the rows of the records
// the simulator holds (listed by the same program with the same options),
// in date-time order; a load-profile day gives that day's records in time
// order, whatever the shape of the store; --csv writes the same table.

#include "simprocess.h"

#include "journals/csvtable.h"
#include "journals/journal.h"
#include "journals/recorddecoders.h"
#include "protocol/encodings.h"

#include "../support/clirun.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>

using namespace journals;

namespace {

using testsupport::CliRun;
using testsupport::runCli;

// Noon, so no midnight or billing moment passes during a run; the month and
// day journals are drawn from the registers as they are at this moment.
const QStringList kClock{"--time", "2024-03-20T12:10:00"};

// "index hex-payload" lines of tarvik-sim --list-journal / --list-profile-day.
QList<QByteArray> listed(const QStringList &arguments, QString *error)
{
    QProcess p;
    p.start(QStringLiteral(TARVIK_SIM_PATH), arguments);
    if (!p.waitForFinished(30000) || p.exitCode() != 0) {
        *error = QString::fromLocal8Bit(p.readAllStandardError());
        return {};
    }
    QList<QByteArray> payloads;
    for (const QByteArray &line : p.readAllStandardOutput().split('\n'))
        if (!line.trimmed().isEmpty())
            payloads << QByteArray::fromHex(line.trimmed().mid(line.trimmed().indexOf(' ') + 1));
    return payloads;
}

// The list as the window shows it: header, then the rows, TAB-separated.
QStringList tableLines(Journal j, const QList<JournalRow> &rows)
{
    QStringList lines{journalColumns(j).join('\t')};
    for (const JournalRow &row : rows)
        lines << row.cells.join('\t');
    return lines;
}

// Rows by their date-time, oldest first, rows of one moment in record order.
QList<JournalRow> expectedRows(Journal j, const QList<QByteArray> &payloads, bool sorted)
{
    QList<JournalRow> rows;
    for (const QByteArray &payload : payloads)
        rows << decodeRecord(j, payload, protocol::displayLocale());
    if (sorted)
        std::stable_sort(rows.begin(), rows.end(), [](const JournalRow &a, const JournalRow &b) {
            if (!a.when.isValid() || !b.when.isValid())
                return !a.when.isValid() && b.when.isValid();
            return a.when < b.when;
        });
    return rows;
}

CliRun readJournal(const QString &dir, const QString &pty, const QStringList &more)
{
    return runCli(dir, QStringList{"--port", pty, "--baud", "115200", "--quiet", "--timeout", "1000"} + more);
}

} // namespace

class TestPtyJournals : public QObject
{
    Q_OBJECT

private slots:
    void eachJournal_data();
    void eachJournal();
    void profileDay_data();
    void profileDay();
    void csvFile();
    void readCutOff();
};

void TestPtyJournals::eachJournal_data()
{
    QTest::addColumn<int>("journal");
    for (int j = 0; j < 5; ++j)
        QTest::newRow(qPrintable(journalName(Journal(j)))) << j;
}

void TestPtyJournals::eachJournal()
{
    QFETCH(int, journal);
    const Journal j = Journal(journal);
    QString error;
    const QList<QByteArray> held = listed(kClock + QStringList{"--list-journal", QString::number(journal)}, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    // A fresh meter has changed no setting yet (B = 0): its list is the header alone.
    QVERIFY2(!held.isEmpty() || j == Journal::Settings, "the simulator holds records in this journal");
    const QStringList expected = tableLines(j, expectedRows(j, held, true));

    testsupport::SimProcess sim(QStringList{"--baud", "115200"} + kClock);
    QVERIFY(!sim.path().isEmpty());
    QTemporaryDir dir;
    const CliRun r = readJournal(dir.path(), sim.path(), {"--read-journal", journalName(j)});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    for (const QString &line : lines) // one cell per caption
        QVERIFY2(line.count('\t') == journalColumns(j).size() - 1, qPrintable(line));
    QCOMPARE(lines, expected);
}

// Stores of every shape: full with the newest record early, in the middle
// and in the last slot, not full, and the day straddling the wrap.
void TestPtyJournals::profileDay_data()
{
    QTest::addColumn<QStringList>("shape");
    QTest::addColumn<QString>("day");
    QTest::addColumn<int>("rows");
    // The newest record is stamped 12:00, the start of the present period.
    QTest::newRow("default store, a whole day") << QStringList() << "2024-03-17" << 48;
    QTest::newRow("today up to now") << QStringList() << "2024-03-20" << 25;
    QTest::newRow("full, newest in the middle") << QStringList{"--profile-slots", "480", "--profile-newest", "240"}
                                                << "2024-03-15" << 48;
    QTest::newRow("full, newest in the last slot")
        << QStringList{"--profile-slots", "480", "--profile-newest", "479"} << "2024-03-12" << 48;
    // Slots 0..24 hold 00:00..12:00 of the day, the slots above it are older.
    QTest::newRow("full, the day begins at slot 0")
        << QStringList{"--profile-slots", "480", "--profile-newest", "24"} << "2024-03-20" << 25;
    // 00:00..06:30 in slots 466..479, then 07:00..12:00 in slots 0..10.
    QTest::newRow("full, the day straddles the wrap")
        << QStringList{"--profile-slots", "480", "--profile-newest", "10"} << "2024-03-20" << 25;
    QTest::newRow("not full") << QStringList{"--profile-slots", "1488", "--profile-records", "300"} << "2024-03-16"
                              << 48;
    QTest::newRow("a day without records") << QStringList{"--profile-gap", "2024-03-14"} << "2024-03-14" << 0;
    QTest::newRow("before the oldest record") << QStringList{"--profile-slots", "96"} << "2024-03-10" << 0;
    QTest::newRow("after the newest record") << QStringList() << "2024-03-21" << 0;
}

void TestPtyJournals::profileDay()
{
    QFETCH(QStringList, shape);
    QFETCH(QString, day);
    QFETCH(int, rows);
    QString error;
    const QList<QByteArray> held = listed(kClock + shape + QStringList{"--list-profile-day", day}, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(held.size(), rows); // the store is shaped as meant
    const QStringList expected = tableLines(Journal::Profile, expectedRows(Journal::Profile, held, false));

    testsupport::SimProcess sim(QStringList{"--baud", "115200"} + kClock + shape);
    QVERIFY(!sim.path().isEmpty());
    QTemporaryDir dir;
    const CliRun r = readJournal(dir.path(), sim.path(), {"--read-journal", "profile", "--day", day});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QCOMPARE(r.out.split('\n', Qt::SkipEmptyParts), expected);
}

void TestPtyJournals::csvFile()
{
    QString error;
    const QList<QByteArray> held = listed(kClock + QStringList{"--list-journal", "2"}, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QList<QStringList> rows;
    for (const JournalRow &row : expectedRows(Journal::OnOff, held, true))
        rows << row.cells;

    testsupport::SimProcess sim(QStringList{"--baud", "115200"} + kClock);
    QVERIFY(!sim.path().isEmpty());
    QTemporaryDir dir;
    const QString path = dir.filePath("onoff.csv");
    const CliRun r = readJournal(dir.path(), sim.path(), {"--read-journal", "onoff", "--csv", path});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QCOMPARE(r.out, QString()); // the table went to the file
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), csvTable(journalColumns(Journal::OnOff), rows));
}

// The meter falls silent a few records into the day journal (after the 61
// replies of the first polling cycle, one of the second, the header and
// some records): the rows read so far are printed, and the exit code is 5.
void TestPtyJournals::readCutOff()
{
    QString error;
    const QList<QByteArray> held = listed(kClock + QStringList{"--list-journal", "1"}, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    const QStringList all = tableLines(Journal::Day, expectedRows(Journal::Day, held, true));

    testsupport::SimProcess sim(QStringList{"--baud", "115200", "--silent-after", "70"} + kClock);
    QVERIFY(!sim.path().isEmpty());
    QTemporaryDir dir;
    const CliRun r = readJournal(dir.path(), sim.path(), {"--read-journal", "day"});
    QCOMPARE(r.exitCode, 5);
    QVERIFY2(r.err.contains(QStringLiteral("Чтение журнала \"Суточный\" прервано")), qPrintable(r.err));
    const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.first(), all.first());
    QVERIFY2(lines.size() > 1 && lines.size() < all.size(), qPrintable(r.out));
    for (const QString &row : lines.mid(1))
        QVERIFY2(all.contains(row), qPrintable(row));
}

QTEST_GUILESS_MAIN(TestPtyJournals)
#include "tst_pty_journals.moc"
