// The station in database mode against the test server and the built-in
// simulated meter, on the virtual clock: the pre-check of a settings batch,
// the record after its green lamp (with the values it was queued with), the
// clock drift shown in EditDelta after a new serial, a lookup failing while
// the link goes on, and "Зафиксировать в Б&Д".

#include "app/productionrecording.h"
#include "app/station.h"
#include "db/dbconnection.h"
#include "db/systemclock.h"
#include "db/systemidentity.h"
#include "db/workstation.h"
#include "link/virtualclock.h"
#include "testserver.h"
#include "tabledump.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using app::ProductionRecording;
using meterlink::Lamp;
using productiondb::DbConnection;
using productiondb::DbResult;

namespace {

using testserver::TableDump;

// The virtual clock starts at 14.03.2026 10:20:30.000.
const QDateTime kStart(QDate(2026, 3, 14), QTime(10, 20, 30));

struct NamedIdentity : productiondb::SystemIdentity
{
    QString computerName() const override { return QStringLiteral("PC"); }
    QString userName() const override { return QStringLiteral("op"); }
};

struct KeptClock : productiondb::ClockSetter
{
    int set = 0;
    bool setLocalTime(const QDateTime &) override
    {
        ++set;
        return true;
    }
};

// Operator 11 at installation 4 on computer PC. Meters of type 48: 123456
// (electro_id 100, never recorded), 123400 (101), 654321 (103, its RF-PLC
// number in set_pk).
const char *const seedStatements[] = {
    "INSERT INTO computer(computer_id,name) VALUES(1,'PC')",
    "INSERT INTO operator(person_id,login,operating) VALUES(11,'op',1)",
    "INSERT INTO plant(plant_id,type_id,computer_id) VALUES(4,3,1)",
    "INSERT INTO electrometer(electro_id,number,type_id) VALUES(100,123456,48)",
    "INSERT INTO electrometer(electro_id,number,type_id) VALUES(101,123400,48)",
    "INSERT INTO electrometer(electro_id,number,type_id) VALUES(103,654321,48)",
    "INSERT INTO operation(operation_id,type_id,electro_id,plant_id,person_id,success) VALUES(60,3,103,4,11,1)",
    "INSERT INTO set_tarvik(operation_id,date_time) VALUES(60,'2026-03-01 10:00:00')",
    "INSERT INTO set_pk(operation_id,version,plm_group,plm_address,plm_number) VALUES(60,'2.10',43,21,654321)",
};

const QStringList tables = {"computer", "operator", "plant", "electrometer", "operation", "set_tarvik", "set_pk",
                            "config_operator", "RegMsl", "msl_"};

// A station of its own in database mode, identified, with the simulated
// meter selected; what the records report is collected.
struct Bench
{
    QTemporaryDir dir;
    meterlink::VirtualClock clock{kStart};
    NamedIdentity names;
    KeptClock pcClock;
    app::Station station{clock, {true, true}, dir.path(), {&pcClock, &names}};
    ProductionRecording &records = *station.productionRecording();
    QList<QStringList> refused, recordFailed;
    QStringList databaseErrors;
    QList<bool> recorded;
    QList<Lamp> lampAtRecord;

    Bench()
    {
        QObject::connect(&records, &ProductionRecording::refused,
                         [this](const QString &caption, const QString &text) { refused << QStringList{caption, text}; });
        QObject::connect(&records, &ProductionRecording::recordFailed, [this](const QString &caption,
                                                                              const QString &text) {
            recordFailed << QStringList{caption, text};
        });
        QObject::connect(&records, &ProductionRecording::databaseError,
                         [this](const QString &text) { databaseErrors << text; });
        QObject::connect(&records, &ProductionRecording::recorded, [this](bool withSettings) {
            recorded << withSettings;
            lampAtRecord << station.connection().lamp();
        });
    }
    bool identified() { return station.workstation()->IdentifyWorkstation().kind == productiondb::IdentifyOutcome::Identified; }
    // Connected, the serial read and the meter ready for a batch.
    bool connectAndRead()
    {
        auto &link = station.connection();
        link.connectLink();
        return clock.advanceUntil([&] { return station.page().meterSerialRead() && link.settingEnabled(); }, 5000);
    }
    protocol::SettingsValues &values() { return station.settingsWriter().values(); }
    sim::MeterState &meter() { return station.simulator().state(); }
};

} // namespace

class TstProductionRecording : public QObject
{
    Q_OBJECT

    DbConnection m_db;
    QStringList m_triggers;

