// tarvik-cli as factory scripts call it: options, report, exit codes.

#include "../support/clirun.h"
#include "../support/xlsreadback.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

using Run = testsupport::CliRun;

// Each run in a directory of its own: the tool writes its operation log
// (and any file named by a misread option) into its working directory.
Run cli(const QStringList &arguments)
{
    QTemporaryDir workingDir;
    return testsupport::runCli(workingDir.path(), arguments, 60000);
}

// The CSV file as rows of fields (RFC 4180 quoting, CR LF, a leading BOM).
QList<QStringList> csvRows(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QString text = QString::fromUtf8(f.readAll());
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    QList<QStringList> rows;
    QStringList fields;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text[i];
        if (quoted) {
            if (ch == '"' && i + 1 < text.size() && text[i + 1] == '"')
                field += text[++i];
            else if (ch == '"')
                quoted = false;
            else
                field += ch;
        } else if (ch == '"') {
            quoted = true;
        } else if (ch == ',') {
            fields << field;
            field.clear();
        } else if (ch == '\n') {
            fields << field;
            rows << fields;
            fields.clear();
            field.clear();
        } else if (ch != '\r') {
            field += ch;
        }
    }
    return rows;
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT
private slots:
    void reportAfterOneCycle()
    {
        const Run r = cli({"--port", "sim", "--baud", "115200", "--quiet", "--report"});
        QCOMPARE(r.exitCode, 0);
        const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
        QVERIFY2(lines.contains("Заводской номер\t123456"), qPrintable(r.out));
        QVERIFY(lines.contains("Тип\tТарвик 504.01"));
        QCOMPARE(lines.first().section('\t', 0, 0), QStringLiteral("Тип"));
        // every row: title, then the values of its list
        for (const QString &line : lines)
            QVERIFY2(line.count('\t') >= 1 && line.count('\t') <= 3, qPrintable(line));
        QVERIFY(std::any_of(lines.begin(), lines.end(), [](const QString &l) {
            return l.startsWith("1 тариф\t") && l.count('\t') == 2;
        }));
        // the built-in meter's terminal cover seal is broken
        QVERIFY(lines.contains(QStringLiteral("Статус\tнарушена пломба клеммника")));
    }

    void findAddress_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::newRow("rs485") << "rs485";
        QTest::newRow("modbus") << "modbus";
    }
    void findAddress()
    {
        QFETCH(QString, mode);
        const Run r = cli({"--port", "sim", "--baud", "115200", "--mode", mode, "--address", "3", "--sim-address",
                           "9", "--timeout", "200", "--quiet", "--find-address"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QStringLiteral("Адрес\t9\n"));
    }

    void traceInMasterMode()
    {
        const Run r = cli({"--port", "sim", "--baud", "115200", "--master", "--address", "9"});
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.out.contains(" Send 09\n"), qPrintable(r.out.left(300)));
        QVERIFY(r.out.contains(" Send 00 02 80 71 "));
    }

    void exitCodes_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("stderrText");
        QTest::newRow("bad speed") << QStringList{"--baud", "1234"} << 1 << "Неверная скорость";
        QTest::newRow("address out of range") << QStringList{"--address", "256"} << 1 << "--address";
        QTest::newRow("port not found") << QStringList{"--port", "/dev/tarvik-none"} << 2
                                        << "Specified device not found (/dev/tarvik-none).";
        QTest::newRow("meter silent") << QStringList{"--sim-silent", "--seconds", "1.5"} << 3 << "Счетчик не отвечает";
        QTest::newRow("plc group out of range") << QStringList{"--write-plc-address", "256", "0"} << 1
                                                << "--write-plc-address";
        QTest::newRow("route number too large") << QStringList{"--write-route", "0", "0", "16777216"} << 1
                                                << "0..16777215";
        QTest::newRow("route number missing") << QStringList{"--write-route", "1", "2"} << 1 << "--write-route";
        QTest::newRow("route index out of range") << QStringList{"--delete-route", "4"} << 1 << "0..3";
        QTest::newRow("no such screen") << QStringList{"--write-indicator", "0x4000", "0"} << 1 << "--write-indicator";
        QTest::newRow("backlight bit 27") << QStringList{"--write-indicator", "1", "0x08000000"} << 1
                                          << "--write-indicator";
        QTest::newRow("plc verb with --find-address") << QStringList{"--find-address", "--delete-route", "1"} << 1
                                                      << "--find-address";
        QTest::newRow("no such journal") << QStringList{"--read-journal", "year"} << 1 << "Неверный журнал: year";
        QTest::newRow("profile without --day") << QStringList{"--read-journal", "profile"} << 1
                                               << "--read-journal profile требует --day";
        QTest::newRow("day not a date") << QStringList{"--read-journal", "profile", "--day", "2024-02-30"} << 1
                                        << "Неверная дата --day: 2024-02-30";
        QTest::newRow("day in another form") << QStringList{"--read-journal", "profile", "--day", "05.11.2009"} << 1
                                             << "Неверная дата --day";
        QTest::newRow("day for the month journal") << QStringList{"--read-journal", "month", "--day", "2024-01-01"}
                                                   << 1 << "--day только с --read-journal profile";
        QTest::newRow("csv without a journal") << QStringList{"--csv", "month.csv"} << 1
                                               << "--csv и --xls требуют --read-journal";
        QTest::newRow("xls without a journal") << QStringList{"--xls", "month.xls"} << 1
                                               << "--csv и --xls требуют --read-journal";
        QTest::newRow("journal with a schedule read") << QStringList{"--read-journal", "onoff", "--read-schedule", "a.tsc"}
                                                      << 1 << "--read-journal не сочетается";
        QTest::newRow("csv file not writable") << QStringList{"--baud", "115200", "--quiet", "--read-journal", "onoff",
                                                              "--csv", "/nonexistent/onoff.csv"}
                                               << 6 << "/nonexistent/onoff.csv";
        QTest::newRow("indicator write refused") << QStringList{"--baud", "115200", "--quiet", "--password", "abc",
                                                                "--write-indicator", "1", "0"}
                                                 << 5 << "запись индикатора";
        // No marker file in the working folder: no database mode.
        QTest::newRow("--fix-db outside database mode") << QStringList{"--fix-db"} << 1
                                                        << "--fix-db только в режиме базы данных";
        QTest::newRow("--fix-db with --write-settings") << QStringList{"--fix-db", "--write-settings", "a.json"} << 1
                                                        << "--fix-db не сочетается";
    }
    void exitCodes()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, stderrText);
        const Run r = cli(arguments);
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2(r.err.contains(stderrText), qPrintable(r.err));
    }

    // --write-settings against the built-in meter (its access password is
    // empty): a refused template is never sent, a refused batch exits with 5.
    void writeSettings_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("stderrText");
        QTest::newRow("value out of range") << QByteArray(R"({"CheckShedule": true, "SpinDay": 40})") << QStringList()
                                            << 6 << "\"SpinDay\"";
        QTest::newRow("unknown key") << QByteArray(R"({"SpinEdit_Number": 5})") << QStringList() << 6
                                     << "\"SpinEdit_Number\"";
        QTest::newRow("not JSON") << QByteArray("SpinDay=25") << QStringList() << 6 << "JSON";
        QTest::newRow("wrong access password") << QByteArray(R"({"CheckShedule": true})")
                                               << QStringList{"--password", "abc"} << 5
                                               << "Во время записи установок произошла ошибка.";
        QTest::newRow("password too long") << QByteArray(R"({"CheckShedule": true})")
                                           << QStringList{"--password", "1234567"} << 1 << "--password";
        QTest::newRow("serial out of range") << QByteArray(R"({"CheckShedule": true})")
                                             << QStringList{"--serial", "16777216"} << 1 << "--serial";
        // The batch still runs without the sensor requests.
        QTest::newRow("sensor values unusable") << QByteArray(R"({"CheckSensor": true, "EditSensor": "1,5"})")
                                                << QStringList() << 0 << "Некорректные значения дискретных датчиков";
    }
    void writeSettings()
    {
        QFETCH(QByteArray, json);
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, stderrText);
        QTemporaryDir dir;
        const QString path = dir.filePath("settings.json");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(json) == json.size());
        f.close();
        const Run r = cli(QStringList{"--port", "sim", "--baud", "115200", "--quiet", "--write-settings", path} + arguments);
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2(r.err.contains(stderrText), qPrintable(r.err));
    }
    void missingTemplateIsAFileError()
    {
        const Run r = cli({"--port", "sim", "--write-settings", "/nonexistent/settings.json"});
        QCOMPARE(r.exitCode, 6);
        QVERIFY2(r.err.contains("/nonexistent/settings.json"), qPrintable(r.err));
    }

    // The RF-PLC verbs against the built-in meter (group 34, address 56,
    // route 0 via repeater 12 with number 4660): --report shows what the
    // meter holds after them.
    void rfPlcVerbs_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("nothing written") << QStringList()
                                         << QStringList{"Plc-группа\t34", "Plc-адрес\t56", "Маршрут 0\t12\t4660",
                                                        "Маршрут 1\t\t", "Маршрут 2\t\t", "Маршрут 3\t\t"};
        QTest::newRow("address and route") << QStringList{"--write-plc-address", "3", "0xC8", "--write-route", "2",
                                                          "17", "123456"}
                                           << QStringList{"Plc-группа\t3", "Plc-адрес\t200", "Маршрут 0\t12\t4660",
                                                          "Маршрут 2\t17\t123456"};
        QTest::newRow("route deleted") << QStringList{"--delete-route", "0"}
                                       << QStringList{"Plc-группа\t34", "Маршрут 0\t\t"};
    }
    void rfPlcVerbs()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, expected);
        const Run r = cli(QStringList{"--port", "sim", "--baud", "115200", "--quiet", "--report"} + arguments);
        QCOMPARE(r.exitCode, 0);
        const QStringList lines = r.out.split('\n');
        for (const QString &line : expected)
            QVERIFY2(lines.contains(line), qPrintable(line + "\n---\n" + r.out.right(300)));
    }

    // --read-indicator prints what the meter holds, after any write (the
    // built-in meter starts with mask 0x0161 and backlight 0).
    void indicatorVerbs_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("output");
        QTest::newRow("read") << QStringList{"--read-indicator"} << "Маска индикации\t353\nПодсветка\t0\n";
        QTest::newRow("by power sends word 0")
            << QStringList{"--write-indicator", "0x8003", "5", "--read-indicator"}
            << "Маска индикации\t32771\nПодсветка\t0\n";
        QTest::newRow("group 8 white, key press only")
            << QStringList{"--write-indicator", "353", "0x87000000", "--read-indicator"}
            << "Маска индикации\t353\nПодсветка\t2264924160\n";
        QTest::newRow("write only prints nothing") << QStringList{"--write-indicator", "1", "0"} << "";
    }
    void indicatorVerbs()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, output);
        const Run r = cli(QStringList{"--port", "sim", "--baud", "115200", "--quiet"} + arguments);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, output);
    }

    // --read-journal against the built-in meter: the captions of the list,
    // then one row a line with exactly one cell per caption.
    void readJournal_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("header");
        QTest::addColumn<int>("columns");
        QTest::addColumn<bool>("rowsHeld");
        const QString dated = "Дата\tАктивная\tРеакт.прям.\tРеакт.обр.\t";
        QTest::newRow("month") << QStringList{"month"}
                               << dated + "Пик мощн., Вт\tВр. пика\tНекач. эн.\tПарам. расч.\t1 тариф\t2 тариф\t"
                                          "3 тариф\t4 тариф\t5 тариф\t6 тариф\t7 тариф\t8 тариф\tВремя работы\t"
                                          "1-ый дискр.сч.\t2-ой дискр.сч.\t3-ий дискр.сч."
                               << 20 << true;
        QTest::newRow("day") << QStringList{"day"}
                             << dated + "Некач. U\tНекач. F\tНекач. U+F\tФлаги некач.\t1 тариф\t2 тариф\t"
                                        "3 тариф\t4 тариф\t5 тариф\t6 тариф\t7 тариф\t8 тариф\tВремя работы\t"
                                        "1-ый дискр.сч.\t2-ой дискр.сч.\t3-ий дискр.сч."
                             << 20 << true;
        QTest::newRow("onoff") << QStringList{"onoff"} << "Время\tСобытие" << 2 << true;
        // A meter whose settings were never changed holds none (B = 0).
        QTest::newRow("settings") << QStringList{"settings"}
                                  << "дата время\tпараметр\tустановленное значение\tпримечания" << 4 << false;
        QTest::newRow("quality") << QStringList{"quality"} << "Время\tСостояние" << 2 << true;
        QTest::newRow("profile, yesterday")
            << QStringList{"profile", "--day", QDate::currentDate().addDays(-1).toString(Qt::ISODate)}
            << "Время\tАктивная энергия , кВт\tРеакт.прям., квар.ч.\tРеакт.обр., квар.ч." << 4 << true;
    }
    void readJournal()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, header);
        QFETCH(int, columns);
        QFETCH(bool, rowsHeld);
        const Run r = cli(QStringList{"--port", "sim", "--baud", "115200", "--quiet", "--read-journal"} + arguments);
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QVERIFY(r.out.endsWith('\n'));
        const QStringList lines = r.out.chopped(1).split('\n');
        QCOMPARE(lines.first(), header);
        QCOMPARE(lines.size() > 1, rowsHeld);
        for (const QString &line : lines)
            QVERIFY2(line.count('\t') == columns - 1, qPrintable(line));
    }

    // --xls beside --csv: nothing printed; the workbook holds the title with
    // the built-in meter's serial, the captions, and every row as the CSV
    // shows it, the energies (decimal comma) as numbers of their value and
    // the dates as texts.
    void readJournalToXls()
    {
        QTemporaryDir dir;
        const QString xls = dir.filePath("month.xls"), csv = dir.filePath("month.csv");
        const Run r = cli({"--port", "sim", "--baud", "115200", "--quiet", "--read-journal", "month", "--xls", xls,
                           "--csv", csv});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QCOMPARE(r.out, QString());
        const QList<QStringList> shown = csvRows(csv);
        QVERIFY(shown.size() > 1);

        const testsupport::XlsSheet sheet = testsupport::readXlsBack(xls);
        QVERIFY2(sheet.error.isEmpty(), qPrintable(sheet.error));
        QCOMPARE(sheet.rows.size(), shown.size() + 1);
        QCOMPARE(sheet.rows[0][0].text, QStringLiteral("Счетчик № 123456, Месячный журнал ")); // the built-in meter
        for (int c = 0; c < shown[0].size(); ++c)
            QCOMPARE(sheet.rows[1][c].text, shown[0][c]);
        for (int i = 1; i < shown.size(); ++i) {
            const QList<testsupport::XlsCell> &row = sheet.rows[i + 1];
            QCOMPARE(row[0].type, int(testsupport::XlsCell::Text)); // "Дата"
            QCOMPARE(row[0].text, shown[i][0]);
            QVERIFY2(QRegularExpression("^\\d+,\\d\\d$").match(shown[i][1]).hasMatch(), qPrintable(shown[i][1]));
            QCOMPARE(row[1].type, int(testsupport::XlsCell::Number)); // "Активная"
            QCOMPARE(row[1].number, QString(shown[i][1]).replace(',', '.').toDouble());
        }
    }

    // A workbook that cannot take the place of the target (a folder there):
    // exit 6 with the warning, nothing printed instead, no file left.
    void xlsNotWritable()
    {
        QTemporaryDir dir;
        const QString xls = dir.filePath("onoff.xls");
        QVERIFY(QDir().mkdir(xls));
        const Run r = cli({"--port", "sim", "--baud", "115200", "--quiet", "--read-journal", "onoff", "--xls", xls});
        QCOMPARE(r.exitCode, 6);
        QVERIFY2(r.err.contains("Файл не может быть создан в указанной директории, или файл с таким именем сейчас открыт!"),
                 qPrintable(r.err));
        QCOMPARE(r.out, QString());
        QVERIFY(QFileInfo(xls).isDir());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList());
    }

    void help()
    {
        const Run r = cli({"--help"});
        QCOMPARE(r.exitCode, 0);
        for (const char *option : {"--port", "--baud", "--mode", "--parity", "--address", "--timeout", "--cycles",
                                   "--master", "--report", "--find-address"})
            QVERIFY2(r.out.contains(option), option);
        // every option listed is one that works
        const QRegularExpression listed("--([a-z-]+)");
        for (auto it = listed.globalMatch(r.out); it.hasNext();) {
            const QString name = it.next().captured(1);
            const Run tried = cli({"--" + name, "--port", "/dev/tarvik-none"});
            QVERIFY2(!tried.err.contains("Неизвестный параметр"), qPrintable(name));
        }
        const Run all = cli({"--help-all"});
        QCOMPARE(all.exitCode, 1);
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
