// The journal export: titles; which cell texts become numbers (Russian and
// English number forms); the temporary name beside the target; the workbook
// read back by an independent reader (title row, captions, numbers and
// texts, an empty list); and every failure leaving the old file byte for
// byte with no temporary file behind.

#include "../support/xlsreadback.h"
#include "journals/journaltitles.h"
#include "journals/xlsexport.h"
#include "../support/testfiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using journals::Journal;
using testsupport::XlsCell;

namespace {

using testsupport::writeFile;
using testsupport::readFile;

const QLocale kRussian(QLocale::Russian, QLocale::Russia);
const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);

// Names of the temporary files the export may leave behind.
QStringList leftovers(const QString &folder)
{
    return QDir(folder).entryList({QStringLiteral("*new.xls")}, QDir::Files | QDir::Hidden);
}

// chattr +i: a file or folder even root cannot change; taken off again at
// the end of the scope.
struct Immutable
{
    QString path;
    bool set = false;
    explicit Immutable(const QString &p) : path(p)
    {
        set = QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), path}) == 0;
    }
    ~Immutable()
    {
        if (set)
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), path});
    }
};

const journals::TextGrid kMonth = {
    {"Дата", "Активная", "Пик мощн., Вт", "Вр. пика", "Парам. расч."},
    {"05.11.2009", "1234,56", "0", "2:05", "72:20 Account Kind JTVF"},
    {"01.12.2009", "-0,5", "150", "", "Активная"},
};

} // namespace

class TstXlsExport : public QObject
{
    Q_OBJECT
private slots:
    void titles_data()
    {
        QTest::addColumn<int>("journal");
        QTest::addColumn<QString>("exported");
        QTest::addColumn<QString>("printed");
        QTest::newRow("month") << int(Journal::Month) << "Счетчик № 504017, Месячный журнал "
                               << "Счетчик № 504017, Месячный журнал";
        QTest::newRow("day") << int(Journal::Day) << "Счетчик № 504017, Суточный журнал "
                             << "Счетчик № 504017, Суточный журнал";
        QTest::newRow("profile") << int(Journal::Profile) << "Счетчик № 504017, Профиль нагрузки "
                                 << "Счетчик № 504017, Профиль нагрузки ";
        QTest::newRow("settings") << int(Journal::Settings) << "Счетчик № 504017, Журнал установок"
                                  << "Счетчик № 504017, Журнал установок";
        QTest::newRow("on/off") << int(Journal::OnOff) << "Счетчик № 504017, Журнал включений"
                                << "Счетчик № 504017, Журнал включений";
        QTest::newRow("quality") << int(Journal::Quality) << "Счетчик № 504017, Журнал качества сети"
                                 << "Счетчик № 504017, Журнал качества сети";
    }
    void titles()
    {
        QFETCH(int, journal);
        QFETCH(QString, exported);
        QFETCH(QString, printed);
        QCOMPARE(journals::exportTitle(Journal(journal), 504017), exported);
        QCOMPARE(journals::printTitle(Journal(journal), 504017), printed);
    }

    void serialInDecimal()
    {
        QCOMPARE(journals::exportTitle(Journal::OnOff, 0), QStringLiteral("Счетчик № 0, Журнал включений"));
        QCOMPARE(journals::printTitle(Journal::OnOff, 4294967295u),
                 QStringLiteral("Счетчик № 4294967295, Журнал включений"));
    }