    DbResult must(const QString &statement)
    {
        DbResult r = m_db.run(statement);
        if (r.connectionLost) // the server was away: once more on a new link
            r = m_db.run(statement);
        if (!r.ok)
            qWarning("%s: %s", qPrintable(statement), qPrintable(r.error));
        return r;
    }
    int count(const QString &table, const QString &where = QStringLiteral("1=1"))
    {
        return must(QStringLiteral("SELECT COUNT(*) AS n FROM %1 WHERE %2").arg(table, where)).first("n").toInt();
    }
    TableDump dump() { return testserver::dumpTables(m_db, tables); }
    // The newest record of installation 4.
    DbResult lastRecord(const QString &table)
    {
        return must(QStringLiteral("SELECT * FROM %1 WHERE operation_id = "
                                   "(SELECT MAX(operation_id) FROM operation WHERE plant_id = 4)")
                        .arg(table));
    }
    bool failInsertInto(const QString &table, const QString &message)
    {
        const QString name = QStringLiteral("fail_%1").arg(m_triggers.size());
        m_triggers << name;
        return must(QStringLiteral("CREATE TRIGGER %1 BEFORE INSERT ON %2 FOR EACH ROW "
                                   "SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = '%3'")
                        .arg(name, table, message))
            .ok;
    }

private slots:
    void init()
    {
        QVERIFY(testserver::resume());
        for (const char *table : {"computer", "operator", "plant", "electrometer", "operation", "set_tarvik",
                                  "set_pk", "config_operator"})
            QVERIFY2(must(QStringLiteral("DELETE FROM ") + table).ok, table);
        for (const char *statement : seedStatements)
            QVERIFY2(must(QString::fromUtf8(statement)).ok, statement);
    }

    void cleanup()
    {
        QVERIFY(testserver::resume());
        QVERIFY(must("CREATE OR REPLACE FUNCTION getdate() RETURNS DATETIME(3) NOT DETERMINISTIC NO SQL"
                     " RETURN NOW(3)").ok);
        for (const QString &trigger : std::as_const(m_triggers))
            must(QStringLiteral("DROP TRIGGER IF EXISTS ") + trigger);
        m_triggers.clear();
    }

    // A refused pre-check shows its box through the signal only, and not
    // one request of the batch goes out.
    void preCheckRefusalSendsNothing_data()
    {
        QTest::addColumn<int>("meterSerial");
        QTest::addColumn<int>("spinEditNumber");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("text");
        QTest::newRow("meter not in the register")
            << 999999 << 0 << "Запись установок невохможна" << "Прибор с таким номером не описан в БД.";
        QTest::newRow("new RF-PLC number taken")
            << 0 << 654321 << "Запись установок невозможна"
            << "Счетчик с таким RFPLC-номером уже существует. Обратитесь к главному конструктору прибора.";
    }
    void preCheckRefusalSendsNothing()
    {
        QFETCH(int, meterSerial);
        QFETCH(int, spinEditNumber);
        QFETCH(QString, caption);
        QFETCH(QString, text);
        Bench b;
        b.meter().serial = quint32(meterSerial);
        QVERIFY(b.identified());
        QVERIFY(b.connectAndRead());
        const auto before = dump();
        b.values().CheckShedule = true;
        b.values().SpinDay = 25;
        b.values().SpinEdit_Number = spinEditNumber;

        protocol::SettingsWriter::Refusal refusal;
        QVERIFY(!b.station.settingsWriter().write(&refusal));
        QCOMPARE(b.refused, QList<QStringList>{QStringList({caption, text})});
        QVERIFY(refusal.text.isEmpty()); // the box is the signal's
        QVERIFY(!b.station.connection().settingsWriteActive());
        b.clock.advance(3000);
        QCOMPARE(b.meter().settlementDay, quint8(1));
        QCOMPARE(b.meter().serial, quint32(meterSerial));
        QCOMPARE(b.pcClock.set, 1); // the identification's only
        QCOMPARE(dump(), before);
        QVERIFY(b.recorded.isEmpty());
    }

