// The production database connection against a real server (the private
// MariaDB server of tests/db): texts stored exactly as meant, lookups by a
// bound text, NULLs of every type, what the platform gives back (Booleans,
// an empty MAX, getdate()), errors, transactions, and a connection that is
// lost and opened again.

#include "db/dbconnection.h"
#include "testserver.h"

#include <QDateTime>
#include <QTest>

using namespace productiondb;

namespace {

QVariant typedNull(QMetaType::Type type)
{
    return QVariant(QMetaType(type));
}

} // namespace

class TstDbConnection : public QObject
{
    Q_OBJECT

    DbConnection m_db;

    // Runs a statement that must succeed.
    DbResult must(const QString &statement, const QVariantMap &params = {})
    {
        const DbResult r = m_db.run(statement, params);
        if (!r.ok)
            qWarning("%s: %s", qPrintable(statement), qPrintable(r.error));
        return r;
    }

    int count(const QString &table)
    {
        return must(QStringLiteral("SELECT COUNT(*) AS n FROM ") + table).first("n").toInt();
    }

private slots:
    void init()
    {
        for (const char *table : {"set_tarvik", "set_pk", "msl_", "operation", "computer", "operator"})
            QVERIFY(must(QStringLiteral("DELETE FROM ") + table).ok);
    }

    // A test that failed while the server was away leaves it running for
    // the next (nothing to do when it runs).
    void cleanup() { QVERIFY(testserver::resume()); }

