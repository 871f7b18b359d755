// The .xls writer checked by readers that share nothing with it: xlrd
// (Python), Spreadsheet::ParseExcel (Perl) and LibreOffice, each run as a
// process, plus the small reader of this folder for the pseudo-random tables.

#include "cellwrites.h"
#include "xlsreadback.h"
#include "xls/workbook.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <limits>

using xlstest::CellValue;
using xlstest::CellWrite;
using Cells = QMap<qint64, CellValue>;

Q_DECLARE_METATYPE(xlstest::CellWrite)
Q_DECLARE_METATYPE(QList<xlstest::CellWrite>)

namespace {

const QString kPython = QStringLiteral("/usr/bin/python3");
const QString kScripts = QStringLiteral(XLS_TEST_DIR);

qint64 key(int row, int column) { return qint64(row - 1) * 256 + (column - 1); }

// The cells the writes leave: the last write to a cell wins.
Cells expectedCells(const QList<CellWrite> &writes)
{
    Cells out;
    for (const CellWrite &w : writes)
        if (xlstest::acceptable(w))
            out.insert(key(w.row, w.column), w.value);
    return out;
}

bool apply(xls::Workbook &wb, const CellWrite &w, QString *error = nullptr)
{
    if (const QString *t = std::get_if<QString>(&w.value))
        return wb.setText(w.row, w.column, *t, error);
    return wb.setNumber(w.row, w.column, std::get<double>(w.value), error);
}

QString cyrillic(int length, int seed = 0)
{
    static const QString letters = QStringLiteral("абвгдеёжзийклмнопрстуфхцчшщъыьэюяАБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ");
    QString s;
    for (int i = 0; i < length; ++i)
        s.append(letters[(i * 7 + seed) % letters.size()]);
    return s;
}

QString describe(const CellValue &v)
{
    if (const QString *t = std::get_if<QString>(&v))
        return QStringLiteral("text of %1: \"%2\"").arg(t->size()).arg(t->left(40));
    return QStringLiteral("number %1").arg(std::get<double>(v), 0, 'g', 17);
}

// The first difference between the cells read and those written, if any.
QString differences(const Cells &got, const Cells &expected)
{
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        if (!got.contains(it.key()))
            return QStringLiteral("cell (%1, %2) missing").arg(it.key() / 256 + 1).arg(it.key() % 256 + 1);
        if (got[it.key()] != it.value())
            return QStringLiteral("cell (%1, %2): %3 read, %4 written")
                .arg(it.key() / 256 + 1)
                .arg(it.key() % 256 + 1)
                .arg(describe(got[it.key()]), describe(it.value()));
    }
    if (got.size() != expected.size())
        return QStringLiteral("%1 cells read, %2 written").arg(got.size()).arg(expected.size());
    return {};
}

// Compares xlrd's cells of a sheet (JSON [row, column, type, value]) with the
// expected ones; type 1 is text, 2 a number.
QString differences(const QJsonArray &read, const Cells &expected)
{
    Cells got;
    for (const QJsonValue &c : read) {
        const QJsonArray a = c.toArray();
        const qint64 k = qint64(a[0].toInt()) * 256 + a[1].toInt();
        if (a[2].toInt() == 1)
            got.insert(k, a[3].toString());
        else if (a[2].toInt() == 2)
            got.insert(k, a[3].toDouble());
        else
            return QStringLiteral("cell %1 of xlrd type %2").arg(k).arg(a[2].toInt());
    }
    return differences(got, expected);
}

// The output of a tool, or an empty array with *failure set.
QByteArray run(const QString &program, const QStringList &args, QString *failure, int timeoutMs = 120000)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(timeoutMs) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        *failure = program + QStringLiteral(" failed: ") + QString::fromUtf8(p.readAllStandardError()).left(2000);
        return {};
    }
    return p.readAllStandardOutput();
}

bool toolWorks(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

} // namespace

class TestWorkbook : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void templateLayout();
    void cellsReadBack_data();
    void cellsReadBack();
    void textsAroundRecordEnd_data();
    void textsAroundRecordEnd();
    void tenThousandRows();
    void fullHeightSheetNeedsDifat();
    void refusalsLeaveWorkbookUnchanged_data();
    void refusalsLeaveWorkbookUnchanged();
    void closeForgetsCells();
    void saveAs();
    void pageSetupOfEverySheet();
    void libreOfficeOpensIt();
    void pseudoRandomTables_data();
    void pseudoRandomTables();