    // An accepted batch is recorded once, after its green lamp, with the
    // values it was queued with although the page changes while it runs.
    void batchRecordedWithItsOwnValues()
    {
        Bench b;
        QVERIFY(b.identified());
        QVERIFY(b.connectAndRead());
        auto &v = b.values();
        v.CheckShedule = true;
        v.SpinDay = 25;
        v.SpinHour = 7;
        v.CheckTime = true;
        v.CheckBoxClock = true;
        v.SpinEdit_Number = 123456;
        const QDateTime queuedAt = b.clock.now();
        QVERIFY(b.station.settingsWriter().write());
        QCOMPARE(b.pcClock.set, 2); // synchronised before the moment was taken
        QVERIFY(b.refused.isEmpty());
        // The operator (or the scanner) changes the page while it runs.
        v.SpinDay = 3;
        v.SpinHour = 4;
        v.CheckShedule = false;
        v.CheckBoxClock = false;
        v.SpinEdit_Number = 123400;

        QVERIFY(b.clock.advanceUntil([&] { return !b.recorded.isEmpty(); }, 5000));
        QCOMPARE(b.recorded, QList<bool>{true});
        QCOMPARE(b.lampAtRecord, QList<Lamp>{Lamp::Green});
        QCOMPARE(b.meter().settlementDay, quint8(25));
        b.clock.advance(3000); // the lamp goes out, polling goes on: no second record
        QCOMPARE(b.recorded.size(), 1);
        QVERIFY(b.recordFailed.isEmpty());
        QVERIFY(b.databaseErrors.isEmpty());

        QCOMPARE(count("operation", "operation_id <> 60"), 1);
        const DbResult op = lastRecord("operation");
        QCOMPARE(op.first("electro_id").toInt(), 100);
        QCOMPARE(op.first("person_id").toInt(), 11);
        QCOMPARE(op.first("plant_id").toInt(), 4);
        QCOMPARE(op.first("success").toInt(), 1); // never recorded before: no estimate
        const DbResult row = lastRecord("set_tarvik");
        QCOMPARE(row.rows.size(), 1);
        QCOMPARE(row.first("count_day").toInt(), 25);
        QCOMPARE(row.first("count_hour").toInt(), 7);
        QCOMPARE(row.first("summer").toInt(), 1);
        const QDateTime expected(queuedAt.date(), QTime(queuedAt.time().hour(), queuedAt.time().minute(),
                                                        queuedAt.time().second()));
        QCOMPARE(row.first("date_time").toDateTime(), expected);
        QCOMPARE(row.first("version").toString(), QStringLiteral("2.15"));
        QVERIFY(row.rows[0].isNull("secperday"));
        QCOMPARE(count("set_pk", "plm_number <> 654321"), 0); // the meter had its serial
    }

    // A meter numbered by the batch: its RF-PLC identity is the number the
    // batch wrote (123400: group 34, address 100), although the scanner
    // puts another number in the spin while it runs.
    void numberedMeterRecordedWithTheNumberWritten()
    {
        Bench b;
        b.meter().serial = 0;
        QVERIFY(b.identified());
        QVERIFY(b.connectAndRead());
        b.values().SpinEdit_Number = 123400;
        b.values().CheckShedule = true;
        QVERIFY(b.station.settingsWriter().write());
        b.values().SpinEdit_Number = 120003;
        QVERIFY(b.clock.advanceUntil([&] { return !b.recorded.isEmpty(); }, 5000));
        QCOMPARE(b.meter().serial, quint32(123400));
        QCOMPARE(lastRecord("operation").first("electro_id").toInt(), 101);
        const DbResult pk = lastRecord("set_pk");
        QCOMPARE(pk.rows.size(), 1);
        QCOMPARE(pk.first("plm_number").toInt(), 123400);
        QCOMPARE(pk.first("plm_group").toInt(), 34);
        QCOMPARE(pk.first("plm_address").toInt(), 100);
        QCOMPARE(pk.first("version").toString(), QStringLiteral("2.15"));
    }

    // The server's clock cannot be read when the batch starts: the batch
    // goes on with the PC clock as it is and is recorded; the error is told
    // once the write has returned, never while it builds the batch.
    void clockSyncFailureToldAfterTheBatchIsQueued()
    {
        Bench b;
        QVERIFY(b.identified());
        QVERIFY(b.connectAndRead());
        QVERIFY(must("CREATE OR REPLACE FUNCTION getdate() RETURNS DATETIME(3) NOT DETERMINISTIC NO SQL BEGIN"
                     " SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'clock unavailable'; RETURN NOW(3); END").ok);
        b.values().CheckShedule = true;
        b.values().SpinDay = 25;
        QVERIFY(b.station.settingsWriter().write());
        QVERIFY(b.databaseErrors.isEmpty());
        QVERIFY(b.station.connection().settingsWriteActive());
        QVERIFY(b.clock.advanceUntil([&] { return !b.recorded.isEmpty(); }, 5000));
        QCOMPARE(b.databaseErrors.size(), 1);
        QVERIFY2(b.databaseErrors[0].contains("clock unavailable"), qPrintable(b.databaseErrors[0]));
        QCOMPARE(b.pcClock.set, 1); // the identification's only
        QCOMPARE(b.meter().settlementDay, quint8(25));
        QCOMPARE(lastRecord("set_tarvik").first("count_day").toInt(), 25);
    }

