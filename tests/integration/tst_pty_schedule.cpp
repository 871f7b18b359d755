// The schedule verbs of tarvik-cli against the tarvik-sim program over a
// real pseudo-terminal: write and read back byte for byte, a meter started
// with a schedule file, --verify against a meter that alters what it
// stores, and the exit codes of a failed batch and of a bad file.

#include "simprocess.h"

#include "../support/clirun.h"
#include "../support/testfiles.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

using testsupport::writeFile;
using testsupport::readFile;

using testsupport::CliRun;
using testsupport::runCli;

QByteArray hex(const char *text) { return QByteArray::fromHex(text); }

// A *.tsc file: holiday block, transfer block, coefficient, zone entries,
// every item followed by 0D 0A.
QByteArray tsc(const QByteArray &holidays, const QByteArray &transfers, quint8 coefficient,
               const QList<QByteArray> &zones)
{
    QByteArray out = holidays + "\r\n" + transfers + "\r\n" + QByteArray(1, char(coefficient)) + "\r\n";
    for (const QByteArray &z : zones)
        out += z + "\r\n";
    return out;
}

// Three holidays, two transfers (one on 1 January 2000), coefficient 40,
// three zones, one of them with day types 0D ("ПН", "СР", "ЧТ").
QByteArray exampleFile()
{
    return tsc(hex("010107012302") + QByteArray(26, '\0'), hex("07033008 01010001") + QByteArray(56, '\0'), 40,
               {hex("010000 00 FF FF0F"), hex("200700 05 0D FF0F"), hex("012300 00 FF FF0F")});
}

const QStringList kSimFast = {QStringLiteral("--baud"), QStringLiteral("115200")};

QStringList cliArgs(const QString &pty, const QStringList &more)
{
    return QStringList{QStringLiteral("--port"), pty, QStringLiteral("--baud"), QStringLiteral("115200"),
                       QStringLiteral("--quiet")}
           + more;
}

} // namespace

class TestPtySchedule : public QObject
{
    Q_OBJECT

private slots:
    void writeThenReadGivesTheSameFile();
    void meterStartedWithAScheduleFile();
    void verifyCatchesAnAlteredZone();
    void failedBatchesExitWith5_data();
    void failedBatchesExitWith5();
    void refusedFilesExitWith6BeforeSending_data();
    void refusedFilesExitWith6BeforeSending();
    void simulatorRefusesADamagedScheduleFile();
};

void TestPtySchedule::writeThenReadGivesTheSameFile()
{
    QTemporaryDir dir;
    const QString written = dir.filePath("w.tsc"), read = dir.filePath("r.tsc");
    QVERIFY(writeFile(written, exampleFile()));
    testsupport::SimProcess sim(kSimFast);
    QVERIFY(!sim.path().isEmpty());

    const CliRun w = runCli(dir.path(), cliArgs(sim.path(), {"--write-schedule", written, "--verify"}));
    QVERIFY2(w.exitCode == 0, qPrintable(w.err));
    const CliRun r = runCli(dir.path(), cliArgs(sim.path(), {"--read-schedule", read}));
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QCOMPARE(readFile(read), exampleFile());
    // The coefficient's acknowledgement left its line (Windows-1251, CR LF).
    const QByteArray log = readFile(dir.filePath("Setting_Tarvik_504.log"));
    QVERIFY2(log.endsWith("=40\r\n"), log.constData());
    QCOMPARE(log.count('\n'), 1);
}

void TestPtySchedule::meterStartedWithAScheduleFile()
{
    QTemporaryDir dir;
    const QString given = dir.filePath("given.tsc"), read = dir.filePath("r.tsc");
    QVERIFY(writeFile(given, exampleFile()));
    testsupport::SimProcess sim(kSimFast + QStringList{"--schedule", given});
    QVERIFY(!sim.path().isEmpty());
    const CliRun r = runCli(dir.path(), cliArgs(sim.path(), {"--read-schedule", read}));
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QCOMPARE(readFile(read), exampleFile());
}

