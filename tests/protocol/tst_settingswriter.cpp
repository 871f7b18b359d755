// ActionSetting end to end on the link: what is refused and what is queued,
// the serial number rule, the operation-log lines built when each reply
// arrives, the link following new communication parameters, a batch failing
// half-way, the order of the sensor message, the database-mode hooks; and the
// whole batch against the station's simulated meter.

#include "../support/linkfixture.h"
#include "app/station.h"
#include "protocol/accesspassword.h"
#include "protocol/cp1251.h"
#include "protocol/encodings.h"
#include "protocol/meterpage.h"
#include "protocol/settingswriter.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using protocol::SettingsWriter;
using testsupport::LinkFixture;

namespace {

const QString kBatchFailed =
    QStringLiteral("Во время записи установок произошла ошибка. Описание смотрите на закладке Протокол.");

QString hex(const QByteArray &b) { return QString::fromLatin1(b.toHex().toUpper()); }

// The writer on the scripted link, as the station wires it.
struct Writer
{
    LinkFixture f;
    protocol::MeterPage page;
    protocol::AccessPassword password;
    SettingsWriter writer;
    QStringList logged;
    qsizetype mark = -1; // index of the batch's first request at the meter
    int queued = 0;

    explicit Writer(bool modbus = false, bool databaseMode = false)
        : f(5, modbus), writer(f.clock, f.connection, f.dispatcher, page, password, databaseMode)
    {
        QObject::connect(&f.dispatcher, &protocol::ReplyDispatcher::operationLogged,
                         [this](const QString &line) { logged << line; });
        QObject::connect(&writer, &SettingsWriter::batchQueued, [this](int n) { queued = n; });
    }
    protocol::SettingsValues &v() { return writer.values(); }

    void connect()
    {
        f.connectAndStart();
        QVERIFY(f.runExchanges(2));
    }
    // ActionSetting while a polling reply is being handled, so that the
    // meter's next requests are exactly the batch; then runs it to its end.
    bool writeAndRun(const std::function<void()> &afterQueueing = {})
    {
        QSignalSpy done(&f.connection, &meterlink::MeterConnection::batchSucceeded);
        QSignalSpy failed(&f.connection, &meterlink::MeterConnection::batchFailed);
        bool written = false;
        auto once = QObject::connect(&f.dispatcher, &protocol::ReplyDispatcher::replyAccepted, [&](quint8) {
            if (written)
                return;
            written = true;
            mark = f.meter.requests.size();
            if (!writer.write())
                return;
            if (afterQueueing)
                afterQueueing();
        });
        const bool ended = f.clock.advanceUntil([&] { return done.size() + failed.size() > 0; }, 60000);
        QObject::disconnect(once);
        return ended;
    }
    QStringList batchRequests() const
    {
        QStringList out;
        for (qsizetype i = mark; i < mark + queued && i < f.meter.requests.size(); ++i)
            out << hex(f.meter.requests[i]);
        return out;
    }
};

QString clockLine(const QDateTime &moment, bool summerTime)
{
    return QStringLiteral("Время=") + protocol::formatDateTime(moment, protocol::displayLocale())
           + (summerTime ? QStringLiteral(" Автопереход на летнее время") : QStringLiteral(" Нет автоперехода на летнее время"));
}

// The moment carried by a clock request 05 07 F T T T T.
QDateTime momentOf(const QString &requestHex)
{
    const QByteArray r = QByteArray::fromHex(requestHex.toLatin1());
    return protocol::meterSecondsToDateTime(protocol::u32le(r, 3) - 3);
}

void tickAll(protocol::SettingsValues &v)
{
    v.CheckTime = v.CheckShedule = v.CheckAddr = v.CheckIntegra = v.CheckPassword = v.CheckResetTariff = true;
    v.CheckPult = v.CheckPeriodProfile = v.CheckQuality = v.CheckSeal = v.CheckSensor = v.CheckTelemetry = true;
}

} // namespace

