// The page "Тарифное расписание" in the real window, headless: its place
// among the pages, the holidays page over the document, the actions
// "&Новое", "&Загрузить из файла" and "&Сохранить как файл" with the file
// dialogs answered by the test, everything shown whole at the window's
// fixed size, and screenshots of both inner pages.

#include "app/holidayspage.h"
#include "app/main.h"
#include "app/schedulepage.h"
#include "fitcheck.h"
#include "protocol/encodings.h"
#include "schedule/yeargrid.h"
#include "workplace.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

using namespace app;
using app::testing::child;
using app::testing::Workplace;
using schedule::ZoneRecord;

namespace {

// The window with the schedule dialogs answered from `openPath` and
// `savePath` (empty: cancelled), the save question answered "Да" and the
// colours kept in the workplace.
struct ScheduleWindow
{
    Workplace place;
    QString openPath;
    QString savePath;
    QString saveSuffix;
    QString wanderTo; // a dialog that changes the working directory
    int dialogs = 0;
    std::unique_ptr<TFormMain> w;

    ScheduleWindow()
    {
        StartupOptions o = place.options();
        o.openScheduleFile = [this](const QString &filter) {
            ++dialogs;
            wander();
            return filter == "Файлы тарифного расписания (*.tsc)" ? openPath : QString();
        };
        o.saveScheduleFile = [this](const QString &filter, const QString &suffix) {
            ++dialogs;
            wander();
            saveSuffix = suffix;
            return filter == "Файлы тарифного расписания (*.tsc)" ? savePath : QString();
        };
        o.editor.askSave = [] { return true; };
        const QString colours = place.dir.filePath("Schedule.ini");
        o.editor.openColorStore = [colours] { return std::make_unique<QSettings>(colours, QSettings::IniFormat); };
        w = std::make_unique<TFormMain>(o);
    }
    void wander()
    {
        if (!wanderTo.isEmpty())
            QDir::setCurrent(wanderTo);
    }
    schedule::ScheduleDocument &doc() { return w->station().schedule(); }
    schedule::ScheduleModel &model() { return doc().model(); }
    HolidaysPage *holidays() { return w->schedulePage()->holidaysPage(); }
    template<typename T> T *onHolidays(const char *name) { return holidays()->findChild<T *>(name); }
    QStringList rows(const char *list)
    {
        QStringList out;
        auto *tree = onHolidays<QTreeWidget>(list);
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            out << tree->topLevelItem(i)->text(0) + " " + tree->topLevelItem(i)->text(1);
        return out;
    }
    void trigger(const char *name) { child<QAction>(*w, name)->trigger(); }
    void addHoliday(int month, int day)
    {
        onHolidays<QComboBox>("ComboM")->setCurrentIndex(month - 1);
        onHolidays<QSpinBox>("SpinD")->setValue(day);
        QTest::mouseClick(onHolidays<QPushButton>("BtnInsCel"), Qt::LeftButton);
    }
    void showInner(int index)
    {
        w->pages()->setCurrentWidget(w->schedulePage());
        w->schedulePage()->innerPages()->setCurrentIndex(index);
        QApplication::processEvents();
    }
    // Zones with and without a 00:00 zone, marked cells, pending ones.
    void fillSchedule()
    {
        auto &m = model();
        m.InsertTZone({"06:00", 2, 0, 2});
        m.InsertTZone({"12:00", 3, 5, 4});
        m.InsertTZone({"18:30", 5, 0, 5});
        m.commit();
        m.selectCell(2, 1, {});
        m.InsertTZone({"00:00", 1, 0, 1});
        m.InsertTZone({"07:00", 6, 0, 6});
        m.InsertTZone({"22:00", 7, 12, 8});
        m.selectCell(2, 6, Qt::ControlModifier); // "Да": committed, the current day copied to ФЕВ СБ
        m.selectCell(1, 1, {});
        m.selectCell(3, 1, Qt::ControlModifier);
        m.selectCell(4, 2, Qt::ControlModifier); // the last one pending
    }
};

ZoneRecord zone(const char *time, int tariff, int limit, int limitTariff)
{
    ZoneRecord z;
    z.startTime = QString::fromLatin1(time);
    z.tariff = quint8(tariff);
    z.powerLimit = quint8(limit);
    z.limitTariff = quint8(limitTariff);
    return z;
}

QString screenshotDir() { return QStringLiteral(TARVIK_SCREENSHOT_DIR); }

} // namespace