    // A batch that fails (the meter refuses a request) is never recorded.
    void failedBatchLeavesNoRow()
    {
        Bench b;
        QVERIFY(b.identified());
        QVERIFY(b.connectAndRead());
        QSignalSpy failed(&b.station.connection(), &meterlink::MeterConnection::batchFailed);
        b.station.simulator().faults().errors.insert(0x23, sim::SimulatedMeter::BadData);
        const auto before = dump();
        b.values().CheckShedule = true;
        QVERIFY(b.station.settingsWriter().write());
        QVERIFY(b.clock.advanceUntil([&] { return failed.size() == 1; }, 5000));
        b.clock.advance(3000);
        QVERIFY(b.recorded.isEmpty());
        QVERIFY(b.recordFailed.isEmpty());
        QCOMPARE(dump(), before);
    }

    // EditDelta after a new serial: (m - now) / (now - lastProgrammed) in
    // seconds per day, five significant digits with two decimals. The
    // meter runs 40000.8 s ahead (or 39999.2 s behind) of a PC whose clock
    // is 2 days and at most a few seconds past the last programming: 20000
    // s a day either way, whatever the milliseconds of the moment.
    void driftShownInEditDelta_data()
    {
        QTest::addColumn<QString>("lastProgrammed"); // empty: never recorded
        QTest::addColumn<int>("meterAheadMs");
        QTest::addColumn<QString>("editDelta");
        QTest::newRow("2 days, ahead") << "2026-03-12 10:20:30" << 40000800 << "20000,00";
        QTest::newRow("2 days, behind") << "2026-03-12 10:20:30" << -39999200 << "-20000,00";
        QTest::newRow("never recorded") << "" << 40000800 << "";
        QTest::newRow("11 hours ago") << "2026-03-13 23:20:30" << 40000800 << "";
    }
    void driftShownInEditDelta()
    {
        QFETCH(QString, lastProgrammed);
        QFETCH(int, meterAheadMs);
        QFETCH(QString, editDelta);
        if (!lastProgrammed.isEmpty()) {
            QVERIFY(must("INSERT INTO operation(operation_id,type_id,electro_id,plant_id,person_id,success)"
                         " VALUES(61,3,100,4,11,1)").ok);
            QVERIFY(must(QStringLiteral("INSERT INTO set_tarvik(operation_id,date_time) VALUES(61,'%1')")
                             .arg(lastProgrammed)).ok);
        }
        Bench b;
        b.station.simulator().setMeterTime(kStart.addMSecs(meterAheadMs));
        QVERIFY(b.identified());
        b.station.connection().connectLink();
        // the first time reply of the connection
        QVERIFY(b.clock.advanceUntil([&] { return !b.station.page().cell(protocol::MeterPage::ListMain,
                                                                         protocol::MeterPage::MainClockTest).isEmpty(); },
                                     3000));
        QVERIFY(b.clock.elapsedMs() < 3000);
        QCOMPARE(b.station.page().editDelta(), editDelta);
        QVERIFY(b.databaseErrors.isEmpty());
    }

    // Every reset of the read values starts the estimate again: after it
    // the meter's new drift is shown alone, not averaged with the old one.
    // Four days since the last programming leave room for the few seconds
    // of a polling cycle (80001.6 s ahead and 79999.4 s behind: 20000 s a
    // day to five digits).
    void driftStartsAgainAfterReset()
    {
        QVERIFY(must("INSERT INTO operation(operation_id,type_id,electro_id,plant_id,person_id,success)"
                     " VALUES(61,3,100,4,11,1)").ok);
        QVERIFY(must("INSERT INTO set_tarvik(operation_id,date_time) VALUES(61,'2026-03-10 10:20:30')").ok);
        Bench b;
        auto &page = b.station.page();
        b.station.simulator().setMeterTime(kStart.addMSecs(80001600));
        QVERIFY(b.identified());
        b.station.connection().connectLink();
        QVERIFY(b.clock.advanceUntil([&] { return !page.editDelta().isEmpty(); }, 3000));
        QCOMPARE(page.editDelta(), QStringLiteral("20000,00"));

        b.station.resetReadings();
        QVERIFY(page.editDelta().isEmpty());
        b.station.simulator().setMeterTime(b.clock.now().addMSecs(-79999400));
        QVERIFY(b.clock.advanceUntil([&] { return !page.editDelta().isEmpty(); }, 6000));
        QVERIFY(b.clock.elapsedMs() < 6000);
        QCOMPARE(page.editDelta(), QStringLiteral("-20000,00"));
    }

