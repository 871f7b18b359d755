// The page "Установка" in the real window on the virtual clock, with the
// built-in simulated meter where a write is involved: the controls with
// their ranges, defaults and tags, the start-up state of each run mode, the
// visibility and number rules, the pickers following the clock, F12 writing
// a ticked task into the meter and the operation log, refusals and failures
// reaching the operator, templates through the page's buttons, and the
// password fields' code page.

#include "workplace.h"

#include "app/settingspage.h"
#include "link/virtualclock.h"
#include "protocol/cp1251.h"
#include "protocol/encodings.h"
#include "protocol/settingswriter.h"

#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTimeEdit>

using namespace app;
using namespace app::testing;

namespace {

enum class Mode { Normal, Master, Database };

const QDateTime kStart(QDate(2026, 3, 14), QTime(10, 20, 30));

// The window with its page "Установка" in front; the template dialogs
// answer templatePath.
struct SettingsWindow
{
    Workplace place;
    meterlink::VirtualClock clock;
    QString templatePath;
    QStringList dialogFilters;
    QString saveSuffix;
    std::unique_ptr<TFormMain> window;

    explicit SettingsWindow(Mode mode = Mode::Normal, const QDateTime &start = kStart) : clock(start)
    {
        if (mode == Mode::Database)
            place.markDatabaseMode();
        else if (mode == Mode::Master)
            place.store("Master", QString()); // its mere presence
        StartupOptions o = place.options();
        o.clock = &clock;
        o.openTemplateFile = [this](const QString &filter) {
            dialogFilters << filter;
            return templatePath;
        };
        o.saveTemplateFile = [this](const QString &filter, const QString &suffix) {
            dialogFilters << filter;
            saveSuffix = suffix;
            return templatePath;
        };
        window = std::make_unique<TFormMain>(o);
        window->show();
        window->pages()->setCurrentWidget(window->settingsPage());
    }

    template<typename T> T *get(const char *name) const
    {
        T *w = child<T>(*window, name);
        if (!w)
            qFatal("no control %s", name);
        return w;
    }
    QAction *action(const char *name) const { return get<QAction>(name); }
    Station &station() const { return window->station(); }
    protocol::SettingsValues &values() const { return station().settingsWriter().values(); }
    sim::MeterState &meter() const { return station().simulator().state(); }

    // Connected to the built-in meter, its serial number read.
    bool connectMeter()
    {
        action("ActionConnect")->trigger();
        return clock.advanceUntil(
            [&] { return action("ActionSetting")->isEnabled() && station().page().meterSerialRead(); }, 10000);
    }

    // The operation log's entries, from the file as written.
    QStringList logLines() const
    {
        QFile file(station().operationLog().logFilePath());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return protocol::fromCp1251(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    }
    bool logged(const QString &text) const
    {
        const QStringList lines = logLines();
        return std::any_of(lines.begin(), lines.end(), [&](const QString &l) { return l.endsWith(text); });
    }
};

// Types text as the keyboard does, one character at a time (QTest's own
// key clicks know only Latin-1).
void type(QWidget *field, const QString &text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(field, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(field, &release);
    }
}

// Replaces the text of a spin box or edit field as typing does.
void retype(QWidget *field, const QString &text)
{
    if (auto *spin = qobject_cast<QAbstractSpinBox *>(field))
        spin->selectAll();
    else
        qobject_cast<QLineEdit *>(field)->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    type(field, text);
}

QString buddyText(QWidget *w)
{
    for (const QLabel *label : w->window()->findChildren<QLabel *>())
        if (label->buddy() == w)
            return label->text();
    return {};
}

protocol::Reply serialReply(const char *payloadHex)
{
    QByteArray bytes = QByteArray::fromHex("0105") + QByteArray::fromHex(payloadHex);
    bytes.append(2, '\0'); // the decoders do not look at the CRC
    return protocol::Reply(bytes);
}

} // namespace

Q_DECLARE_METATYPE(Mode)

class TestSettingsPage : public QObject
{
    Q_OBJECT
private slots:
    // ---------------------------------------------------------------- controls