void TestPtySchedule::verifyCatchesAnAlteredZone()
{
    QTemporaryDir dir;
    const QString written = dir.filePath("w.tsc");
    QVERIFY(writeFile(written, exampleFile()));
    testsupport::SimProcess sim(kSimFast + QStringList{"--alter-zones"});
    QVERIFY(!sim.path().isEmpty());
    const CliRun w = runCli(dir.path(), cliArgs(sim.path(), {"--write-schedule", written, "--verify"}));
    QCOMPARE(w.exitCode, 7);
    QVERIFY2(w.err.contains(QStringLiteral("зоны")) && !w.err.contains(QStringLiteral("праздники")), qPrintable(w.err));
}

void TestPtySchedule::failedBatchesExitWith5_data()
{
    QTest::addColumn<QString>("simError");
    QTest::addColumn<QString>("verb");
    QTest::addColumn<QString>("message");
    QTest::newRow("zone write refused") << "09:4" << "--write-schedule"
                                        << "Во время записи тарифного расписания произошла ошибка.";
    QTest::newRow("holiday read refused") << "26:4" << "--read-schedule"
                                          << "Во время чтения тарифного расписания произошла ошибка.";
}

void TestPtySchedule::failedBatchesExitWith5()
{
    QFETCH(QString, simError);
    QFETCH(QString, verb);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString file = dir.filePath("s.tsc");
    if (verb == "--write-schedule")
        QVERIFY(writeFile(file, exampleFile()));
    testsupport::SimProcess sim(kSimFast + QStringList{"--error", simError});
    QVERIFY(!sim.path().isEmpty());
    const CliRun r = runCli(dir.path(), cliArgs(sim.path(), {verb, file}));
    QCOMPARE(r.exitCode, 5);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    if (verb == "--read-schedule")
        QVERIFY(!QFile::exists(file));
}

void TestPtySchedule::refusedFilesExitWith6BeforeSending_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");
    const QByteArray good = exampleFile();
    QTest::newRow("missing") << QByteArray() << "";
    QTest::newRow("cut inside a zone entry") << good.left(good.size() - 4) << "";
    QList<QByteArray> zones;
    for (int k = 0; k < 255; ++k)
        zones << QByteArray(1, char(k % 8)) + hex("0000 00") + QByteArray(1, char(1 << (k % 8)))
                     + QByteArray(1, char(1 << (k / 8 % 8))) + QByteArray(1, char(k / 64));
    QTest::newRow("255 zones") << tsc(QByteArray(32, '\0'), QByteArray(64, '\0'), 1, zones) << "254";
}

void TestPtySchedule::refusedFilesExitWith6BeforeSending()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString file = dir.filePath("s.tsc");
    if (!bytes.isEmpty())
        QVERIFY(writeFile(file, bytes));
    testsupport::SimProcess sim(kSimFast + QStringList{"--verbose"});
    QVERIFY(!sim.path().isEmpty());
    const CliRun r = runCli(dir.path(), cliArgs(sim.path(), {"--write-schedule", file}));
    QCOMPARE(r.exitCode, 6);
    QVERIFY(!r.err.trimmed().isEmpty());
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QTest::qWait(300);
    QVERIFY2(!sim.errors().contains(QStringLiteral(" RX ")), "the meter received bytes");
}

void TestPtySchedule::simulatorRefusesADamagedScheduleFile()
{
    QTemporaryDir dir;
    const QString file = dir.filePath("bad.tsc");
    QVERIFY(writeFile(file, exampleFile().left(50)));
    QProcess p;
    p.start(QStringLiteral(TARVIK_SIM_PATH), {"--schedule", file});
    QVERIFY(p.waitForFinished(10000));
    QVERIFY(p.exitCode() != 0);
    QVERIFY(QString::fromUtf8(p.readAllStandardError()).contains(QStringLiteral("--schedule")));
    QVERIFY(!p.readAllStandardOutput().contains("PTY"));
}

QTEST_GUILESS_MAIN(TestPtySchedule)
#include "tst_pty_schedule.moc"