class TstSchedulePage : public QObject
{
    Q_OBJECT

private slots:
    void pageInItsPlace()
    {
        ScheduleWindow s;
        QStringList captions;
        for (int i = 0; i < s.w->pages()->count(); ++i)
            captions << s.w->pages()->tabText(i);
        QCOMPARE(captions, (QStringList{"О счетчике", "Установка", "Параметры RFPLC", "Индикатор",
                                        "Тарифное расписание", "Журналы", "База данных", "Протокол"}));
        QCOMPARE(s.w->pages()->widget(4)->objectName(), "TabSched");
        QTabWidget *inner = s.w->schedulePage()->innerPages();
        QCOMPARE(inner->count(), 2);
        QCOMPARE(inner->tabText(0), "Расписание");
        QCOMPARE(inner->tabText(1), "Праздники и коэффициент лимита");
        QCOMPARE(inner->widget(0)->objectName(), "TabTariff");
        QCOMPARE(inner->currentIndex(), 0);
        QProgressBar *gauge = s.w->gaugeSched();
        QCOMPARE(gauge->objectName(), "GaugeSched");
        QCOMPARE(gauge->height(), 8);
        QVERIFY(gauge->isHidden());
        // Start-up: the default holidays, no transfers, coefficient 1.
        QCOMPARE(s.rows("ListCel").size(), 12);
        QCOMPARE(s.rows("ListTransfer").size(), 0);
        QCOMPARE(s.onHolidays<QSpinBox>("SpinLimit")->value(), 1);
    }

    // ---------------------------------------------------------------- holidays page

    void holidaysInDateOrder()
    {
        ScheduleWindow s;
        auto *list = s.onHolidays<QTreeWidget>("ListCel");
        list->selectAll();
        QVERIFY(s.onHolidays<QPushButton>("BtnDelCel")->isEnabled());
        QTest::mouseClick(s.onHolidays<QPushButton>("BtnDelCel"), Qt::LeftButton);
        QCOMPARE(s.rows("ListCel").size(), 0);
        s.addHoliday(3, 8);
        s.addHoliday(1, 1);
        s.addHoliday(3, 8);
        QCOMPARE(s.rows("ListCel"), (QStringList{"январь 1", "март 8", "март 8"}));
        QCOMPARE(s.doc().holidays().size(), 3);
    }

    void sixteenRows()
    {
        ScheduleWindow s;
        auto *add = s.onHolidays<QPushButton>("BtnInsCel");
        for (int day = 1; day <= 4; ++day)
            s.addHoliday(12, day); // 12 defaults + 4
        QCOMPARE(s.rows("ListCel").size(), 16);
        QVERIFY(!add->isEnabled());
        auto *list = s.onHolidays<QTreeWidget>("ListCel");
        list->topLevelItem(15)->setSelected(true);
        QTest::mouseClick(s.onHolidays<QPushButton>("BtnDelCel"), Qt::LeftButton);
        QCOMPARE(s.rows("ListCel").size(), 15);
        QVERIFY(add->isEnabled());
        QVERIFY(!s.onHolidays<QPushButton>("BtnDelCel")->isEnabled());

        s.addHoliday(12, 31);
        QVERIFY(!add->isEnabled());
        QTest::mouseClick(s.onHolidays<QPushButton>("BtnTemplet"), Qt::LeftButton);
        QCOMPARE(s.rows("ListCel").size(), 12);
        QCOMPARE(s.rows("ListCel").first(), "январь 1");
        QCOMPARE(s.rows("ListCel").last(), "ноябрь 4");
        QVERIFY(add->isEnabled());

        // Transfers: 16 rows disable their add button too, whatever filled them.
        QByteArray block;
        for (int i = 0; i < 16; ++i)
            block += QByteArray::fromHex("01073001");
        s.doc().transfers().SetTransferBlock(block);
        s.doc().notifyTransfersChanged();
        QCOMPARE(s.rows("ListTransfer").size(), 16);
        QVERIFY(!s.onHolidays<QPushButton>("BtnInsTrans")->isEnabled());
    }

    void dayBoundOfTheMonth_data()
    {
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("maximum");
        QTest::newRow("февраль") << 2 << 29;
        QTest::newRow("апрель") << 4 << 30;
        QTest::newRow("ноябрь") << 11 << 30;
        QTest::newRow("декабрь") << 12 << 31;
    }
    void dayBoundOfTheMonth()
    {
        QFETCH(int, month);
        QFETCH(int, maximum);
        ScheduleWindow s;
        s.onHolidays<QComboBox>("ComboM")->setCurrentIndex(month - 1);
        QCOMPARE(s.onHolidays<QSpinBox>("SpinD")->maximum(), maximum);
    }

