// The page "Индикатор" over a real engine and link with a scripted meter:
// what "Записать" sends from the controls, what a read reply shows, the
// backlight group shown only with per-group colours, the silver items, and
// the page whole at the size the window gives its pages.

#include "../support/linkfixture.h"
#include "app/indicatorpage.h"
#include "app/main.h"
#include "fitcheck.h"
#include "protocol/accesspassword.h"
#include "protocol/indicator.h"
#include "workplace.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSet>
#include <QTabWidget>
#include <QTest>

using app::IndicatorPage;
using app::testing::Workplace;

namespace {

QByteArray hex(const char *text) { return QByteArray::fromHex(text); }

const QStringList kItems = {"На РДЧ",         "Реактивная энергия", "При обрыве 0",     "Активная мощность",
                            "Реактивная мощность", "Напряжение",     "Ток",              "Частота",
                            "Текущее время",  "Пиковая мощность",   "Некач. энергия",   "Лимит мошности",
                            "Дискретные датчики"};
const QStringList kColours = {"выключена", "красная", "зеленая", "желтая", "синяя", "сиреневая", "голубая", "белая"};
// Group k: its label and its colour list.
const QList<QPair<QString, QString>> kGroups = {{"Служебные данные:", "ComboBoxColor"},
                                                {"Счетчики потребления:", "ComboBox2"},
                                                {"Лимит мощности:", "ComboBox5"},
                                                {"Параметры:", "ComboBox4"},
                                                {"На РДЧ:", "ComboBox3"},
                                                {"Редим вывода реактивной телеметрии:", "ComboBox6"},
                                                {"Режим отключенной нагрузки:", "ComboBox7"},
                                                {"Режим таймера включения нагрузки:", "ComboBox8"},
                                                {"Вскрыта клемная крышка:", "ComboBox9"}};

// What the page's controls are set to (or expected to show).
struct Controls
{
    QList<int> items;          // ticked items of CheckListIndi
    int mode = 0;              // ComboColor
    QList<int> colours{0, 0, 0, 0, 0, 0, 0, 0, 0}; // the list of group k
    bool cleat = false;
    bool onlyButton = false;
};

// The page over an engine on the link; the meter answers 2E with `readPayload`
// and acknowledges everything else with an empty reply.
struct IndicatorBench
{
    testsupport::LinkFixture link;
    protocol::AccessPassword password;
    protocol::Indicator engine{link.connection, link.dispatcher, password};
    IndicatorPage page{engine};
    QByteArray readPayload = hex("000000000000");
    QStringList logged;

    IndicatorBench()
    {
        link.meter.responder = [this](const QByteArray &r) -> std::optional<QByteArray> {
            const QByteArray payload = quint8(r[0]) == 0x2E ? readPayload : QByteArray();
            return QByteArray(1, r[0]) + char(payload.size() + 2) + payload;
        };
        QObject::connect(&link.connection, &meterlink::MeterConnection::controlsChanged, &page,
                         [this] { page.setMeterControlsEnabled(link.connection.meterControlsEnabled()); });
        QObject::connect(&link.dispatcher, &protocol::ReplyDispatcher::operationLogged,
                         [this](const QString &line) { logged << line; });
    }
    template<typename T> T *find(const QString &name) { return page.findChild<T *>(name); }
    QListWidget *list() { return find<QListWidget>("CheckListIndi"); }
    QComboBox *mode() { return find<QComboBox>("ComboColor"); }
    QComboBox *colourList(int k) { return find<QComboBox>(kGroups[k].second); }
    QCheckBox *cleat() { return find<QCheckBox>("CheckCleat"); }
    QCheckBox *onlyButton() { return find<QCheckBox>("CheckOnlyButton"); }
    void connect()
    {
        link.connectAndStart();
        QVERIFY(link.clock.advanceUntil([this] { return find<QPushButton>("BtnWriteIndi")->isEnabled(); }, 60000));
    }
    void click(const char *button) { QTest::mouseClick(find<QPushButton>(button), Qt::LeftButton); }