class TestSettingsWriter : public QObject
{
    Q_OBJECT
private slots:
    // No box ticked: nothing at all, not the password entry, not the serial
    // number, not even the refusal for an unread serial.
    void nothingTickedQueuesNothing()
    {
        Writer w;
        w.connect();
        w.v().SpinEdit_Number = 123456;
        QSignalSpy queued(&w.writer, &SettingsWriter::batchQueued);
        SettingsWriter::Refusal refusal;
        QVERIFY(w.writer.write(&refusal));
        QVERIFY(refusal.text.isEmpty());
        QVERIFY(!w.f.connection.settingsWriteActive());
        QVERIFY(w.f.runExchanges(5));
        QVERIFY(queued.isEmpty());
        QVERIFY(!w.f.codes().contains(0x14));
        QVERIFY(!w.f.codes().contains(0x02));
    }

    void notConnectedIsRefused()
    {
        Writer w;
        w.v().CheckTime = true;
        SettingsWriter::Refusal refusal;
        QVERIFY(!w.writer.write(&refusal));
        QCOMPARE(refusal.caption, QStringLiteral("Ошибка"));
        QCOMPARE(refusal.text, QStringLiteral("Нет связи со счетчиком: установки не записаны."));
        QCOMPARE(w.f.connection.queuedCount(), 0);
        QVERIFY(!w.f.connection.settingsWriteActive());
    }

    // A new password travels one Windows-1251 byte per character; one that
    // cannot would set a password nobody can type, so nothing is queued.
    void newPasswordOutsideTheCodePageIsRefused()
    {
        Writer w;
        w.connect();
        w.v().CheckPassword = true;
        w.v().EditPassW = QStringLiteral("Ωmega");
        SettingsWriter::Refusal refusal;
        const qsizetype before = w.f.connection.queuedCount();
        QVERIFY(!w.writer.write(&refusal));
        QCOMPARE(refusal.caption, QStringLiteral("Ошибка"));
        QVERIFY(!refusal.text.isEmpty());
        QCOMPARE(w.f.connection.queuedCount(), before);
        w.v().EditPassW = QStringLiteral("Ёж№1"); // all in the code page
        QVERIFY(w.writer.write(&refusal));
        QCOMPARE(w.queued, 2);
    }

    // The serial number goes only over one read as 0 since the last reset;
    // before it has been read a batch that would carry it is refused whole.
    void serialRule_data()
    {
        QTest::addColumn<bool>("read");
        QTest::addColumn<int>("meterSerial");
        QTest::addColumn<int>("typed");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("not read yet") << false << 0 << 123456 << true << QStringList();
        QTest::newRow("read as 0") << true << 0 << 123456 << false
                                   << QStringList{"020540E201", "0B042238", "5F06FFFFFFFF"};
        QTest::newRow("read as 777") << true << 777 << 123456 << false << QStringList{"5F06FFFFFFFF"};
        QTest::newRow("none typed, not read") << false << 0 << 0 << false << QStringList{"5F06FFFFFFFF"};
    }
    void serialRule()
    {
        QFETCH(bool, read);
        QFETCH(int, meterSerial);
        QFETCH(int, typed);
        QFETCH(bool, refused);
        QFETCH(QStringList, expected);
        Writer w;
        w.connect();
        if (read)
            w.page.setMeterSerial(quint32(meterSerial));
        w.v().CheckSeal = true;
        w.v().SpinEdit_Number = typed;
        if (refused) {
            SettingsWriter::Refusal refusal;
            const qsizetype before = w.f.connection.queuedCount();
            QVERIFY(!w.writer.write(&refusal));
            QCOMPARE(refusal.caption, QStringLiteral("Запись установок невозможна"));
            QCOMPARE(refusal.text, QStringLiteral("Серийный номер счетчика еще не прочитан. "
                                                  "Дождитесь его чтения и повторите запись."));
            QCOMPARE(w.f.connection.queuedCount(), before);
            QVERIFY(!w.f.connection.settingsWriteActive());
            return;
        }
        QVERIFY(w.writeAndRun());
        QStringList sent = w.batchRequests();
        QCOMPARE(sent.takeFirst(), QStringLiteral("1408000000000000")); // password entry, empty password
        QCOMPARE(sent, expected);
        QCOMPARE(w.f.connection.lamp(), meterlink::Lamp::Green);
    }

