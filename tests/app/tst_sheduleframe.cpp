// The schedule editor frame over a real model, headless: grid gestures and
// the save question, the zone controls' enabling rules, the grid geometry,
// what the day bar and a cell without a 00:00 zone look like, and the
// tariff colours kept in their store.

#include "schedule/Shedule.h"
#include "schedule/yeargrid.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeEdit>
#include <QTreeWidget>

using namespace schedule;

namespace {

// A frame with a colour store in a file of the test's own, the save
// question answered from `answer` and counted, the colour dialog answered
// from `nextColor`.
struct Editor
{
    QTemporaryDir dir;
    ScheduleModel model;
    int questions = 0;
    bool answer = false;
    QColor nextColor;
    std::unique_ptr<TFrameShedule> frame;

    QString store() const { return dir.filePath("Schedule.ini"); }
    ColorStoreOpener opener() const
    {
        const QString path = store();
        return [path] { return std::make_unique<QSettings>(path, QSettings::IniFormat); };
    }
    Editor()
    {
        TFrameShedule::Options o;
        o.openColorStore = opener();
        o.askSave = [this] { ++questions; return answer; };
        o.chooseColor = [this](const QColor &) { return nextColor; };
        frame = std::make_unique<TFrameShedule>(model, o);
        frame->resize(760, 470);
        frame->show();
    }
    template<typename T> T *get(const QString &name) const { return frame->findChild<T *>(name); }
    YearGrid *grid() const { return get<YearGrid>("StringGrid1"); }
    QRadioButton *tariff(int n) const { return get<QRadioButton>(QStringLiteral("Tariff%1").arg(n)); }
    QRadioButton *limitTariff(int n) const { return get<QRadioButton>(QStringLiteral("TariffLimit%1").arg(n)); }
    QSpinBox *spinLimit() const { return get<QSpinBox>("SpinLimit"); }
    QTimeEdit *picker() const { return get<QTimeEdit>("DateTimeZone"); }
    QTreeWidget *list() const { return get<QTreeWidget>("ListViewDays"); }

    QPoint centre(int month, int dayType) const
    {
        return grid()->geometryOfCells().cellRect(month, dayType).center();
    }
    void press(QPoint at, Qt::MouseButton button = Qt::LeftButton, Qt::KeyboardModifiers keys = {})
    {
        QTest::mousePress(grid(), button, keys, at);
    }
    void release(QPoint at, Qt::MouseButton button = Qt::LeftButton, Qt::KeyboardModifiers keys = {})
    {
        QTest::mouseRelease(grid(), button, keys, at);
    }
    void click(int month, int dayType, Qt::KeyboardModifiers keys = {}, Qt::MouseButton button = Qt::LeftButton)
    {
        press(centre(month, dayType), button, keys);
        release(centre(month, dayType), button, keys);
    }
    // The operator's way: time, limit, tariff radio, limit-tariff radio, "Добавить".
    void addZone(const QString &time, int tariffNo, int limit, int limitNo)
    {
        picker()->setTime(QTime::fromString(time, "HH:mm"));
        spinLimit()->setValue(limit);
        QTest::mouseClick(tariff(tariffNo), Qt::LeftButton);
        QTest::mouseClick(limitTariff(limitNo), Qt::LeftButton);
        frame->actionEdit()->trigger();
    }
    QList<DayCell> marked() const
    {
        QList<DayCell> out;
        forEachCell([&](DayCell c) {
            if (model.selectedCells().at(c))
                out << c;
        });
        return out;
    }
};

QList<DayCell> rectangle(int m0, int d0, int m1, int d1)
{
    QList<DayCell> out;
    forEachCell([&](DayCell c) {
        if (c.month >= m0 && c.month <= m1 && c.dayType >= d0 && c.dayType <= d1)
            out << c;
    });
    return out;
}

} // namespace

Q_DECLARE_METATYPE(QList<DayCell>)

class TstSheduleFrame : public QObject
{
    Q_OBJECT

private slots:
    // ---------------------------------------------------------------- grid gestures

