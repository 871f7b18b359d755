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

#include "simprocess.h"

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

namespace {

constexpr int kRepliesBeforeBatch = 63;
QString repliesInto(int k) { return QString::number(kRepliesBeforeBatch + k); }

// Meter 123456 (electro_id 100) waits on route sheet 20; billing day 25 at
// hour 7, the speed kept at 115200.
const QByteArray kTemplate = R"({ "CheckShedule": true, "SpinDay": 25, "SpinHour": 7,
    "CheckAddr": true, "ComboNewBaud": 5 })";

const QString kSettingsFailed =
    QStringLiteral("Во время записи установок произошла ошибка. Описание смотрите на закладке Протокол.");

QString computerKey() { return productiondb::Workstation::computerKey(productiondb::OsIdentity().computerName()); }
QString loginKey() { return productiondb::Workstation::loginKey(productiondb::OsIdentity().userName()); }
QString sqlText(const QString &text) { return u'\'' + QString(text).replace(u'\'', QStringLiteral("''")) + u'\''; }

struct Run
{
    bool finished = false;
    int exitCode = -1;
    QString out;
    QString err;
};

QString details(const Run &r) { return QStringLiteral("exit %1\n--- out\n%2--- err\n%3").arg(r.exitCode).arg(r.out, r.err); }

} // namespace

class TstPtyFaultsDb : public QObject
{
    Q_OBJECT

    DbConnection m_db;
    QTemporaryDir m_dir; // the working folder, with the marker file

    // The seed as the demo loads it, with this computer and user.
    bool loadSeed()
    {
        QFile seed(QStringLiteral(TARVIK_DEMO_SEED));
        if (!seed.open(QIODevice::ReadOnly))
            return false;
        QProcess client;
        client.setProcessChannelMode(QProcess::ForwardedChannels);
        client.start(QStringLiteral("bash"), {qEnvironmentVariable("TARVIK_TEST_DB_SCRIPT"), QStringLiteral("client"),
                                              qEnvironmentVariable("TARVIK_TEST_DB_DIR")});
        client.write(QStringLiteral("SET @computer_name = %1;\nSET @operator_login = %2;\n")
                         .arg(sqlText(computerKey()), sqlText(loginKey()))
                         .toUtf8());
        client.write(seed.readAll());
        client.closeWriteChannel();
        return client.waitForFinished(60000) && client.exitStatus() == QProcess::NormalExit
               && client.exitCode() == 0;
    }

    Run runCli(const QString &pty, const QStringList &more)
    {
        QProcess p;
        p.setWorkingDirectory(m_dir.path());
        p.start(QStringLiteral(TARVIK_CLI_PATH),
                QStringList{"--port", pty, "--baud", "115200", "--no-clock-sync", "--timeout", "300"} + more);
        Run r;
        r.finished = p.waitForFinished(60000);
        if (!r.finished) {
            p.kill();
            p.waitForFinished();
        }
        if (r.finished && p.exitStatus() == QProcess::NormalExit)
            r.exitCode = p.exitCode();
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(testsupport::writeFile(m_dir.filePath(QStringLiteral("SettingSql.tarvik")), {}));
        QVERIFY(testsupport::writeFile(m_dir.filePath(QStringLiteral("settings.json")), kTemplate));
    }

    void init() { QVERIFY(loadSeed()); }

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