    // Each line is built when its reply arrives, from the values as they are
    // then (changed here after queueing); the clock line shows the moment
    // that was sent. A new password becomes the access password.
    void logLinesFromValuesAtReplyTime()
    {
        Writer w;
        w.connect();
        w.page.setMeterSerial(0);
        auto &v = w.v();
        tickAll(v);
        v.CheckAddr = false;
        v.CheckTelemetry = false;
        v.SpinEdit_Number = 123456;
        v.DatePicker = QDate(2026, 7, 15);
        v.TimePicker = QTime(12, 0, 5);
        v.datePickerEdited = v.timePickerEdited = true;
        v.EditSensor = QStringLiteral("1");
        v.EditSensorCalibr = QStringLiteral("1");
        QVERIFY(w.writeAndRun([&] {
            v.DatePicker = QDate(2030, 1, 1);
            v.CheckBoxClock = true;
            v.EditPassW = QStringLiteral("пароль");
            v.SpinEdit_Number = 654321;
            v.SpinDay = 25;
            v.SpinHour = 7;
            v.SpinIntegra = 30;
            v.ComboProfile = 12;
            v.SpinPult = 42;
            v.ComboModeDdm = 3;
            v.SpinBreaker = 1500;
            v.SpinMin = 100;
            v.ComboSec = 2;
            v.CheckAccountKind = true;
            v.CheckJtvf = true;
            v.SpinSensor = 2;
            v.EditSensor = QStringLiteral("7,25");
            v.EditSensorCalibr = QStringLiteral("100");
        }));
        QCOMPARE(w.f.connection.lamp(), meterlink::Lamp::Green);
        const QString sensor = QStringLiteral("Дискретный датчик 2=7,25(калибровка=100)");
        // 0x14, 0x0B (the RF-PLC page's line), 0x27, 0x29, 0x09 and 0x07 (the
        // schedule's line) write nothing here.
        QCOMPARE(w.logged, QStringList({clockLine(QDateTime(QDate(2026, 7, 15), QTime(12, 0, 5)), true),
                                        QStringLiteral("Пароль на запись=пароль"), QStringLiteral("Номер=654321"),
                                        QStringLiteral("Расчетный день=25 Расчетный час=7"),
                                        QStringLiteral("Время интегрирования детектора пиковой можщности=30"),
                                        QStringLiteral("Период фиксации профиля потребления=60"),
                                        QStringLiteral("Сброс показаний на РДЧ"),
                                        QStringLiteral("Пульт=42; включено, разрешено включение с пульта"),
                                        QStringLiteral("Мощность отключения нагрузки=1500"),
                                        QStringLiteral("Параметры расчета некачественной энергии=100:40 AccountKind JTVF"),
                                        QStringLiteral("Сброс индикации электронной пломбы"), sensor, sensor}));
        QCOMPARE(w.password.text(), QStringLiteral("пароль"));
    }

    // Flags and seconds as shown: no ":" for 0 s, no flags.
    void qualityLineWithoutExtras()
    {
        Writer w;
        w.connect();
        w.v().CheckQuality = true;
        w.v().SpinMin = 72;
        QVERIFY(w.writeAndRun());
        QCOMPARE(w.logged, QStringList{QStringLiteral("Параметры расчета некачественной энергии=72")});
    }

    // Pickers the operator has not touched take the clock's time when the
    // batch is built; an edited one keeps its value.
    void untouchedPickersTakeTheClock()
    {
        Writer w;
        w.connect();
        w.v().CheckTime = true;
        w.v().DatePicker = QDate(2026, 7, 15);
        w.v().datePickerEdited = true;
        w.v().TimePicker = QTime(1, 2, 3); // not edited: follows the clock
        QVERIFY(w.writeAndRun());
        const QDateTime sent = momentOf(w.batchRequests().at(1));
        QCOMPARE(sent.date(), QDate(2026, 7, 15));
        // The virtual clock started at 10:20:30 and has run for well under a minute.
        QVERIFY(sent.time() >= QTime(10, 20, 30) && sent.time() < QTime(10, 21, 30));
    }

