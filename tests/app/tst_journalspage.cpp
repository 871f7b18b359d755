// The page "Журналы" over a real journal reader and link with a scripted
// meter that keeps the journals: the inner pages, lists, columns and buttons
// by name and caption; the read buttons following the meter controls; a
// read filling its list (and, for the load profile, the chart) with the rows
// the reader holds; a new profile read clearing the chart; the chart's
// title, series and colours; DTPProfile on the day it is given; "Экспорт"
// writing the list with its title through the save dialog and opening the
// file, or showing the warning; "Печать" offered only with a printer; in the
// window, the page after "Тарифное расписание" with DTPProfile on today and
// "Месячный" shown, its export answered by the window's dialogs.

#include "../support/linkfixture.h"
#include "../support/xlsreadback.h"
#include "app/journalprinting.h"
#include "app/journalspage.h"
#include "app/main.h"
#include "app/profilechart.h"
#include "journals/journalreader.h"
#include "protocol/encodings.h"
#include "protocol/meterpage.h"
#include "workplace.h"

#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QDateEdit>
#include <QDir>
#include <QHeaderView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>
#include <QtEndian>

using app::ChartProfile;
using app::JournalsPage;
using journals::Journal;

namespace {

QByteArray u16le(int value)
{
    QByteArray bytes(2, '\0');
    qToLittleEndian(quint16(value), bytes.data());
    return bytes;
}

QByteArray u32le(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

// MeterSeconds: seconds since 2000-01-01 00:00:00 of the meter's calendar.
QByteArray meterSeconds(const QDateTime &t)
{
    return u32le(quint32(QDate(2000, 1, 1).daysTo(t.date()) * 86400 + QTime(0, 0).secsTo(t.time())));
}

// MeterFloat words of a few exact values: (1 + f / 2^23) × 2^(e − 127).
constexpr quint32 kOneAndHalf = 0x7F400000; // 1.5
constexpr quint32 kHalf = 0x7E000000;       // 0.5
constexpr quint32 kQuarter = 0x7D000000;    // 0.25

QByteArray profileRecord(const QDateTime &t, quint32 active, quint32 forward, quint32 reverse)
{
    return meterSeconds(t) + u32le(active) + u32le(forward) + u32le(reverse);
}

// A journal as the meter keeps it: A slots, B records, C the newest; a slot
// without bytes is empty.
struct Store
{
    int slotCount = 0;
    int entryCount = 0;
    int newest = 0;
    QList<QByteArray> records;
};

const QDate kDay(2026, 3, 15);

// The export's dialog, warning and opening of the file, answered and
// recorded.
struct ExportAnswers
{
    QString fileName; // the save dialog's answer; empty: cancelled
    QStringList asked; // filter and default suffix of every dialog shown
    QList<app::testing::Message> messages;
    QList<QUrl> opened;

    app::JournalExportHooks hooks()
    {
        app::JournalExportHooks h;
        h.saveFileName = [this](const QString &filter, const QString &suffix) {
            asked << filter << suffix;
            return fileName;
        };
        h.showMessage = [this](QMessageBox::Icon i, const QString &c, const QString &t) { messages.append({i, c, t}); };
        h.openUrl = [this](const QUrl &url) { opened << url; };
        return h;
    }
};

// The page over a reader on the link; the scripted meter answers 0x5D from
// the stores and every other request with an empty reply.
struct JournalBench
{
    testsupport::LinkFixture link;
    protocol::MeterPage meterPage;
    journals::JournalReader reader{link.connection, link.dispatcher, meterPage};
    ExportAnswers answers;
    JournalsPage page{reader, kDay, nullptr, answers.hooks()};
    Store stores[journals::kJournalCount];

    JournalBench()
    {
        link.meter.responder = [this](const QByteArray &r) -> std::optional<QByteArray> {
            if (quint8(r[0]) != 0x5D)
                return QByteArray(1, r[0]) + char(2);
            const int j = quint8(r[2]);
            const Store &s = stores[qBound(0, j, journals::kJournalCount - 1)];
            if (r.size() == 3) // header 5D 03 j
                return hex("5D09") + char(j) + u16le(s.slotCount) + u16le(s.entryCount) + u16le(s.newest);
            const int index = qFromLittleEndian<quint16>(r.constData() + 3);
            const QByteArray payload = s.records.value(index);
            return hex("5D") + char(payload.size() + 5) + char(j) + u16le(index) + payload;
        };
        QObject::connect(&link.connection, &meterlink::MeterConnection::controlsChanged, &page,
                         [this] { page.setMeterControlsEnabled(link.connection.meterControlsEnabled()); });
    }
    static QByteArray hex(const char *text) { return QByteArray::fromHex(text); }

    bool connect()
    {
        link.connectAndStart();
        return link.clock.advanceUntil([this] { return page.readButton(Journal::Month)->isEnabled(); }, 60000);
    }
    // Presses the read button and waits for the end of the read.
    bool read(Journal j)
    {
        bool finished = false;
        auto c = QObject::connect(&reader, &journals::JournalReader::readFinished,
                                  [&](journals::Journal done) { finished = finished || done == j; });
        page.readButton(j)->click();
        const bool ok = link.clock.advanceUntil([&] { return finished; }, 60000);
        QObject::disconnect(c);
        return ok;
    }
};

QStringList rowTexts(const QTreeWidget *list, int row)
{
    QStringList out;
    for (int c = 0; c < list->columnCount(); ++c)
        out << list->topLevelItem(row)->text(c);
    return out;
}

// The list shows exactly the reader's rows, in the reader's order.
void compareWithReader(const QTreeWidget *list, const QList<journals::JournalRow> &rows)
{
    QCOMPARE(list->topLevelItemCount(), rows.size());
    for (int i = 0; i < rows.size(); ++i)
        QCOMPARE(rowTexts(list, i), rows[i].cells);
}

QStringList categories(const ChartProfile *chart) { return chart->times(); }

QList<double> values(const QBarSet *set)
{
    QList<double> out;
    for (int i = 0; i < set->count(); ++i)
        out << set->at(i);
    return out;
}

} // namespace

class TestJournalsPage : public QObject
{
    Q_OBJECT
private slots:
    // Inner pages in their order, each with its list, its columns and its
    // three buttons.
    void pagesListsAndButtons_data()
    {
        QTest::addColumn<int>("journal");
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("readButton");
        QTest::addColumn<QStringList>("columns");
        const QStringList tariffs = {"1 тариф", "2 тариф", "3 тариф", "4 тариф",
                                     "5 тариф", "6 тариф", "7 тариф", "8 тариф"};
        const QStringList tail = {"Время работы", "1-ый дискр.сч.", "2-ой дискр.сч.", "3-ий дискр.сч."};
        QTest::newRow("month") << 0 << 0 << "Месячный" << "ListYear" << "BtnReadJournalYear"
                               << QStringList{"Дата", "Активная", "Реакт.прям.", "Реакт.обр.", "Пик мощн., Вт",
                                              "Вр. пика", "Некач. эн.", "Парам. расч."} + tariffs + tail;
        QTest::newRow("day") << 1 << 1 << "Суточный" << "ListMonth" << "BtnReadJournalDay"
                             << QStringList{"Дата", "Активная", "Реакт.прям.", "Реакт.обр.", "Некач. U", "Некач. F",
                                            "Некач. U+F", "Флаги некач."} + tariffs + tail;
        QTest::newRow("profile") << 5 << 2 << "Профиль нагрузки" << "ListProfile" << "BtnReadJournalProfile"
                                 << QStringList{"Время", "Активная энергия , кВт", "Реакт.прям., квар.ч.",
                                                "Реакт.обр., квар.ч."};
        QTest::newRow("quality") << 4 << 3 << "ПКЭ" << "ListQuality" << "BtnReadJournalQuality"
                                 << QStringList{"Время", "Состояние"};
        QTest::newRow("settings") << 3 << 4 << "Коррекций" << "ListSetting" << "BtnReadJournalSetting"
                                  << QStringList{"дата время", "параметр", "установленное значение", "примечания"};
        QTest::newRow("on/off") << 2 << 5 << "Вкл./выкл." << "ListOnOff" << "BtnReadJournalOnOff"
                                << QStringList{"Время", "Событие"};
    }
    void pagesListsAndButtons()
    {
        QFETCH(int, journal);
        QFETCH(int, page);
        QFETCH(QString, caption);
        QFETCH(QString, list);
        QFETCH(QString, readButton);
        QFETCH(QStringList, columns);
        JournalBench b;
        QTabWidget *inner = b.page.innerPages();
        QCOMPARE(inner->count(), journals::kJournalCount);
        QCOMPARE(inner->currentIndex(), 0); // "Месячный" first shown
        QCOMPARE(inner->tabText(page), caption);
        QWidget *tab = inner->widget(page);

        auto *tree = tab->findChild<QTreeWidget *>(list);
        QVERIFY(tree);
        QCOMPARE(tree, b.page.list(Journal(journal)));
        QStringList headers;
        for (int c = 0; c < tree->columnCount(); ++c)
            headers << tree->headerItem()->text(c);
        QCOMPARE(headers, columns);
        QCOMPARE(tree->topLevelItemCount(), 0);

        auto *read = tab->findChild<QPushButton *>(readButton);
        QVERIFY(read);
        QCOMPARE(read->text(), QStringLiteral("Прочитать"));
        QVERIFY(!read->isEnabled()); // no meter yet
        QStringList captions;
        for (const QPushButton *button : tab->findChildren<QPushButton *>())
            captions << button->text();
        QCOMPARE(captions, QStringList({"Прочитать", "Экспорт", "Печать"}));
        // Export always; printing only when a printer is installed.
        QVERIFY(b.page.exportButton(Journal(journal))->isEnabled());
        QCOMPARE(b.page.printButton(Journal(journal))->isEnabled(), app::printersInstalled());
        QCOMPARE(tab->findChild<QDateEdit *>("DTPProfile") != nullptr, journal == int(Journal::Profile));
        QCOMPARE(tab->findChild<ChartProfile *>("ChartProfile") != nullptr, journal == int(Journal::Profile));
    }