    // The server goes away before the serial is read: the lookup fails, the
    // reply is finished and polling goes on; the error is told once, after
    // the reply has been dealt with, and no estimate is made.
    void failingLookupDoesNotStopTheLink()
    {
        Bench b;
        QVERIFY(b.identified());
        QVERIFY(testserver::pause());
        QString serialShownAtError;
        QObject::connect(&b.records, &ProductionRecording::databaseError, [&] {
            serialShownAtError = b.station.page().cell(protocol::MeterPage::ListMain, protocol::MeterPage::MainSerial);
        });
        b.station.connection().connectLink();
        QVERIFY(b.clock.advanceUntil([&] { return b.station.connection().pollCounter() > 20; }, 10000));
        QCOMPARE(b.databaseErrors.size(), 1);
        QVERIFY(!b.databaseErrors[0].isEmpty());
        QCOMPARE(serialShownAtError, QStringLiteral("123456"));
        QVERIFY(b.station.connection().isConnected());
        QCOMPARE(b.station.connection().timeoutCount(), 0);
        QVERIFY(b.station.page().editDelta().isEmpty());
        QVERIFY(!b.station.page().cell(protocol::MeterPage::ListMain, protocol::MeterPage::MainDateTime).isEmpty());
    }

    // "Зафиксировать в Б&Д": recorded without settings (green lamp), refused
    // for a meter not in the register (no lamp), or rolled back (red lamp).
    void fixDb_data()
    {
        QTest::addColumn<int>("meterSerial");
        QTest::addColumn<bool>("failing");
        QTest::addColumn<int>("lamp");
        QTest::addColumn<QStringList>("refusal");
        QTest::addColumn<QString>("failure"); // the start of the record's message
        QTest::newRow("recorded") << 123456 << false << int(Lamp::Green) << QStringList() << "";
        QTest::newRow("not in the register")
            << 999999 << false << int(Lamp::Hidden)
            << QStringList{"Ошибка записи в БД", "Номер прибора не описан в БД. Установите его."} << "";
        QTest::newRow("record fails") << 123456 << true << int(Lamp::Red) << QStringList()
                                      << "Ошибка записи в БД: settings row refused";
    }
    void fixDb()
    {
        QFETCH(int, meterSerial);
        QFETCH(bool, failing);
        QFETCH(int, lamp);
        QFETCH(QStringList, refusal);
        QFETCH(QString, failure);
        if (failing)
            QVERIFY(failInsertInto("set_tarvik", "settings row refused"));
        Bench b;
        b.meter().serial = quint32(meterSerial);
        QVERIFY(b.identified());
        QVERIFY(b.connectAndRead());
        // ticked boxes play no part in this record
        b.values().CheckShedule = b.values().CheckTime = b.values().CheckAddr = b.values().CheckPassword = true;
        b.values().EditPassW = QStringLiteral("123");
        const auto before = dump();

        b.records.fixDb();
        QCOMPARE(b.station.connection().lamp(), Lamp(lamp));
        QCOMPARE(b.refused, refusal.isEmpty() ? QList<QStringList>() : QList<QStringList>{refusal});
        QVERIFY(b.databaseErrors.isEmpty());
        if (!failure.isEmpty()) {
            QCOMPARE(b.recordFailed.size(), 1);
            QCOMPARE(b.recordFailed[0][0], QStringLiteral("Ошибка БД"));
            QVERIFY2(b.recordFailed[0][1].startsWith(failure), qPrintable(b.recordFailed[0][1]));
        }
        if (Lamp(lamp) != Lamp::Green) {
            QVERIFY(b.recorded.isEmpty());
            QCOMPARE(dump(), before);
        } else {
            QCOMPARE(b.recorded, QList<bool>{false});
            QVERIFY(b.recordFailed.isEmpty());
            const DbResult row = lastRecord("set_tarvik");
            QCOMPARE(row.rows.size(), 1);
            for (const char *column : {"address", "baud", "date_time", "summer", "pass", "count_day", "count_hour",
                                       "time_integ"})
                QVERIFY2(row.rows[0].isNull(column), column);
            QCOMPARE(lastRecord("operation").first("electro_id").toInt(), 100);
        }
        b.clock.advance(2100); // the lamp's 2 s
        QCOMPARE(b.station.connection().lamp(), Lamp::Hidden);
    }
};

QTEST_GUILESS_MAIN(TstProductionRecording)
#include "tst_productionrecording.moc"