    // 0x03 acknowledged: one or two lines from the request sent (not the
    // page's values, changed here), and the link takes over the address,
    // speed, parity and mode; the meter switches too and polling goes on.
    void communicationParameters_data()
    {
        QTest::addColumn<bool>("fromModbus");
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("speed");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("parity");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("Rs-485 to Rs-485 19200") << false << 9 << 2 << 0 << 0 << QStringList{"Адрес=9 Скорость=19200"};
        QTest::newRow("Rs-485 to MODBUS even") << false << 9 << 2 << 1 << 1
                                               << QStringList{"Адрес=9 Скорость=19200", "Паритет=четн."};
        QTest::newRow("MODBUS to MODBUS odd 115200") << true << 200 << 5 << 1 << 2
                                                     << QStringList{"Адрес=200 Скорость=115200", "Паритет=нечетн."};
        QTest::newRow("MODBUS no parity 9600") << true << 1 << 1 << 1 << 0
                                               << QStringList{"Адрес=1 Скорость=9600", "Паритет=нет"};
        QTest::newRow("MODBUS to Rs-485 4800") << true << 3 << 0 << 0 << 0 << QStringList{"Адрес=3 Скорость=4800"};
    }
    void communicationParameters()
    {
        QFETCH(bool, fromModbus);
        QFETCH(int, address);
        QFETCH(int, speed);
        QFETCH(int, mode);
        QFETCH(int, parity);
        QFETCH(QStringList, lines);
        Writer w(fromModbus);
        w.connect();
        w.f.meter.responder = [&](const QByteArray &request) {
            if (request[0] == char(0x03)) // acknowledged as it was, then the meter moves
                w.f.clock.callLater(1, &w.f.line, [&w, address, mode] {
                    w.f.meter.setAddress(quint8(address));
                    w.f.meter.setModbus(mode == 1);
                });
            return std::optional<QByteArray>(QByteArray() + request[0] + char(2));
        };
        auto &v = w.v();
        v.CheckAddr = true;
        v.SpinNewAddr = address;
        v.ComboNewBaud = speed;
        v.ComboModeW = mode;
        v.ComboParityW = parity;
        QVERIFY(w.writeAndRun([&] {
            v.SpinNewAddr = 77;
            v.ComboNewBaud = 4;
            v.ComboModeW = 1 - mode;
            v.ComboParityW = 2 - parity;
        }));
        QCOMPARE(w.logged, lines);
        QCOMPARE(w.f.connection.address(), address);
        QCOMPARE(w.f.connection.speedIndex(), speed);
        QCOMPARE(w.f.connection.lineMode(), mode);
        if (mode == 1)
            QCOMPARE(w.f.connection.parityIndex(), parity);
        QVERIFY(w.f.runExchanges(5, 5000));
        QVERIFY2(w.f.protocol.isEmpty(), qPrintable(w.f.protocol.join(u'\n')));
    }

