// Printing a journal table: the date line's genitive month; the column
// layout from measured widths (+16, landscape when wider than the page,
// 6/5 widening to four fifths of the page printed on); and real printouts
// to PDF read back with poppler's pdftotext, pdfinfo and pdftoppm: a long
// table as one document of several pages, each with the title and the
// header row, the date line on the first only, every row once and inside
// the page, texts right-aligned in their columns and the title centred;
// no title line when the title is empty; a wide table in landscape, a
// narrow one widened and centred; a row taller than the page; a table
// without columns printing nothing; a list printed through JournalPrinting.

#include "app/gridprinter.h"
#include "app/journalprinting.h"

#include <QDir>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using app::GridLayout;
using journals::TextGrid;

namespace {

constexpr int kResolution = 300; // printer dots per inch; pages are rendered at the same
const QDateTime kNow(QDate(2026, 12, 10), QTime(10, 15, 0));
const QString kTitle = QStringLiteral("Счетчик № 12345, Журнал включений");

struct Word
{
    QString text;
    QRectF box; // points, from the page's top left
};

struct PdfPage
{
    QSizeF size; // points
    QList<Word> words;

    QString text() const
    {
        QStringList texts;
        for (const Word &w : words)
            texts << w.text;
        return texts.join(u' ');
    }
    QList<Word> find(const QString &text) const
    {
        QList<Word> found;
        for (const Word &w : words)
            if (w.text == text)
                found << w;
        return found;
    }
};

QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

QString unescape(QString text)
{
    return text.replace(u"&lt;"_qs, u"<"_qs).replace(u"&gt;"_qs, u">"_qs).replace(u"&quot;"_qs, u"\""_qs)
        .replace(u"&amp;"_qs, u"&"_qs);
}

// Every page with its words and their boxes (pdftotext -bbox).
QList<PdfPage> readPdf(const QString &path)
{
    static const QRegularExpression pageTag(uR"re(<page width="([\d.]+)" height="([\d.]+)">)re"_qs);
    static const QRegularExpression wordTag(
        uR"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"_qs);
    QList<PdfPage> pages;
    const QStringList lines = run(u"pdftotext"_qs, {u"-bbox"_qs, u"-enc"_qs, u"UTF-8"_qs, path, u"-"_qs}).split(u'\n');
    for (const QString &line : lines) {
        if (const auto m = pageTag.match(line); m.hasMatch()) {
            pages << PdfPage{QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble()), {}};
        } else if (const auto w = wordTag.match(line); w.hasMatch() && !pages.isEmpty()) {
            const QPointF topLeft(w.captured(1).toDouble(), w.captured(2).toDouble());
            const QPointF bottomRight(w.captured(3).toDouble(), w.captured(4).toDouble());
            pages.last().words << Word{unescape(w.captured(5)), QRectF(topLeft, bottomRight)};
        }
    }
    return pages;
}