    // The six read buttons are enabled with the meter controls and disabled
    // while a read holds the link.
    void readButtonsFollowTheMeterControls()
    {
        JournalBench b;
        b.stores[int(Journal::OnOff)] = {16, 1, 0, {meterSeconds(QDateTime(kDay, QTime(8, 0))) + char(1)}};
        auto enabled = [&] {
            QList<bool> out;
            for (int j = 0; j < journals::kJournalCount; ++j)
                out << b.page.readButton(Journal(j))->isEnabled();
            return out;
        };
        const QList<bool> none(journals::kJournalCount, false), all(journals::kJournalCount, true);
        QCOMPARE(enabled(), none);
        QVERIFY(b.connect());
        QCOMPARE(enabled(), all);
        b.page.readButton(Journal::OnOff)->click();
        QCOMPARE(enabled(), none);
        QVERIFY(b.link.clock.advanceUntil([&] { return enabled() == all; }, 60000));
        QCOMPARE(b.page.list(Journal::OnOff)->topLevelItemCount(), 1);
        b.link.connection.disconnectLink();
        QCOMPARE(enabled(), none);
    }

    // A read shows the rows the reader holds: every cell, in its order.
    void readFillsTheList_data()
    {
        QTest::addColumn<int>("journal");
        QTest::addColumn<QStringList>("events"); // the last column, oldest first
        QTest::newRow("on/off") << int(Journal::OnOff)
                                << QStringList{"выключение", "включение", "отключение нагрузки", "? 9"};
        QTest::newRow("quality") << int(Journal::Quality)
                                 << QStringList{" U -10%", " U -5%", " U +5%", " U -10% F -0,4 Гц"};
    }
    void readFillsTheList()
    {
        QFETCH(int, journal);
        QFETCH(QStringList, events);
        JournalBench b;
        // Stored newest first: the list ends sorted by time.
        const QList<quint8> codes = journal == int(Journal::OnOff) ? QList<quint8>{9, 2, 1, 0}
                                                                    : QList<quint8>{0x11, 0x04, 0x02, 0x01};
        Store &s = b.stores[journal];
        s = {16, 4, 3, {}};
        for (int i = 0; i < 4; ++i)
            s.records << meterSeconds(QDateTime(kDay, QTime(12 - i, 0))) + char(codes[i]);
        QVERIFY(b.connect());
        QVERIFY(b.read(Journal(journal)));
        const QTreeWidget *list = b.page.list(Journal(journal));
        compareWithReader(list, b.reader.rows(Journal(journal)));
        QStringList shown;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            shown << list->topLevelItem(i)->text(1);
        QCOMPARE(shown, events);

        // A second read of a shorter journal leaves no row of the first.
        s = {16, 1, 0, {s.records[0]}};
        QVERIFY(b.read(Journal(journal)));
        compareWithReader(list, b.reader.rows(Journal(journal)));
        QCOMPARE(list->topLevelItemCount(), 1);
    }