    // Every text column the station writes, with texts that fill it exactly:
    // the server holds the characters meant and not one byte more.
    void textsStoredExactly_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("chars");
        QTest::addColumn<QString>("hex"); // UTF-8 as the server keeps it
        QTest::newRow("dd.mm.yy, exact size") << "msl_" << "date_time_start" << "10.12.26" << 8 << "31302E31322E3236";
        QTest::newRow("stop date") << "msl_" << "date_time_stop" << "01.01.27" << 8 << "30312E30312E3237";
        QTest::newRow("empty") << "msl_" << "date_time_start" << "" << 0 << "";
        QTest::newRow("type, Cyrillic") << "set_tarvik" << "el_type" << "Тарвик 504.01" << 13
                                        << "D0A2D0B0D180D0B2D0B8D0BA203530342E3031";
        QTest::newRow("password, Cyrillic, exact size") << "set_tarvik" << "pass" << "пароль" << 6
                                                        << "D0BFD0B0D180D0BED0BBD18C";
        QTest::newRow("speed, exact size") << "set_tarvik" << "baud" << "115200" << 6 << "313135323030";
        QTest::newRow("working time") << "set_tarvik" << "turn_on" << "1д.01:01:01" << 11
                                      << "31D0B42E30313A30313A3031";
        QTest::newRow("version") << "set_tarvik" << "version" << "2.15" << 4 << "322E3135";
        QTest::newRow("RF-PLC version") << "set_pk" << "version" << "2.15" << 4 << "322E3135";
    }
    void textsStoredExactly()
    {
        QFETCH(QString, table);
        QFETCH(QString, column);
        QFETCH(QString, text);
        QFETCH(int, chars);
        QFETCH(QString, hex);
        const QString key = table == "msl_" ? "msl_id" : "operation_id";
        QVERIFY(must(QString("INSERT INTO %1(%2,%3) VALUES(7,:text)").arg(table, key, column), {{"text", text}}).ok);
        const DbResult r = must(QString("SELECT CHAR_LENGTH(%1) AS c, LENGTH(%1) AS b, HEX(%1) AS h, %1 AS t"
                                        " FROM %2 WHERE %3 = :id")
                                    .arg(column, table, key),
                                {{"id", 7}});
        QCOMPARE(r.rows.size(), 1);
        QCOMPARE(r.first("c").toInt(), chars);
        QCOMPARE(r.first("b").toInt(), hex.size() / 2);
        QCOMPARE(r.first("h").toString(), hex);
        QCOMPARE(r.first("t").toString(), text);
    }

    // One character too many is refused by the server, with its own message.
    void textTooLongRefused()
    {
        const DbResult r = m_db.run("INSERT INTO msl_(msl_id,date_time_start) VALUES(1,:t)", {{"t", "10.12.2026"}});
        QVERIFY(!r.ok);
        QVERIFY(!r.connectionLost);
        QVERIFY2(!r.error.isEmpty() && !r.error.startsWith('['), qPrintable(r.error));
        QCOMPARE(count("msl_"), 0);
        QVERIFY(must("SELECT 1").ok); // the connection goes on
    }

    // A row written by the factory (not through this layer) is found by a
    // bound text, also in other letter case, as SQL Server compares.
    void lookupByText_data()
    {
        QTest::addColumn<QString>("login");
        QTest::addColumn<int>("found");
        QTest::newRow("as stored") << "оператор1" << 11;
        QTest::newRow("other case") << "ОПЕРАТОР1" << 11;
        QTest::newRow("Latin") << "ivanov" << 12;
        QTest::newRow("prefix only") << "оператор" << 0;
        QTest::newRow("inactive") << "petrov" << 0;
        QTest::newRow("empty") << "" << 0;
    }
    void lookupByText()
    {
        QFETCH(QString, login);
        QFETCH(int, found);
        QVERIFY(must("INSERT INTO operator(person_id,login,operating) VALUES"
                     " (11,'оператор1',1), (12,'ivanov',1), (13,'petrov',0)")
                    .ok);
        const DbResult r = must("SELECT * FROM operator\nWHERE login = :login\nAND operating = 1", {{"login", login}});
        QCOMPARE(r.rows.size(), found ? 1 : 0);
        if (found)
            QCOMPARE(r.first("person_id").toInt(), found);
    }

    // A typed NULL reaches the server as NULL and comes back as a null value.
    void typedNulls_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("integer") << "address" << typedNull(QMetaType::Int);
        QTest::newRow("text") << "pass" << typedNull(QMetaType::QString);
        QTest::newRow("Boolean") << "summer" << typedNull(QMetaType::Bool);
        QTest::newRow("float") << "secperday" << typedNull(QMetaType::Double);
        QTest::newRow("date-time") << "date_time" << typedNull(QMetaType::QDateTime);
    }
    void typedNulls()
    {
        QFETCH(QString, column);
        QFETCH(QVariant, value);
        QVERIFY(must(QString("INSERT INTO set_tarvik(operation_id,%1) VALUES(1,:v)").arg(column), {{"v", value}}).ok);
        const DbResult r = must(QString("SELECT %1 AS v, %1 IS NULL AS isnull FROM set_tarvik").arg(column));
        QCOMPARE(r.rows.size(), 1);
        QCOMPARE(r.first("isnull").toInt(), 1);
        QVERIFY(r.first("v").isNull());
    }

    // Values of every bound type come back as written; a Boolean as 0/1.
    void valuesRoundTrip()
    {
        const QDateTime written(QDate(2026, 12, 10), QTime(10, 12, 26, 345));
        QVERIFY(must("INSERT INTO set_tarvik(operation_id,address,summer,secperday,t,date_time,check_sum)"
                     " VALUES(:id,:address,:summer,:secperday,:t,:date_time,:check_sum)",
                     {{"id", 5}, {"address", 255}, {"summer", true}, {"secperday", -3.01},
                      {"t", 1234567.125}, {"date_time", written}, {"check_sum", 65535}})
                    .ok);
        QVERIFY(must("INSERT INTO set_tarvik(operation_id,summer) VALUES(6,:summer)", {{"summer", false}}).ok);
        const DbResult r = must("SELECT * FROM set_tarvik ORDER BY operation_id");
        QCOMPARE(r.rows.size(), 2);
        QCOMPARE(r.first("address").toInt(), 255);
        // A Boolean comes back as the integer 0 or 1, not as a bool.
        QVERIFY(r.first("summer").typeId() != QMetaType::Bool);
        QCOMPARE(r.first("summer").toInt(), 1);
        QCOMPARE(r.value(1, "summer").toInt(), 0);
        QCOMPARE(r.first("secperday").toDouble(), -3.01);
        QCOMPARE(r.first("t").toDouble(), 1234567.125);
        QCOMPARE(r.first("date_time").toDateTime(), written);
        QCOMPARE(r.first("check_sum").toInt(), 65535);
    }

    // Rows are counted by reading them (the driver tells no size);
    // rowsAffected counts what a change touched.
    void rowsAndChanges()
    {
        for (int id : {3, 1, 2}) {
            const DbResult ins = must("INSERT INTO computer(computer_id,name) VALUES(:id,:name)",
                                      {{":id", id}, {":name", QString("PC-%1").arg(id)}});
            QCOMPARE(ins.rowsAffected, 1);
            QVERIFY(ins.rows.isEmpty());
        }
        const DbResult all = must("SELECT * FROM computer ORDER BY computer_id");
        QCOMPARE(all.rows.size(), 3);
        QCOMPARE(all.value(2, "name").toString(), QString("PC-3"));
        QVERIFY(!all.value(3, "name").isValid());
        QCOMPARE(must("DELETE FROM computer WHERE computer_id > :id", {{"id", 1}}).rowsAffected, 2);
        QCOMPARE(must("SELECT * FROM computer WHERE name = :name", {{"name", "PC-9"}}).rows.size(), 0);
    }

    // The server's clock, and the largest id of an empty selection.
    void platformValues()
    {
        const DbResult now = must("SELECT getdate()");
        QCOMPARE(now.rows.size(), 1);
        const QDateTime server = now.rows[0].value(0).toDateTime();
        QVERIFY(server.isValid());
        QVERIFY(qAbs(server.secsTo(QDateTime::currentDateTime())) < 60);

        const DbResult max = must("SELECT MAX(operation_id) FROM operation\nWHERE plant_id = :plant_id",
                                  {{"plant_id", 1}});
        QCOMPARE(max.rows.size(), 1); // one row holding NULL, not none
        QVERIFY(max.rows[0].value(0).isNull());
        QCOMPARE(max.rows[0].value(0).toInt(), 0);
    }

    // Mistakes of the caller are refused before anything reaches the server.
    void parameterMistakes_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QVariantMap>("params");
        QTest::addColumn<QString>("error");
        QTest::newRow("missing") << "SELECT * FROM computer WHERE name = :name AND computer_id = :id"
                                 << QVariantMap{{"name", "x"}} << "Не задан параметр :id запроса.";
        QTest::newRow("not in statement") << "SELECT * FROM computer WHERE name = :name"
                                          << QVariantMap{{"name", "x"}, {"nam", "y"}} << "Параметра :nam нет в запросе.";
        QTest::newRow("NULL without type") << "SELECT * FROM computer WHERE name = :name"
                                           << QVariantMap{{"name", QVariant()}}
                                           << "Значение запроса не передано: параметр 1: значение без типа";
    }
    void parameterMistakes()
    {
        QFETCH(QString, statement);
        QFETCH(QVariantMap, params);
        QFETCH(QString, error);
        const DbResult r = m_db.run(statement, params);
        QVERIFY(!r.ok);
        QCOMPARE(r.error, error);
        QVERIFY(!r.connectionLost);
    }

    void serverErrorKeepsConnection()
    {
        const DbResult r = m_db.run("SELECT nosuch FROM computer");
        QVERIFY(!r.ok);
        QVERIFY(!r.connectionLost);
        QVERIFY2(r.error.contains("nosuch") && !r.error.startsWith('['), qPrintable(r.error));
        QVERIFY(m_db.isOpen());
        QVERIFY(must("SELECT 1").ok);
    }

    // Inside a transaction the largest operation id is the row just
    // inserted; a rollback leaves nothing, a commit keeps everything.
    void transactions()
    {
        for (bool keep : {false, true}) {
            QVERIFY(m_db.begin().ok);
            QVERIFY(m_db.inTransaction());
            QVERIFY(must("INSERT INTO operation(type_id,electro_id,plant_id,person_id,success)\n"
                         "VALUES(:type_id,:electro_id,:plant_id,:person_id,:success)",
                         {{"type_id", 3}, {"electro_id", 1}, {"plant_id", 4}, {"person_id", 11}, {"success", true}})
                        .ok);
            const QVariant id = must("SELECT MAX(operation_id) FROM operation\nWHERE plant_id = :plant_id",
                                     {{"plant_id", 4}})
                                    .rows.value(0)
                                    .value(0);
            QVERIFY(id.toInt() > 0);
            QVERIFY(must("INSERT INTO set_tarvik(operation_id,version) VALUES(:id,:v)", {{"id", id}, {"v", "2.15"}}).ok);
            QVERIFY(!m_db.begin().ok); // no nesting
            QVERIFY(keep ? m_db.commit().ok : m_db.rollback().ok);
            QVERIFY(!m_db.inTransaction());
            QCOMPARE(count("operation"), keep ? 1 : 0);
            QCOMPARE(count("set_tarvik"), keep ? 1 : 0);
        }
        QVERIFY(!m_db.commit().ok); // nothing to commit
    }

    // The server goes away: the statement says the connection was lost, the
    // ones while it is away say it cannot be reached, and once it is back
    // the next statement opens the connection again.
    void connectionLostAndReopened()
    {
        QVERIFY(must("SELECT 1").ok);
        QVERIFY(testserver::pause());
        const DbResult lost = m_db.run("SELECT * FROM computer");
        QVERIFY(!lost.ok);
        QVERIFY2(lost.connectionLost, qPrintable(lost.error));
        QVERIFY(!lost.error.isEmpty());
        QVERIFY(!m_db.isOpen());
        const DbResult away = m_db.run("SELECT * FROM computer");
        QVERIFY(!away.ok);
        QVERIFY(away.connectionLost);
        QVERIFY2(away.error.startsWith("Нет связи с базой данных \"Electrometer\": "), qPrintable(away.error));
        QVERIFY(testserver::resume());
        QVERIFY(must("SELECT 1").ok);
        QVERIFY(m_db.isOpen());
    }

    // Lost inside a transaction: nothing runs until the caller rolls back,
    // and nothing of the transaction remains on the server.
    void connectionLostInTransaction()
    {
        QVERIFY(m_db.begin().ok);
        QVERIFY(must("INSERT INTO computer(computer_id,name) VALUES(1,:n)", {{"n", "PC"}}).ok);
        QVERIFY(testserver::pause());
        QVERIFY(m_db.run("INSERT INTO computer(computer_id,name) VALUES(2,:n)", {{"n", "PC2"}}).connectionLost);
        QVERIFY(testserver::resume());
        const DbResult refused = m_db.run("INSERT INTO computer(computer_id,name) VALUES(3,:n)", {{"n", "PC3"}});
        QVERIFY(!refused.ok);
        QVERIFY(!m_db.commit().ok);
        QVERIFY(m_db.rollback().ok);
        QVERIFY(!m_db.inTransaction());
        QCOMPARE(count("computer"), 0);
    }
};

QTEST_GUILESS_MAIN(TstDbConnection)
#include "tst_dbconnection.moc"