int pdfPageCount(const QString &path)
{
    static const QRegularExpression pagesLine(uR"re(^Pages:\s+(\d+))re"_qs, QRegularExpression::MultilineOption);
    const auto m = pagesLine.match(run(u"pdfinfo"_qs, {path}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

void setUpPdf(QPrinter &printer, const QString &path)
{
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setResolution(kResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setOutputFileName(path);
}

// The printable area in points, as the PDF pages place it.
QRectF printable(const QPrinter &printer)
{
    return printer.pageLayout().paintRect(QPageLayout::Point);
}

// Captions, then rows "A0001 B0001 C0001" .. with texts that never contain
// one another.
TextGrid longTable(int rows)
{
    TextGrid grid{{u"Дата"_qs, u"Время"_qs, u"Значение"_qs}};
    for (int r = 1; r <= rows; ++r) {
        const QString n = QStringLiteral("%1").arg(r, 4, 10, QLatin1Char('0'));
        grid << QStringList{u"A"_qs + n, u"B"_qs + n, u"C"_qs + n};
    }
    return grid;
}

// The longest run of dark pixels in any line of the image: the table's
// horizontal rules. Returns {first x, last x}.
QPair<int, int> widestRule(const QImage &image)
{
    QPair<int, int> widest{0, -1};
    for (int y = 0; y < image.height(); ++y) {
        int start = -1;
        for (int x = 0; x <= image.width(); ++x) {
            const bool dark = x < image.width() && qGray(image.pixel(x, y)) < 128;
            if (dark && start < 0)
                start = x;
            if (!dark && start >= 0) {
                if (x - 1 - start > widest.second - widest.first)
                    widest = {start, x - 1};
                start = -1;
            }
        }
    }
    return widest;
}

} // namespace

class TestGridPrinter : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString pdfPath(const QString &name) const { return m_dir.filePath(name + u".pdf"_qs); }

private slots:
    void headingNamesTheMonthInTheGenitive_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QString>("heading");
        const char *genitive[] = {"января", "февраля", "марта",    "апреля",  "мая",    "июня",
                                  "июля",   "августа", "сентября", "октября", "ноября", "декабря"};
        for (int m = 1; m <= 12; ++m)
            QTest::addRow("month %d", m) << QDateTime(QDate(2026, m, 10), QTime(10, 15, 0))
                                         << u"10 "_qs + QString::fromUtf8(genitive[m - 1]) + u" 2026 г. 10:15:00"_qs;
        // The day without a leading zero, the time with them.
        QTest::addRow("early") << QDateTime(QDate(2009, 11, 5), QTime(2, 5, 7)) << u"5 ноября 2009 г. 02:05:07"_qs;
    }
    void headingNamesTheMonthInTheGenitive()
    {
        QFETCH(QDateTime, now);
        QFETCH(QString, heading);
        QCOMPARE(app::printHeading(now), heading);
    }

    void layoutFollowsTheMeasuredWidths_data()
    {
        QTest::addColumn<QList<int>>("widest");
        QTest::addColumn<int>("pageWidth");
        QTest::addColumn<int>("landscapeWidth");
        QTest::addColumn<QList<int>>("widths");
        QTest::addColumn<int>("table");
        QTest::addColumn<bool>("landscape");

        // w = {116, 66}, T = 185; 6/5 steps (integer) until T >= 800:
        // {139,79} 221, {166,94} 263, {199,112} 314, {238,134} 375,
        // {285,160} 448, {342,192} 537, {410,230} 643, {492,276} 771,
        // {590,331} 924.
        QTest::newRow("narrow, widened") << QList<int>{100, 50} << 1000 << 1414 << QList<int>{590, 331} << 924 << false;
        // w = {466, 576}, T = 1045 > 1000: landscape; widened towards
        // 1414 * 4 / 5 = 1131: {559, 691}, T = 1253.
        QTest::newRow("wide, landscape, widened on the turned page")
            << QList<int>{450, 560} << 1000 << 1414 << QList<int>{559, 691} << 1253 << true;
        // w = {998}, T = 1000: not less than the page, and not narrow.
        QTest::newRow("exactly the page") << QList<int>{982} << 1000 << 1414 << QList<int>{998} << 1000 << false;
        // w = {999}, T = 1001: landscape; 1001 < 1131: {1198}, T = 1200.
        QTest::newRow("one unit wider") << QList<int>{983} << 1000 << 1414 << QList<int>{1198} << 1200 << true;
        // w = {784}, T = 786 < 800: {940}, T = 942.
        QTest::newRow("just below four fifths") << QList<int>{768} << 1000 << 1414 << QList<int>{940} << 942 << false;
        // w = {786}, T = 788 ... four fifths of 990 is 792: {943}, T = 945.
        QTest::newRow("four fifths in integers") << QList<int>{770} << 990 << 1400 << QList<int>{943} << 945 << false;
        // w = {798}, T = 800 = 1000 * 4 / 5: left as it is.
        QTest::newRow("at four fifths") << QList<int>{782} << 1000 << 1414 << QList<int>{798} << 800 << false;
        // Empty texts still take 16 each: T = 52 < 80; {19} 61, {22} 70,
        // {26} 82.
        QTest::newRow("empty columns") << QList<int>{0, 0, 0} << 100 << 140 << QList<int>{26, 26, 26} << 82 << false;
        QTest::newRow("no columns") << QList<int>{} << 1000 << 1414 << QList<int>{} << 1 << false;
    }
    void layoutFollowsTheMeasuredWidths()
    {
        QFETCH(QList<int>, widest);
        QFETCH(int, pageWidth);
        QFETCH(int, landscapeWidth);
        const GridLayout layout = app::gridLayout(widest, pageWidth, landscapeWidth);
        QTEST(layout.columnWidths, "widths");
        QTEST(layout.tableWidth, "table");
        QTEST(layout.landscape, "landscape");
    }

    void longTablePrintsAsOnePaginatedDocument()
    {
        const QString path = pdfPath(u"long"_qs);
        QPrinter printer(QPrinter::HighResolution);
        setUpPdf(printer, path);
        const TextGrid table = longTable(200);
        app::printGrid(printer, table, kTitle, kNow);

        const QList<PdfPage> pages = readPdf(path);
        QVERIFY2(pages.size() >= 3, qPrintable(QString::number(pages.size())));
        QCOMPARE(pdfPageCount(path), pages.size());
        const QRectF area = printable(printer);

        QString all;
        for (int p = 0; p < pages.size(); ++p) {
            const PdfPage &page = pages.at(p);
            const QString text = page.text();
            all += text + u' ';
            QCOMPARE(text.count(kTitle), 1);
            for (const QString &caption : table.first())
                QCOMPARE(page.find(caption).size(), 1);
            QCOMPARE(text.contains(u"2026 г."_qs), p == 0);
            for (const Word &w : page.words)
                QVERIFY2(w.box.bottom() <= area.bottom() + 1, qPrintable(w.text));
            if (p > 0) {
                // Later pages: the title below a top margin of a twentieth
                // of the page width plus 1.5 lines of size 10.
                const Word first = page.find(u"Счетчик"_qs).value(0);
                QVERIFY(first.box.top() >= area.top() + area.width() / 20 + 10);
                QVERIFY(first.box.top() <= area.top() + area.width() / 20 + 30);
            }
        }
        QVERIFY(pages.first().text().startsWith(u"10 декабря 2026 г. 10:15:00 "_qs + kTitle));
        for (int r = 1; r <= 200; ++r)
            for (const QString &cell : table.at(r))
                QVERIFY2(all.count(cell) == 1, qPrintable(cell));

        // Rows go on in order from page to page.
        int last = 0;
        for (const PdfPage &page : pages)
            for (const Word &w : page.words)
                if (w.text.startsWith(u'A') && w.text.size() == 5) {
                    QCOMPARE(w.text.mid(1).toInt(), last + 1);
                    last = w.text.mid(1).toInt();
                }
        QCOMPARE(last, 200);

        QDir().mkpath(QStringLiteral(TARVIK_SCREENSHOT_DIR));
        for (int p : {1, 2}) {
            const QString png = QStringLiteral(TARVIK_SCREENSHOT_DIR "/print-page%1").arg(p);
            run(u"pdftoppm"_qs, {u"-png"_qs, u"-r"_qs, u"60"_qs, u"-f"_qs, QString::number(p), u"-l"_qs,
                                 QString::number(p), u"-singlefile"_qs, path, png});
            QVERIFY(QFile::exists(png + u".png"_qs));
        }
    }

    void textsAlignRightAndTheTitleIsCentred()
    {
        const QString path = pdfPath(u"aligned"_qs);
        QPrinter printer(QPrinter::HighResolution);
        setUpPdf(printer, path);
        const TextGrid grid{{u"Номер"_qs, u"Событие"_qs}, {u"1"_qs, u"Вкл."_qs}, {u"22"_qs, u"Выключение"_qs},
                            {u"333"_qs, u""_qs}};
        app::printGrid(printer, grid, kTitle, kNow);
        const QList<PdfPage> pages = readPdf(path);
        QCOMPARE(pages.size(), 1);
        const PdfPage &page = pages.first();

        for (int c = 0; c < 2; ++c) {
            const qreal right = page.find(grid.first().at(c)).value(0).box.right();
            QVERIFY(right > 0);
            for (int r = 1; r < grid.size(); ++r)
                if (!grid.at(r).at(c).isEmpty())
                    QVERIFY2(qAbs(page.find(grid.at(r).at(c)).value(0).box.right() - right) < 1.0,
                             qPrintable(grid.at(r).at(c)));
        }
        // Captions sit above their texts, the second column right of the first.
        QVERIFY(page.find(u"Номер"_qs).value(0).box.bottom() <= page.find(u"1"_qs).value(0).box.top());
        QVERIFY(page.find(u"Номер"_qs).value(0).box.right() < page.find(u"Вкл."_qs).value(0).box.left());

        const qreal titleLeft = page.find(u"Счетчик"_qs).value(0).box.left();
        const qreal titleRight = page.find(u"включений"_qs).value(0).box.right();
        const QRectF area = printable(printer);
        QVERIFY2(qAbs((titleLeft + titleRight) / 2 - area.center().x()) < 1.5,
                 qPrintable(QStringLiteral("%1 %2").arg(titleLeft).arg(titleRight)));
    }

    void emptyTitleLeavesNoLine()
    {
        QList<PdfPage> titled, bare;
        for (const QString &title : {kTitle, QString()}) {
            const QString path = pdfPath(title.isEmpty() ? u"bare"_qs : u"titled"_qs);
            QPrinter printer(QPrinter::HighResolution);
            setUpPdf(printer, path);
            app::printGrid(printer, longTable(120), title, kNow);
            (title.isEmpty() ? bare : titled) = readPdf(path);
        }
        QVERIFY(bare.size() >= 2);
        for (const PdfPage &page : bare) {
            QVERIFY(!page.text().contains(u"Счетчик"_qs));
            QVERIFY(!page.find(u"Дата"_qs).isEmpty());
        }
        // The header row moves up by the title's line on every page.
        for (int p : {0, 1}) {
            const qreal without = bare.at(p).find(u"Дата"_qs).value(0).box.top();
            const qreal with = titled.at(p).find(u"Дата"_qs).value(0).box.top();
            QVERIFY2(with - without > 11, qPrintable(QStringLiteral("%1 %2").arg(with).arg(without)));
        }
        // On the first page the header row follows the date line directly:
        // half a line of size 8 and the row's inner space, well under the
        // 1.5 lines of size 11 a title takes.
        const qreal dateBottom = bare.first().find(u"декабря"_qs).value(0).box.bottom();
        const qreal gap = bare.first().find(u"Дата"_qs).value(0).box.top() - dateBottom;
        QVERIFY2(dateBottom > 0 && gap > 0 && gap < 12, qPrintable(QString::number(gap)));
    }

    void wideTableTurnsTheSheet_data()
    {
        QTest::addColumn<int>("columns");
        QTest::addColumn<bool>("landscape");
        QTest::newRow("wide") << 12 << true;
        QTest::newRow("narrow") << 2 << false;
    }
    void wideTableTurnsTheSheet()
    {
        QFETCH(int, columns);
        QFETCH(bool, landscape);
        QStringList captions, cells;
        for (int c = 1; c <= columns; ++c) {
            captions << QStringLiteral("Колонка%1").arg(c);
            cells << QStringLiteral("Значение%1").arg(c);
        }
        const QString path = pdfPath(QStringLiteral("columns%1").arg(columns));
        QPrinter printer(QPrinter::HighResolution);
        setUpPdf(printer, path);
        app::printGrid(printer, TextGrid{captions, cells}, kTitle, kNow);

        const QList<PdfPage> pages = readPdf(path);
        QCOMPARE(pages.size(), 1);
        QCOMPARE(pages.first().size.width() > pages.first().size.height(), landscape);
        for (const QString &text : captions + cells)
            QCOMPARE(pages.first().find(text).size(), 1);
    }

    // The table's rules span at least four fifths of the printable width
    // (and less than 6/5 of that, the first step past it), centred on it.
    void narrowTableIsWidenedAndCentred()
    {
        const QString path = pdfPath(u"narrow"_qs);
        QPrinter printer(QPrinter::HighResolution);
        setUpPdf(printer, path);
        app::printGrid(printer, TextGrid{{u"N"_qs, u"Знач."_qs}, {u"1"_qs, u"2,5"_qs}}, kTitle, kNow);
        const QString png = m_dir.filePath(u"narrow"_qs);
        run(u"pdftoppm"_qs, {u"-png"_qs, u"-r"_qs, QString::number(kResolution), u"-aa"_qs, u"no"_qs, u"-aaVector"_qs,
                             u"no"_qs, u"-singlefile"_qs, path, png});
        const QImage image(png + u".png"_qs);
        QVERIFY(!image.isNull());

        const QRect area = printer.pageLayout().paintRectPixels(kResolution);
        const auto [left, right] = widestRule(image);
        const int table = right - left + 1;
        QVERIFY2(table >= area.width() * 4 / 5 - 2 && table < area.width() * 4 / 5 * 6 / 5,
                 qPrintable(QStringLiteral("%1 of %2").arg(table).arg(area.width())));
        QVERIFY2(qAbs((left - area.left()) - (area.right() - right)) <= 3,
                 qPrintable(QStringLiteral("%1..%2 in %3..%4").arg(left).arg(right).arg(area.left()).arg(area.right())));
    }

    // Each row passes the page's foot, so each goes to a page of its own,
    // under the header row: 1 + 4 pages, and the printing ends.
    void rowTallerThanThePageEnds()
    {
        const QString path = pdfPath(u"tiny"_qs);
        QPrinter printer(QPrinter::HighResolution);
        setUpPdf(printer, path);
        printer.setPageSize(QPageSize(QSizeF(60, 3), QPageSize::Millimeter));
        printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
        app::printGrid(printer, longTable(4), QString(), kNow);
        QCOMPARE(pdfPageCount(path), 5);
    }

    void tableWithoutColumnsPrintsNothing_data()
    {
        QTest::addColumn<TextGrid>("grid");
        QTest::newRow("no rows") << TextGrid{};
        QTest::newRow("rows without cells") << TextGrid{{}, {}, {}};
    }
    void tableWithoutColumnsPrintsNothing()
    {
        QFETCH(TextGrid, grid);
        const QString path = pdfPath(QString::fromLatin1(QTest::currentDataTag()));
        QPrinter printer(QPrinter::HighResolution);
        setUpPdf(printer, path);
        app::printGrid(printer, grid, kTitle, kNow);
        QVERIFY(!QFile::exists(path));
    }

    // A list as the journals page holds it, printed without the dialog:
    // captions, the items' captions and sub-items, short items padded.
    void listPrintsItsCaptionsAndItems()
    {
        QTreeWidget list;
        list.setHeaderLabels({u"Дата"_qs, u"Время"_qs, u"Событие"_qs});
        new QTreeWidgetItem(&list, QStringList{u"05.11.2009"_qs, u"2:05"_qs, u"Включение"_qs});
        new QTreeWidgetItem(&list, QStringList{u"06.11.2009"_qs});
        const QString path = pdfPath(u"list"_qs);
        QPrinter printer(QPrinter::HighResolution);
        setUpPdf(printer, path);
        app::JournalPrinting::printTo(printer, &list, kTitle, kNow);
        const QList<PdfPage> pages = readPdf(path);
        QCOMPARE(pages.size(), 1);
        for (const QString &text : {u"Дата"_qs, u"Время"_qs, u"Событие"_qs, u"05.11.2009"_qs, u"2:05"_qs,
                                    u"Включение"_qs, u"06.11.2009"_qs})
            QCOMPARE(pages.first().find(text).size(), 1);
        QVERIFY(pages.first().text().contains(kTitle));
    }

    // Without an installed printer there is no dialog, and asking to print
    // is harmless.
    void printingNeedsAnInstalledPrinter()
    {
        QWidget page;
        app::JournalPrinting printing(&page);
        QCOMPARE(printing.available(), app::printersInstalled());
        QCOMPARE(printing.dialog() != nullptr, app::printersInstalled());
        if (!printing.available()) {
            QTreeWidget list;
            printing.printListView(&list, kTitle);
        }
    }
};

QTEST_MAIN(TestGridPrinter)
#include "tst_gridprinter.moc"
