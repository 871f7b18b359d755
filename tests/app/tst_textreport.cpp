// The short text report ("Краткий отчет"): its lines for a meter never read
// and for one with values, and the file: Windows-1251, CR LF after every
// line, and a failed write that leaves the old file as it was.

#include "app/textreport.h"
#include "protocol/meterpage.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using app::textReportLines;
using app::writeTextReport;
using P = protocol::MeterPage;

namespace {

const QDateTime kNow(QDate(2009, 11, 5), QTime(14, 3, 7));

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Marks a directory immutable, so that not even root can create or rename
// files in it, while its files stay writable in place.
struct ImmutableDir
{
    QString path;
    bool set = false;
    explicit ImmutableDir(const QString &dir) : path(dir)
    {
        set = QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), path}) == 0;
    }
    ~ImmutableDir()
    {
        if (set)
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), path});
    }
};

} // namespace

class TestTextReport : public QObject
{
    Q_OBJECT
private slots:
    void neverReadListsEveryRowTitle();
    void valuesStandInTheirColumns();
    void fileIsCp1251WithCrLf();
    void failedWriteKeepsOldFile_data();
    void failedWriteKeepsOldFile();
    void failedReplaceKeepsOldFileByteForByte();
};

void TestTextReport::neverReadListsEveryRowTitle()
{
    const QStringList expected = {
        "Системное время\t05.11.2009 14:03:07",
        "\t",
        "Тип\t",
        "Заводской номер\t",
        "Версия ПО\t",
        "Цифровой идентификатор ПО\t",
        "\t",
        "Дата / время\t",
        "Автопереход на летнее время\t",
        "Тест часов\t",
        "\t",
        "Расчетный день\t",
        "Расчетный час\t",
        "Контрольная сумма тарифного расписания\t",
        "\t",
        "Период фиксации профиля, мин.\t",
        "Время интегрирования пиковой мощности Pинт, мин.\t",
        "\t",
        "Номер пульта\t",
        "Режим управления нагрузкой\t",
        "Мощность отключения, Вт\t",
        "\t",
        "Порог времени для учета некачественной энергии\t",
        "Флаг Account-Kind (если выше порога, то все сутки)\t",
        "Флаг JTVF (объединение по напряжению и частоте)\t",
        "\t",
        "Текущие показания\t",
        "1 тариф\t", "2 тариф\t", "3 тариф\t", "4 тариф\t", "5 тариф\t", "6 тариф\t", "7 тариф\t", "8 тариф\t",
        "\t",
        "Пиковая мощность, Вт\t",
        "Время фиксации\t",
        "\t",
        "Активная суммарная\t",
        "Реактивная индуктивная\t",
        "Реактивная емкостная\t",
        "\t",
        "Показания на РДЧ\t",
        "1 тариф\t", "2 тариф\t", "3 тариф\t", "4 тариф\t", "5 тариф\t", "6 тариф\t", "7 тариф\t", "8 тариф\t",
        "\t",
        "Пиковая мощность, Вт\t",
        "Время фиксации\t",
        "\t",
        "Активная суммарная\t",
        "Реактивная индуктивная\t",
        "Реактивная емкостная\t",
        "\t",
        "Параметры\t",
        "Активная мощность, кВт\t",
        "Реактивная мощность, квар\t",
        "Напряжение, В\t",
        "Ток, А\t",
        "Частота сети, Гц\t",
        "Cos(Ф)\t",
        "Полная мощность, кВА\t",
        "Температура, °C\t",
        "Телеметрический канал\t",
        "\t",
        "Текущий тариф\t",
        "Время работы\t",
        "Заряд батареи\t",
        "\t",
        "Дискретные датчики\t",
        "1 калибровка\t", "1 текущие\t", "1 РДЧ\t",
        "2 калибровка\t", "2 текущие\t", "2 РДЧ\t",
        "3 калибровка\t", "3 текущие\t", "3 РДЧ\t",
    };
    P page;
    QCOMPARE(textReportLines(page, kNow), expected);
}

