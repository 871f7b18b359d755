// tarvik-cli --write-settings against the tarvik-sim program over a real
// pseudo-terminal: a template with every box ticked is written in one batch;
// the run goes on at the meter's new address, speed and MODBUS mode, the
// report afterwards shows the values written, and the operation log holds
// one line per acknowledgement in Windows-1251.

#include "simprocess.h"

#include "protocol/cp1251.h"

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

// Every task ticked: address 56 at 57600 bit/s in MODBUS with even parity,
// billing day 25 at hour 7, a Cyrillic password, remote control 123456 with
// the load on and switching from the remote control refused, profile period
// "5", 72 min 20 s with both flags, sensor 2 at 12,5 with calibration 1000.
const QByteArray kEveryBox = R"({
    "CheckTime": true, "CheckShedule": true, "CheckAddr": true, "CheckIntegra": true,
    "CheckPassword": true, "CheckResetTariff": true, "CheckPult": true, "CheckPeriodProfile": true,
    "CheckQuality": true, "CheckSeal": true, "CheckSensor": true, "CheckTelemetry": true,
    "CheckBoxClock": true,
    "SpinNewAddr": 56, "ComboNewBaud": 4, "ComboModeW": 1, "ComboParityW": 1,
    "SpinDay": 25, "SpinHour": 7,
    "EditPassW": "пароль",
    "SpinIntegra": 15,
    "ComboModeDdm": 2, "SpinPult": 123456, "SpinBreaker": 5000,
    "ComboProfile": 5,
    "SpinMin": 72, "ComboSec": 1, "CheckAccountKind": true, "CheckJtvf": true,
    "SpinSensor": 2, "EditSensor": "12,5", "EditSensorCalibr": "1000"
})";

// What the report shows after the batch, one row a line.
const QStringList kReportRows = {
    "Заводской номер\t123456",
    "Автопереход на летнее время\tда",
    "Расчетный день\t25",
    "Расчетный час\t7",
    "Период фиксации профиля, мин.\t5",
    "Время интегрирования пиковой мощности Pинт, мин.\t15",
    "Номер пульта\t123456",
    "Режим управления нагрузкой\tвключено, запрещено включение с пульта",
    "Мощность отключения, Вт\t5000",
    "Порог времени для учета некачественной энергии\t72 мин. 20 сек.",
    "Флаг Account-Kind (если выше порога, то все сутки)\tда",
    "Флаг JTVF (объединение по напряжению и частоте)\tда",
    "Телеметрический канал\tреактивная энергия",
};

QStringList cliArgs(const QString &pty, const QStringList &more)
{
    return QStringList{QStringLiteral("--port"), pty, QStringLiteral("--baud"), QStringLiteral("115200"),
                       QStringLiteral("--quiet")}
           + more;
}

} // namespace

class TestPtySettings : public QObject
{
    Q_OBJECT

private slots:
    void everyBoxTicked();
    void serialWrittenWhenTheMeterHasNone();
};

