// tarvik-cli doing real jobs against a misbehaving tarvik-sim over a real
// pseudo-terminal: a meter that falls silent, answers "memory busy" again
// and again, corrupts, splits or pads its replies, answers late, or whose
// port vanishes in the middle of a job. Each case checks what the operator
// sees (exit code, the Russian message, the protocol lines) and what the
// station claims to have written: one operation-log line for every write
// the meter acknowledged, none for a write that was not acknowledged.
//
// The faults are aimed with the meter's reply count: the version request,
// the first polling cycle and the first request of the next one (63
// replies) go before any job, so --silent-after 63 + k lets k replies of
// the job through and --faults-after 63 + k hits the one after them.

#include "simprocess.h"
#include "../support/clirun.h"

#include "protocol/cp1251.h"

#include "../support/testfiles.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int kRepliesBeforeJob = 63;
QString repliesInto(int k) { return QString::number(kRepliesBeforeJob + k); }

// The reply time-out of every run; the delayed replies come 100 ms before
// or after it.
const QString kTimeoutMs = QStringLiteral("300");

const QString kSettingsFailed =
    QStringLiteral("Во время записи установок произошла ошибка. Описание смотрите на закладке Протокол.");
const QString kScheduleFailed =
    QStringLiteral("Во время записи тарифного расписания произошла ошибка. Описание смотрите на закладке Протокол.");
const QString kTimeout = QStringLiteral(" Timeout.");
const QString kWrongReply = QStringLiteral("Неверный отклик");

// The settings batch: password entry (no log line), then 23, 1F, 51, 17, 19,
// each acknowledgement with its line.
const QByteArray kSettings = R"({ "CheckTime": false,
    "CheckShedule": true, "SpinDay": 25, "SpinHour": 7,
    "CheckIntegra": true, "SpinIntegra": 15,
    "CheckPeriodProfile": true, "ComboProfile": 5,
    "CheckPult": true, "ComboModeDdm": 2, "SpinPult": 123456, "SpinBreaker": 5000 })";
const QStringList kSettingsLines = {
    QStringLiteral("Расчетный день=25 Расчетный час=7"),
    QStringLiteral("Время интегрирования детектора пиковой можщности=15"),
    QStringLiteral("Период фиксации профиля потребления=5"),
    QStringLiteral("Пульт=123456; включено, запрещено включение с пульта"),
    QStringLiteral("Мощность отключения нагрузки=5000"),
};
// What the page shows once the batch is written and read back.
const QStringList kSettingsReport = {
    QStringLiteral("Расчетный день\t25"),
    QStringLiteral("Расчетный час\t7"),
    QStringLiteral("Период фиксации профиля, мин.\t5"),
    QStringLiteral("Время интегрирования пиковой мощности Pинт, мин.\t15"),
    QStringLiteral("Номер пульта\t123456"),
    QStringLiteral("Мощность отключения, Вт\t5000"),
};

// The schedule batch: 14, 27 02, 29 02, 09 02, 07 03 28 (the only log line),
// three holidays, two transfers, three zones.
QByteArray scheduleFile()
{
    const QByteArray holidays = QByteArray::fromHex("010107012302") + QByteArray(26, '\0');
    const QByteArray transfers = QByteArray::fromHex("0703300801010001") + QByteArray(56, '\0');
    QByteArray out = holidays + "\r\n" + transfers + "\r\n" + QByteArray(1, char(40)) + "\r\n";
    for (const char *zone : {"01000000FFFF0F", "200700050DFF0F", "01230000FFFF0F"})
        out += QByteArray::fromHex(zone) + "\r\n";
    return out;
}
const int kCoefficientReply = 4; // the job's fifth reply
const QStringList kScheduleLines = {QStringLiteral("Коэффициент лимита тарифного расписания=40")};

// Noon: no midnight or billing moment passes while a journal is read.
const QStringList kClock = {QStringLiteral("--time"), QStringLiteral("2024-03-20T12:10:00")};

// tarvik-cli in a working folder, stopped after limitMs: the outputs are
// kept either way.
using testsupport::CliRun;
using Run = CliRun;