    // As the operator would: ticks, lists, boxes, and the mode last.
    void set(const Controls &c)
    {
        for (int i = 0; i < list()->count(); ++i)
            list()->item(i)->setCheckState(c.items.contains(i) ? Qt::Checked : Qt::Unchecked);
        for (int k = 0; k < 9; ++k)
            colourList(k)->setCurrentIndex(c.colours[k]);
        cleat()->setChecked(c.cleat);
        onlyButton()->setChecked(c.onlyButton);
        mode()->setCurrentIndex(c.mode);
    }
    Controls shown()
    {
        Controls c;
        for (int i = 0; i < list()->count(); ++i)
            if (list()->item(i)->checkState() == Qt::Checked)
                c.items << i;
        c.mode = mode()->currentIndex();
        for (int k = 0; k < 9; ++k)
            c.colours[k] = colourList(k)->currentIndex();
        c.cleat = cleat()->isChecked();
        c.onlyButton = onlyButton()->isChecked();
        return c;
    }
    // Everything in the backlight group but ComboColor.
    QList<QWidget *> modeDependent()
    {
        QList<QWidget *> out;
        for (QWidget *w : find<QGroupBox>("GroupBacklight")->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
            if (w != mode())
                out << w;
        return out;
    }
};

void compareControls(const Controls &actual, const Controls &expected)
{
    QCOMPARE(actual.items, expected.items);
    QCOMPARE(actual.mode, expected.mode);
    QCOMPARE(actual.colours, expected.colours);
    QCOMPARE(actual.cleat, expected.cleat);
    QCOMPARE(actual.onlyButton, expected.onlyButton);
}

// The darkest pixel of the text part of item i (right of its check box),
// in a grab of the list.
QRgb darkestText(const QImage &image, const QListWidget *list, int i)
{
    QStyleOptionViewItem option;
    option.initFrom(list);
    option.rect = list->visualItemRect(list->item(i));
    option.text = list->item(i)->text();
    option.features = QStyleOptionViewItem::HasDisplay | QStyleOptionViewItem::HasCheckIndicator;
    option.checkState = list->item(i)->checkState();
    const QRect text = list->style()
                           ->subElementRect(QStyle::SE_ItemViewItemText, &option, list)
                           .intersected(option.rect)
                           .translated(list->viewport()->pos());
    QRgb darkest = qRgb(255, 255, 255);
    for (int y = text.top(); y <= text.bottom(); ++y)
        for (int x = text.left(); x <= text.right(); ++x)
            if (qGray(image.pixel(x, y)) < qGray(darkest))
                darkest = image.pixel(x, y) & RGB_MASK;
    return darkest;
}

// Every item of the check list in its column's cell, all of them in the
// viewport without scrolling.
QStringList checkListProblems(const QListWidget *list)
{
    QStringList out;
    const int check = list->style()->pixelMetric(QStyle::PM_IndicatorWidth) + 8;
    for (int i = 0; i < list->count(); ++i) {
        const QRect rect = list->visualItemRect(list->item(i));
        if (!list->viewport()->rect().contains(rect))
            out << QStringLiteral("CheckListIndi item %1 outside the viewport").arg(i);
        const int need = check + list->fontMetrics().horizontalAdvance(list->item(i)->text());
        const int room = list->gridSize().isValid() ? list->gridSize().width() : rect.width();
        if (need > room)
            out << fitcheck::problem(list, QStringLiteral(" item %1").arg(i), list->item(i)->text(), need, room);
    }
    return out;
}

} // namespace

Q_DECLARE_METATYPE(Controls)

class TstIndicatorPage : public QObject
{
    Q_OBJECT

private slots:
    void controlsAsBuilt()
    {
        IndicatorBench b;
        QCOMPARE(b.page.objectName(), "TabSheet1");
        QStringList items;
        for (int i = 0; i < b.list()->count(); ++i) {
            items << b.list()->item(i)->text();
            QVERIFY(b.list()->item(i)->flags() & Qt::ItemIsUserCheckable);
            QCOMPARE(b.list()->item(i)->checkState(), Qt::Unchecked);
        }
        QCOMPARE(items, kItems);

        QCOMPARE(b.find<QGroupBox>("GroupBacklight")->title(), " Подсветка  ");
        QCOMPARE(b.mode()->count(), 2);
        QCOMPARE(b.mode()->itemText(0), "Настройка пользователя");
        QCOMPARE(b.mode()->itemText(1), "По мощности");
        for (int k = 0; k < 9; ++k) {
            QComboBox *combo = b.colourList(k);
            QVERIFY2(combo, qPrintable(kGroups[k].second));
            QCOMPARE(combo->parentWidget()->objectName(), "GroupBacklight");
            QCOMPARE(b.page.colorComboByTag(k), combo);
            QStringList colours;
            for (int c = 0; c < combo->count(); ++c)
                colours << combo->itemText(c);
            QCOMPARE(colours, kColours);
            const QList<QLabel *> labels = combo->parentWidget()->findChildren<QLabel *>();
            const auto label =
                std::find_if(labels.begin(), labels.end(), [&](QLabel *l) { return l->buddy() == combo; });
            QVERIFY(label != labels.end());
            QCOMPARE((*label)->text(), kGroups[k].first);
        }
        QCOMPARE(b.page.colorComboByTag(9), b.colourList(0));
        QCOMPARE(b.page.colorComboByTag(-1), b.colourList(0));
        QCOMPARE(b.cleat()->text(), "Режим \"вскрыта клемная крыщка\" приоритетный");
        QCOMPARE(b.onlyButton()->text(), "Только по нажатию кнопки");

        for (const char *name : {"BtnReadIndi", "BtnWriteIndi"})
            QVERIFY(!b.find<QPushButton>(name)->isEnabled());
        QCOMPARE(b.find<QPushButton>("BtnReadIndi")->text(), "Прочитать");
        QCOMPARE(b.find<QPushButton>("BtnWriteIndi")->text(), "Записать");
        b.page.setMeterControlsEnabled(true);
        for (const char *name : {"BtnReadIndi", "BtnWriteIndi"})
            QVERIFY(b.find<QPushButton>(name)->isEnabled());
        b.page.setMeterControlsEnabled(false);
        for (const char *name : {"BtnReadIndi", "BtnWriteIndi"})
            QVERIFY(!b.find<QPushButton>(name)->isEnabled());
    }