void TestPtySettings::everyBoxTicked()
{
    QTemporaryDir dir;
    const QString file = dir.filePath("every-box.json");
    QVERIFY(writeFile(file, kEveryBox));
    testsupport::SimProcess sim({QStringLiteral("--baud"), QStringLiteral("115200")});
    QVERIFY(!sim.path().isEmpty());

    const CliRun w = runCli(dir.path(), cliArgs(sim.path(), {"--write-settings", file, "--report", "--cycles", "2"}));
    QVERIFY2(w.exitCode == 0, qPrintable(w.err));
    const QStringList report = w.out.split('\n', Qt::SkipEmptyParts);
    for (const QString &row : kReportRows)
        QVERIFY2(report.contains(row), qPrintable(row + "\n---\n" + w.out));
    // Sensor 2: calibration 1000, count 12500 pulses shown as 12,500.
    QVERIFY2(std::any_of(report.begin(), report.end(),
                         [](const QString &l) { return l.startsWith(QStringLiteral("2\t1000\t12,500\t")); }),
             qPrintable(w.out));
    // The seal indication was reset.
    QVERIFY2(!w.out.contains(QStringLiteral("нарушена пломба клеммника")), qPrintable(w.out));
    QString simSays; // the program reports the switch on its standard error
    QTRY_VERIFY2((simSays += sim.errors()).contains(QStringLiteral("now address 56, 57600 bit/s, MODBUS even parity")),
                 qPrintable(simSays));

    // The log: serial, time stamp, text; Windows-1251, CR LF; batch order.
    const QByteArray bytes = readFile(dir.filePath("Setting_Tarvik_504.log"));
    QVERIFY(bytes.endsWith("\r\n"));
    QStringList texts;
    for (const QString &line : protocol::fromCp1251(bytes).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)) {
        QVERIFY2(line.startsWith(QStringLiteral("123456[")) && line.contains(QStringLiteral("] ")), qPrintable(line));
        texts << line.section(QStringLiteral("] "), 1);
    }
    QCOMPARE(texts.size(), 15);
    QVERIFY2(texts[0].startsWith(QStringLiteral("Время=")) && texts[0].endsWith(QStringLiteral(" Автопереход на летнее время")),
             qPrintable(texts[0]));
    QVERIFY2(texts[6].startsWith(QStringLiteral("Коэффициент лимита тарифного расписания=")), qPrintable(texts[6]));
    texts[0].clear();
    texts[6].clear();
    const QStringList expected = {
        QString(),
        QStringLiteral("Пароль на запись=пароль"),
        QStringLiteral("Расчетный день=25 Расчетный час=7"),
        QStringLiteral("Время интегрирования детектора пиковой можщности=15"),
        QStringLiteral("Период фиксации профиля потребления=5"),
        QStringLiteral("Сброс показаний на РДЧ"),
        QString(),
        QStringLiteral("Пульт=123456; включено, запрещено включение с пульта"),
        QStringLiteral("Мощность отключения нагрузки=5000"),
        QStringLiteral("Параметры расчета некачественной энергии=72:20 AccountKind JTVF"),
        QStringLiteral("Сброс индикации электронной пломбы"),
        QStringLiteral("Дискретный датчик 2=12,5(калибровка=1000)"),
        QStringLiteral("Дискретный датчик 2=12,5(калибровка=1000)"),
        QStringLiteral("Адрес=56 Скорость=57600"),
        QStringLiteral("Паритет=четн."),
    };
    QCOMPARE(texts, expected);

    // The meter now answers at its new address in MODBUS mode (a pseudo-terminal
    // carries no parity: a port cannot be opened with one).
    const CliRun again = runCli(dir.path(), {"--port", sim.path(), "--baud", "57600", "--mode", "modbus",
                                             "--address", "56", "--quiet", "--report"});
    QVERIFY2(again.exitCode == 0, qPrintable(again.err));
    QVERIFY2(again.out.contains(QStringLiteral("Расчетный день\t25\n")), qPrintable(again.out));
}

// A meter without a serial number takes the one given with --serial (with its
// RF-PLC group and address); the log lines carry the new number.
void TestPtySettings::serialWrittenWhenTheMeterHasNone()
{
    QTemporaryDir dir;
    const QString file = dir.filePath("billing.json");
    QVERIFY(writeFile(file, R"({"CheckShedule": true, "SpinDay": 3, "SpinHour": 22})"));
    testsupport::SimProcess sim({QStringLiteral("--baud"), QStringLiteral("115200"), QStringLiteral("--serial"),
                                 QStringLiteral("0")});
    QVERIFY(!sim.path().isEmpty());

    const CliRun w = runCli(dir.path(), cliArgs(sim.path(), {"--write-settings", file, "--serial", "654321", "--report"}));
    QVERIFY2(w.exitCode == 0, qPrintable(w.err));
    QVERIFY2(w.out.contains(QStringLiteral("Заводской номер\t654321\n")), qPrintable(w.out));
    QVERIFY2(w.out.contains(QStringLiteral("Расчетный день\t3\n")), qPrintable(w.out));
    const QString log = protocol::fromCp1251(readFile(dir.filePath("Setting_Tarvik_504.log")));
    QVERIFY2(log.contains(QStringLiteral("Номер=654321\r\n")), qPrintable(log));
    QVERIFY2(log.contains(QStringLiteral("Расчетный день=3 Расчетный час=22\r\n")), qPrintable(log));
}

QTEST_GUILESS_MAIN(TestPtySettings)
#include "tst_pty_settings.moc"
