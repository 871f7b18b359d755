// The real main window, headless: start-up, run modes, configuration
// round trip, a conversation with the simulated meter, the protocol and
// operation-log pages, Qt's own texts in Russian, the program's icon, and
// screenshots of every page.

#include "app/appicon.h"
#include "app/main.h"
#include "app/meterpageview.h"
#include "app/qttranslations.h"
#include "iconcheck.h"
#include "workplace.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>
#include <QTranslator>
#include <QTreeWidget>

using namespace app;
using app::testing::child;
using app::testing::Workplace;

namespace {

QAction *action(QWidget &w, const char *name) { return child<QAction>(w, name); }

QStringList pageCaptions(TFormMain &w)
{
    QStringList out;
    for (int i = 0; i < w.pages()->count(); ++i)
        out << w.pages()->tabText(i);
    return out;
}

QString cell(TFormMain &w, const char *list, int row, int column = 1)
{
    return child<QTreeWidget>(w, list)->topLevelItem(row)->text(column);
}

QString screenshotDir() { return QStringLiteral(TARVIK_SCREENSHOT_DIR); }

// Qt's own Russian catalogue as installed, read apart from the program's
// loading, so the expected words are Qt's and not ours.
struct QtRussian
{
    QTranslator catalogue;
    bool load()
    {
        return catalogue.load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"),
                              QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    }
    QString text(const char *context, const char *english) const { return catalogue.translate(context, english); }
};

// Opens the standard context menu of a text view as a right click does;
// returns the open menu (closed and deleted by the caller's close()).
QMenu *openContextMenu(QPlainTextEdit *view)
{
    const QPoint at(40, 30);
    QContextMenuEvent click(QContextMenuEvent::Mouse, at, view->viewport()->mapToGlobal(at));
    QApplication::sendEvent(view->viewport(), &click);
    const auto openMenu = [] { return qobject_cast<QMenu *>(QApplication::activePopupWidget()); };
    return QTest::qWaitFor([&] { return openMenu() != nullptr; }, 2000) ? openMenu() : nullptr;
}

// The menu items' texts without their access-key marks and shortcuts.
QStringList itemTexts(const QMenu *menu)
{
    QStringList out;
    for (const QAction *a : menu->actions())
        if (!a->isSeparator())
            out << a->text().section(QLatin1Char('\t'), 0, 0).remove(QLatin1Char('&'));
    return out;
}

// The window with an open pop-up painted where it shows on the screen.
QPixmap grabWithPopup(QWidget &window, QWidget *popup)
{
    QPixmap shot = window.grab();
    QPainter painter(&shot);
    painter.drawPixmap(popup->mapToGlobal(QPoint(0, 0)) - window.mapToGlobal(QPoint(0, 0)), popup->grab());
    return shot;
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    // As the program does at start-up.
    void initTestCase() { QVERIFY(!installQtTranslations(*qApp).isEmpty()); }

    void startUpLayout()
    {
        Workplace place;
        TFormMain w(place.options());
        w.show();
        QCOMPARE(w.windowTitle(), QStringLiteral("Программирование Tarvik 504"));
        QCOMPARE(pageCaptions(w), QStringList({"О счетчике", "Установка", "Параметры RFPLC", "Индикатор", "Тарифное расписание",
                                            "Журналы", "База данных", "Протокол"}));
        QCOMPARE(w.pages()->currentIndex(), 0);
        QCOMPARE(w.centralWidget()->width(), 792);
        QVERIFY(!w.modes().masterMode);
        QVERIFY(!w.modes().databaseMode);
        QVERIFY(!child<QWidget>(w, "PanelScaner")->isVisible());
        QVERIFY(!child<QWidget>(w, "EditDelta")->isVisible());
        QVERIFY(!child<QWidget>(w, "ComboMode")->isVisible());
        QVERIFY(!child<QWidget>(w, "ComboParity")->isVisible());
        QVERIFY(!child<QWidget>(w, "Shape1")->isVisible());
        QVERIFY(!action(w, "ActionFixDb")->isVisible());
        QCOMPARE(child<QTreeWidget>(w, "ListMain")->topLevelItemCount(), 23);
        QCOMPARE(cell(w, "ListMain", 1, 0), QStringLiteral("Заводской номер"));
        QCOMPARE(child<QComboBox>(w, "ComboPort")->currentText(), QStringLiteral("Имитатор счетчика"));
        QCOMPARE(child<QLineEdit>(w, "EditPass")->maxLength(), 6);
        QCOMPARE(w.menuBar()->actions().size(), 4);
    }

    void actionsAtStart_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("hint");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QString>("shortcut");
        QTest::newRow("connect") << "ActionConnect" << "&Установить" << "Установить связь" << true << "";
        QTest::newRow("disconnect") << "ActionDisconnect" << "&Разорвать" << "Разорвать связь" << false << "";
        QTest::newRow("find") << "ActionFindAddress" << "Поиск &адреса" << "Поиск адреса" << false << "F3";
        QTest::newRow("setting") << "ActionSetting" << "&Записать" << "Записать установки" << false << "F12";
        QTest::newRow("fixdb") << "ActionFixDb" << "Зафиксировать в Б&Д" << "Зафиксировать в БД" << false << "";
        QTest::newRow("txt") << "ActionTxt" << "Краткий отчет" << "Краткий отчет" << false << "";
        QTest::newRow("new") << "ActionNewSched" << "&Новое" << "Новое тарифное расписание" << true << "";
        QTest::newRow("load") << "ActionLoadTariff" << "&Загрузить из файла"
                              << "Загрузить тарифное расписание из файла" << true << "";
        QTest::newRow("save") << "ActionSaveTariff" << "&Сохранить как файл"
                              << "Сохранить тарифное расписание как файл" << true << "";
        QTest::newRow("write") << "ActionWriteSched" << "З&аписать в счетчик" << "Записать расписание в счетчик"
                               << false << "";
        QTest::newRow("read") << "ActionReadSched" << "&Прочитать из счетчика" << "Прочитать расписание из счетчика"
                              << false << "";
        QTest::newRow("reset") << "ActionReset" << "&Сброс" << "Сброс" << true << "";
    }
    void actionsAtStart()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QString, hint);
        QFETCH(bool, enabled);
        QFETCH(QString, shortcut);
        Workplace place;
        TFormMain w(place.options());
        QAction *a = w.findChild<QAction *>(name);
        QVERIFY(a);
        QCOMPARE(a->text(), caption);
        QCOMPARE(a->toolTip(), hint);
        QCOMPARE(a->isEnabled(), enabled);
        QCOMPARE(a->shortcut().toString(), shortcut);
    }

    void databaseMode()
    {
        Workplace place;
        place.markDatabaseMode();
        TFormMain w(place.options());
        w.show();
        QVERIFY(w.modes().databaseMode);
        QVERIFY(w.modes().masterMode);
        QCOMPARE(pageCaptions(w), QStringList({"О счетчике", "Установка", "Индикатор", "Тарифное расписание", "Журналы", "Протокол"}));
        QVERIFY(action(w, "ActionFixDb")->isVisible());
        QVERIFY(child<QWidget>(w, "ToolFixDb")->isVisible());
        QVERIFY(child<QWidget>(w, "PanelScaner")->isVisible());
        QVERIFY(child<QWidget>(w, "EditDelta")->isVisible());
    }

    void otherWorkingDirectory()
    {
        Workplace place;
        TFormMain w(place.options());
        // Without the working directory's help file the HTML manual opens.
        action(w, "NHelp")->trigger();
        QCOMPARE(place.opened.size(), 1);
        QVERIFY(place.opened[0].toLocalFile().endsWith("/manual/index.html"));
        QVERIFY(QFile::exists(place.opened[0].toLocalFile()));
        // The help file is looked for in the directory of start-up, when "&Справка" is chosen.
        QFile chm(place.dir.filePath("Setting_Tarvik_504.chm"));
        QVERIFY(chm.open(QIODevice::WriteOnly));
        chm.close();
        place.opened.clear();
        action(w, "NHelp")->trigger();
        QCOMPARE(place.opened, QList<QUrl>{QUrl::fromLocalFile(place.dir.filePath("Setting_Tarvik_504.chm"))});
        QCOMPARE(w.station().operationLog().logFilePath(), place.dir.filePath("Setting_Tarvik_504.log"));
    }

    void restoredValues()
    {
        Workplace place;
        place.store("Timeout", 50);
        place.store("Address", 300);
        place.store("BaudRate", 2);
        place.store("Mode", 1);
        place.store("Parity", 1);
        TFormMain w(place.options());
        w.show();
        QCOMPARE(child<QSpinBox>(w, "SpinTimer")->value(), 200);
        QCOMPARE(child<QSpinBox>(w, "SpinAddr")->value(), 255);
        QCOMPARE(w.station().connection().timeoutMs(), 200);
        QCOMPARE(w.station().connection().address(), 255);
        QCOMPARE(child<QComboBox>(w, "ComboBaud")->currentIndex(), 2);
        QCOMPARE(w.station().connection().speedIndex(), 2);
        QCOMPARE(w.station().connection().lineMode(), 1);
        QVERIFY(child<QWidget>(w, "ComboParity")->isVisible());
        QCOMPARE(w.station().connection().parityIndex(), 1);
    }

    void savedAtCloseAndReadBack()
    {
        Workplace place;
        {
            TFormMain w(place.options());
            w.show();
            child<QSpinBox>(w, "SpinAddr")->setValue(42);
            child<QSpinBox>(w, "SpinTimer")->setValue(1500);
            action(w, "N12004")->trigger(); // speed menu: 57600
            QCOMPARE(child<QComboBox>(w, "ComboBaud")->currentIndex(), 3);
            w.close();
        }
        QSettings s(place.ini(), QSettings::IniFormat);
        QCOMPARE(s.value("Baudrate").toInt(), 3);
        QCOMPARE(s.value("Address").toInt(), 42);
        QCOMPARE(s.value("Timeout").toInt(), 1500);
        QCOMPARE(s.value("PortName").toString(), QStringLiteral("sim:"));
        QVERIFY(!s.contains("Master"));
        TFormMain again(place.options(false));
        QCOMPARE(child<QSpinBox>(again, "SpinAddr")->value(), 42);
        QCOMPARE(child<QComboBox>(again, "ComboBaud")->currentIndex(), 3);
        QCOMPARE(child<QComboBox>(again, "ComboPort")->currentText(), QStringLiteral("Имитатор счетчика"));
    }

    void typedPortPathIsStoredAndRestored()
    {
        Workplace place;
        {
            TFormMain w(place.options());
            auto *combo = child<QComboBox>(w, "ComboPort");
            combo->setEditText("/dev/pts/77");
            QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
            QCOMPARE(combo->currentText(), QStringLiteral("/dev/pts/77"));
            QCOMPARE(w.station().connection().portCaption(), QStringLiteral("/dev/pts/77"));
            QVERIFY(!w.station().usingSimulator());
            w.close();
        }
        QCOMPARE(QSettings(place.ini(), QSettings::IniFormat).value("PortName").toString(), QStringLiteral("/dev/pts/77"));
        TFormMain again(place.options(false));
        QCOMPARE(child<QComboBox>(again, "ComboPort")->currentText(), QStringLiteral("/dev/pts/77"));
    }

    void deletedKeySavesNothing()
    {
        Workplace place;
        TFormMain w(place.options());
        w.show();
        QVERIFY(QFile::remove(place.ini()));
        w.close();
        QVERIFY(!QFile::exists(place.ini()));
    }

    void conversationWithSimulatedMeter()
    {
        Workplace place;
        place.store("Master", "");
        TFormMain w(place.options());
        w.show();
        action(w, "ActionConnect")->trigger();
        QVERIFY(action(w, "ActionDisconnect")->isEnabled());
        QVERIFY(!child<QWidget>(w, "ComboPort")->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(!cell(w, "ListMain", 1).isEmpty() && !cell(w, "ListMain", 5).isEmpty(), 15000);
        QCOMPARE(cell(w, "ListMain", 1), QStringLiteral("123456"));
        QCOMPARE(cell(w, "ListMain", 0), QStringLiteral("Тарвик 504.01"));
        QVERIFY(action(w, "ActionSetting")->isEnabled());
        QVERIFY(!child<QLabel>(w, "StatusPanel1")->text().isEmpty());
        const QString trace = child<QPlainTextEdit>(w, "Memo_Terminal")->toPlainText();
        QVERIFY2(trace.contains(" Send 00 02 80 71 "), qPrintable(trace.left(400)));
        QVERIFY(trace.contains(" Received: "));

        // An acknowledged write leaves its line in the operation log and on page "База данных".
        w.station().dispatcher().setAcknowledgement(
            0x23, {[](const QByteArray &) { return QStringList{"Расчетный день=25 Расчетный час=7"}; }, {}});
        w.station().connection().enqueueRequest(QByteArray::fromHex("1408000000000000"));
        w.station().connection().enqueueRequest(QByteArray::fromHex("23040725"));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(place.dir.filePath("Setting_Tarvik_504.log")), 5000);
        child<QSpinBox>(w, "SpinFilter")->setValue(123456);
        const QString listed = child<QPlainTextEdit>(w, "MemoDb")->toPlainText();
        QVERIFY2(listed.startsWith('[') && listed.endsWith("] Расчетный день=25 Расчетный час=7"), qPrintable(listed));

        action(w, "ActionDisconnect")->trigger();
        QVERIFY(action(w, "ActionConnect")->isEnabled());
        QVERIFY(child<QWidget>(w, "ComboPort")->isEnabled());
        QVERIFY(place.messages.isEmpty());
    }

    void failedBatchShowsRedLampAndMessage()
    {
        Workplace place;
        TFormMain w(place.options());
        w.show();
        action(w, "ActionConnect")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(action(w, "ActionSetting")->isEnabled(), 5000);
        w.station().simulator().faults().errors.insert(0x23, 5);
        auto &c = w.station().connection();
        c.beginBatch(meterlink::Batch::Settings);
        c.enqueueRequest(QByteArray::fromHex("23040725"));
        QTRY_COMPARE_WITH_TIMEOUT(place.messages.size(), 1, 5000);
        QCOMPARE(place.messages[0].caption, QStringLiteral("Ошибка"));
        QCOMPARE(place.messages[0].text, QStringLiteral("Во время записи установок произошла ошибка. "
                                                        "Описание смотрите на закладке Протокол."));
        auto *lamp = child<QLabel>(w, "Shape1");
        QVERIFY(lamp->isVisible());
        QCOMPARE(lamp->property("lampColor").value<QColor>(), QColor(255, 0, 0));
        QVERIFY(child<QPlainTextEdit>(w, "Memo_Terminal")
                    ->toPlainText()
                    .contains("Ошибка: Память защищена (запись расчетного дня и часа)"));
        QTRY_VERIFY_WITH_TIMEOUT(!lamp->isVisible(), 3000); // 2 s later the values are read anew
        action(w, "ActionDisconnect")->trigger();
    }

    // The meter buttons of "Параметры RFPLC" and "Индикатор" go with the other
    // meter operations; a route number the engine refuses reaches the operator.
    void meterPagesFollowTheConnection()
    {
        Workplace place;
        TFormMain w(place.options());
        w.show();
        QList<QPushButton *> buttons;
        for (const char *name : {"BtnWriteAddress", "BtnWriteRoute", "ButtonDelRoute", "BtnReadIndi", "BtnWriteIndi"})
            buttons << child<QPushButton>(w, name);
        const auto enabled = [&] {
            return std::all_of(buttons.begin(), buttons.end(), [](QPushButton *b) { return b->isEnabled(); });
        };
        const auto disabled = [&] {
            return std::none_of(buttons.begin(), buttons.end(), [](QPushButton *b) { return b->isEnabled(); });
        };
        QVERIFY(disabled());
        action(w, "ActionConnect")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(enabled(), 5000);
        child<QLineEdit>(w, "EditNumb")->setText(QStringLiteral("16777216"));
        child<QPushButton>(w, "BtnWriteRoute")->click();
        QCOMPARE(place.messages.size(), 1);
        QCOMPARE(place.messages[0].icon, QMessageBox::Critical);
        QCOMPARE(place.messages[0].caption, QStringLiteral("Ошибка"));
        action(w, "ActionDisconnect")->trigger();
        QVERIFY(disabled());
    }

    void suspendedProtocolDropsLines()
    {
        Workplace place;
        TFormMain w(place.options());
        auto *memo = child<QPlainTextEdit>(w, "Memo_Terminal");
        w.station().protocolView().protocolLine("one");
        child<QCheckBox>(w, "CheckProtocol")->setChecked(true);
        w.station().protocolView().protocolLine("two");
        child<QCheckBox>(w, "CheckProtocol")->setChecked(false);
        w.station().protocolView().protocolLine("three");
        QCOMPARE(memo->toPlainText(), QStringLiteral("one\nthree"));
    }

    void openFailureShowsPortError()
    {
        Workplace place;
        TFormMain w(place.options(false));
        QVERIFY(w.selectPort("/dev/tarvik-missing-port"));
        action(w, "ActionConnect")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(place.messages.size(), 1, 3000);
        QCOMPARE(place.messages[0].text, QStringLiteral("Specified device not found (/dev/tarvik-missing-port)."));
        QVERIFY(action(w, "ActionConnect")->isEnabled());
    }

    // Qt's own texts are Russian: the standard context menu of a text view and
    // the buttons of a message box, in the words of Qt's installed catalogue.
    void qtTextsInRussian()
    {
        QtRussian russian;
        QVERIFY2(russian.load(), "Qt's Russian catalogue qtbase_ru.qm is not installed");
        const QString copy = russian.text("QWidgetTextControl", "&Copy").remove(QLatin1Char('&'));
        const QString selectAll = russian.text("QWidgetTextControl", "Select All").remove(QLatin1Char('&'));
        QVERIFY(!copy.isEmpty() && copy != QStringLiteral("Copy"));
        QVERIFY(!selectAll.isEmpty() && selectAll != QStringLiteral("Select All"));

        Workplace place;
        TFormMain w(place.options());
        w.show();
        w.pages()->setCurrentWidget(child<QWidget>(w, "TabProtocol"));
        auto *memo = child<QPlainTextEdit>(w, "Memo_Terminal");
        memo->appendPlainText(QStringLiteral("12:00:00.000 Send 00 02 80 71"));
        QMenu *menu = openContextMenu(memo);
        QVERIFY2(menu, "no context menu opened");
        const QStringList items = itemTexts(menu);
        menu->close();
        QVERIFY2(items.contains(copy) && items.contains(selectAll), qPrintable(items.join(" | ")));

        QMessageBox box(QMessageBox::Question, TFormMain::kTitle, QStringLiteral("?"),
                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        QCOMPARE(box.button(QMessageBox::Yes)->text(), russian.text("QPlatformTheme", "&Yes"));
        QCOMPARE(box.button(QMessageBox::Cancel)->text(), russian.text("QPlatformTheme", "Cancel"));
        QVERIFY(box.button(QMessageBox::Cancel)->text() != QStringLiteral("Cancel"));
    }

    // The window and the task bar show the meter icon, not the style's computer.
    void windowShowsTheMeterIcon()
    {
        Workplace place;
        TFormMain w(place.options());
        const QImage shown = w.windowIcon().pixmap(32, 32).toImage();
        QVERIFY2(showsMeterIcon(shown), "the program's meter icon, not a generic one");
        QCOMPARE(shown, applicationIcon().pixmap(32, 32).toImage());
    }

    void screenshots()
    {
        Workplace place;
        place.store("Master", "");
        TFormMain w(place.options());
        w.show();
        action(w, "ActionConnect")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!cell(w, "ListSensor", 2, 3).isEmpty(), 20000); // a whole cycle read
        QDir().mkpath(screenshotDir());
        for (int i = 0; i < w.pages()->count(); ++i) {
            w.pages()->setCurrentIndex(i);
            QApplication::processEvents();
            const QString file = screenshotDir() + "/" + w.pages()->widget(i)->objectName() + ".png";
            QVERIFY(w.grab().save(file));
        }
        // The protocol page with its standard context menu open.
        w.pages()->setCurrentWidget(child<QWidget>(w, "TabProtocol"));
        QMenu *menu = openContextMenu(child<QPlainTextEdit>(w, "Memo_Terminal"));
        QVERIFY2(menu, "no context menu opened");
        const bool saved = grabWithPopup(w, menu).save(screenshotDir() + "/TabProtocol-menu.png");
        menu->close();
        QVERIFY(saved);
        action(w, "ActionDisconnect")->trigger();
    }

    // Database mode: the scanner switch in the connection panel, the clock
    // drift beside the status, live values.
    void screenshotInDatabaseMode()
    {
        Workplace place;
        place.markDatabaseMode();
        TFormMain w(place.options());
        w.show();
        action(w, "ActionConnect")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!cell(w, "ListSensor", 2, 3).isEmpty(), 20000);
        QVERIFY(child<QWidget>(w, "CheckScaner")->isVisible());
        QDir().mkpath(screenshotDir());
        QVERIFY(w.grab().save(screenshotDir() + "/database-mode.png"));
        action(w, "ActionDisconnect")->trigger();
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