private:
    QString write(const xls::Workbook &wb, const QString &name);
    QJsonObject xlrd(const QString &path);
    void checkReadBack(const QList<CellWrite> &writes, const QString &name);

    QTemporaryDir m_dir;
    bool m_xlrd = false;
    bool m_perl = false;
    bool m_soffice = false;
};

#define NEED(flag, what)                                                                                               \
    if (!(flag))                                                                                                       \
    QSKIP(what " is not installed (scripts/setup.sh installs it)")

void TestWorkbook::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_xlrd = toolWorks(kPython, {QStringLiteral("-c"), QStringLiteral("import xlrd")});
    m_perl = toolWorks(QStringLiteral("perl"), {QStringLiteral("-MSpreadsheet::ParseExcel"), QStringLiteral("-e1")});
    m_soffice = toolWorks(QStringLiteral("soffice"), {QStringLiteral("--version")});
}

QString TestWorkbook::write(const xls::Workbook &wb, const QString &name)
{
    const QString path = m_dir.filePath(name + QStringLiteral(".xls"));
    QString error;
    if (!wb.saveAs(path, &error))
        qWarning() << error;
    return path;
}

QJsonObject TestWorkbook::xlrd(const QString &path)
{
    QString failure;
    const QByteArray out = run(kPython, {kScripts + QStringLiteral("/readxls.py"), path}, &failure);
    if (!failure.isEmpty())
        qWarning().noquote() << failure;
    return QJsonDocument::fromJson(out).object();
}

// Writes the cells, then reads the file back with this folder's reader and
// with xlrd; both must find exactly the cells written on the first sheet.
void TestWorkbook::checkReadBack(const QList<CellWrite> &writes, const QString &name)
{
    xls::Workbook wb = xls::Workbook::fromTemplate();
    for (const CellWrite &w : writes)
        QCOMPARE(apply(wb, w), xlstest::acceptable(w));
    QString why;
    const auto own = xlstest::readWorkbook(wb.toBytes(), &why);
    QVERIFY2(own, qPrintable(why));
    QCOMPARE(own->sheetNames, QStringList({QStringLiteral("Лист1"), QStringLiteral("Лист2"), QStringLiteral("Лист3")}));
    const QString ownDiff = differences(own->cells, expectedCells(writes));
    QVERIFY2(ownDiff.isEmpty(), qPrintable(ownDiff));
    QCOMPARE(own->cellsOnOtherSheets, 0);

    const QJsonObject book = xlrd(write(wb, name));
    QVERIFY2(!book.isEmpty(), "xlrd did not read the file");
    const QJsonArray sheets = book[QStringLiteral("cells")].toArray();
    QCOMPARE(sheets.size(), 3);
    const QString diff = differences(sheets[0].toArray(), expectedCells(writes));
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
    QVERIFY(sheets[1].toArray().isEmpty());
    QVERIFY(sheets[2].toArray().isEmpty());
}

void TestWorkbook::templateLayout()
{
    NEED(m_xlrd, "python3-xlrd");
    const QJsonObject book = xlrd(write(xls::Workbook::fromTemplate(), QStringLiteral("template")));
    QCOMPARE(book[QStringLiteral("sheets")].toArray(),
             QJsonArray({QStringLiteral("Лист1"), QStringLiteral("Лист2"), QStringLiteral("Лист3")}));
    QCOMPARE(book[QStringLiteral("font0")][QStringLiteral("name")].toString(), QStringLiteral("Arial"));
    QCOMPARE(book[QStringLiteral("font0")][QStringLiteral("height")].toInt(), 200); // 10 pt in twips
    QCOMPARE(book[QStringLiteral("defcolwidth")].toArray(), QJsonArray({11, 11, 11}));
    for (const QJsonValue &sheet : book[QStringLiteral("cells")].toArray())
        QVERIFY(sheet.toArray().isEmpty());
}