    void saveQuestionOnClick_data()
    {
        QTest::addColumn<bool>("answer");
        QTest::addColumn<int>("committedZones");
        QTest::newRow("Нет restores") << false << 0;
        QTest::newRow("Да commits") << true << 1;
    }
    void saveQuestionOnClick()
    {
        QFETCH(bool, answer);
        QFETCH(int, committedZones);
        Editor e;
        e.answer = answer;
        e.addZone("06:00", 2, 0, 2);
        QCOMPARE(e.model.workingZones().size(), 1);
        QVERIFY(e.model.changesPending());
        QVERIFY(e.get<QWidget>("BitBtnRedo")->isEnabled());

        e.click(3, 4);
        QCOMPARE(e.questions, 1);
        QCOMPARE(e.model.committedZones().size(), committedZones);
        QCOMPARE(e.model.workingZones().size(), committedZones);
        QCOMPARE(e.model.currentCell(), (DayCell{3, 4}));
        QCOMPARE(e.marked(), QList<DayCell>{(DayCell{3, 4})});
        QVERIFY(!e.model.changesPending());
        QVERIFY(!e.get<QWidget>("BitBtnUndo")->isEnabled());
    }

    void modifierClicks_data()
    {
        QTest::addColumn<int>("m1");
        QTest::addColumn<int>("d1");
        QTest::addColumn<int>("keys1");
        QTest::addColumn<int>("m2");
        QTest::addColumn<int>("d2");
        QTest::addColumn<int>("keys2");
        QTest::addColumn<QList<DayCell>>("marked");
        const int ctrl = Qt::ControlModifier, shift = Qt::ShiftModifier;
        // The current cell is (2, 2) throughout.
        QTest::newRow("Ctrl adds a cell") << 5 << 6 << ctrl << 7 << 1 << ctrl
                                          << QList<DayCell>{{2, 2}, {5, 6}, {7, 1}};
        QTest::newRow("Ctrl twice removes it") << 5 << 6 << ctrl << 5 << 6 << ctrl << QList<DayCell>{{2, 2}};
        QTest::newRow("Shift marks the rectangle") << 99 << 0 << 0 << 4 << 3 << shift << rectangle(2, 2, 4, 3);
        QTest::newRow("Ctrl wins over Shift") << 5 << 6 << ctrl << 4 << 3 << (ctrl | shift)
                                              << QList<DayCell>{{2, 2}, {4, 3}, {5, 6}};
        QTest::newRow("Ctrl on the current cell") << 5 << 6 << ctrl << 2 << 2 << ctrl << QList<DayCell>{{2, 2}};
        QTest::newRow("Shift on the current cell") << 4 << 3 << shift << 2 << 2 << shift << QList<DayCell>{{2, 2}};
    }
    void modifierClicks()
    {
        QFETCH(int, m1);
        QFETCH(int, d1);
        QFETCH(int, keys1);
        QFETCH(int, m2);
        QFETCH(int, d2);
        QFETCH(int, keys2);
        QFETCH(QList<DayCell>, marked);
        Editor e;
        e.click(2, 2);
        if (m1 <= 12)
            e.click(m1, d1, Qt::KeyboardModifiers(keys1));
        e.click(m2, d2, Qt::KeyboardModifiers(keys2));
        QCOMPARE(e.model.currentCell(), (DayCell{2, 2}));
        QCOMPARE(e.marked(), marked);
        QCOMPARE(e.questions, 0); // all cells empty: nothing to save
    }

    void releaseActsOnThePressedCell()
    {
        Editor e;
        e.press(e.centre(4, 2));
        e.release(e.centre(6, 5));
        QCOMPARE(e.model.currentCell(), (DayCell{4, 2}));

        // Released over a header: nothing happens.
        e.press(e.centre(8, 8));
        e.release(e.centre(8, 0));
        e.press(e.centre(9, 7));
        e.release(e.centre(0, 7));
        QCOMPARE(e.model.currentCell(), (DayCell{4, 2}));
        QCOMPARE(e.marked(), QList<DayCell>{(DayCell{4, 2})});
    }