Run runCli(const QString &dir, const QString &pty, const QStringList &more, int limitMs = 60000)
{
    return testsupport::runCli(dir, QStringList{"--port", pty, "--baud", "115200"} + more, limitMs);
}

// The texts of the operation log's lines (after "serial[date time] "); the
// serial of the simulated meter is 123456.
QStringList logTexts(const QString &dir, QString *problem)
{
    const QString path = QDir(dir).filePath(QStringLiteral("Setting_Tarvik_504.log"));
    QStringList texts;
    if (!QFile::exists(path))
        return texts;
    const QByteArray bytes = testsupport::readFile(path);
    if (!bytes.endsWith("\r\n"))
        *problem = QStringLiteral("the log does not end with CR LF");
    for (const QString &line : protocol::fromCp1251(bytes).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)) {
        if (!line.startsWith(QStringLiteral("123456[")) || !line.contains(QStringLiteral("] ")))
            *problem = QStringLiteral("not a log entry: ") + line;
        texts << line.section(QStringLiteral("] "), 1);
    }
    return texts;
}

using testsupport::details;

std::unique_ptr<testsupport::SimProcess> simulator(const QStringList &faults)
{
    return std::make_unique<testsupport::SimProcess>(QStringList{"--baud", "115200"} + kClock + faults);
}

// The journal's list as a clean read gives it (header and rows).
QStringList cleanJournal(const QString &name)
{
    auto sim = simulator({});
    QTemporaryDir dir;
    const Run r = runCli(dir.path(), sim->path(), {"--quiet", "--read-journal", name});
    return r.exitCode == 0 ? r.out.split('\n', Qt::SkipEmptyParts) : QStringList();
}

} // namespace

class TestPtyFaults : public QObject
{
    Q_OBJECT

private slots:
    void settingsBatch_data();
    void settingsBatch();
    void scheduleWrite_data();
    void scheduleWrite();
    void journalRead_data();
    void journalRead();
    void portVanishes_data();
    void portVanishes();
    void busyStormThatNeverEnds();
    void silentMeter();

private:
    void addCase(const char *name, const QStringList &faults, const QStringList &cli, int exitCode,
                 const QString &message, const QString &trace, const QStringList &log)
    {
        QTest::newRow(name) << faults << cli << exitCode << message << trace << log;
    }
    void addColumns()
    {
        QTest::addColumn<QStringList>("faults");   // of tarvik-sim
        QTest::addColumn<QStringList>("cli");      // more options of tarvik-cli
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");      // on stderr (empty: nothing on stderr)
        QTest::addColumn<QString>("trace");        // a protocol line that must appear
        QTest::addColumn<QStringList>("log");      // the operation log's texts afterwards
    }
    // What the operator sees of a finished run, and the log it left.
    void checkOutcome(const Run &r, const QString &dir)
    {
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        QFETCH(QString, trace);
        QFETCH(QStringList, log);
        QVERIFY2(r.finished, qPrintable(details(r)));
        QVERIFY2(r.exitCode == exitCode, qPrintable(details(r)));
        if (message.isEmpty())
            QVERIFY2(r.err.trimmed().isEmpty(), qPrintable(details(r)));
        else
            QVERIFY2(r.err.contains(message), qPrintable(details(r)));
        if (!trace.isEmpty())
            QVERIFY2(r.out.contains(trace), qPrintable(details(r)));
        if (exitCode == 0) // a clean outcome: nothing timed out, nothing was refused
            QVERIFY2(!r.out.contains(kTimeout) && !r.out.contains(kWrongReply), qPrintable(details(r)));
        QString problem;
        QCOMPARE(logTexts(dir, &problem), log);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }
};

