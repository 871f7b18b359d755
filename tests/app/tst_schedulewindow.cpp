// The window's two schedule meter actions against the built-in simulated
// meter on the virtual clock: a read brings the editor to the front and
// drives GaugeSched; a refused write and skipped zone entries reach the
// operator as message boxes.

#include "workplace.h"

#include "app/schedulepage.h"
#include "link/virtualclock.h"

#include <QAction>
#include <QProgressBar>
#include <QTabWidget>
#include <QTest>

using namespace app;
using namespace app::testing;

namespace {

QAction *action(TFormMain &w, const char *name) { return w.findChild<QAction *>(QString::fromLatin1(name)); }

// The window connected to the built-in meter, its schedule actions enabled.
struct ConnectedWindow
{
    Workplace place;
    meterlink::VirtualClock clock;
    std::unique_ptr<TFormMain> window;

    ConnectedWindow()
    {
        StartupOptions o = place.options();
        o.clock = &clock;
        window = std::make_unique<TFormMain>(o);
        window->show();
        action(*window, "ActionConnect")->trigger();
        if (!clock.advanceUntil([&] { return action(*window, "ActionReadSched")->isEnabled(); }, 10000))
            qFatal("the schedule actions were never enabled");
    }
    sim::MeterState &meter() { return window->station().simulator().state(); }
};

} // namespace

class TestScheduleWindow : public QObject
{
    Q_OBJECT
private slots:
    void readShowsTheEditorAndTheGauge()
    {
        ConnectedWindow c;
        TFormMain &w = *c.window;
        for (int slot = 2; slot <= 4; ++slot)
            c.meter().zones[slot] = QByteArray::fromHex("0007300001FF0F").replace(1, 1, QByteArray(1, char(slot)));
        QProgressBar *gauge = w.gaugeSched();
        QVERIFY(!gauge->isVisible());

        action(w, "ActionReadSched")->trigger();
        QCOMPARE(w.pages()->currentWidget(), w.schedulePage());
        QVERIFY(!action(w, "ActionReadSched")->isEnabled()); // the meter controls are off meanwhile
        QVERIFY(c.clock.advanceUntil([&] { return gauge->isVisible(); }, 5000));
        QCOMPARE(gauge->maximum(), 288);
        QVERIFY(c.clock.advanceUntil([&] { return gauge->value() == 288; }, 60000));
        QVERIFY(gauge->isVisible());
        QVERIFY(c.clock.advanceUntil([&] { return !gauge->isVisible(); }, 5000)); // the next polling reply
        QCOMPARE(w.station().schedule().model().committedZones().size(), 3);
        QVERIFY(c.place.messages.isEmpty());
    }

    void impossibleTimesAreReported()
    {
        ConnectedWindow c;
        c.meter().zones[2] = QByteArray::fromHex("00250000FFFF0F"); // hour 25
        action(*c.window, "ActionReadSched")->trigger();
        QVERIFY(c.clock.advanceUntil([&] { return !c.place.messages.isEmpty(); }, 60000));
        QCOMPARE(c.place.messages.first().icon, QMessageBox::Warning);
        QCOMPARE(c.place.messages.first().text, QStringLiteral("Пропущено записей расписания с неверным временем: 1"));
    }

    void refusedWriteShowsAnError()
    {
        ConnectedWindow c;
        schedule::ScheduleFileData data = c.window->station().schedule().exportData();
        for (int k = 0; k < 255; ++k)
            data.zoneEntries << (QByteArray(1, char(k % 8)) + QByteArray::fromHex("000000")
                                 + QByteArray(1, char(1 << (k % 8))) + QByteArray(1, char(1 << (k / 8 % 8)))
                                 + QByteArray(1, char(k / 64)));
        c.window->station().schedule().importData(data);
        action(*c.window, "ActionWriteSched")->trigger();
        QCOMPARE(c.place.messages.size(), 1);
        QCOMPARE(c.place.messages.first().caption, QStringLiteral("Ошибка"));
        QCOMPARE(c.place.messages.first().icon, QMessageBox::Critical);
        QVERIFY(!c.window->station().connection().scheduleWriteActive());
        QVERIFY(action(*c.window, "ActionWriteSched")->isEnabled());
    }
};

QTEST_MAIN(TestScheduleWindow)
#include "tst_schedulewindow.moc"