    // The day's records in the list and as bars of the three series; a read
    // of a day without records clears both.
    void profileFillsListAndChart()
    {
        JournalBench b;
        const QList<QTime> times = {QTime(0, 0), QTime(0, 30), QTime(1, 0), QTime(1, 30)};
        Store &s = b.stores[int(Journal::Profile)];
        s = {48, 4, 3, {}};
        for (const QTime &t : times)
            s.records << profileRecord(QDateTime(kDay, t), kOneAndHalf, kHalf, kQuarter);
        QVERIFY(b.connect());
        QCOMPARE(b.page.profileDay()->date(), kDay);
        QVERIFY(b.read(Journal::Profile));

        const QTreeWidget *list = b.page.list(Journal::Profile);
        compareWithReader(list, b.reader.rows(Journal::Profile));
        QCOMPARE(list->topLevelItemCount(), 4);
        const ChartProfile *chart = b.page.chart();
        QCOMPARE(categories(chart), QStringList({"00:00", "00:30", "01:00", "01:30"}));
        QCOMPARE(chart->shownTimes(), categories(chart));
        QCOMPARE(values(chart->barSet(0)), QList<double>(4, 1.5));
        QCOMPARE(values(chart->barSet(1)), QList<double>(4, 0.5));
        QCOMPARE(values(chart->barSet(2)), QList<double>(4, 0.25));
        QDir().mkpath(QStringLiteral(TARVIK_SCREENSHOT_DIR));
        b.page.resize(780, 470);
        b.page.innerPages()->setCurrentIndex(2);
        QVERIFY(b.page.grab().save(QStringLiteral(TARVIK_SCREENSHOT_DIR "/TabJournal-profile.png")));

        // The next day holds no record: list and chart end empty.
        b.page.profileDay()->setDate(kDay.addDays(1));
        QVERIFY(b.read(Journal::Profile));
        QCOMPARE(list->topLevelItemCount(), 0);
        QVERIFY(categories(chart).isEmpty());
        for (int k = 0; k < ChartProfile::kSeriesCount; ++k)
            QCOMPARE(chart->barSet(k)->count(), 0);
    }