    void rightButtonUsesTheLastLeftModifiers()
    {
        Editor e;
        e.click(3, 5, Qt::ControlModifier); // current stays (1, 1)
        e.click(6, 2, {}, Qt::RightButton);
        QCOMPARE(e.model.currentCell(), (DayCell{1, 1}));
        QCOMPARE(e.marked(), (QList<DayCell>{{1, 1}, {3, 5}, {6, 2}}));
        // Modifiers held with the right button do not count either.
        e.click(1, 1);
        e.click(7, 7, Qt::ShiftModifier, Qt::RightButton);
        QCOMPARE(e.model.currentCell(), (DayCell{7, 7}));
        QCOMPARE(e.marked(), QList<DayCell>{(DayCell{7, 7})});
    }

    // ---------------------------------------------------------------- zone controls

    void tariffRadioRule_data()
    {
        QTest::addColumn<int>("limit");
        QTest::addColumn<int>("limitChecked");
        QTest::addColumn<bool>("editEnabled");
        QTest::newRow("no limit: the limit tariff follows") << 0 << 3 << true;
        QTest::newRow("limit 5, both tariffs 3") << 5 << 3 << false;
    }
    void tariffRadioRule()
    {
        QFETCH(int, limit);
        QFETCH(int, limitChecked);
        QFETCH(bool, editEnabled);
        Editor e;
        if (limit > 0)
            QTest::mouseClick(e.limitTariff(3), Qt::LeftButton);
        e.spinLimit()->setValue(limit);
        QTest::mouseClick(e.tariff(3), Qt::LeftButton);
        QVERIFY(e.list()->selectedItems().isEmpty());
        QVERIFY(e.limitTariff(limitChecked)->isChecked());
        QCOMPARE(e.frame->actionEdit()->isEnabled(), editEnabled);
        QCOMPARE(e.get<QWidget>("BitBtnEdit")->isEnabled(), editEnabled);
    }

    void choosingAZoneTimeSelectsItsRowAndAddUpdates()
    {
        Editor e;
        e.addZone("12:00", 3, 0, 3);
        e.addZone("06:00", 2, 7, 5);
        QCOMPARE(e.list()->topLevelItemCount(), 2);
        QCOMPARE(e.list()->topLevelItem(0)->text(0), "06:00"); // sorted by time

        e.picker()->setTime(QTime(0, 0));
        QVERIFY(e.list()->selectedItems().isEmpty());
        QVERIFY(!e.frame->actionDelete()->isEnabled());
        e.picker()->setTime(QTime(6, 0));
        QCOMPARE(e.list()->selectedItems().size(), 1);
        QCOMPARE(e.list()->selectedItems().first()->text(0), "06:00");
        QVERIFY(e.tariff(2)->isChecked());
        QVERIFY(e.limitTariff(5)->isChecked());
        QCOMPARE(e.spinLimit()->value(), 7);
        QCOMPARE(e.get<QSlider>("TrackBar1")->value(), 360);
        QVERIFY(!e.frame->actionEdit()->isEnabled());
        QVERIFY(e.frame->actionDelete()->isEnabled());

        QTest::mouseClick(e.tariff(4), Qt::LeftButton);
        QVERIFY(e.frame->actionEdit()->isEnabled());
        e.frame->actionEdit()->trigger();
        const ZoneList day = e.model.GetSheduleDay();
        QCOMPARE(day.size(), 2);
        const auto six = std::find_if(day.begin(), day.end(), [](const ZoneRecord &r) { return r.startTime == "06:00"; });
        QVERIFY(six != day.end());
        QCOMPARE(six->tariff, 4);
        QCOMPARE(six->powerLimit, 7);
        QCOMPARE(e.list()->topLevelItem(0)->text(1), "4");
        QCOMPARE(e.get<QLabel>("StatusBar1Panel0")->text(), "2");

        e.frame->actionDelete()->trigger();
        QCOMPARE(e.model.GetSheduleDay().size(), 1);
        QCOMPARE(e.list()->topLevelItemCount(), 1);
        QVERIFY(!e.frame->actionDelete()->isEnabled());
    }