// --write-settings with five writes after the password entry. A batch that
// succeeds is read back by a whole polling cycle, so most faults that the
// station rides out are shown with the shorter schedule write below.
void TestPtyFaults::settingsBatch_data()
{
    addColumns();
    const QStringList modbus{"--mode", "modbus"};
    const QString busy = QStringLiteral("Ошибка: Память занята (запись времени интегрирования пиковой мощности)");
    addCase("silent after the password entry", {"--silent-after", repliesInto(1)}, {}, 5, kSettingsFailed, kTimeout, {});
    addCase("silent after two writes", {"--silent-after", repliesInto(3)}, {}, 5, kSettingsFailed, kTimeout,
            kSettingsLines.mid(0, 2));
    addCase("busy storm of 30 inside the batch", {"--faults-after", repliesInto(2), "--busy", "30"}, {}, 0, {}, busy,
            kSettingsLines);
    addCase("code byte of one reply corrupted",
            {"--faults-after", repliesInto(2), "--corrupt-once", "--corrupt-offset", "0"}, {}, 5, kSettingsFailed,
            kWrongReply, kSettingsLines.mid(0, 1));
    addCase("MODBUS, CRC of one reply corrupted", modbus + QStringList{"--faults-after", repliesInto(2), "--corrupt-once"},
            modbus, 5, kSettingsFailed, kTimeout, kSettingsLines.mid(0, 1));
    addCase("MODBUS, every reply of the batch corrupted", modbus + QStringList{"--faults-after", repliesInto(0), "--corrupt"},
            modbus, 5, kSettingsFailed, kTimeout, {});
    // In MODBUS mode the CRC covers the whole buffer: a reply with a byte
    // glued to it is never complete.
    addCase("MODBUS, stray byte in the reply's own write",
            modbus + QStringList{"--faults-after", repliesInto(0), "--stray", "--stray-merged"}, modbus, 5,
            kSettingsFailed, kTimeout, {});
    // The meter carries the write out, but its acknowledgement comes too late.
    addCase("reply delay above the time-out", {"--faults-after", repliesInto(2), "--delay", "400"}, {}, 5,
            kSettingsFailed, kTimeout, kSettingsLines.mid(0, 1));
}

void TestPtyFaults::settingsBatch()
{
    QFETCH(QStringList, faults);
    QFETCH(QStringList, cli);
    QFETCH(int, exitCode);
    QTemporaryDir dir;
    const QString file = dir.filePath("settings.json");
    QVERIFY(testsupport::writeFile(file, kSettings));
    auto sim = simulator(faults);
    QVERIFY(!sim->path().isEmpty());
    const Run r = runCli(dir.path(), sim->path(),
                         QStringList{"--timeout", kTimeoutMs, "--write-settings", file, "--report"} + cli);
    checkOutcome(r, dir.path());
    if (exitCode == 0) // read back from the meter after the batch
        for (const QString &row : kSettingsReport)
            QVERIFY2(r.out.contains(row + '\n'), qPrintable(row + "\n" + details(r)));
}

// --write-schedule (14 requests): the coefficient is the only write with a
// log line, so a reply handed on twice would show as a second line.
void TestPtyFaults::scheduleWrite_data()
{
    addColumns();
    const QStringList modbus{"--mode", "modbus"};
    addCase("silent before the coefficient", {"--silent-after", repliesInto(kCoefficientReply)}, {}, 5, kScheduleFailed,
            kTimeout, {});
    // What was acknowledged stays written, though the batch failed.
    addCase("silent after the coefficient", {"--silent-after", repliesInto(kCoefficientReply + 1)}, {}, 5,
            kScheduleFailed, kTimeout, kScheduleLines);
    addCase("busy storm of 30 on the coefficient", {"--faults-after", repliesInto(kCoefficientReply), "--busy", "30"}, {},
            0, {}, QStringLiteral("Ошибка: Память занята (запись коэффициента лимита тарифного расписания)"),
            kScheduleLines);
    // Rs-485 mode checks no CRC of a normal reply: the code and length carry it.
    addCase("CRC of every reply corrupted", {"--corrupt"}, {}, 0, {}, {}, kScheduleLines);
    addCase("every reply in three chunks", {"--split"}, {}, 0, {}, {}, kScheduleLines);
    addCase("MODBUS, every reply in three chunks", modbus + QStringList{"--split"}, modbus, 0, {}, {}, kScheduleLines);
    addCase("stray byte after every reply", {"--stray"}, {}, 0, {}, {}, kScheduleLines);
    addCase("stray byte in the reply's own write", {"--stray", "--stray-merged"}, {}, 0, {}, {}, kScheduleLines);
    addCase("reply delay below the time-out", {"--faults-after", repliesInto(0), "--delay", "200"}, {}, 0, {}, {},
            kScheduleLines);
    // The meter takes the coefficient, but its acknowledgement comes too late.
    addCase("reply delay above the time-out", {"--faults-after", repliesInto(kCoefficientReply), "--delay", "400"}, {}, 5,
            kScheduleFailed, kTimeout, {});
}

