// The window's "Краткий отчет" (ActionTxt) and the chart's "Сохранить"
// through the window's dialog and message hooks: the report of the
// connected built-in meter written and opened, nothing on a cancelled
// dialog, a warning when the file cannot be written; the picture saved only
// from the load-profile sub-page.

#include "app/journalspage.h"
#include "app/main.h"
#include "app/profilechart.h"
#include "link/virtualclock.h"
#include "protocol/cp1251.h"
#include "workplace.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTest>

using namespace app;
using app::testing::child;
using app::testing::Workplace;

namespace {

// The window on a virtual clock with the built-in meter, its save dialogs
// answering `answer` and recording what they were asked.
struct Window
{
    Workplace place;
    meterlink::VirtualClock clock{QDateTime(QDate(2009, 11, 5), QTime(14, 3, 7))};
    QString answer;
    QStringList asked;
    std::unique_ptr<TFormMain> w;

    Window()
    {
        StartupOptions o = place.options();
        o.clock = &clock;
        auto dialog = [this](const QString &filter, const QString &suffix) {
            asked << filter << suffix;
            return answer;
        };
        o.saveReportFile = dialog;
        o.saveChartFile = dialog;
        w = std::make_unique<TFormMain>(o);
        w->show();
    }
    QAction *action(const char *name) { return child<QAction>(*w, name); }
    bool connectMeter()
    {
        action("ActionConnect")->trigger();
        return clock.advanceUntil([this] { return action("ActionTxt")->isEnabled()
                                                  && !w->station().page().cell(protocol::MeterPage::ListMain,
                                                                               protocol::MeterPage::MainSerial)
                                                          .isEmpty(); },
                                  20000);
    }
};

QStringList readReport(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return protocol::fromCp1251(f.readAll()).split(QStringLiteral("\r\n"));
}

} // namespace

class TestTextReportAction : public QObject
{
    Q_OBJECT
private slots:
    void reportOfTheConnectedMeterIsWrittenAndOpened()
    {
        QTemporaryDir out;
        Window win;
        QVERIFY(!win.action("ActionTxt")->isEnabled()); // no meter yet
        QVERIFY(win.connectMeter());
        win.answer = out.filePath("report.txt");
        win.action("ActionTxt")->trigger();

        QCOMPARE(win.asked, QStringList({"Текстовые файлы (*.txt)", "txt"}));
        QVERIFY(win.place.messages.isEmpty());
        QCOMPARE(win.place.opened, QList<QUrl>({QUrl::fromLocalFile(win.answer)}));
        const QStringList lines = readReport(win.answer);
        QCOMPARE(lines.size(), 86); // 85 lines, each ended by CR LF
        QCOMPARE(lines.last(), QString());
        // The virtual clock has gone on a few seconds while connecting.
        QVERIFY2(QRegularExpression("^Системное время\t05\\.11\\.2009 14:0\\d:\\d\\d$").match(lines[0]).hasMatch(),
                 qPrintable(lines[0]));
        QCOMPARE(lines[2], "Тип\tТарвик 504.01");
        QCOMPARE(lines[3], "Заводской номер\t123456");
    }

    // The dialog is shown; then no file, no message and nothing opened.
    void cancelledOrUnwritable_data()
    {
        QTest::addColumn<QString>("answer"); // relative to the output folder; empty: cancelled
        QTest::addColumn<bool>("warned");
        QTest::newRow("cancelled") << QString() << false;
        QTest::newRow("parent is a file") << "plain/report.txt" << true;
    }
    void cancelledOrUnwritable()
    {
        QFETCH(QString, answer);
        QFETCH(bool, warned);
        QTemporaryDir out;
        QFile plain(out.filePath("plain"));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        Window win;
        QVERIFY(win.connectMeter());
        win.answer = answer.isEmpty() ? QString() : out.filePath(answer);
        win.action("ActionTxt")->trigger();

        QCOMPARE(win.asked.size(), 2);
        QVERIFY(win.place.opened.isEmpty());
        QCOMPARE(QDir(out.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList({"plain"}));
        QCOMPARE(win.place.messages.size(), warned ? 1 : 0);
        if (warned) {
            QCOMPARE(win.place.messages[0].icon, QMessageBox::Warning);
            QCOMPARE(win.place.messages[0].caption, QStringLiteral("Краткий отчет"));
            QVERIFY(win.place.messages[0].text.contains(win.answer));
        }
    }

    // "Сохранить" asks the window's dialog; the picture is written from the
    // load-profile sub-page only.
    void chartPictureThroughTheWindow()
    {
        QTemporaryDir out;
        Window win;
        auto *journals = win.w->findChild<JournalsPage *>(QStringLiteral("TabJournal"));
        QVERIFY(journals);
        win.w->pages()->setCurrentWidget(journals);
        QAction *save = journals->chart()->saveAction();

        journals->innerPages()->setCurrentIndex(0); // "Месячный"
        win.answer = out.filePath("month.bmp");
        save->trigger();
        QCOMPARE(win.asked, QStringList({"Bitmaps (*.bmp)", "bmp"}));
        QVERIFY(!QFile::exists(win.answer));

        journals->innerPages()->setCurrentIndex(2); // "Профиль нагрузки"
        win.answer = out.filePath("profile.bmp");
        save->trigger();
        QVERIFY(win.place.messages.isEmpty());
        const QImage image(win.answer, "BMP");
        QCOMPARE(image.size(), journals->chart()->size());
        QVERIFY(!image.isNull());
    }
};

QTEST_MAIN(TestTextReportAction)
#include "tst_textreportaction.moc"
