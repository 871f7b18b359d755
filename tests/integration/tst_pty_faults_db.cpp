// A production settings batch (tarvik-cli in database mode, against
// tarvik-sim over a real pseudo-terminal and the private database server
// loaded with db/demo-seed.sql) under the faults of a hostile line: the
// batch is recorded only when the meter acknowledged all of it. A batch
// that a busy storm or split replies only slow down is recorded once; a
// batch cut off by silence, by a late acknowledgement or by the port
// vanishing leaves every production table as it was, and no log file.
//
// The version request, the first polling cycle and the first request of
// the next one (63 replies) go before the batch: 14 (password entry), 23
// (billing day and hour), 03 (communication parameters).

#include "demoseed.h"
#include "simprocess.h"
#include "../support/clirun.h"

#include "db/dbconnection.h"
#include "db/systemidentity.h"
#include "db/workstation.h"

#include "../db/tabledump.h"
#include "../support/testfiles.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using productiondb::DbConnection;
using productiondb::DbResult;

using namespace testsupport;

namespace {

constexpr int kRepliesBeforeBatch = 63;
QString repliesInto(int k) { return QString::number(kRepliesBeforeBatch + k); }

// Meter 123456 (electro_id 100) waits on route sheet 20; billing day 25 at
// hour 7, the speed kept at 115200.
const QByteArray kTemplate = R"({ "CheckShedule": true, "SpinDay": 25, "SpinHour": 7,
    "CheckAddr": true, "ComboNewBaud": 5 })";

const QString kSettingsFailed =
    QStringLiteral("Во время записи установок произошла ошибка. Описание смотрите на закладке Протокол.");


using Run = CliRun;


} // namespace

class TstPtyFaultsDb : public QObject
{
    Q_OBJECT

    DbConnection m_db;
    QTemporaryDir m_dir; // the working folder, with the marker file


    Run runCli(const QString &pty, const QStringList &more)
    {
        return testsupport::runCli(m_dir.path(), QStringList{"--port", pty, "--baud", "115200", "--no-clock-sync",
                                                             "--timeout", "300"} + more, 60000);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(testsupport::writeFile(m_dir.filePath(QStringLiteral("SettingSql.tarvik")), {}));
        QVERIFY(testsupport::writeFile(m_dir.filePath(QStringLiteral("settings.json")), kTemplate));
    }

    void init() { QVERIFY(loadDemoSeed()); }

    void batchUnderFaults_data()
    {
        QTest::addColumn<QStringList>("faults");
        QTest::addColumn<QStringList>("cli");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("recorded");
        QTest::newRow("every reply in three chunks") << QStringList{"--split"} << QStringList() << 0 << QString() << true;
        QTest::newRow("busy storm of 30 on the last write")
            << QStringList{"--faults-after", repliesInto(2), "--busy", "30"} << QStringList() << 0 << QString() << true;
        QTest::newRow("silent before the last write")
            << QStringList{"--silent-after", repliesInto(2)} << QStringList() << 5 << kSettingsFailed << false;
        // The meter takes the parameters, its acknowledgement comes too late.
        QTest::newRow("last acknowledgement after the time-out")
            << QStringList{"--faults-after", repliesInto(2), "--delay", "650"} << QStringList{"--timeout", "500"} << 5
            << kSettingsFailed << false;
        QTest::newRow("port vanishes before the last write")
            << QStringList{"--vanish-after", repliesInto(2)} << QStringList() << 4
            << QStringLiteral("Связь с портом ") << false;
    }
    void batchUnderFaults()
    {
        QFETCH(QStringList, faults);
        QFETCH(QStringList, cli);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        QFETCH(bool, recorded);
        const testserver::TableDump before = testserver::dumpTables(m_db);
        testsupport::SimProcess sim(QStringList{"--baud", "115200"} + faults);
        QVERIFY(!sim.path().isEmpty());
        const Run r = runCli(sim.path(), QStringList{"--write-settings", m_dir.filePath("settings.json")} + cli);
        QVERIFY2(r.finished && r.exitCode == exitCode, qPrintable(details(r)));
        QVERIFY2(message.isEmpty() ? r.err.trimmed().isEmpty() : r.err.contains(message), qPrintable(details(r)));
        QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("Setting_Tarvik_504.log"))));
        if (!recorded) {
            QCOMPARE(testserver::dumpTables(m_db), before);
            return;
        }
        const DbResult operation = m_db.run(QStringLiteral("SELECT * FROM operation"));
        QCOMPARE(operation.rows.size(), 1);
        QCOMPARE(operation.first("electro_id").toInt(), 100);
        const DbResult settings = m_db.run(QStringLiteral("SELECT * FROM set_tarvik"));
        QCOMPARE(settings.rows.size(), 1);
        QCOMPARE(settings.first("count_day").toInt(), 25);
        QCOMPARE(settings.first("count_hour").toInt(), 7);
    }
};

QTEST_GUILESS_MAIN(TstPtyFaultsDb)
#include "tst_pty_faults_db.moc"