    // Five items a column, in list order, top to bottom then left to right.
    void threeColumns()
    {
        IndicatorBench b;
        b.page.resize(788, 479);
        b.page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&b.page));
        QList<int> xs;
        for (int i = 0; i < 13; ++i) {
            const QRect r = b.list()->visualItemRect(b.list()->item(i));
            if (i % 5 == 0)
                xs << r.x();
            else
                QVERIFY(r.x() == xs.last() && r.y() > b.list()->visualItemRect(b.list()->item(i - 1)).y());
        }
        QCOMPARE(xs.size(), 3);
        QVERIFY(xs[0] < xs[1] && xs[1] < xs[2]);
        QVERIFY(checkListProblems(b.list()).isEmpty());
    }

    // Items 2 and 3 in silver, the others in the list's font colour, all on
    // the list's background, the selected one too.
    void silverItems()
    {
        IndicatorBench b;
        b.page.resize(788, 479);
        b.page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&b.page));
        b.list()->setCurrentRow(3);
        b.list()->item(0)->setSelected(true);
        const QImage image = b.list()->grab().toImage();
        const QRgb text = b.list()->palette().color(QPalette::Text).rgb() & RGB_MASK;
        for (int i = 0; i < 13; ++i) {
            const QRgb expected = (i == 2 || i == 3) ? qRgb(192, 192, 192) : text;
            QVERIFY2(QColor(darkestText(image, b.list(), i)) == QColor(expected), qPrintable(QString::number(i)));
        }
        const QRgb base = b.list()->palette().color(QPalette::Base).rgb();
        QVERIFY(b.list()->item(0)->isSelected()); // selected, not current (that one has a focus frame)
        for (int i : {0}) {
            const QRect r = b.list()->visualItemRect(b.list()->item(i)).translated(b.list()->viewport()->pos());
            QCOMPARE(QColor(image.pixel(r.right() - 1, r.center().y())), QColor(base));
        }
    }

    void comboColorChange()
    {
        IndicatorBench b;
        QCOMPARE(b.modeDependent().size(), 9 + 9 + 2);
        b.mode()->setCurrentIndex(1);
        for (QWidget *w : b.modeDependent())
            QVERIFY2(!w->isVisibleTo(&b.page), qPrintable(w->objectName()));
        QVERIFY(b.mode()->isVisibleTo(&b.page));
        b.mode()->setCurrentIndex(0);
        for (QWidget *w : b.modeDependent())
            QVERIFY2(w->isVisibleTo(&b.page), qPrintable(w->objectName()));
    }

    // "Записать": the password entry (not yet accepted), then 2F 08 M M C C C C
    // from the controls; the acknowledgement's operation-log line.
    void writeSendsTheControls_data()
    {
        QTest::addColumn<Controls>("controls");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QString>("logLine");
        QTest::newRow("items 0, 5, 6, 8") << Controls{{0, 5, 6, 8}} << hex("2F08" "6101" "00000000")
                                          << "Режим индикации=На РДЧ Напряжение Ток Текущее время ";
        QTest::newRow("по мощности, whatever the lists show")
            << Controls{{0, 1}, 1, {5, 5, 5, 5, 5, 5, 5, 5, 5}, true, true} << hex("2F08" "0380" "00000000")
            << "Режим индикации=На РДЧ Реактивная энергия ";
        QTest::newRow("group 8 white, only on key press")
            << Controls{{}, 0, {0, 0, 0, 0, 0, 0, 0, 0, 7}, false, true} << hex("2F08" "0000" "00000087")
            << "Режим индикации=";
        // 1 + 2·8 + 3·2^6 + 4·2^9 + 5·2^12 + 6·2^15 + 7·2^18 + 0·2^21 + 1·2^24 + 2^30 = 0x411F58D1
        QTest::newRow("every item, every group, cover priority")
            << Controls{{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, 0, {1, 2, 3, 4, 5, 6, 7, 0, 1}, true, false}
            << hex("2F08" "FF1F" "D1581F41") << "Режим индикации=" + kItems.join(' ') + " ";
    }
    void writeSendsTheControls()
    {
        QFETCH(Controls, controls);
        QFETCH(QByteArray, sent);
        QFETCH(QString, logLine);
        IndicatorBench b;
        b.connect();
        b.set(controls);
        const qsizetype before = b.link.meter.requests.size();
        b.click("BtnWriteIndi");
        QVERIFY(b.link.clock.advanceUntil([&] { return !b.logged.isEmpty(); }, 5000));
        const qsizetype at = b.link.meter.requests.indexOf(sent, before);
        QVERIFY(at > 0);
        QCOMPARE(b.link.meter.requests[at - 1], hex("1408" "000000000000")); // empty access password
        QCOMPARE(b.logged, QStringList{logLine});
    }

    // "Прочитать": 2E 02, and the reply shown on the controls. With mask bit
    // 15 the colour lists and boxes are hidden and keep what they showed.
    void readShowsTheMeter_data()
    {
        QTest::addColumn<Controls>("before");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<Controls>("shown");
        // 7 + 6·8 + 5·2^6 + 4·2^9 + 3·2^12 + 2·2^15 + 1·2^18 + 0·2^21 + 7·2^24 + 2^31 = 0x87053977
        QTest::newRow("user colours, only on key press")
            << Controls{{1, 2}, 1, {1, 1, 1, 1, 1, 1, 1, 1, 1}, true, false} << hex("2101" "77390587")
            << Controls{{0, 5, 8}, 0, {7, 6, 5, 4, 3, 2, 1, 0, 7}, false, true};
        QTest::newRow("cover priority, all off") << Controls{{}, 0, {2, 2, 2, 2, 2, 2, 2, 2, 2}, false, true}
                                                  << hex("0010" "00000040")
                                                  << Controls{{12}, 0, {0, 0, 0, 0, 0, 0, 0, 0, 0}, true, false};
        QTest::newRow("by power keeps the lists")
            << Controls{{4}, 0, {0, 0, 4, 0, 0, 0, 0, 0, 3}, true, false} << hex("0380" "FFFFFFFF")
            << Controls{{0, 1}, 1, {0, 0, 4, 0, 0, 0, 0, 0, 3}, true, false};
    }
    void readShowsTheMeter()
    {
        QFETCH(Controls, before);
        QFETCH(QByteArray, reply);
        QFETCH(Controls, shown);
        IndicatorBench b;
        b.connect();
        b.set(before);
        b.readPayload = reply;
        const qsizetype from = b.link.meter.requests.size();
        b.click("BtnReadIndi");
        QVERIFY(b.link.clock.advanceUntil([&] { return b.engine.hasRead(); }, 5000));
        QVERIFY(b.link.meter.requests.indexOf(hex("2E02"), from) >= 0);
        compareControls(b.shown(), shown);
        for (QWidget *w : b.modeDependent())
            QCOMPARE(w->isVisibleTo(&b.page), shown.mode == 0);

        // What is shown is what the next write sends.
        b.click("BtnWriteIndi");
        QVERIFY(b.link.clock.advanceUntil([&] { return !b.logged.isEmpty(); }, 5000));
        QByteArray written;
        for (const QByteArray &r : b.link.meter.requests)
            if (r.startsWith(char(0x2F)))
                written = r;
        QCOMPARE(written, hex("2F08") + reply.left(2) + (shown.mode == 1 ? hex("00000000") : reply.mid(2)));
    }

    // At the size the window gives its pages, every item ticked, in both modes.
    void wholeInTheWindow_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("Настройка пользователя") << 0;
        QTest::newRow("По мощности") << 1;
    }
    void wholeInTheWindow()
    {
        QFETCH(int, mode);
        Workplace place;
        app::TFormMain w(place.options());
        IndicatorBench b; // the page leaves the window before the window goes
        b.set(Controls{{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, mode, {5, 5, 5, 5, 5, 5, 5, 5, 5}, true, true});
        w.pages()->insertTab(1, &b.page, "Индикатор");
        w.pages()->setCurrentWidget(&b.page);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        qInfo("page %dx%d", b.page.width(), b.page.height());
        const QStringList problems = fitcheck::controlProblems(&b.page) + fitcheck::placementProblems(&b.page)
                                     + checkListProblems(b.list());
        QDir().mkpath(TARVIK_SCREENSHOT_DIR);
        QVERIFY(w.grab().save(QStringLiteral(TARVIK_SCREENSHOT_DIR "/TabSheet1-%1.png").arg(mode)));
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
    }
};

QTEST_MAIN(TstIndicatorPage)
#include "tst_indicatorpage.moc"
