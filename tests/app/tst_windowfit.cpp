// Nothing the operator needs is cut off at the window's fixed size: the page
// "О счетчике" filled with the widest values the decoders can make of real
// replies, the connection panel in every run mode and line mode, the page
// "Установка" with everything it can show at once, the pages
// "Параметры RFPLC" and "Индикатор" in their places, and the six journal
// pages of "Журналы" with what the built-in simulated meter's journals hold.

#include "app/journalspage.h"
#include "app/main.h"
#include "app/settingspage.h"
#include "fitcheck.h"
#include "link/virtualclock.h"
#include "protocol/meterdecoders.h"
#include "workplace.h"

#include <QApplication>
#include <QDir>
#include <QRegularExpression>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QtEndian>
#include <cmath>

using namespace app;
using app::testing::child;
using app::testing::Workplace;
using P = protocol::MeterPage;

namespace {

// [code][L][payload][CRC]; the decoders never look at the CRC.
protocol::Reply reply(quint8 code, const QByteArray &payload)
{
    QByteArray bytes;
    bytes.append(char(code));
    bytes.append(char(payload.size() + 2));
    bytes.append(payload);
    bytes.append(2, '\0');
    return protocol::Reply(bytes);
}

QByteArray hex(const char *text) { return QByteArray::fromHex(text); }

QByteArray u32le(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

// MeterSeconds of a local date-time: seconds since 2000-01-01 00:00:00.
QByteArray meterSeconds(const QDate &date, const QTime &time)
{
    return u32le(quint32(QDate(2000, 1, 1).daysTo(date) * 86400 + QTime(0, 0).secsTo(time)));
}

// MeterFloat word of a value: (1 + f / 2^23) × 2^(e − 127), sign in bit 23.
quint32 meterFloatWord(double value)
{
    int e = 0;
    const double m = std::frexp(std::fabs(value), &e); // |value| = m × 2^e, 0.5 <= m < 1
    const auto fraction = quint32(std::lround((2 * m - 1) * (1 << 23))) & 0x7FFFFF;
    return quint32(e - 1 + 127) << 24 | (value < 0 ? 1u << 23 : 0) | fraction;
}

// What the decoders make of a full polling cycle's worth of replies whose
// every field is at its widest: 8-digit serial, 4-digit type, exponent-form
// readings with a sign, two-digit day, month and hour, the longest working
// time, threshold and status line.
QList<protocol::Reply> widestReplies(quint8 clockStatus, quint8 loadMode, quint32 readingWord)
{
    const QByteArray widestTime = meterSeconds(QDate(2088, 12, 28), QTime(22, 48, 48));
    const QByteArray reading = u32le(readingWord);
    QList<protocol::Reply> replies = {
        reply(0x00, hex("9999990405")), // type 504.99, version 99.99
        reply(0x00, hex("9999999999")), // then type 9999.99; the version row keeps 99.99
        reply(0x01, hex("FFFFFF")),
        reply(0x04, QByteArray(1, char(clockStatus)) + widestTime),
        reply(0x08, hex("FFFF")),
        reply(0x11, hex("FFFFFFFF")),
        reply(0x16, hex("FFFFFF") + QByteArray(1, char(loadMode))),
        reply(0x18, hex("FFFF")),
        reply(0x1E, hex("FF")),
        reply(0x22, hex("9999")),
        reply(0x25, reading),
        reply(0x2B, widestTime + hex("FFFFFF") + widestTime + hex("FFFFFF")),
        reply(0x4C, hex("FFFF")),
        reply(0x4D, hex("80")),
        reply(0x4E, hex("01")),
        reply(0x50, hex("00")),
        reply(0x5C, hex("02")),
        reply(0x60, hex("FFFF03")),
    };
    for (int s : {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F,
                  0x40, 0x48, 0x42, 0x4A, 0x45, 0x4D, 0x80, 0x81, 0x82, 0x83, 0x84, 0x85, 0x88})
        replies << reply(0x0F, QByteArray(1, char(s)) + hex("00") + reading);
    // Sensors 1 and 2 divide the largest count by 1, sensor 3 shows the largest calibration.
    for (const char *calibration : {"00000100", "01000100", "0200FFFF"})
        replies << reply(0x1C, hex(calibration));
    for (int sensor = 0; sensor < 3; ++sensor)
        for (int kind = 1; kind <= 2; ++kind)
            replies << reply(0x1C, QByteArray(1, char(sensor)) + QByteArray(1, char(kind)) + hex("FFFFFFFF"));
    return replies;
}

// A journal list scrolls when its columns or rows outrun the page; every
// caption and every value still stands whole in its column.
QStringList journalListProblems(const QTreeWidget *tree)
{
    QStringList out;
    const QHeaderView *header = tree->header();
    const int headerMargin = tree->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    for (int c = 0; c < tree->columnCount(); ++c) {
        const QString title = tree->headerItem()->text(c);
        const int caption = header->fontMetrics().horizontalAdvance(title) + 2 * headerMargin;
        if (caption > header->sectionSize(c))
            out << fitcheck::problem(tree, QStringLiteral(" header %1").arg(c), title, caption, header->sectionSize(c));
        for (int row = 0; row < tree->topLevelItemCount(); ++row) {
            const QString text = tree->topLevelItem(row)->text(c);
            const QRect cell(0, 0, header->sectionSize(c), tree->visualItemRect(tree->topLevelItem(0)).height());
            const int room = fitcheck::cellTextRect(tree, cell, text).width();
            const int need = tree->fontMetrics().horizontalAdvance(text);
            if (need > room)
                out << fitcheck::problem(tree, QStringLiteral(" row %1 column %2").arg(row).arg(c), text, need, room);
        }
    }
    return out;
}

QString fitScreenshot(const QString &tag, const QString &page = QStringLiteral("TabAbout"))
{
    QString name = tag;
    name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]+")), QStringLiteral("-"));
    return QStringLiteral(TARVIK_SCREENSHOT_DIR "/fit/") + page + QLatin1Char('-') + name + QStringLiteral(".png");
}

} // namespace