void TestPtyFaults::scheduleWrite()
{
    QFETCH(QStringList, faults);
    QFETCH(QStringList, cli);
    QTemporaryDir dir;
    const QString file = dir.filePath("s.tsc");
    QVERIFY(testsupport::writeFile(file, scheduleFile()));
    auto sim = simulator(faults);
    QVERIFY(!sim->path().isEmpty());
    const Run r = runCli(dir.path(), sim->path(), QStringList{"--timeout", kTimeoutMs, "--write-schedule", file} + cli);
    checkOutcome(r, dir.path());
}

// --read-journal day: a read that rides out its faults lists every row; a
// read cut off lists some of them, and nothing is logged.
void TestPtyFaults::journalRead_data()
{
    addColumns();
    addCase("busy storm of 30 inside the read", {"--faults-after", repliesInto(3), "--busy", "30"}, {}, 0, {},
            QStringLiteral("Ошибка: Память занята (чтение журнала)"), {});
    addCase("code byte of one record corrupted", {"--faults-after", repliesInto(3), "--corrupt-once", "--corrupt-offset", "0"},
            {}, 5, QStringLiteral("Чтение журнала \"Суточный\" прервано"), kWrongReply, {});
}

void TestPtyFaults::journalRead()
{
    QFETCH(QStringList, faults);
    QFETCH(int, exitCode);
    static const QStringList all = cleanJournal(QStringLiteral("day"));
    QVERIFY2(all.size() > 5, "a clean read lists the rows");
    QTemporaryDir dir;
    auto sim = simulator(faults);
    QVERIFY(!sim->path().isEmpty());
    const Run r = runCli(dir.path(), sim->path(), {"--timeout", kTimeoutMs, "--read-journal", "day"});
    checkOutcome(r, dir.path());
    // The table is printed after the protocol lines.
    QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    lines = lines.mid(lines.indexOf(all.first()));
    if (exitCode == 0) {
        QCOMPARE(lines, all);
        return;
    }
    // A read cut off: some of the rows, each as a whole read gives it.
    QVERIFY2(lines.size() > 1 && lines.size() < all.size(), qPrintable(details(r)));
    for (const QString &row : lines)
        QVERIFY2(all.contains(row), qPrintable(row));
}

// The pseudo-terminal closed under the program: no crash, no hang, the loss
// told in Russian, a failure code; nothing logged for the write in flight.
void TestPtyFaults::portVanishes_data()
{
    QTest::addColumn<QStringList>("job");
    QTest::addColumn<int>("repliesIntoJob"); // let through before it vanishes (negative: before the job)
    QTest::addColumn<QString>("jobMessage"); // the failed job's own message, when it has one
    QTest::addColumn<QStringList>("log");
    QTest::newRow("while polling") << QStringList{"--cycles", "3"} << -20 << QString() << QStringList();
    QTest::newRow("settings batch") << QStringList{"--write-settings"} << 3 << kSettingsFailed
                                    << kSettingsLines.mid(0, 2);
    QTest::newRow("schedule write, before the coefficient")
        << QStringList{"--write-schedule"} << kCoefficientReply << kScheduleFailed << QStringList();
    QTest::newRow("schedule write, after the coefficient")
        << QStringList{"--write-schedule"} << kCoefficientReply + 2 << kScheduleFailed << kScheduleLines;
    QTest::newRow("journal read") << QStringList{"--read-journal", "day"} << 5
                                  << QStringLiteral("Чтение журнала \"Суточный\" прервано") << QStringList();
}