void TestWorkbook::cellsReadBack_data()
{
    QTest::addColumn<QList<CellWrite>>("writes");

    QList<CellWrite> many;
    for (int i = 0; i < 400; ++i) // about 25 000 bytes of distinct texts: SST and three CONTINUEs
        many.append({i / 4 + 1, i % 4 + 1, QStringLiteral("Журнал качества сети, запись %1 ").arg(i) + cyrillic(i % 23, i)});
    QTest::newRow("many Cyrillic texts") << many;

    QTest::newRow("texts crossing records")
        << QList<CellWrite>{{1, 1, QStringLiteral("Счетчик № 123, Профиль нагрузки ")},
                            {2, 1, cyrillic(6000)},
                            {3, 1, cyrillic(5000, 3)},
                            {4, 1, cyrillic(32767, 5)},
                            {5, 1, QStringLiteral("после длинных")}};

    QTest::newRow("numbers") << QList<CellWrite>{{1, 1, 0.0},          {1, 2, -1.0},        {1, 3, 0.1},
                                                 {1, 4, -2.5},         {1, 5, 1e300},       {1, 6, -1e-300},
                                                 {1, 7, 123456789.125}, {1, 8, 4.9e-324},   {1, 9, 1.7976931348623157e308},
                                                 {2, 1, 230.75},       {2, 2, -0.000001}};

    QTest::newRow("empty texts") << QList<CellWrite>{{1, 1, QStringLiteral("Счетчик № 7, Журнал включений")},
                                                     {1, 2, QString()},
                                                     {1, 3, QString()},
                                                     {2, 1, QStringLiteral("Дата")},
                                                     {3, 2, QString()}};

    QTest::newRow("texts repeated and mixed with numbers")
        << QList<CellWrite>{{1, 1, QStringLiteral("Вкл")}, {2, 1, QStringLiteral("Выкл")}, {3, 1, QStringLiteral("Вкл")},
                            {1, 2, 5.0},                   {2, 2, QStringLiteral("Вкл")},  {3, 2, 0.0}};

    QTest::newRow("a cell written again")
        << QList<CellWrite>{{1, 1, QStringLiteral("первый")}, {1, 1, 42.0}, {2, 3, 1.0}, {2, 3, QStringLiteral("второй")}};

    QTest::newRow("corners of the sheet")
        << QList<CellWrite>{{1, 1, QStringLiteral("A1")}, {1, 256, 1.0}, {65536, 1, QStringLiteral("A65536")},
                            {65536, 256, -3.0}};

    QTest::newRow("characters beyond the basic plane")
        << QList<CellWrite>{{1, 1, QString::fromUtf8("ключ 🔑 и €")}, {1, 2, QString(QChar(0))}};
}

void TestWorkbook::cellsReadBack()
{
    NEED(m_xlrd, "python3-xlrd");
    QFETCH(QList<CellWrite>, writes);
    checkReadBack(writes, QString::fromLatin1(QTest::currentDataTag()).replace(' ', '_'));
}

// The shared strings begin with 8 bytes of counts; a text of n characters
// takes 3 + 2n bytes. A first text of n = 4100 .. 4106 characters and an
// empty one leave 0 .. 10 bytes of the first record, so the next text's
// header lands on or next to the 8224-byte record end in every way.
void TestWorkbook::textsAroundRecordEnd_data()
{
    QTest::addColumn<QList<CellWrite>>("writes");
    for (int n = 4100; n <= 4106; ++n)
        QTest::addRow("first text %d", n) << QList<CellWrite>{{1, 1, cyrillic(n)},
                                                              {2, 1, QString()},
                                                              {3, 1, QStringLiteral("Ж")},
                                                              {4, 1, QStringLiteral("Суточный журнал ")},
                                                              {5, 1, QStringLiteral("ёж")}};

    // Eight texts leave 2 bytes, so the ninth, the first of the second
    // EXTSST bucket of eight, opens a CONTINUE record: 8 + 7 * 5 + 3 + 2 * 4088 = 8222.
    QList<CellWrite> bucket;
    for (int i = 0; i < 7; ++i)
        bucket.append({i + 1, 1, QString(QChar(u'а' + i))});
    bucket.append({8, 1, cyrillic(4088)});
    bucket.append({9, 1, QStringLiteral("ёж")});
    QTest::newRow("a bucket's first text opens a record") << bucket;
}

void TestWorkbook::textsAroundRecordEnd()
{
    NEED(m_xlrd, "python3-xlrd");
    QFETCH(QList<CellWrite>, writes);
    checkReadBack(writes, QString::fromLatin1(QTest::currentDataTag()).replace(' ', '_'));
}