    void spinBoxes_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("minimum");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("value");
        QTest::newRow("SpinEdit_Number") << "SpinEdit_Number" << "" << 0 << 16777215 << 0;
        QTest::newRow("SpinNewAddr") << "SpinNewAddr" << "Новые адрес:" << 0 << 255 << 1;
        QTest::newRow("SpinDay") << "SpinDay" << "Расчетный день:" << 1 << 31 << 1;
        QTest::newRow("SpinHour") << "SpinHour" << "Расчетный час:" << 0 << 23 << 0;
        QTest::newRow("SpinIntegra") << "SpinIntegra" << "Пиковой (мин): " << 1 << 60 << 1;
        QTest::newRow("SpinPult") << "SpinPult" << "" << 0 << 16777215 << 0;
        QTest::newRow("SpinBreaker") << "SpinBreaker" << "Мощность отключения (Вт):" << 0 << 65535 << 65535;
        QTest::newRow("SpinMin") << "SpinMin" << "Порог времени:" << 0 << 1440 << 72;
        QTest::newRow("SpinSensor") << "SpinSensor" << "№" << 1 << 3 << 1;
    }
    void spinBoxes()
    {
        QFETCH(QString, name);
        QFETCH(QString, label);
        QFETCH(int, minimum);
        QFETCH(int, maximum);
        QFETCH(int, value);
        SettingsWindow w;
        auto *spin = w.get<QSpinBox>(qPrintable(name));
        QCOMPARE(spin->minimum(), minimum);
        QCOMPARE(spin->maximum(), maximum);
        QCOMPARE(spin->value(), value);
        if (!label.isEmpty())
            QCOMPARE(buddyText(spin), label);
    }