    void transfersAndCoefficient()
    {
        ScheduleWindow s;
        auto *picker = s.onHolidays<QDateEdit>("DTPTrans");
        const QDate today = QDate::currentDate();
        QCOMPARE(picker->minimumDate(), today);
        picker->setDate(today.addDays(-1));
        QCOMPARE(picker->date(), today); // yesterday becomes today
        picker->setDate(today.addDays(20));
        s.onHolidays<QComboBox>("ComboTrans")->setCurrentIndex(7);
        QTest::mouseClick(s.onHolidays<QPushButton>("BtnInsTrans"), Qt::LeftButton);
        picker->setDate(today.addDays(3));
        s.onHolidays<QComboBox>("ComboTrans")->setCurrentIndex(5);
        QTest::mouseClick(s.onHolidays<QPushButton>("BtnInsTrans"), Qt::LeftButton);
        const QLocale locale = protocol::displayLocale();
        QCOMPARE(s.rows("ListTransfer"),
                 (QStringList{locale.toString(today.addDays(3), QLocale::ShortFormat) + " суббота",
                              locale.toString(today.addDays(20), QLocale::ShortFormat) + " праздник"}));
        QCOMPARE(s.doc().transfers().rows().first().dayType, 6);

        auto *coefficient = s.onHolidays<QSpinBox>("SpinLimit");
        QCOMPARE(coefficient->minimum(), 1);
        QCOMPARE(coefficient->maximum(), 255);
        coefficient->setValue(7);
        QCOMPARE(s.doc().limitCoefficient(), 7);
        s.doc().setLimitCoefficient(200);
        QCOMPARE(coefficient->value(), 200);
    }

    // ---------------------------------------------------------------- actions

    void newSchedule()
    {
        ScheduleWindow s;
        s.model().InsertTZone(zone("06:00", 2, 0, 2));
        s.doc().transfers().insert(QDate::currentDate().addDays(1), 3);
        s.doc().holidays().clear();
        s.doc().notifyHolidaysChanged();
        s.doc().setLimitCoefficient(9);
        s.showInner(1);
        s.w->pages()->setCurrentIndex(0);
        s.trigger("ActionNewSched");
        QCOMPARE(s.w->pages()->currentWidget()->objectName(), "TabSched");
        QCOMPARE(s.w->schedulePage()->innerPages()->currentIndex(), 0);
        QVERIFY(s.model().workingZones().isEmpty());
        QVERIFY(!s.model().changesPending());
        QCOMPARE(s.rows("ListCel").size(), 12);
        QCOMPARE(s.rows("ListTransfer").size(), 0);
        QCOMPARE(s.doc().limitCoefficient(), 9); // the coefficient stays
    }

    void saveAndLoad()
    {
        ScheduleWindow s;
        const QString before = QDir::currentPath();
        s.wanderTo = QDir::tempPath();
        s.model().InsertTZone(zone("06:00", 2, 0, 2));
        s.model().InsertTZone(zone("07:30", 3, 4, 5));
        QVERIFY(s.model().changesPending());

        // Cancelled: nothing written, but the editor is committed.
        s.trigger("ActionSaveTariff");
        QCOMPARE(s.dialogs, 1);
        QVERIFY(!s.model().changesPending());
        QCOMPARE(QDir::currentPath(), before);

        s.savePath = s.place.dir.filePath("two.tsc");
        s.trigger("ActionSaveTariff");
        QCOMPARE(s.saveSuffix, "tsc");
        QCOMPARE(QFileInfo(s.savePath).size(), 103 + 2 * 9);
        QCOMPARE(QDir::currentPath(), before);

        s.trigger("ActionNewSched");
        s.doc().setLimitCoefficient(3);
        s.w->pages()->setCurrentIndex(0);
        s.openPath = s.savePath;
        s.trigger("ActionLoadTariff");
        QCOMPARE(s.w->pages()->currentWidget()->objectName(), "TabSched");
        QCOMPARE(s.model().committedZones().size(), 2);
        QCOMPARE(s.model().committedZones().at(1).powerLimit, 4);
        QVERIFY(!s.model().changesPending());
        QCOMPARE(s.doc().limitCoefficient(), 1);
        QCOMPARE(QDir::currentPath(), before);
        QVERIFY(s.place.messages.isEmpty());

        // Cancelled open: nothing changes, the page stays where it was.
        s.w->pages()->setCurrentIndex(0);
        s.openPath.clear();
        s.trigger("ActionLoadTariff");
        QCOMPARE(s.w->pages()->currentIndex(), 0);
        QCOMPARE(s.model().committedZones().size(), 2);
    }