void TestWorkbook::tenThousandRows()
{
    NEED(m_xlrd, "python3-xlrd");
    QList<CellWrite> writes;
    for (int r = 1; r <= 10000; ++r)
        for (int c = 1; c <= 20; ++c) {
            if (c % 4 == 1)
                writes.append({r, c, QStringLiteral("%1.11.2009 %2:05").arg(r % 28 + 1).arg(c)});
            else if (c % 4 == 2)
                writes.append({r, c, QStringLiteral("Строка %1").arg(r)});
            else
                writes.append({r, c, r * 0.25 - c});
        }
    checkReadBack(writes, QStringLiteral("ten_thousand_rows"));
}

// 65 536 rows of 14 numbers: a Workbook stream of about 16.5 MB, beyond what
// the header's 109 FAT sector entries map (109 * 128 sectors, 7 MB) and
// beyond what they and one DIFAT sector of 127 more map (15.5 MB).
void TestWorkbook::fullHeightSheetNeedsDifat()
{
    NEED(m_xlrd, "python3-xlrd");
    QList<CellWrite> writes;
    writes.reserve(65536 * 14);
    for (int r = 1; r <= 65536; ++r)
        for (int c = 1; c <= 14; ++c)
            writes.append({r, c, r + c / 16.0});
    xls::Workbook wb = xls::Workbook::fromTemplate();
    for (const CellWrite &w : writes)
        QVERIFY(apply(wb, w));
    const QByteArray bytes = wb.toBytes();
    const quint32 difatSectors = quint8(bytes[72]) | quint8(bytes[73]) << 8;
    QVERIFY2(difatSectors >= 2, "the file is too small to need two DIFAT sectors");
    checkReadBack(writes, QStringLiteral("full_height"));
}

void TestWorkbook::refusalsLeaveWorkbookUnchanged_data()
{
    QTest::addColumn<CellWrite>("write");
    QTest::newRow("row 0") << CellWrite{0, 1, QStringLiteral("х")};
    QTest::newRow("row 65537") << CellWrite{65537, 1, 1.0};
    QTest::newRow("column 0") << CellWrite{1, 0, 1.0};
    QTest::newRow("column 257") << CellWrite{1, 257, QStringLiteral("х")};
    QTest::newRow("text of 32768") << CellWrite{1, 1, QString(32768, QChar(u'ж'))};
    QTest::newRow("NaN") << CellWrite{1, 1, std::numeric_limits<double>::quiet_NaN()};
    QTest::newRow("infinity") << CellWrite{1, 1, std::numeric_limits<double>::infinity()};
    QTest::newRow("minus infinity") << CellWrite{1, 1, -std::numeric_limits<double>::infinity()};
}

void TestWorkbook::refusalsLeaveWorkbookUnchanged()
{
    QFETCH(CellWrite, write);
    xls::Workbook wb = xls::Workbook::fromTemplate();
    QVERIFY(wb.setText(1, 1, QStringLiteral("было")));
    const QByteArray before = wb.toBytes();
    QString error;
    QVERIFY(!apply(wb, write, &error));
    QVERIFY2(error.contains(QRegularExpression(QStringLiteral("[а-яА-Я]"))), qPrintable(error));
    QCOMPARE(wb.cellCount(), 1);
    QVERIFY(wb.toBytes() == before);
}

void TestWorkbook::closeForgetsCells()
{
    xls::Workbook wb = xls::Workbook::fromTemplate();
    QVERIFY(wb.setText(3, 4, QStringLiteral("текст")));
    QVERIFY(wb.setNumber(5, 6, 7.5));
    wb.close();
    QCOMPARE(wb.cellCount(), 0);
    QVERIFY(wb.toBytes() == xls::Workbook::fromTemplate().toBytes());
}

void TestWorkbook::saveAs()
{
    xls::Workbook wb = xls::Workbook::fromTemplate();
    QVERIFY(wb.setText(1, 1, QStringLiteral("Счетчик")));
    const QString path = m_dir.filePath(QStringLiteral("saved.xls"));
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(100000, 'x')); // longer than the workbook: must not remain at its end
    old.close();
    QString error;
    QVERIFY2(wb.saveAs(path, &error), qPrintable(error));
    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QVERIFY(saved.readAll() == wb.toBytes());

    QVERIFY(!wb.saveAs(m_dir.filePath(QStringLiteral("нет такой папки/a.xls")), &error));
    QVERIFY(error.contains(QStringLiteral("нет такой папки")));
}