    void comboBoxes_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<int>("index");
        QTest::newRow("ComboNewBaud") << "ComboNewBaud" << "Скорость :"
                                      << QStringList{"4800", "9600", "19200", "38400", "57600", "115200"} << 0;
        QTest::newRow("ComboModeW") << "ComboModeW" << "Тип протокола:" << QStringList{"Rs-485", "MODBUS"} << 0;
        QTest::newRow("ComboParityW") << "ComboParityW" << "Паритет:" << QStringList{"нет", "четн.", "нечетн."} << 0;
        QTest::newRow("ComboModeDdm") << "ComboModeDdm" << ""
                                      << QStringList{"выключено, запрещено включение с пульта",
                                                     "выключено, разрешено включение с пульта",
                                                     "включено, запрещено включение с пульта",
                                                     "включено, разрешено включение с пульта"}
                                      << 0;
        QTest::newRow("ComboProfile") << "ComboProfile" << ""
                                      << QStringList{"выкл.", "1", "2", "3", "4", "5", "6", "10", "12", "15", "20", "30",
                                                     "60"}
                                      << 11;
        QTest::newRow("ComboSec") << "ComboSec" << "" << QStringList{"0", "20", "40"} << 0;
    }
    void comboBoxes()
    {
        QFETCH(QString, name);
        QFETCH(QString, label);
        QFETCH(QStringList, items);
        QFETCH(int, index);
        SettingsWindow w;
        auto *combo = w.get<QComboBox>(qPrintable(name));
        QStringList shown;
        for (int i = 0; i < combo->count(); ++i)
            shown << combo->itemText(i);
        QCOMPARE(shown, items);
        QCOMPARE(combo->currentIndex(), index);
        if (!label.isEmpty())
            QCOMPARE(buddyText(combo), label);
    }

    // Captions and tags; in database mode the tag-0 tasks are disabled.
    void taskBoxes_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("tag");
        QTest::newRow("CheckTime") << "CheckTime" << "Время" << 1;
        QTest::newRow("CheckShedule") << "CheckShedule" << "РДЧ" << 1;
        QTest::newRow("CheckAddr") << "CheckAddr" << "Параметры связи" << 1;
        QTest::newRow("CheckIntegra") << "CheckIntegra" << "Время интегр. мощности" << 0;
        QTest::newRow("CheckPassword") << "CheckPassword" << "Новый пароль" << 1;
        QTest::newRow("CheckResetTariff") << "CheckResetTariff" << "Сброс тарифного расписания" << 1;
        QTest::newRow("CheckPult") << "CheckPult" << "Параметры пульта" << 1;
        QTest::newRow("CheckPeriodProfile") << "CheckPeriodProfile" << "Период фиксации профиля" << 0;
        QTest::newRow("CheckQuality") << "CheckQuality" << "Параметры расчета некач. энергии" << 0;
        QTest::newRow("CheckSeal") << "CheckSeal" << "Сброс индик. пломбы" << 1;
        QTest::newRow("CheckSensor") << "CheckSensor" << "Дискретные датчики" << 1;
        QTest::newRow("CheckTelemetry") << "CheckTelemetry" << "Телеметрия реак. энергии" << 1;
    }
    void taskBoxes()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(int, tag);
        SettingsWindow normal;
        SettingsWindow database(Mode::Database);
        auto *box = normal.get<QCheckBox>(qPrintable(name));
        QCOMPARE(box->parentWidget()->objectName(), QStringLiteral("GroupTask"));
        QCOMPARE(box->text(), caption);
        QCOMPARE(box->property("Tag").toInt(), tag);
        QVERIFY(box->isEnabled());
        QCOMPARE(database.get<QCheckBox>(qPrintable(name))->isEnabled(), tag > 0);
    }

    void groupsAndColour()
    {
        SettingsWindow w;
        QStringList titles;
        for (const QGroupBox *group : w.window->settingsPage()->findChildren<QGroupBox *>())
            titles << group->title();
        for (const char *title : {" Установки для записи ", " Время  ", " Номер ", " Параметры связи ", " РДЧ ",
                                  " Новый пароль ", " Время интегрирования мощности ", "Номер пульта и режим  нагрузки ",
                                  " Период фиксации профиля потребления ",
                                  " Параметры расчета некачественной энергии ", " Дискретные датчики "})
            QVERIFY2(titles.contains(QString::fromUtf8(title)), title);
        QCOMPARE(w.get<QCheckBox>("CheckBoxClock")->text(), QStringLiteral("Автопереход на летнее время"));
        QCOMPARE(w.get<QCheckBox>("CheckAccountKind")->text(),
                 QStringLiteral("Account Kind (если выше порога, то все сутки)"));
        QCOMPARE(w.get<QCheckBox>("CheckJtvf")->text(), QStringLiteral("JTVF (объединение по напряжению и частоте)"));
        QCOMPARE(buddyText(w.get<QLineEdit>("EditSensor")), QStringLiteral("Показания:"));
        QCOMPARE(buddyText(w.get<QLineEdit>("EditSensorCalibr")), QStringLiteral("Калибровка:"));
        QCOMPARE(w.get<QLineEdit>("EditPassW")->maxLength(), 6);

        // The task group is painted in the button face with each channel + 6 %.
        auto *group = w.get<QGroupBox>("GroupTask");
        const QColor face = group->palette().color(QPalette::Button);
        const auto lifted = [](int c) { return qMin(255, c + c * 6 / 100); };
        QVERIFY(group->autoFillBackground());
        QCOMPARE(group->palette().color(QPalette::Window),
                 QColor(lifted(face.red()), lifted(face.green()), lifted(face.blue())));
        QVERIFY(group->palette().color(QPalette::Window) != face);
        // and painted so: a blank spot right of the title, above the frame.
        QWidget *page = w.window->settingsPage();
        const QImage shot = page->grab().toImage();
        QCOMPARE(shot.pixelColor(group->mapTo(page, QPoint(group->width() - 12, 3))),
                 group->palette().color(QPalette::Window));
    }

    // The moments the clock request can carry: 2000-01-01 to 2000-01-01 plus
    // 0xFFFFFFFF − 3 seconds; on that last day the time stops there too.
    void datePickerRange()
    {
        SettingsWindow w;
        auto *date = w.get<QDateEdit>("DatePicker");
        auto *time = w.get<QTimeEdit>("TimePicker");
        const QDateTime last = QDateTime(QDate(2000, 1, 1), QTime(0, 0), Qt::UTC).addSecs(0xFFFFFFFFLL - 3);
        QCOMPARE(date->displayFormat(), QStringLiteral("ddd d MMMM yyyy"));
        QCOMPARE(date->locale(), protocol::displayLocale());
        QCOMPARE(date->calendarWidget()->locale(), protocol::displayLocale());
        QCOMPARE(date->minimumDate(), QDate(2000, 1, 1));
        QCOMPARE(date->maximumDate(), last.date());
        time->setTime(QTime(23, 0));
        date->setDate(last.date());
        QCOMPARE(time->maximumTime(), last.time());
        QCOMPARE(time->time(), last.time());
        date->setDate(last.date().addDays(-1));
        time->setTime(QTime(23, 0));
        QCOMPARE(time->time(), QTime(23, 0));
    }

    // ---------------------------------------------------------------- start-up

    void startUpState_data()
    {
        QTest::addColumn<Mode>("mode");
        QTest::newRow("normal") << Mode::Normal;
        QTest::newRow("master") << Mode::Master;
        QTest::newRow("database") << Mode::Database;
    }
    void startUpState()
    {
        QFETCH(Mode, mode);
        SettingsWindow w(mode);
        const bool database = mode == Mode::Database;
        const bool master = mode != Mode::Normal;
        QVERIFY(w.get<QCheckBox>("CheckTime")->isChecked());
        QCOMPARE(w.get<QCheckBox>("CheckAddr")->isChecked(), database);
        QVERIFY(w.values().CheckTime);
        QCOMPARE(w.values().CheckAddr, database);
        QCOMPARE(w.get<QComboBox>("ComboNewBaud")->currentIndex(), 0);
        for (const char *hidden : {"ComboModeW", "LabelModeW", "ComboParityW", "LabelParityW", "LabelBan"})
            QVERIFY2(!w.get<QWidget>(hidden)->isVisible(), hidden);
        // Outside master mode the serial number is shown only, in its group's colour.
        auto *number = w.get<QSpinBox>("SpinEdit_Number");
        QVERIFY(number->isEnabled());
        QCOMPARE(number->isReadOnly(), !master);
        if (!master)
            QCOMPARE(number->palette().color(QPalette::Base), number->parentWidget()->palette().color(QPalette::Window));
    }

    // ---------------------------------------------------------------- rules

    void parityFollowsLineMode()
    {
        SettingsWindow w;
        auto *mode = w.get<QComboBox>("ComboModeW");
        mode->setCurrentIndex(1); // MODBUS
        QVERIFY(w.get<QWidget>("ComboParityW")->isVisible());
        QVERIFY(w.get<QWidget>("LabelParityW")->isVisible());
        QVERIFY(!mode->isVisible());
        QVERIFY(!w.get<QWidget>("LabelModeW")->isVisible());
        QCOMPARE(w.values().ComboModeW, 1);
        mode->setCurrentIndex(0);
        QVERIFY(!w.get<QWidget>("ComboParityW")->isVisible());
        QVERIFY(!w.get<QWidget>("LabelParityW")->isVisible());
    }

    // Remote control 0 with a mode that lets it switch the load on (odd index).
    void warningLabel_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("shown");
        QTest::newRow("0, off, switching on barred") << "0" << 0 << false;
        QTest::newRow("0, off, switching on allowed") << "0" << 1 << true;
        QTest::newRow("0, on, switching on barred") << "0" << 2 << false;
        QTest::newRow("0, on, switching on allowed") << "0" << 3 << true;
        QTest::newRow("7, off, switching on allowed") << "7" << 1 << false;
        QTest::newRow("7, on, switching on allowed") << "7" << 3 << false;
        QTest::newRow("no number") << "" << 1 << false;
    }
    void warningLabel()
    {
        QFETCH(QString, typed);
        QFETCH(int, mode);
        QFETCH(bool, shown);
        SettingsWindow w;
        auto *pult = w.get<QSpinBox>("SpinPult");
        auto *label = w.get<QLabel>("LabelBan");
        QCOMPARE(label->text(), QStringLiteral("Запрещенная комбинация номера и режима!"));
        // The mode first, then the number, and the other way round.
        w.get<QComboBox>("ComboModeDdm")->setCurrentIndex(mode);
        retype(pult, typed);
        QCOMPARE(label->isVisible(), shown);
        w.get<QComboBox>("ComboModeDdm")->setCurrentIndex((mode + 2) % 4); // same parity
        w.get<QComboBox>("ComboModeDdm")->setCurrentIndex(mode);
        QCOMPARE(label->isVisible(), shown);
        // The warning does not change what is written.
        QCOMPARE(w.values().ComboModeDdm, mode);
    }

    void typedDigitsAreLimited()
    {
        SettingsWindow w(Mode::Master);
        for (const char *name : {"SpinEdit_Number", "SpinPult"}) {
            auto *spin = w.get<QSpinBox>(name);
            retype(spin, QStringLiteral("1234567"));
            QCOMPARE(spin->text(), QStringLiteral("123456"));
            QCOMPARE(spin->value(), 123456);
            // A longer value the program puts in is shown whole and can be shortened.
            spin->setValue(16777215);
            QCOMPARE(spin->text(), QStringLiteral("16777215"));
            QTest::keyClick(spin, Qt::Key_End);
            QTest::keyClick(spin, Qt::Key_9);
            QCOMPARE(spin->text(), QStringLiteral("16777215"));
            QTest::keyClick(spin, Qt::Key_Backspace);
            QCOMPARE(spin->value(), 1677721);
        }
        QCOMPARE(w.values().SpinEdit_Number, 1677721);
        QCOMPARE(w.values().SpinPult, 1677721);
    }

    // In database mode with "Параметры связи" ticked the serial number's last
    // two digits become the new address.
    void serialNumberSetsAddress_data()
    {
        QTest::addColumn<Mode>("mode");
        QTest::addColumn<bool>("addrTicked");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("newAddr");
        QTest::newRow("database, ticked") << Mode::Database << true << true << "123456" << 56;
        QTest::newRow("ends in 00") << Mode::Database << true << true << "4500" << 0;
        QTest::newRow("database, not ticked") << Mode::Database << false << true << "123456" << 1;
        QTest::newRow("database, disabled") << Mode::Database << true << false << "123456" << 1;
        QTest::newRow("master, ticked") << Mode::Master << true << true << "123456" << 1;
    }
    void serialNumberSetsAddress()
    {
        QFETCH(Mode, mode);
        QFETCH(bool, addrTicked);
        QFETCH(bool, enabled);
        QFETCH(QString, typed);
        QFETCH(int, newAddr);
        SettingsWindow w(mode);
        w.get<QCheckBox>("CheckAddr")->setChecked(addrTicked);
        auto *number = w.get<QSpinBox>("SpinEdit_Number");
        if (enabled) {
            retype(number, typed);
        } else {
            w.window->settingsPage()->setSerialNumberEnabled(false);
            w.window->settingsPage()->setSerialNumber(typed.toUInt()); // as the scanner would
        }
        QCOMPARE(number->value(), typed.toInt());
        QCOMPARE(w.get<QSpinBox>("SpinNewAddr")->value(), newAddr);
        QCOMPARE(w.values().SpinNewAddr, newAddr);
        QCOMPARE(w.values().SpinEdit_Number, typed.toInt());
    }

    // The serial number read from the meter: SpinEdit_Number is enabled while
    // it is 0 or in database mode, and there it takes the new number.
    void serialFromMeter_data()
    {
        QTest::addColumn<Mode>("mode");
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<int>("number");
        QTest::addColumn<int>("newAddr");
        QTest::newRow("serial 12345") << Mode::Normal << QByteArray("393000") << false << 0 << 1;
        QTest::newRow("no serial") << Mode::Normal << QByteArray("000000") << true << 0 << 1;
        QTest::newRow("database, serial 12345") << Mode::Database << QByteArray("393000") << true << 12345 << 45;
    }
    void serialFromMeter()
    {
        QFETCH(Mode, mode);
        QFETCH(QByteArray, payload);
        QFETCH(bool, enabled);
        QFETCH(int, number);
        QFETCH(int, newAddr);
        SettingsWindow w(mode);
        w.station().decoders().decode(serialReply(payload.constData()));
        auto *spin = w.get<QSpinBox>("SpinEdit_Number");
        QCOMPARE(spin->isEnabled(), enabled);
        QCOMPARE(spin->value(), number);
        QCOMPARE(w.get<QSpinBox>("SpinNewAddr")->value(), newAddr);
    }

    // ---------------------------------------------------------------- pickers

    void pickersFollowTheClockUntilEdited()
    {
        SettingsWindow w(Mode::Normal, QDateTime(QDate(2026, 3, 14), QTime(23, 59, 58)));
        auto *date = w.get<QDateEdit>("DatePicker");
        auto *time = w.get<QTimeEdit>("TimePicker");
        QCOMPARE(date->date(), QDate(2026, 3, 14));
        QCOMPARE(time->time().toString(), QStringLiteral("23:59:58"));
        w.clock.advance(1000);
        QCOMPARE(time->time().toString(), QStringLiteral("23:59:59"));
        QVERIFY(!w.values().datePickerEdited);
        QVERIFY(!w.values().timePickerEdited);

        // The operator steps the time: it stays while the date goes on with the clock.
        QTest::keyClick(time, Qt::Key_Down);
        const QTime edited = time->time();
        QVERIFY(edited.toString() != QStringLiteral("23:59:59"));
        QVERIFY(w.values().timePickerEdited);
        w.clock.advance(2000);
        QCOMPARE(date->date(), QDate(2026, 3, 15));
        QCOMPARE(time->time(), edited);
        QCOMPARE(w.values().TimePicker, edited);
        QVERIFY(!w.values().datePickerEdited);

        // Then the date.
        QTest::keyClick(date, Qt::Key_Down);
        const QDate editedDate = date->date();
        QVERIFY(editedDate != QDate(2026, 3, 15));
        QVERIFY(w.values().datePickerEdited);
        w.clock.advance(1000);
        QCOMPARE(date->date(), editedDate);
        QCOMPARE(w.values().DatePicker, editedDate);

        // resetReadings: both follow the clock again from the next tick
        // (23:59:58 + 4.5 s).
        w.action("ActionReset")->trigger();
        QVERIFY(!w.values().datePickerEdited);
        QVERIFY(!w.values().timePickerEdited);
        w.clock.advance(500);
        QCOMPARE(date->date(), QDate(2026, 3, 15));
        QCOMPARE(time->time().toString(), QStringLiteral("00:00:02"));
    }

    // After resetReadings the keyboard focus goes to SpinEdit_Number when the
    // page is showing and the control is enabled.
    void resetFocusesSerialNumber_data()
    {
        QTest::addColumn<bool>("pageShowing");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("focused");
        QTest::newRow("showing, enabled") << true << true << true;
        QTest::newRow("other page") << false << true << false;
        QTest::newRow("disabled") << true << false << false;
    }
    void resetFocusesSerialNumber()
    {
        QFETCH(bool, pageShowing);
        QFETCH(bool, enabled);
        QFETCH(bool, focused);
        SettingsWindow w;
        w.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.window.get()));
        if (!pageShowing)
            w.window->pages()->setCurrentIndex(0);
        w.window->settingsPage()->setSerialNumberEnabled(enabled);
        auto *other = w.get<QLineEdit>("EditPass");
        other->setFocus();
        QCOMPARE(QApplication::focusWidget(), other);
        w.action("ActionReset")->trigger();
        QCOMPARE(QApplication::focusWidget() == w.get<QWidget>("SpinEdit_Number"), focused);
    }

    // ---------------------------------------------------------------- writing

    // F12 writes the ticked task; its acknowledgement leaves its log line.
    void f12WritesTickedTask()
    {
        SettingsWindow w;
        QVERIFY(w.connectMeter());
        w.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.window.get()));
        w.get<QCheckBox>("CheckTime")->click(); // unticked
        w.get<QCheckBox>("CheckShedule")->click();
        retype(w.get<QSpinBox>("SpinDay"), QStringLiteral("25"));
        retype(w.get<QSpinBox>("SpinHour"), QStringLiteral("7"));
        QTest::keyClick(w.window.get(), Qt::Key_F12);
        QVERIFY(w.clock.advanceUntil([&] { return w.logged(QStringLiteral("Расчетный день=25 Расчетный час=7")); },
                                     5000));
        QCOMPARE(w.meter().settlementDay, quint8(25));
        QCOMPARE(w.meter().settlementHour, quint8(7));
        QVERIFY(!w.logged(QStringLiteral("Время=")));
        QVERIFY(w.place.messages.isEmpty());
    }

    // A new password acknowledged by the meter becomes the access password.
    void newPasswordShowsInTheConnectionPanel()
    {
        SettingsWindow w;
        QVERIFY(w.connectMeter());
        w.get<QCheckBox>("CheckTime")->click();
        w.get<QCheckBox>("CheckPassword")->click();
        retype(w.get<QLineEdit>("EditPassW"), QStringLiteral("Ключ№1"));
        w.action("ActionSetting")->trigger();
        QVERIFY(w.clock.advanceUntil([&] { return w.logged(QStringLiteral("Пароль на запись=Ключ№1")); }, 5000));
        QCOMPARE(w.get<QLineEdit>("EditPass")->text(), QStringLiteral("Ключ№1"));
        QCOMPARE(w.meter().password, protocol::toCp1251(u"Ключ№1"));
    }

    void refusalIsShown()
    {
        SettingsWindow w(Mode::Master);
        w.meter().serial = 0; // a meter without a serial number: SpinEdit_Number stays enabled
        QVERIFY(w.connectMeter());
        retype(w.get<QSpinBox>("SpinEdit_Number"), QStringLiteral("777"));
        QCOMPARE(w.values().SpinEdit_Number, 777);
        w.action("ActionReset")->trigger(); // the serial number is not read again yet
        QVERIFY(w.action("ActionSetting")->isEnabled());
        w.action("ActionSetting")->trigger();
        QCOMPARE(w.place.messages.size(), 1);
        QCOMPARE(w.place.messages[0].icon, QMessageBox::Critical);
        QCOMPARE(w.place.messages[0].caption, QStringLiteral("Запись установок невозможна"));
        QVERIFY(!w.place.messages[0].text.isEmpty());
        QVERIFY(!w.station().connection().settingsWriteActive());
    }

    void sensorValuesInvalidIsShown()
    {
        SettingsWindow w;
        QVERIFY(w.connectMeter());
        w.get<QCheckBox>("CheckSensor")->click();
        retype(w.get<QLineEdit>("EditSensor"), QStringLiteral("1,5"));
        retype(w.get<QLineEdit>("EditSensorCalibr"), QStringLiteral("abc"));
        w.action("ActionSetting")->trigger();
        QCOMPARE(w.place.messages.size(), 1);
        QCOMPARE(w.place.messages[0].icon, QMessageBox::Critical);
        QCOMPARE(w.place.messages[0].caption, QStringLiteral("Ошибка"));
        QCOMPARE(w.place.messages[0].text, QStringLiteral("Некорректные значения дискретных датчиков"));
        // The rest of the batch (the time) still goes to the meter.
        QVERIFY(w.clock.advanceUntil([&] { return w.logged(QStringLiteral("Нет автоперехода на летнее время")); },
                                     5000));
    }

    void batchFailureIsShown()
    {
        SettingsWindow w;
        QVERIFY(w.connectMeter());
        w.get<QCheckBox>("CheckShedule")->click();
        w.station().simulator().faults().errors[0x23] = 2;
        w.action("ActionSetting")->trigger();
        QVERIFY(w.clock.advanceUntil([&] { return !w.place.messages.isEmpty(); }, 5000));
        QCOMPARE(w.place.messages[0].caption, QStringLiteral("Ошибка"));
        QCOMPARE(w.place.messages[0].text,
                 QStringLiteral("Во время записи установок произошла ошибка. Описание смотрите на закладке Протокол."));
        QVERIFY(!w.logged(QStringLiteral("Расчетный день=")));
    }

    // ---------------------------------------------------------------- templates

    void templateRoundTrip()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("установки.json"));
        {
            SettingsWindow w;
            w.get<QCheckBox>("CheckTime")->click(); // ticked at start
            w.get<QCheckBox>("CheckShedule")->click();
            w.get<QCheckBox>("CheckJtvf")->click();
            retype(w.get<QSpinBox>("SpinDay"), QStringLiteral("25"));
            w.get<QComboBox>("ComboNewBaud")->setCurrentIndex(2);
            w.get<QComboBox>("ComboModeW")->setCurrentIndex(1);
            w.get<QComboBox>("ComboParityW")->setCurrentIndex(1);
            w.get<QComboBox>("ComboProfile")->setCurrentIndex(0);
            retype(w.get<QLineEdit>("EditPassW"), QStringLiteral("Пар€1"));
            retype(w.get<QLineEdit>("EditSensor"), QStringLiteral("12,5"));
            w.templatePath = path;
            w.get<QPushButton>("BtnSaveTemplate")->click();
            QCOMPARE(w.dialogFilters, QStringList{QStringLiteral("Шаблоны установок (*.json)")});
            QCOMPARE(w.saveSuffix, QStringLiteral("json"));
            QVERIFY(w.place.messages.isEmpty());
        }
        SettingsWindow w;
        w.templatePath = path;
        w.get<QPushButton>("BtnLoadTemplate")->click();
        QVERIFY(w.place.messages.isEmpty());
        QVERIFY(w.get<QCheckBox>("CheckShedule")->isChecked());
        QVERIFY(w.get<QCheckBox>("CheckJtvf")->isChecked());
        QVERIFY(!w.get<QCheckBox>("CheckTime")->isChecked()); // as saved: unticked
        QCOMPARE(w.get<QSpinBox>("SpinDay")->value(), 25);
        QCOMPARE(w.get<QComboBox>("ComboNewBaud")->currentIndex(), 2);
        QCOMPARE(w.get<QComboBox>("ComboParityW")->currentIndex(), 1);
        QVERIFY(w.get<QWidget>("ComboParityW")->isVisible()); // MODBUS came with it
        QCOMPARE(w.get<QComboBox>("ComboProfile")->currentIndex(), 0);
        QCOMPARE(w.get<QLineEdit>("EditPassW")->text(), QStringLiteral("Пар€1"));
        QCOMPARE(w.get<QLineEdit>("EditSensor")->text(), QStringLiteral("12,5"));
        // What the batch would write is what is shown.
        QVERIFY(w.values().CheckShedule && !w.values().CheckTime);
        QCOMPARE(w.values().SpinDay, 25);
        QCOMPARE(w.values().ComboModeW, 1);
        QCOMPARE(w.values().EditPassW, QStringLiteral("Пар€1"));
    }

    // A task not allowed at a production workstation stays unticked.
    void templateInDatabaseMode()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("t.json"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(R"({"CheckIntegra": true, "CheckSeal": true})");
        file.close();
        SettingsWindow w(Mode::Database);
        w.templatePath = path;
        w.get<QPushButton>("BtnLoadTemplate")->click();
        QVERIFY(w.get<QCheckBox>("CheckSeal")->isChecked());
        QVERIFY(!w.get<QCheckBox>("CheckIntegra")->isChecked());
        QVERIFY(!w.values().CheckIntegra);
    }

    void refusedTemplateChangesNothing_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("named");
        QTest::newRow("out of range") << QByteArray(R"({"CheckSeal": true, "SpinDay": 32})") << "SpinDay";
        QTest::newRow("unknown key") << QByteArray(R"({"CheckSeal": true, "SpinDays": 3})") << "SpinDays";
        QTest::newRow("wrong type") << QByteArray(R"({"CheckSeal": true, "ComboSec": "20"})") << "ComboSec";
        QTest::newRow("not JSON") << QByteArray("CheckSeal=1") << "";
    }
    void refusedTemplateChangesNothing()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, named);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("t.json"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        SettingsWindow w;
        retype(w.get<QSpinBox>("SpinDay"), QStringLiteral("5"));
        w.templatePath = path;
        w.get<QPushButton>("BtnLoadTemplate")->click();
        QCOMPARE(w.place.messages.size(), 1);
        QCOMPARE(w.place.messages[0].icon, QMessageBox::Critical);
        QCOMPARE(w.place.messages[0].caption, QStringLiteral("Ошибка"));
        QVERIFY(!w.place.messages[0].text.isEmpty());
        QVERIFY2(w.place.messages[0].text.contains(named), qPrintable(w.place.messages[0].text));
        QVERIFY(!w.get<QCheckBox>("CheckSeal")->isChecked());
        QVERIFY(w.get<QCheckBox>("CheckTime")->isChecked());
        QCOMPARE(w.get<QSpinBox>("SpinDay")->value(), 5);
        QCOMPARE(w.values().SpinDay, 5);
        QVERIFY(!w.values().CheckSeal);
    }

    void cancelledDialogChangesNothing()
    {
        SettingsWindow w; // templatePath empty: the dialogs are cancelled
        w.get<QPushButton>("BtnLoadTemplate")->click();
        w.get<QPushButton>("BtnSaveTemplate")->click();
        QCOMPARE(w.dialogFilters.size(), 2);
        QVERIFY(w.place.messages.isEmpty());
        QVERIFY(w.get<QCheckBox>("CheckTime")->isChecked());
    }

    // ---------------------------------------------------------------- passwords

    // One Windows-1251 byte per character: "€" and "№" are in the code page,
    // Chinese is not; six characters at most.
    void passwordsAdmitOnlyWindows1251_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        QTest::addColumn<QString>("pasted"); // the same text inserted at once
        QTest::newRow("EditPass") << "EditPass" << "Пар€中1" << "Пар€1" << "";
        QTest::newRow("EditPassW") << "EditPassW" << "№中z€ё" << "№z€ё" << "";
        QTest::newRow("EditPass, seven") << "EditPass" << "1234567" << "123456" << "123456";
        QTest::newRow("EditPassW, seven") << "EditPassW" << "abcdefg" << "abcdef" << "abcdef";
    }
    void passwordsAdmitOnlyWindows1251()
    {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        QFETCH(QString, pasted);
        SettingsWindow w;
        auto *edit = w.get<QLineEdit>(qPrintable(field));
        const auto engineText = [&] {
            return field == QLatin1String("EditPass") ? w.station().accessPassword().text() : w.values().EditPassW;
        };
        type(edit, typed);
        QCOMPARE(edit->text(), kept);
        QCOMPARE(engineText(), kept);
        edit->clear();
        edit->insert(typed);
        QCOMPARE(edit->text(), pasted);
        QCOMPARE(engineText(), pasted);
    }

    void accessPasswordShowsInEditPass()
    {
        SettingsWindow w;
        w.station().accessPassword().setText(QStringLiteral("abc"));
        QCOMPARE(w.get<QLineEdit>("EditPass")->text(), QStringLiteral("abc"));
        retype(w.get<QLineEdit>("EditPass"), QStringLiteral("xyz"));
        QCOMPARE(w.station().accessPassword().text(), QStringLiteral("xyz"));
    }
};

QTEST_MAIN(TestSettingsPage)
#include "tst_settingspage.moc"
