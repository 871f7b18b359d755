// The CSV table of a journal list: RFC 4180 quoting, the UTF-8 byte-order
// mark, CR LF line ends, Cyrillic text, and the file written whole or not at all.

#include "journals/csvtable.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace journals;

class TstCsvTable : public QObject
{
    Q_OBJECT
private slots:
    void quoting_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("field");
        QTest::newRow("plain") << "05.11.2009" << "05.11.2009";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("decimal comma") << "1234,5" << "\"1234,5\"";
        QTest::newRow("quote doubled") << "a\"b" << "\"a\"\"b\"";
        QTest::newRow("only a quote") << "\"" << "\"\"\"\"";
        QTest::newRow("line feed") << "a\nb" << "\"a\nb\"";
        QTest::newRow("carriage return") << "a\rb" << "\"a\rb\"";
        QTest::newRow("blank kept, not quoted") << " U -10% F -0,4 Гц" << "\" U -10% F -0,4 Гц\"";
        QTest::newRow("semicolon and tab as they are") << "a;b\tc" << "a;b\tc";
        QTest::newRow("Cyrillic") << "включение" << "включение";
    }
    void quoting()
    {
        QFETCH(QString, text);
        QFETCH(QString, field);
        QCOMPARE(csvField(text), field);
    }

    void table()
    {
        const QByteArray csv = csvTable({"Время", "Событие"}, {{"01.02.2024 10:00:00", "включение"},
                                                               {"", "? 9"},
                                                               {"x,y", "\"q\""}});
        const QByteArray expected = QByteArray("\xEF\xBB\xBF")
                                    + QStringLiteral("Время,Событие\r\n"
                                                     "01.02.2024 10:00:00,включение\r\n"
                                                     ",? 9\r\n"
                                                     "\"x,y\",\"\"\"q\"\"\"\r\n")
                                          .toUtf8();
        QCOMPARE(csv, expected);
    }

    void headerOnlyWhenNoRows()
    {
        QCOMPARE(csvTable({"Дата"}, {}), QByteArray("\xEF\xBB\xBF") + QStringLiteral("Дата\r\n").toUtf8());
    }

    void fileReplacedWhole()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("month.csv");
        {
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("an older and much longer table that must not survive in part\r\n");
        }
        QString error;
        QVERIFY(writeCsvTable(path, {"Дата", "Активная"}, {{"05.11.2009", "12,50"}}, &error));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), csvTable({"Дата", "Активная"}, {{"05.11.2009", "12,50"}}));
    }

    void unwritablePathReported()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("missing/month.csv");
        QString error;
        QVERIFY(!writeCsvTable(path, {"Дата"}, {}, &error));
        QVERIFY(error.contains(path));
        QVERIFY(!QFile::exists(path));
    }
};

QTEST_GUILESS_MAIN(TstCsvTable)
#include "tst_csvtable.moc"