    void damagedFileChangesNothing()
    {
        ScheduleWindow s;
        s.model().InsertTZone(zone("06:00", 2, 0, 2));
        s.model().commit();
        s.doc().setLimitCoefficient(5);
        QFile bad(s.place.dir.filePath("bad.tsc"));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write(QByteArray(50, '\x7F'));
        bad.close();
        s.openPath = bad.fileName();
        s.trigger("ActionLoadTariff");
        QCOMPARE(s.place.messages.size(), 1);
        QCOMPARE(s.place.messages[0].caption, "Ошибка");
        QCOMPARE(s.place.messages[0].icon, QMessageBox::Critical);
        QVERIFY(s.place.messages[0].text.startsWith("Файл тарифного расписания поврежден"));
        QCOMPARE(s.model().committedZones().size(), 1);
        QCOMPARE(s.doc().limitCoefficient(), 5);
        QCOMPARE(s.rows("ListCel").size(), 12);
    }

    void zoneWithAnImpossibleTimeIsSkipped()
    {
        ScheduleWindow s;
        s.model().InsertTZone(zone("06:00", 2, 0, 2));
        s.model().InsertTZone(zone("08:00", 3, 0, 3));
        s.savePath = s.place.dir.filePath("hour25.tsc");
        s.trigger("ActionSaveTariff");
        QFile file(s.savePath);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QByteArray bytes = file.readAll();
        QCOMPARE(bytes.at(103 + 1), '\x06'); // the first zone's hour
        bytes[103 + 1] = '\x25';
        file.seek(0);
        file.write(bytes);
        file.close();
        s.trigger("ActionNewSched");
        s.openPath = s.savePath;
        s.trigger("ActionLoadTariff");
        QCOMPARE(s.model().committedZones().size(), 1);
        QCOMPARE(s.model().committedZones().first().startTime, "08:00");
        QCOMPARE(s.place.messages.size(), 1);
        QCOMPARE(s.place.messages[0].text, schedule::skippedZonesMessage(1));
    }

    void failedSaveIsReported()
    {
        ScheduleWindow s;
        s.savePath = s.place.dir.filePath("no such folder/x.tsc");
        s.trigger("ActionSaveTariff");
        QCOMPARE(s.place.messages.size(), 1);
        QCOMPARE(s.place.messages[0].caption, "Ошибка");
        QVERIFY(!s.place.messages[0].text.isEmpty());
    }

    // ---------------------------------------------------------------- fit and screenshots

    void innerPagesShowEverything_data()
    {
        QTest::addColumn<int>("inner");
        QTest::newRow("Расписание") << 0;
        QTest::newRow("Праздники и коэффициент лимита") << 1;
    }
    void innerPagesShowEverything()
    {
        QFETCH(int, inner);
        ScheduleWindow s;
        s.fillSchedule();
        const QDate today = QDate::currentDate();
        s.doc().transfers().insert(QDate(today.year() + 1, 12, 28), 8);
        s.doc().transfers().insert(today.addDays(40), 6);
        s.doc().transfers().insert(today.addDays(10), 7);
        s.doc().notifyTransfersChanged();
        s.doc().setLimitCoefficient(255);
        s.w->show();
        QVERIFY(QTest::qWaitForWindowExposed(s.w.get()));
        s.showInner(inner);
        s.w->schedulePage()->editor()->PanelYearCanResize();

        QWidget *page = s.w->schedulePage()->innerPages()->widget(inner);
        const QStringList problems = fitcheck::controlProblems(page) + fitcheck::placementProblems(page);
        QDir().mkpath(screenshotDir());
        const QString name = inner == 0 ? "TabSched-TabTariff.png" : "TabSched-holidays.png";
        QVERIFY(s.w->grab().save(screenshotDir() + "/" + name));
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
        // The frame gets at least its minimum size in the window, and the
        // grid's labels fit their cells.
        if (inner == 0) {
            const auto *grid = s.w->schedulePage()->editor()->findChild<schedule::YearGrid *>("StringGrid1");
            const schedule::GridGeometry &cells = grid->geometryOfCells();
            for (int m = 1; m <= 12; ++m)
                QVERIFY(grid->fontMetrics().horizontalAdvance(schedule::monthLabel(m)) + 2 <= cells.colWidth);
            for (int d = 1; d <= 8; ++d) {
                QVERIFY(grid->fontMetrics().horizontalAdvance(schedule::dayTypeLabel(d)) + 2 <= cells.col0Width);
                QVERIFY(grid->fontMetrics().height() <= cells.rowHeight);
            }
            QWidget *frame = s.w->schedulePage()->editor();
            QVERIFY2(frame->width() >= 572 && frame->height() >= 433,
                     qPrintable(QStringLiteral("%1x%2").arg(frame->width()).arg(frame->height())));
        }
    }
};

QTEST_MAIN(TstSchedulePage)
#include "tst_schedulepage.moc"