void TestWorkbook::pageSetupOfEverySheet()
{
    NEED(m_perl, "libspreadsheet-parseexcel-perl");
    xls::Workbook wb = xls::Workbook::fromTemplate();
    QVERIFY(wb.setText(1, 1, QStringLiteral("Счетчик № 5, Журнал установок")));
    QString failure;
    const QString out = QString::fromUtf8(
        run(QStringLiteral("perl"), {kScripts + QStringLiteral("/pagesetup.pl"), write(wb, QStringLiteral("setup"))},
            &failure));
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    // Paper 9 is A4; portrait; 100 %; margins in inches; header the sheet
    // name (&A) and footer "Страница " and the page number (&P), centred
    // (&C), in Times New Roman 12.
    const QString font = QStringLiteral("&\"Times New Roman,Обычный\"&12");
    const QString common = QStringLiteral("|9|1|100|0.7875|0.7875|1.0528|1.0528|&C") + font
        + QStringLiteral("&A|&C") + font + QStringLiteral("Страница &P");
    QCOMPARE(out.split('\n', Qt::SkipEmptyParts),
             QStringList({QStringLiteral("Лист1") + common, QStringLiteral("Лист2") + common,
                          QStringLiteral("Лист3") + common}));
}

void TestWorkbook::libreOfficeOpensIt()
{
    NEED(m_soffice, "LibreOffice (libreoffice-calc-nogui)");
    xls::Workbook wb = xls::Workbook::fromTemplate();
    QVERIFY(wb.setText(1, 1, QStringLiteral("Счетчик № 123, Суточный журнал ")));
    QVERIFY(wb.setText(1, 2, QString()));
    QVERIFY(wb.setText(2, 1, QStringLiteral("Дата")));
    QVERIFY(wb.setText(2, 2, QStringLiteral("Т1, кВт*ч")));
    QVERIFY(wb.setText(3, 1, QStringLiteral("05.11.2009")));
    QVERIFY(wb.setNumber(3, 2, 2.5));
    QVERIFY(wb.setNumber(4, 2, -7));
    QVERIFY(wb.setNumber(4, 1, 0));
    const QString path = write(wb, QStringLiteral("libreoffice"));
    const QString outDir = m_dir.filePath(QStringLiteral("csv"));
    QString failure;
    run(QStringLiteral("soffice"),
        {QStringLiteral("--headless"), QStringLiteral("-env:UserInstallation=file://") + m_dir.filePath(QStringLiteral("lo")),
         QStringLiteral("--convert-to"), QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76"),
         QStringLiteral("--outdir"), outDir, path},
        &failure, 180000);
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    QFile csv(outDir + QStringLiteral("/libreoffice.csv"));
    QVERIFY2(csv.open(QIODevice::ReadOnly), "LibreOffice wrote no CSV");
    QCOMPARE(QString::fromUtf8(csv.readAll()).split('\n', Qt::SkipEmptyParts),
             QStringList({QStringLiteral("\"Счетчик № 123, Суточный журнал \","), QStringLiteral("Дата,\"Т1, кВт*ч\""),
                          QStringLiteral("05.11.2009,2.5"), QStringLiteral("0,-7")}));
}

void TestWorkbook::pseudoRandomTables_data()
{
    QTest::addColumn<QList<CellWrite>>("writes");
    QRandomGenerator random(504);
    for (int i = 0; i < 20; ++i) {
        QByteArray bytes(int(random.bounded(40, 4000)), Qt::Uninitialized);
        for (char &b : bytes)
            b = char(random.bounded(256));
        QTest::addRow("table %d", i) << xlstest::cellWritesFromBytes(bytes, true);
    }
}

void TestWorkbook::pseudoRandomTables()
{
    NEED(m_xlrd, "python3-xlrd");
    QFETCH(QList<CellWrite>, writes);
    checkReadBack(writes, QString::fromLatin1(QTest::currentDataTag()).replace(' ', '_'));
}

QTEST_GUILESS_MAIN(TestWorkbook)
#include "tst_workbook.moc"