    // "Экспорт" asks for the file ("xls" filter and suffix), writes the list
    // under its title (the serial its read began with) and opens the file.
    void exportWritesAndOpens()
    {
        JournalBench b;
        Store &s = b.stores[int(Journal::OnOff)];
        s = {16, 2, 1, {}};
        s.records << meterSeconds(QDateTime(kDay, QTime(8, 0))) + char(1)
                  << meterSeconds(QDateTime(kDay, QTime(9, 30))) + char(0);
        QVERIFY(b.connect());
        b.meterPage.setMeterSerial(504017);
        QVERIFY(b.read(Journal::OnOff));
        b.meterPage.setMeterSerial(1); // a later serial does not change the list's title

        QTemporaryDir dir;
        b.answers.fileName = dir.filePath("onoff.xls");
        QVERIFY(b.page.exportButton(Journal::OnOff)->isEnabled());
        b.page.exportButton(Journal::OnOff)->click();
        QCOMPARE(b.answers.asked, QStringList({"xls (*.xls)", "xls"}));
        QVERIFY(b.answers.messages.isEmpty());
        QCOMPARE(b.answers.opened, QList<QUrl>{QUrl::fromLocalFile(b.answers.fileName)});

        const testsupport::XlsSheet sheet = testsupport::readXlsBack(b.answers.fileName);
        QVERIFY2(sheet.error.isEmpty(), qPrintable(sheet.error));
        QCOMPARE(sheet.rows.size(), 4);
        QCOMPARE(sheet.rows[0][0].text, QStringLiteral("Счетчик № 504017, Журнал включений"));
        const QTreeWidget *list = b.page.list(Journal::OnOff);
        QCOMPARE(QStringList({sheet.rows[1][0].text, sheet.rows[1][1].text}), QStringList({"Время", "Событие"}));
        for (int r = 0; r < 2; ++r)
            QCOMPARE(QStringList({sheet.rows[r + 2][0].text, sheet.rows[r + 2][1].text}), rowTexts(list, r));
    }