void TestPtyFaults::portVanishes()
{
    QFETCH(QStringList, job);
    QFETCH(int, repliesIntoJob);
    QFETCH(QString, jobMessage);
    QFETCH(QStringList, log);
    QTemporaryDir dir;
    if (job.first() == "--write-settings") {
        job << dir.filePath("settings.json");
        QVERIFY(testsupport::writeFile(job.last(), kSettings));
    } else if (job.first() == "--write-schedule") {
        job << dir.filePath("s.tsc");
        QVERIFY(testsupport::writeFile(job.last(), scheduleFile()));
    }
    testsupport::SimProcess sim(QStringList{"--baud", "115200", "--vanish-after", repliesInto(repliesIntoJob)} + kClock);
    QVERIFY(!sim.path().isEmpty());
    const Run r = runCli(dir.path(), sim.path(), QStringList{"--timeout", kTimeoutMs} + job, 20000);
    QVERIFY2(r.finished, qPrintable(QStringLiteral("no end within 20 s\n") + details(r)));
    QVERIFY2(r.exitCode == 4, qPrintable(details(r)));
    QVERIFY2(r.err.contains(QStringLiteral("Связь с портом %1 потеряна").arg(sim.path())), qPrintable(details(r)));
    if (!jobMessage.isEmpty())
        QVERIFY2(r.err.contains(jobMessage), qPrintable(details(r)));
    // Told at once, not after a string of time-outs.
    QVERIFY2(!r.out.contains(kTimeout), qPrintable(details(r)));
    QString problem;
    QCOMPARE(logTexts(dir.path(), &problem), log);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

// The meter answers "memory busy" to the billing write for ever: the
// request is sent again without limit, nothing times out, nothing of it
// is logged and the run never reports success. It is stopped from outside.
void TestPtyFaults::busyStormThatNeverEnds()
{
    QTemporaryDir dir;
    const QString file = dir.filePath("settings.json");
    QVERIFY(testsupport::writeFile(file, kSettings));
    auto sim = simulator({"--error", "23:9"});
    QVERIFY(!sim->path().isEmpty());
    const Run r = runCli(dir.path(), sim->path(), {"--timeout", kTimeoutMs, "--write-settings", file}, 8000);
    QVERIFY2(!r.finished, qPrintable(details(r)));
    const int busy = int(r.out.count(QStringLiteral("Ошибка: Память занята (запись расчетного дня и часа)")));
    QVERIFY2(busy >= 20, qPrintable(details(r)));
    QVERIFY2(!r.out.contains(kTimeout), qPrintable(details(r)));
    QVERIFY2(!QFile::exists(dir.filePath("Setting_Tarvik_504.log")), "a line for a write never acknowledged");
}

// A meter that answers nothing: after one polling cycle of time-outs the
// run ends with "Счетчик не отвечает"; the batch never went out.
void TestPtyFaults::silentMeter()
{
    QTemporaryDir dir;
    const QString file = dir.filePath("settings.json");
    QVERIFY(testsupport::writeFile(file, kSettings));
    auto sim = simulator({"--silent"});
    QVERIFY(!sim->path().isEmpty());
    const Run r = runCli(dir.path(), sim->path(), {"--timeout", "200", "--write-settings", file, "--master"});
    QVERIFY2(r.exitCode == 3, qPrintable(details(r)));
    QCOMPARE(r.err.trimmed(), QStringLiteral("Счетчик не отвечает"));
    QVERIFY2(r.out.count(kTimeout) > 5, qPrintable(details(r)));
    QVERIFY2(!r.out.contains(QStringLiteral(" Received: ")), qPrintable(details(r)));
    QVERIFY(!QFile::exists(dir.filePath("Setting_Tarvik_504.log")));
}

QTEST_GUILESS_MAIN(TestPtyFaults)
#include "tst_pty_faults.moc"
