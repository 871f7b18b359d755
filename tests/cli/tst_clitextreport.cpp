// tarvik-cli --report-txt: the short text report of the built-in meter as a
// file in Windows-1251 with CR LF line ends, and a file that cannot be
// written.

#include "../support/clirun.h"
#include "protocol/cp1251.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestCliTextReport : public QObject
{
    Q_OBJECT
private slots:
    void reportFileAfterOneCycle()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("report.txt");
        const auto r = testsupport::runCli(dir.path(), {"--port", "sim", "--baud", "115200", "--quiet",
                                                        "--report-txt", path}, 60000);
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();

        // "Системное время" TAB in Windows-1251.
        QVERIFY(bytes.startsWith("\xD1\xE8\xF1\xF2\xE5\xEC\xED\xEE\xE5 \xE2\xF0\xE5\xEC\xFF\t"));
        QVERIFY(bytes.endsWith("\r\n"));
        const QList<QByteArray> lines = bytes.chopped(2).split('\n');
        QCOMPARE(lines.size(), 85);
        for (const QByteArray &line : lines) {
            QVERIFY2(line.endsWith('\r') || &line == &lines.last(), line.constData());
            QVERIFY(!line.chopped(line.endsWith('\r') ? 1 : 0).contains('\r'));
        }
        QStringList texts;
        for (const QByteArray &line : lines)
            texts << protocol::fromCp1251(line.endsWith('\r') ? line.chopped(1) : line);
        // Separators exactly one TAB, after the time and around each block.
        for (int at : {1, 25, 42, 59, 70, 74})
            QVERIFY2(texts[at] == "\t", qPrintable(QString::number(at)));
        QCOMPARE(texts[2], "Тип\tТарвик 504.01");
        QCOMPARE(texts[3], "Заводской номер\t123456");
        QCOMPARE(texts[26], "Текущие показания\t");
        QCOMPARE(texts[75], "Дискретные датчики\t");
        QVERIFY(texts[76].startsWith("1 калибровка\t"));
    }

    void unwritableFileExitsWith6()
    {
        QTemporaryDir dir;
        QFile plain(dir.filePath("plain"));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        const QString path = dir.filePath("plain/report.txt");
        const auto r = testsupport::runCli(dir.path(), {"--port", "sim", "--baud", "115200", "--quiet",
                                                        "--report-txt", path}, 60000);
        QCOMPARE(r.exitCode, 6);
        QVERIFY2(r.err.contains(path), qPrintable(r.err));
    }
};

QTEST_GUILESS_MAIN(TestCliTextReport)
#include "tst_clitextreport.moc"