    void exportCancelledWritesNothing()
    {
        JournalBench b;
        QTemporaryDir dir;
        b.answers.fileName.clear();
        b.page.exportButton(Journal::Month)->click();
        QCOMPARE(b.answers.asked.size(), 2); // the dialog was shown
        QVERIFY(QDir(dir.path()).isEmpty());
        QVERIFY(b.answers.opened.isEmpty());
        QVERIFY(b.answers.messages.isEmpty());
    }

    // A file that cannot be created: the warning, nothing opened.
    void exportFailureWarns()
    {
        JournalBench b;
        QTemporaryDir dir;
        b.answers.fileName = dir.filePath("no such folder/month.xls");
        b.page.exportButton(Journal::Profile)->click();
        QCOMPARE(b.answers.messages.size(), 1);
        QCOMPARE(b.answers.messages[0].icon, QMessageBox::Warning);
        QCOMPARE(b.answers.messages[0].caption, QStringLiteral("Внимание"));
        QCOMPARE(b.answers.messages[0].text,
                 QStringLiteral("Файл не может быть создан в указанной директории, или файл с таким именем сейчас открыт!"));
        QVERIFY(b.answers.opened.isEmpty());
        QVERIFY(!QFile::exists(b.answers.fileName));
    }

    void chartTitleAndSeries()
    {
        ChartProfile chart;
        QCOMPARE(chart.chart()->title(), QStringLiteral("Профиль нагрузки (кВт.ч.)"));
        const QList<QAbstractSeries *> series = chart.chart()->series();
        QCOMPARE(series.size(), 3);
        const QStringList names = {"акт.", "прям.", "обр."};
        const QList<QColor> colours = {QColor(0, 64, 128), QColor(Qt::red), QColor(Qt::green)};
        const QList<bool> labels = {false, true, true};
        for (int k = 0; k < 3; ++k) {
            auto *bars = qobject_cast<QBarSeries *>(series[k]);
            QVERIFY(bars);
            QCOMPARE(bars, chart.series(k));
            QCOMPARE(bars->name(), names[k]);
            QCOMPARE(bars->barSets().size(), 1);
            QCOMPARE(bars->barSets().first()->label(), names[k]);
            QCOMPARE(bars->barSets().first()->color(), colours[k]);
            QCOMPARE(bars->isLabelsVisible(), labels[k]);
        }
        // The pop-up menu holds "Сохранить", which saves the picture.
        QCOMPARE(chart.contextMenuPolicy(), Qt::ActionsContextMenu);
        QCOMPARE(chart.actions().size(), 1);
        QCOMPARE(chart.actions().first()->text(), QStringLiteral("Сохранить"));
        QVERIFY(chart.actions().first()->isEnabled());
    }