    void insertAndDeleteKeys()
    {
        Editor e;
        e.frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(e.frame.get()));
        e.picker()->setTime(QTime(8, 15));
        QTest::mouseClick(e.tariff(6), Qt::LeftButton);
        QTest::keyClick(e.list(), Qt::Key_Insert);
        QCOMPARE(e.model.GetSheduleDay().size(), 1);
        QCOMPARE(e.model.GetSheduleDay().first().startTime, "08:15");
        QCOMPARE(e.model.GetSheduleDay().first().limitTariff, 6);
        QVERIFY(e.frame->actionDelete()->isEnabled()); // the new row is selected
        QTest::keyClick(e.list(), Qt::Key_Delete);
        QVERIFY(e.model.GetSheduleDay().isEmpty());
        QCOMPARE(e.list()->topLevelItemCount(), 0);
    }

    // A changed limit of a selected zone leaves "Добавить" as it was; running
    // it then with an invalid combination stores nothing.
    void invalidZoneIsNeverStored()
    {
        Editor e;
        e.addZone("06:00", 2, 0, 2);
        e.picker()->setTime(QTime(6, 0));
        QTest::mouseClick(e.tariff(5), Qt::LeftButton); // limit 0: limit tariff 5 too, enabled
        QVERIFY(e.frame->actionEdit()->isEnabled());
        e.spinLimit()->setValue(9); // tariff 5 = limit tariff 5 with a limit: invalid
        QVERIFY(e.frame->actionEdit()->isEnabled());
        e.frame->actionEdit()->trigger();
        QCOMPARE(e.model.GetSheduleDay().first().tariff, 2);
        QCOMPARE(e.model.GetSheduleDay().first().powerLimit, 0);
        QVERIFY(!e.frame->actionEdit()->isEnabled());
    }

    // ---------------------------------------------------------------- drawing

    void gridGeometry()
    {
        const GridGeometry g = GridGeometry::forSize(QSize(576, 9 * 30 + 5));
        QCOMPARE(g.colWidth, 44);
        QCOMPARE(g.col0Width, 48);
        QCOMPARE(g.rowHeight, 30);
        QCOMPARE(g.row0Height, 35);
        QCOMPARE(g.columnAt(47), 0);
        QCOMPARE(g.columnAt(48), 1);
        QCOMPARE(g.columnAt(48 + 44), 2);
        QCOMPARE(g.columnAt(575), 12);
        QCOMPARE(g.rowAt(34), 0);
        QCOMPARE(g.rowAt(35), 1);
        QCOMPARE(g.cellRect(1, 1), QRect(48, 35, 44, 30));
        // A minimised frame: no cells, nothing divided by zero.
        const GridGeometry none = GridGeometry::forSize(QSize(0, 0));
        QCOMPARE(none.columnAt(10), -1);
        QCOMPARE(none.rowAt(10), -1);
        Editor e;
        e.frame->resize(0, 0);
        e.grid()->resize(5, 3);
        e.click(1, 1);
        QVERIFY(!e.grid()->grab().isNull());
        QCOMPARE(e.questions, 0);
    }

    void dayStartingAtSix()
    {
        Editor e;
        const QRect cell = e.grid()->geometryOfCells().cellRect(1, 1);
        // Empty, marked and current: yellow all over, no diagonal.
        QCOMPARE(QColor(e.grid()->grab().toImage().pixel(cell.topLeft() + QPoint(4, 4))), QColor(255, 255, 0));
        e.addZone("06:00", 3, 4, 7); // orange below, teal above
        e.frame->repaint();

        QWidget *bar = e.get<QWidget>("PaintBoxDay");
        const QImage day = bar->grab().toImage();
        const int w = day.width(), h = day.height();
        const int six = w * 360 / 1439;
        QCOMPARE(QColor(day.pixel(2, h - 3)), QColor(128, 128, 128));
        QCOMPARE(QColor(day.pixel(six - 2, 2)), QColor(128, 128, 128));
        QCOMPARE(QColor(day.pixel(six + 2, h - 3)), QColor(255, 140, 26));
        QCOMPARE(QColor(day.pixel(w - 2, h - 3)), QColor(255, 140, 26));
        QCOMPARE(QColor(day.pixel(six + 2, 2)), QColor(0, 128, 128));

        const QImage grid = e.grid()->grab().toImage();
        QCOMPARE(QColor(grid.pixel(cell.topLeft() + QPoint(4, 4))), QColor(160, 160, 164)); // grey triangle
        QCOMPARE(QColor(grid.pixel(cell.bottomRight() - QPoint(4, 4))), QColor(255, 255, 0)); // marked, current
        QCOMPARE(QColor(grid.pixel(cell.center())), QColor(255, 0, 0)); // pending
        QCOMPARE(QColor(grid.pixel(cell.topLeft())), QColor(0, 0, 0));  // outline

        // The cell below, empty and not marked: grey all over, no diagonal.
        const QRect below = e.grid()->geometryOfCells().cellRect(1, 2);
        QCOMPARE(QColor(grid.pixel(below.bottomRight() - QPoint(4, 4))), QColor(160, 160, 164));
        // A whole-day zone: no diagonal.
        e.addZone("00:00", 1, 0, 1);
        e.frame->repaint();
        const QImage whole = e.grid()->grab().toImage();
        QCOMPARE(QColor(whole.pixel(cell.topLeft() + QPoint(4, 4))), QColor(255, 255, 0));
        // Header labels: a weekday in black, a holiday row in red somewhere in its cell.
        const auto hasRed = [&](int row) {
            const QRect r = e.grid()->geometryOfCells().cellRect(0, row);
            for (int y = r.top() + 1; y < r.bottom(); ++y)
                for (int x = r.left() + 1; x < r.right(); ++x)
                    if (QColor(whole.pixel(x, y)) == QColor(255, 0, 0))
                        return true;
            return false;
        };
        QVERIFY(!hasRed(1));
        QVERIFY(hasRed(6));
        QVERIFY(hasRed(8));
    }

    // ---------------------------------------------------------------- colours

    void coloursStoredAndRestored()
    {
        Editor e;
        QCOMPARE(e.frame->tariffColors(), defaultTariffColors());
        QVERIFY(!QFile::exists(e.store()) || QSettings(e.store(), QSettings::IniFormat).allKeys().isEmpty());

        e.nextColor = QColor(); // cancelled
        emit e.tariff(3)->customContextMenuRequested({});
        QCOMPARE(e.frame->tariffColors(), defaultTariffColors());

        e.nextColor = QColor(10, 20, 30);
        emit e.limitTariff(3)->customContextMenuRequested({});
        QCOMPARE(e.frame->tariffColors()[2], QColor(10, 20, 30));
        QCOMPARE(e.tariff(3)->palette().color(QPalette::Window), QColor(10, 20, 30));
        QSettings stored(e.store(), QSettings::IniFormat);
        QCOMPARE(stored.value("Color3").toUInt(), 0x001E140Au); // red in the low byte
        QCOMPARE(stored.value("Color1").toUInt(), 0x00F0FBFFu); // cream 255, 251, 240
        QCOMPARE(stored.value("Color8").toUInt(), 0x00FF80FFu);

        // Repainting keeps it; the next start loads it at the first paint of the bar.
        e.addZone("00:00", 3, 0, 3);
        QCOMPARE(QColor(e.get<QWidget>("PaintBoxDay")->grab().toImage().pixel(5, 20)), QColor(10, 20, 30));
        ScheduleModel model;
        TFrameShedule::Options o;
        o.openColorStore = e.opener();
        TFrameShedule next(model, o);
        next.resize(760, 470);
        next.findChild<QWidget *>("PaintBoxDay")->grab();
        QCOMPARE(next.tariffColors()[2], QColor(10, 20, 30));
        QCOMPARE(next.findChild<QRadioButton *>("TariffLimit3")->palette().color(QPalette::Window),
                 QColor(10, 20, 30));
    }

    void colourEncoding()
    {
        QCOMPARE(storedFromColor(QColor(0x12, 0x34, 0x56)), 0x00563412u);
        QCOMPARE(colorFromStored(0x00563412u), QColor(0x12, 0x34, 0x56));
    }
};

QTEST_MAIN(TstSheduleFrame)
#include "tst_sheduleframe.moc"