class TestWindowFit : public QObject
{
    Q_OBJECT
private slots:
    void meterPageShowsWidestValues_data()
    {
        QTest::addColumn<bool>("databaseMode");
        QTest::addColumn<quint8>("clockStatus");
        QTest::addColumn<quint8>("loadMode");
        QTest::addColumn<quint32>("readingWord");
        const quint32 mostNegative = 0xFFFFFFFF; // -6.8056469E+38
        for (quint8 mode = 0; mode < 4; ++mode)
            QTest::addRow("load mode %d", mode) << false << quint8(0x87) << mode << mostNegative;
        QTest::newRow("battery fault") << false << quint8(0x97) << quint8(0) << mostNegative;
        QTest::newRow("clock fault") << false << quint8(0xA7) << quint8(0) << mostNegative;
        QTest::newRow("date not set") << false << quint8(0xC7) << quint8(0) << mostNegative;
        QTest::newRow("eight digits without exponent")
            << false << quint8(0x87) << quint8(0) << meterFloatWord(-1234567.9);
        QTest::newRow("database mode") << true << quint8(0x87) << quint8(0) << mostNegative;
        QTest::newRow("database mode, date not set") << true << quint8(0xC7) << quint8(0) << mostNegative;
    }
    void meterPageShowsWidestValues()
    {
        QFETCH(bool, databaseMode);
        QFETCH(quint8, clockStatus);
        QFETCH(quint8, loadMode);
        QFETCH(quint32, readingWord);
        Workplace place;
        if (databaseMode)
            place.markDatabaseMode();
        TFormMain w(place.options());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        protocol::MeterDecoders decoders(&w.station().page(), databaseMode); // the display locale, as polling uses
        for (const auto &r : widestReplies(clockStatus, loadMode, readingWord))
            decoders.decode(r);
        QApplication::processEvents();

        auto *page = w.pages()->currentWidget();
        QCOMPARE(page->objectName(), QStringLiteral("TabAbout"));
        // The replies reached every value cell: nothing is measured empty.
        for (const char *name : {"ListAddi", "ListParam", "ListInfo", "ListSensor"}) {
            const auto *tree = child<QTreeWidget>(w, name);
            for (int row = 0; row < tree->topLevelItemCount(); ++row)
                QVERIFY2(tree->topLevelItem(row)->text(0).isEmpty() || !tree->topLevelItem(row)->text(1).isEmpty(),
                         qPrintable(QStringLiteral("%1 row %2").arg(name).arg(row)));
        }
        QVERIFY(!child<QPlainTextEdit>(w, "MemoStatus")->toPlainText().isEmpty());

        QDir().mkpath(QStringLiteral(TARVIK_SCREENSHOT_DIR "/fit"));
        QVERIFY(w.grab().save(fitScreenshot(QTest::currentDataTag())));
        const QStringList problems = fitcheck::controlProblems(page);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }

    void connectionPanelShowsEverything_data()
    {
        QTest::addColumn<bool>("databaseMode");
        QTest::addColumn<int>("lineMode"); // index of ComboMode: 0 Rs-485, 1 MODBUS (parity shown)
        QTest::newRow("Rs-485") << false << 0;
        QTest::newRow("MODBUS") << false << 1;
        QTest::newRow("database mode, Rs-485") << true << 0;
        QTest::newRow("database mode, MODBUS") << true << 1;
    }
    void connectionPanelShowsEverything()
    {
        QFETCH(bool, databaseMode);
        QFETCH(int, lineMode);
        Workplace place;
        if (databaseMode)
            place.markDatabaseMode();
        place.store("Mode", lineMode);
        TFormMain w(place.options());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(child<QWidget>(w, "PanelScaner")->isVisible(), databaseMode);
        QCOMPARE(child<QWidget>(w, "ComboParity")->isVisible(), lineMode == 1);
        auto *panel = child<QWidget>(w, "PanelMainConnect");
        const QStringList problems = fitcheck::controlProblems(panel) + fitcheck::placementProblems(panel);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }

    // The page "Установка" with the parity selector and the remote-control
    // warning shown (both otherwise hidden), the widest values in the spin
    // boxes and edit fields, in each run mode.
    void settingsPageShowsEverything_data()
    {
        QTest::addColumn<bool>("databaseMode");
        QTest::addColumn<bool>("masterMode");
        QTest::newRow("normal") << false << false;
        QTest::newRow("master mode") << false << true;
        QTest::newRow("database mode") << true << true;
    }
    void settingsPageShowsEverything()
    {
        QFETCH(bool, databaseMode);
        QFETCH(bool, masterMode);
        Workplace place;
        if (databaseMode)
            place.markDatabaseMode();
        else if (masterMode)
            place.store("Master", QString());
        TFormMain w(place.options());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QWidget *page = w.settingsPage();
        w.pages()->setCurrentWidget(page);
        child<QComboBox>(w, "ComboModeW")->setCurrentIndex(1); // MODBUS: parity shown
        child<QComboBox>(w, "ComboModeDdm")->setCurrentIndex(3);  // remote 0 may switch on: the warning
        child<QSpinBox>(w, "SpinEdit_Number")->setValue(SettingsPage::kSerialMaximum);
        child<QLineEdit>(w, "EditPassW")->setText(QStringLiteral("ЖЖЖЖЖЖ"));
        child<QLineEdit>(w, "EditSensor")->setText(QStringLiteral("123456,789"));
        child<QLineEdit>(w, "EditSensorCalibr")->setText(QStringLiteral("65535"));
        QApplication::processEvents();
        QVERIFY(child<QWidget>(w, "ComboParityW")->isVisible());
        QVERIFY(child<QWidget>(w, "LabelBan")->isVisible());

        QDir().mkpath(QStringLiteral(TARVIK_SCREENSHOT_DIR "/fit"));
        QVERIFY(w.grab().save(fitScreenshot(QTest::currentDataTag(), QStringLiteral("TabSet"))));
        QStringList problems = fitcheck::controlProblems(page);
        // The page is whole inside the window: its lowest control above the page's bottom edge.
        for (const QWidget *control : page->findChildren<QWidget *>())
            if (control->isVisible() && control->mapTo(page, QPoint(0, control->height())).y() > page->height())
                problems << control->objectName() + QStringLiteral(" below the page");
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }

    // The RF-PLC and indicator pages in their places at the window's size.
    void meterPagesFitInTheWindow_data()
    {
        QTest::addColumn<QString>("page");
        QTest::newRow("TabPlc") << "TabPlc";
        QTest::newRow("TabSheet1") << "TabSheet1";
    }
    void meterPagesFitInTheWindow()
    {
        QFETCH(QString, page);
        Workplace place;
        TFormMain w(place.options());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto *widget = w.pages()->findChild<QWidget *>(page);
        QVERIFY(widget);
        w.pages()->setCurrentWidget(widget);
        QApplication::processEvents();
        QDir().mkpath(QStringLiteral(TARVIK_SCREENSHOT_DIR "/fit"));
        QVERIFY(w.grab().save(fitScreenshot(QStringLiteral("in-window"), page)));
        const QStringList problems = fitcheck::controlProblems(widget);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }

    // Every page's tab whole in the tab bar, none behind its scroll arrows.
    void pageTabsFitInTheWindow_data()
    {
        QTest::addColumn<bool>("databaseMode");
        QTest::newRow("normal") << false;
        QTest::newRow("database mode") << true;
    }
    void pageTabsFitInTheWindow()
    {
        QFETCH(bool, databaseMode);
        Workplace place;
        if (databaseMode)
            place.markDatabaseMode();
        TFormMain w(place.options());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QTabBar *bar = w.pages()->tabBar();
        QStringList problems;
        for (int i = 0; i < bar->count(); ++i) {
            const QRect tab = bar->tabRect(i);
            if (tab.left() < 0 || tab.right() >= bar->width())
                problems << QStringLiteral("tab \"%1\" at %2..%3, the bar is %4 px wide")
                                .arg(bar->tabText(i))
                                .arg(tab.left())
                                .arg(tab.right())
                                .arg(bar->width());
            const int caption = bar->fontMetrics().horizontalAdvance(fitcheck::shown(bar->tabText(i)));
            if (caption > tab.width())
                problems << fitcheck::problem(bar, QStringLiteral(" tab %1").arg(i), bar->tabText(i), caption, tab.width());
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }

    // Each journal read from the built-in simulated meter (on a virtual
    // clock), its inner page shown at the window's size: the buttons and
    // the day picker whole, every caption and value whole in its column
    // (the lists may scroll).
    void journalPagesFitInTheWindow()
    {
        Workplace place;
        meterlink::VirtualClock clock;
        StartupOptions options = place.options();
        options.clock = &clock;
        TFormMain w(options);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto *tab = w.pages()->findChild<app::JournalsPage *>(QStringLiteral("TabJournal"));
        QVERIFY(tab);
        w.pages()->setCurrentWidget(tab);
        w.findChild<QAction *>(QStringLiteral("ActionConnect"))->trigger();
        QDir().mkpath(QStringLiteral(TARVIK_SCREENSHOT_DIR "/fit"));
        QStringList problems;
        int rows = 0;
        for (int page = 0; page < tab->innerPages()->count(); ++page) {
            QWidget *inner = tab->innerPages()->widget(page);
            tab->innerPages()->setCurrentWidget(inner);
            auto *read = inner->findChildren<QPushButton *>().value(0);
            QVERIFY(read);
            QVERIFY(clock.advanceUntil([&] { return read->isEnabled(); }, 20000));
            if (auto *day = inner->findChild<QDateEdit *>(QStringLiteral("DTPProfile")))
                day->setDate(clock.now().date().addDays(-1)); // a whole day of records
            read->click();
            QVERIFY(clock.advanceUntil([&] { return read->isEnabled(); }, 600000));
            QApplication::processEvents();
            QVERIFY(w.grab().save(fitScreenshot(inner->objectName(), QStringLiteral("TabJournal"))));
            auto *list = inner->findChild<QTreeWidget *>();
            rows += list->topLevelItemCount();
            problems << journalListProblems(list);
            problems << fitcheck::controlProblems(read->parentWidget()) << fitcheck::placementProblems(list);
        }
        QVERIFY(rows > 0); // values were measured, not only captions
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
        w.findChild<QAction *>(QStringLiteral("ActionDisconnect"))->trigger();
    }
};

QTEST_MAIN(TestWindowFit)
#include "tst_windowfit.moc"