    // An error reply half-way: the rest is dropped, the red lamp and the
    // failure message; lines only for what the meter acknowledged.
    void failureHalfWay()
    {
        Writer w;
        w.connect();
        w.f.meter.responder = [](const QByteArray &request) {
            if (request[0] == char(0x23))
                return std::optional<QByteArray>(QByteArray::fromHex("A30305")); // memory protected
            return std::optional<QByteArray>(QByteArray() + request[0] + char(2));
        };
        auto &v = w.v();
        v.CheckTime = v.CheckShedule = v.CheckIntegra = v.CheckSeal = true;
        v.DatePicker = QDate(2026, 1, 2);
        v.TimePicker = QTime(3, 4, 5);
        v.datePickerEdited = v.timePickerEdited = true;
        QVERIFY(w.writeAndRun());
        QCOMPARE(w.f.connection.lamp(), meterlink::Lamp::Red);
        QCOMPARE(w.f.failures, QStringList{kBatchFailed});
        QVERIFY(!w.f.connection.settingsWriteActive());
        QCOMPARE(w.logged, QStringList{clockLine(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)), false)});
        QVERIFY(!w.f.codes().contains(0x1F));
        QVERIFY(!w.f.codes().contains(0x5F));
    }

    // The whole batch is in the queue before the sensor message goes out
    // (the message box runs an event loop of its own).
    void sensorMessageAfterTheBatchIsQueued()
    {
        Writer w;
        w.connect();
        auto &v = w.v();
        v.CheckTime = v.CheckSensor = v.CheckAddr = true;
        v.EditSensorCalibr = QStringLiteral("0");
        v.EditSensor = QStringLiteral("1");
        const qsizetype before = w.f.connection.queuedCount();
        int queuedAtMessage = -1;
        bool activeAtMessage = false;
        int messages = 0;
        QObject::connect(&w.writer, &SettingsWriter::sensorValuesInvalid, [&] {
            if (messages++ > 0)
                return;
            queuedAtMessage = int(w.f.connection.queuedCount() - before);
            activeAtMessage = w.f.connection.settingsWriteActive();
        });
        QVERIFY(w.writer.write());
        QCOMPARE(messages, 1);
        QCOMPARE(queuedAtMessage, 3); // 14, 05, 03: neither sensor request
        QVERIFY(activeAtMessage);
        QCOMPARE(w.queued, 3);
    }

    // Only the sensor task with unusable values: nothing to write, no batch
    // (no green lamp for nothing), but the operator is told.
    void nothingLeftToWrite()
    {
        Writer w;
        w.connect();
        w.f.meter.responder = [](const QByteArray &request) {
            return std::optional<QByteArray>(QByteArray() + request[0] + char(2));
        };
        w.f.connection.enqueueRequest(QByteArray::fromHex("1408000000000000"));
        QVERIFY(w.f.clock.advanceUntil([&] { return w.f.dispatcher.passwordAccepted(); }, 2000));
        w.v().CheckSensor = true;
        QSignalSpy invalid(&w.writer, &SettingsWriter::sensorValuesInvalid);
        QVERIFY(w.writer.write());
        QCOMPARE(invalid.size(), 1);
        QVERIFY(!w.f.connection.settingsWriteActive());
        QCOMPARE(w.queued, 0);
    }

    // Database mode: the pre-check first (told whether the serial goes to the
    // meter), then the clock synchronisation, then the batch is built from
    // the synchronised clock. A refusing pre-check queues nothing.
    void databaseModeHooks()
    {
        Writer w(false, true);
        w.connect();
        w.page.setMeterSerial(0);
        w.v().CheckTime = true;
        w.v().SpinEdit_Number = 500;
        QStringList calls;
        QDateTime synced;
        w.writer.setPreCheck([&](const protocol::SettingsValues &values, quint32 serial, bool writesSerial,
                                 SettingsWriter::Refusal *) {
            calls << QStringLiteral("pre %1 %2 %3").arg(values.SpinEdit_Number).arg(serial).arg(writesSerial);
            return true;
        });
        w.writer.setClockSync([&] {
            calls << QStringLiteral("sync %1").arg(w.f.connection.settingsWriteActive());
            w.f.clock.advance(7000); // the PC clock jumps
            synced = w.f.clock.now();
        });
        QVERIFY(w.writer.write());
        QCOMPARE(calls, QStringList({"pre 500 0 1", "sync 0"}));
        QVERIFY(w.f.clock.advanceUntil([&] { return !w.f.connection.settingsWriteActive(); }, 5000));
        QString clockRequest;
        for (const QByteArray &r : w.f.meter.requests)
            if (r[0] == char(0x05))
                clockRequest = hex(r);
        QVERIFY(!clockRequest.isEmpty());
        QCOMPARE(momentOf(clockRequest), synced.addMSecs(-synced.time().msec()));

        w.writer.setPreCheck([](const protocol::SettingsValues &, quint32, bool, SettingsWriter::Refusal *r) {
            *r = {QString(), QString()};
            return false;
        });
        calls.clear();
        const qsizetype before = w.f.connection.queuedCount();
        QVERIFY(!w.writer.write());
        QVERIFY(calls.isEmpty()); // no clock synchronisation either
        QCOMPARE(w.f.connection.queuedCount(), before);
        QVERIFY(!w.f.connection.settingsWriteActive());

        // The link went while a hook had the operator's attention.
        w.writer.setPreCheck({});
        w.writer.setClockSync([&] { w.f.connection.disconnectLink(); });
        SettingsWriter::Refusal refusal;
        QVERIFY(!w.writer.write(&refusal));
        QCOMPARE(refusal.text, QStringLiteral("Нет связи со счетчиком: установки не записаны."));
        QVERIFY(!w.f.connection.settingsWriteActive());
    }

    // The station's own simulated meter takes the whole batch (all twelve
    // boxes, the serial number over a meter without one) and the link
    // follows it to its new address and speed; each acknowledged write
    // leaves its line in the operation log file.
    void wholeBatchAgainstTheSimulatedMeter()
    {
        QTemporaryDir dir;
        meterlink::VirtualClock clock;
        app::Station station(clock, {}, dir.path());
        station.simulator().state().serial = 0;
        station.simulator().state().password = QByteArray("4321\0\0", 6);
        station.accessPassword().setText(QStringLiteral("4321"));
        auto &link = station.connection();
        QStringList problems;
        connect(&link, &meterlink::MeterConnection::protocolLine, this, [&](const QString &l) { problems << l; });
        link.connectLink();
        QVERIFY(clock.advanceUntil([&] { return station.page().meterSerialRead(); }, 10000));
        auto &v = station.settingsWriter().values();
        tickAll(v);
        v.SpinEdit_Number = 123456;
        v.EditPassW = QStringLiteral("9876");
        v.SpinDay = 25;
        v.SpinHour = 7;
        v.SpinPult = 42;
        v.ComboModeDdm = 2;
        v.EditSensor = QStringLiteral("12,5");
        v.EditSensorCalibr = QStringLiteral("3");
        v.SpinNewAddr = 17;
        v.ComboNewBaud = 3;
        QSignalSpy done(&link, &meterlink::MeterConnection::batchSucceeded);
        QVERIFY(station.settingsWriter().write());
        QVERIFY(clock.advanceUntil([&] { return done.size() == 1; }, 20000));
        const sim::MeterState &s = station.simulator().state();
        QCOMPARE(s.serial, 123456u);
        QCOMPARE(s.password, QByteArray("9876\0\0", 6));
        QCOMPARE(s.settlementDay, 25);
        QCOMPARE(s.settlementHour, 7);
        QCOMPARE(s.pult, 42u);
        QCOMPARE(s.loadMode, 2);
        QCOMPARE(s.sensors[0].calibration, 3);
        QCOMPARE(s.sensors[0].count, 38u); // 37.5 to even
        QCOMPARE(station.simulator().address(), 17);
        QCOMPARE(link.address(), 17);
        QCOMPARE(link.speedIndex(), 3);
        QCOMPARE(station.accessPassword().text(), QStringLiteral("9876"));
        // Polling goes on at the new address.
        const int polled = link.pollCounter();
        QVERIFY(clock.advanceUntil([&] { return link.pollCounter() != polled; }, 3000));
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));

        QFile log(station.operationLog().logFilePath());
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QString text = protocol::fromCp1251(log.readAll());
        QVERIFY(text.contains(QStringLiteral("Номер=123456")));
        QVERIFY(text.contains(QStringLiteral("Адрес=17 Скорость=38400")));
        QCOMPARE(text.count(QStringLiteral("Дискретный датчик 1=12,5(калибровка=3)")), 2);
    }

    // Database mode: the production database takes the log's place, so the
    // batch leaves no line in the file. (The database's own checks and
    // record are not the subject here: the pre-check lets the batch go.)
    void databaseModeWritesNoLogLines()
    {
        QTemporaryDir dir;
        meterlink::VirtualClock clock;
        app::RunModes modes;
        modes.databaseMode = true;
        app::Station station(clock, modes, dir.path());
        station.settingsWriter().setPreCheck([](auto &&...) { return true; });
        auto &link = station.connection();
        link.connectLink();
        QVERIFY(clock.advanceUntil([&] { return link.settingEnabled(); }, 10000));
        auto &v = station.settingsWriter().values();
        v.CheckSeal = v.CheckShedule = true;
        QSignalSpy done(&link, &meterlink::MeterConnection::batchSucceeded);
        QVERIFY(station.settingsWriter().write());
        QVERIFY(clock.advanceUntil([&] { return done.size() == 1; }, 10000));
        QVERIFY(!QFile::exists(station.operationLog().logFilePath()));
    }

    // resetReadings lets both pickers follow the clock again.
    void resetFreesThePickers()
    {
        QTemporaryDir dir;
        meterlink::VirtualClock clock;
        app::Station station(clock, {}, dir.path());
        auto &v = station.settingsWriter().values();
        v.datePickerEdited = v.timePickerEdited = true;
        station.resetReadings();
        QVERIFY(!v.datePickerEdited);
        QVERIFY(!v.timePickerEdited);
    }
};

QTEST_GUILESS_MAIN(TestSettingsWriter)
#include "tst_settingswriter.moc"