    // A day at a 30-minute period: 48 bar groups, every fourth time under
    // them; a list that does not continue what is shown replaces it.
    void chartLabelsADayOfRecords()
    {
        QList<journals::ProfilePoint> day;
        for (int i = 0; i < 48; ++i)
            day.append({QDateTime(kDay, QTime(0, 0).addSecs(i * 1800)), {double(i), 0.5, 0.25}});
        ChartProfile chart;
        chart.showPoints(day.mid(0, 47));
        chart.showPoints(day);
        QCOMPARE(chart.times().size(), 48);
        QCOMPARE(chart.barSet(0)->count(), 48);
        QCOMPARE(chart.barSet(0)->at(47), 47.0);
        QStringList everyTwoHours;
        for (int h = 0; h < 24; h += 2)
            everyTwoHours << QTime(h, 0).toString("hh:mm");
        QCOMPARE(chart.shownTimes(), everyTwoHours);
        chart.resize(760, 320);
        QDir().mkpath(QStringLiteral(TARVIK_SCREENSHOT_DIR));
        QVERIFY(chart.grab().save(QStringLiteral(TARVIK_SCREENSHOT_DIR "/ChartProfile-day.png")));

        chart.showPoints(day.mid(10, 2));
        QCOMPARE(chart.times(), QStringList({"05:00", "05:30"}));
        QCOMPARE(values(chart.barSet(0)), QList<double>({10, 11}));
        QCOMPARE(chart.shownTimes(), chart.times());
    }

    void profilePickerShowsTheLongDate()
    {
        JournalBench b;
        const QDateEdit *picker = b.page.profileDay();
        const QLocale locale = protocol::displayLocale();
        QCOMPARE(picker->date(), kDay);
        QCOMPARE(picker->displayFormat(), locale.dateFormat(QLocale::LongFormat));
        QCOMPARE(picker->text(), locale.toString(kDay, QLocale::LongFormat));
        QVERIFY(picker->calendarPopup());
    }

    // At start-up: the page in its place, today's date in DTPProfile, the
    // inner page "Месячный" shown, no read offered before a meter answers.
    void inTheWindow()
    {
        app::testing::Workplace place;
        const QDate today = QDate::currentDate();
        app::TFormMain w(place.options());
        auto *page = w.findChild<JournalsPage *>(QStringLiteral("TabJournal"));
        QVERIFY(page);
        const int index = w.pages()->indexOf(page);
        QCOMPARE(w.pages()->tabText(index), QStringLiteral("Журналы"));
        QCOMPARE(w.pages()->tabText(index - 1), QStringLiteral("Тарифное расписание"));
        QCOMPARE(w.pages()->tabText(index + 1), QStringLiteral("База данных"));
        // today, or the next day when midnight passed while the window was made
        QVERIFY(page->profileDay()->date() == today || page->profileDay()->date() == QDate::currentDate());
        QCOMPARE(page->innerPages()->tabText(page->innerPages()->currentIndex()), QStringLiteral("Месячный"));
        for (int j = 0; j < journals::kJournalCount; ++j)
            QVERIFY(!page->readButton(Journal(j))->isEnabled());
    }

    // The window's save dialog, message box and desktop answer the export.
    void exportInTheWindow()
    {
        app::testing::Workplace place;
        app::StartupOptions options = place.options();
        QString target = place.dir.filePath("month.xls");
        options.saveJournalFile = [&](const QString &, const QString &) { return target; };
        app::TFormMain w(options);
        auto *page = w.findChild<JournalsPage *>(QStringLiteral("TabJournal"));
        QVERIFY(page);
        page->exportButton(Journal::Month)->click();
        QVERIFY(QFile::exists(target));
        QCOMPARE(place.opened, QList<QUrl>{QUrl::fromLocalFile(target)});
        QVERIFY(place.messages.isEmpty());

        target = place.dir.filePath("missing/month.xls");
        page->exportButton(Journal::Month)->click();
        QCOMPARE(place.messages.size(), 1);
        QCOMPARE(place.messages[0].icon, QMessageBox::Warning);
        QCOMPARE(place.opened.size(), 1);
    }
};

QTEST_MAIN(TestJournalsPage)
#include "tst_journalspage.moc"