// Each list section takes its own value column: ListAddi's "текущие" in the
// first block and "РДЧ" in the second, the sensors' three columns in order.
void TestTextReport::valuesStandInTheirColumns()
{
    P page;
    page.setCell(P::ListMain, P::MainSerial, "012345");
    page.setCell(P::ListMain, P::MainClockTest, "Ok");
    page.setCell(P::ListAddi, 0, P::AddiCurrent, "123,456");
    page.setCell(P::ListAddi, 0, P::AddiSettlement, "100,000");
    page.setCell(P::ListAddi, P::AddiReactiveCapacitive, P::AddiSettlement, "7,000");
    page.setCell(P::ListParam, P::ParamTemperature, 0, "+25");
    page.setCell(P::ListParam, P::ParamTemperature, 1, "unused column");
    page.setCell(P::ListInfo, P::InfoWorkingTime, "1д.01:01:01");
    page.setCell(P::ListSensor, 1, P::SensorCalibration, "1000");
    page.setCell(P::ListSensor, 1, P::SensorCurrent, "123,456");
    page.setCell(P::ListSensor, 2, P::SensorSettlement, "0,500");

    const QStringList lines = textReportLines(page, QDateTime(QDate(2026, 12, 10), QTime(0, 0)));
    QCOMPARE(lines.size(), 85);
    QCOMPARE(lines[0], "Системное время\t10.12.2026"); // the time is left out at midnight
    QCOMPARE(lines[3], "Заводской номер\t012345");
    QCOMPARE(lines[9], "Тест часов\tOk");
    QCOMPARE(lines[27], "1 тариф\t123,456");
    QCOMPARE(lines[41], "Реактивная емкостная\t");
    QCOMPARE(lines[44], "1 тариф\t100,000");
    QCOMPARE(lines[58], "Реактивная емкостная\t7,000");
    QCOMPARE(lines[68], "Температура, °C\t+25");
    QCOMPARE(lines[72], "Время работы\t1д.01:01:01");
    QCOMPARE(lines.mid(79, 6), QStringList({"2 калибровка\t1000", "2 текущие\t123,456", "2 РДЧ\t",
                                            "3 калибровка\t", "3 текущие\t", "3 РДЧ\t0,500"}));
}

void TestTextReport::fileIsCp1251WithCrLf()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("report.txt");
    const QStringList lines = {
        "Системное время\t05.11.2009 14:03:07",
        "\t",
        "Температура, °C\t+25",
        "№ € ≠ \U0001F600\t",
    };
    QString error;
    QVERIFY(writeTextReport(path, lines, &error));
    const QByteArray expected = "\xD1\xE8\xF1\xF2\xE5\xEC\xED\xEE\xE5 \xE2\xF0\xE5\xEC\xFF\t05.11.2009 14:03:07\r\n"
                                "\t\r\n"
                                "\xD2\xE5\xEC\xEF\xE5\xF0\xE0\xF2\xF3\xF0\xE0, \xB0"
                                "C\t+25\r\n"
                                "\xB9 \x88 ? ?\t\r\n";
    QCOMPARE(readAll(path), expected);

    // A second report replaces the first whole.
    QVERIFY(writeTextReport(path, {"\t"}, &error));
    QCOMPARE(readAll(path), QByteArray("\t\r\n"));
}

void TestTextReport::failedWriteKeepsOldFile_data()
{
    QTest::addColumn<QString>("target"); // relative to a fresh directory
    QTest::newRow("parent is a file") << "plain.txt/report.txt";
    QTest::newRow("target is a directory") << "folder";
}

void TestTextReport::failedWriteKeepsOldFile()
{
    QFETCH(QString, target);
    QTemporaryDir dir;
    {
        QFile plain(dir.filePath("plain.txt"));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.write("old\r\n");
    }
    QVERIFY(QDir(dir.path()).mkdir("folder"));
    QFile::copy(dir.filePath("plain.txt"), dir.filePath("folder/inside.txt"));

    QString error;
    QVERIFY(!writeTextReport(dir.filePath(target), {"Системное время\t"}, &error));
    QVERIFY(error.contains("Не удалось записать отчет"));
    QCOMPARE(readAll(dir.filePath("plain.txt")), QByteArray("old\r\n"));
    QCOMPARE(readAll(dir.filePath("folder/inside.txt")), QByteArray("old\r\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
             QStringList({"folder", "plain.txt"}));
}

// The report is built aside and put in place at the end: when that cannot
// be done, the report already there is not cut short or overwritten.
void TestTextReport::failedReplaceKeepsOldFileByteForByte()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("report.txt");
    const QByteArray old = "\xD1\xF2\xE0\xF0\xFB\xE9\t\r\n"; // "Старый"
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(old);
    }
    ImmutableDir lock(dir.path());
    if (!lock.set)
        QSKIP("this file system cannot lock a directory (chattr +i)");
    QString error;
    QVERIFY(!writeTextReport(path, {"Системное время\t05.11.2009 14:03:07"}, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(readAll(path), old);
}

QTEST_GUILESS_MAIN(TestTextReport)
#include "tst_textreport.moc"