    // Numbers only in the forms the program shows: optional sign, digits,
    // the locale's decimal separator between digits.
    void cellNumber_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("isNumber");
        QTest::addColumn<double>("value");
        QTest::newRow("ru zero") << kRussian << "0" << true << 0.0;
        QTest::newRow("ru integer") << kRussian << "150" << true << 150.0;
        QTest::newRow("ru leading zero") << kRussian << "05" << true << 5.0;
        QTest::newRow("ru decimal comma") << kRussian << "1234,56" << true << 1234.56;
        QTest::newRow("ru negative") << kRussian << "-0,5" << true << -0.5;
        QTest::newRow("ru plus") << kRussian << "+7" << true << 7.0;
        QTest::newRow("ru date") << kRussian << "05.11.2009" << false << 0.0;
        QTest::newRow("ru time") << kRussian << "2:05" << false << 0.0;
        QTest::newRow("ru date-time") << kRussian << "05.11.2009 10:00:00" << false << 0.0;
        QTest::newRow("ru point is not the separator") << kRussian << "1.5" << false << 0.0;
        QTest::newRow("ru group separator") << kRussian << QString("1") + QChar(0xA0) + "234,5" << false << 0.0;
        QTest::newRow("ru blank group") << kRussian << "1 234" << false << 0.0;
        QTest::newRow("ru exponent") << kRussian << "1e5" << false << 0.0;
        QTest::newRow("ru inf") << kRussian << "inf" << false << 0.0;
        QTest::newRow("ru nan") << kRussian << "nan" << false << 0.0;
        QTest::newRow("ru too large to be finite") << kRussian << "1" + QString(400, '0') << false << 0.0;
        QTest::newRow("ru comma without digits after") << kRussian << "1," << false << 0.0;
        QTest::newRow("ru comma without digits before") << kRussian << ",5" << false << 0.0;
        QTest::newRow("ru lone sign") << kRussian << "-" << false << 0.0;
        QTest::newRow("ru blank around") << kRussian << " 5" << false << 0.0;
        QTest::newRow("ru empty") << kRussian << "" << false << 0.0;
        QTest::newRow("ru word") << kRussian << "Активная" << false << 0.0;
        QTest::newRow("ru quality event") << kRussian << " U -10% F -0,4 Гц" << false << 0.0;
        QTest::newRow("ru Arabic-Indic digits") << kRussian << QString::fromUtf8("\u0665") << false << 0.0;
        QTest::newRow("en decimal point") << kEnglish << "1234.56" << true << 1234.56;
        QTest::newRow("en negative") << kEnglish << "-12.5" << true << -12.5;
        QTest::newRow("en zero") << kEnglish << "0" << true << 0.0;
        QTest::newRow("en comma is not the separator") << kEnglish << "1234,56" << false << 0.0;
        QTest::newRow("en group separator") << kEnglish << "1,234.5" << false << 0.0;
        QTest::newRow("en date") << kEnglish << "05.11.2009" << false << 0.0;
        QTest::newRow("en time") << kEnglish << "2:05" << false << 0.0;
    }
    void cellNumber()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, text);
        QFETCH(bool, isNumber);
        QFETCH(double, value);
        const std::optional<double> n = journals::cellNumber(text, locale);
        QCOMPARE(n.has_value(), isNumber);
        if (isNumber)
            QCOMPARE(*n, value);
    }

    // F + n + "new.xls", n the first free, in the target's folder; never
    // the target itself.
    void temporaryNames_data()
    {
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty folder") << QStringList{} << "month.xls" << "1new.xls";
        QTest::newRow("1 and 2 taken") << QStringList{"1new.xls", "2new.xls"} << "month.xls" << "3new.xls";
        QTest::newRow("gap") << QStringList{"1new.xls", "3new.xls"} << "month.xls" << "2new.xls";
        QTest::newRow("target is 1new.xls, absent") << QStringList{} << "1new.xls" << "2new.xls";
        QTest::newRow("target is 1new.xls, present") << QStringList{"1new.xls"} << "1new.xls" << "2new.xls";
        QTest::newRow("target is 2new.xls beside 1new.xls") << QStringList{"1new.xls"} << "2new.xls" << "3new.xls";
        QTest::newRow("a folder takes the name") << QStringList{"1new.xls/"} << "month.xls" << "2new.xls";
        QTest::newRow("other names are not looked at") << QStringList{"new.xls", "01new.xls", "1new.xlsx"}
                                                       << "month.xls" << "1new.xls";
    }
    void temporaryNames()
    {
        QFETCH(QStringList, present);
        QFETCH(QString, target);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString folder = dir.filePath("journals");
        QVERIFY(QDir().mkpath(folder));
        for (const QString &name : present) {
            if (name.endsWith('/'))
                QVERIFY(QDir(folder).mkdir(name.chopped(1)));
            else
                QVERIFY(writeFile(QDir(folder).filePath(name), "x"));
        }
        QCOMPARE(journals::temporaryXlsName(QDir(folder).filePath(target)), QDir(folder).filePath(expected));
    }

    // A relative target: the folder is the current one, not the text
    // before a last backslash.
    void temporaryNameOfARelativeTarget()
    {
        QTemporaryDir dir;
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        const QString name = journals::temporaryXlsName(QStringLiteral("month.xls"));
        QVERIFY(QDir::setCurrent(previous));
        QCOMPARE(QFileInfo(name).fileName(), QStringLiteral("1new.xls"));
        QCOMPARE(QFileInfo(QDir(dir.path()), name).absolutePath(), QFileInfo(dir.path()).absoluteFilePath());
    }

    // The workbook as a spreadsheet program reads it: row 1 the title and
    // empty texts to the table's width, then the captions and the rows,
    // numbers as numbers and everything else as text.
    void workbookReadBack()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath("month.xls");
        QVERIFY(writeFile(dir.filePath("1new.xls"), "first"));
        QVERIFY(writeFile(dir.filePath("2new.xls"), "second"));
        QString error;
        QVERIFY2(journals::exportGridToXlsFile(kMonth, "Счетчик № 504017, Месячный журнал ", target, kRussian, &error),
                 qPrintable(error));
        // 3new.xls was the temporary file: gone; the others untouched.
        QCOMPARE(leftovers(dir.path()), QStringList({"1new.xls", "2new.xls"}));
        QCOMPARE(readFile(dir.filePath("1new.xls")), QByteArray("first"));
        QCOMPARE(readFile(dir.filePath("2new.xls")), QByteArray("second"));

        const testsupport::XlsSheet sheet = testsupport::readXlsBack(target);
        QVERIFY2(sheet.error.isEmpty(), qPrintable(sheet.error));
        QCOMPARE(sheet.sheetNames, QStringList({"Лист1", "Лист2", "Лист3"}));
        QCOMPARE(sheet.rows.size(), 4);
        const QList<XlsCell> &title = sheet.rows[0];
        QCOMPARE(title.size(), 5);
        QCOMPARE(title[0].type, int(XlsCell::Text));
        QCOMPARE(title[0].text, QStringLiteral("Счетчик № 504017, Месячный журнал "));
        for (int c = 1; c < 5; ++c) {
            QCOMPARE(title[c].type, int(XlsCell::Text));
            QCOMPARE(title[c].text, QString());
        }
        for (int c = 0; c < 5; ++c) {
            QCOMPARE(sheet.rows[1][c].type, int(XlsCell::Text));
            QCOMPARE(sheet.rows[1][c].text, kMonth[0][c]);
        }
        struct Expected
        {
            int row, column, type;
            QString text;
            double number;
        };
        const Expected cells[] = {
            {2, 0, XlsCell::Text, "05.11.2009", 0},
            {2, 1, XlsCell::Number, {}, 1234.56},
            {2, 2, XlsCell::Number, {}, 0},
            {2, 3, XlsCell::Text, "2:05", 0},
            {2, 4, XlsCell::Text, "72:20 Account Kind JTVF", 0},
            {3, 1, XlsCell::Number, {}, -0.5},
            {3, 2, XlsCell::Number, {}, 150},
            {3, 3, XlsCell::Text, "", 0},
            {3, 4, XlsCell::Text, "Активная", 0},
        };
        for (const Expected &e : cells) {
            const XlsCell &got = sheet.rows[e.row][e.column];
            const QByteArray where = QByteArray::number(e.row) + "," + QByteArray::number(e.column);
            QVERIFY2(got.type == e.type, where.constData());
            if (e.type == XlsCell::Text)
                QVERIFY2(got.text == e.text, where.constData());
            else
                QVERIFY2(got.number == e.number, where.constData());
        }
    }

    // An empty list: the title row and the captions row only.
    void emptyList()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath("onoff.xls");
        QString error;
        QVERIFY2(journals::exportGridToXlsFile({{"Время", "Событие"}}, "Счетчик № 7, Журнал включений", target,
                                               kRussian, &error),
                 qPrintable(error));
        const testsupport::XlsSheet sheet = testsupport::readXlsBack(target);
        QVERIFY2(sheet.error.isEmpty(), qPrintable(sheet.error));
        QCOMPARE(sheet.rows.size(), 2);
        QCOMPARE(sheet.rows[0][0].text, QStringLiteral("Счетчик № 7, Журнал включений"));
        QCOMPARE(sheet.rows[1][0].text, QStringLiteral("Время"));
        QCOMPARE(sheet.rows[1][1].text, QStringLiteral("Событие"));
        QVERIFY(leftovers(dir.path()).isEmpty());
    }

    // An existing workbook is replaced whole; a target named like a
    // temporary file is no obstacle.
    void replacesTheOldFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("ordinary name") << "month.xls";
        QTest::newRow("named like the temporary file") << "1new.xls";
    }
    void replacesTheOldFile()
    {
        QFETCH(QString, name);
        QTemporaryDir dir;
        const QString target = dir.filePath(name);
        QVERIFY(writeFile(target, QByteArray(200000, 'o'))); // longer than the new one
        QString error;
        QVERIFY2(journals::exportGridToXlsFile(kMonth, "T", target, kRussian, &error), qPrintable(error));
        const QByteArray written = readFile(target);
        QVERIFY(written.startsWith(QByteArray::fromHex("D0CF11E0A1B11AE1"))); // a compound file
        QVERIFY(!written.contains(QByteArray(1000, 'o')));
        const testsupport::XlsSheet sheet = testsupport::readXlsBack(target);
        QVERIFY2(sheet.error.isEmpty(), qPrintable(sheet.error));
        QCOMPARE(sheet.rows.size(), 4);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{name});
    }

    // Every failure: false with the warning, the old file byte for byte,
    // no temporary file left.
    void failuresLeaveTheOldFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("a cell text too long") << "long text";
        QTest::newRow("too many rows") << "rows";
        QTest::newRow("read-only target") << "read-only file";
        QTest::newRow("read-only folder") << "read-only folder";
    }
    void failuresLeaveTheOldFile()
    {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        const QString folder = dir.filePath("out");
        QVERIFY(QDir().mkpath(folder));
        const QString target = QDir(folder).filePath("month.xls");
        const QByteArray old = "the workbook exported yesterday";
        QVERIFY(writeFile(target, old));

        journals::TextGrid grid = kMonth;
        std::unique_ptr<Immutable> guard;
        const bool root = ::geteuid() == 0; // permissions do not stop root
        if (kind == "long text") {
            grid[2][4] = QString(32768, QLatin1Char('x'));
        } else if (kind == "rows") {
            grid = journals::TextGrid(65536, QStringList{"1"}); // + the title row: one more than a sheet holds
        } else if (kind == "read-only file") {
            if (root) {
                guard = std::make_unique<Immutable>(target);
                if (!guard->set)
                    QSKIP("chattr +i is not available here");
            } else {
                QVERIFY(QFile::setPermissions(target, QFileDevice::ReadOwner));
            }
        } else if (kind == "read-only folder") {
            if (root) {
                guard = std::make_unique<Immutable>(folder);
                if (!guard->set)
                    QSKIP("chattr +i is not available here");
            } else {
                QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
            }
        }
        QString error;
        const bool ok = journals::exportGridToXlsFile(grid, "T", target, kRussian, &error);
        guard.reset();
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QVERIFY(!ok);
        QVERIFY2(error.startsWith(journals::xlsExportFailedMessage() + '\n'), qPrintable(error));
        QCOMPARE(readFile(target), old);
        QCOMPARE(leftovers(folder), QStringList());
    }

    // Targets the file system cannot take at all.
    void impossibleTargets()
    {
        QTemporaryDir dir;
        QString error;
        // A folder in the target's place.
        QVERIFY(QDir(dir.path()).mkdir("month.xls"));
        QVERIFY(!journals::exportGridToXlsFile(kMonth, "T", dir.filePath("month.xls"), kRussian, &error));
        QVERIFY(error.startsWith(journals::xlsExportFailedMessage()));
        QVERIFY(QFileInfo(dir.filePath("month.xls")).isDir());
        QCOMPARE(leftovers(dir.path()), QStringList());
        // A "folder" that is a file.
        QVERIFY(writeFile(dir.filePath("notes"), "n"));
        QVERIFY(!journals::exportGridToXlsFile(kMonth, "T", dir.filePath("notes/month.xls"), kRussian, &error));
        QCOMPARE(readFile(dir.filePath("notes")), QByteArray("n"));
        // No name at all.
        error.clear();
        QVERIFY(!journals::exportGridToXlsFile(kMonth, "T", QString(), kRussian, &error));
        QVERIFY(error.startsWith(journals::xlsExportFailedMessage()));
    }
};

QTEST_GUILESS_MAIN(TstXlsExport)
#include "tst_xlsexport.moc"
