// Statement text and error text of the database layer, without a server:
// named parameters turned into ODBC's "?" markers, and the server's message
// freed from the driver's tags.

#include "db/dberrortext.h"
#include "db/namedparameters.h"

#include <QTest>

using namespace productiondb;

class TstDbText : public QObject
{
    Q_OBJECT
private slots:
    void positional_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("lines kept") << "SELECT * FROM computer\nWHERE name = :name"
                                    << "SELECT * FROM computer\nWHERE name = ?" << QStringList{"name"};
        QTest::newRow("alias in single quotes")
            << "select max(JournalMsl_id) as 'last' from MslElectro where electro_id=:id"
            << "select max(JournalMsl_id) as 'last' from MslElectro where electro_id=?" << QStringList{"id"};
        QTest::newRow("alias in double quotes")
            << "select max(Srun) as \"Mstep\" from route where type_route_id=:id"
            << "select max(Srun) as \"Mstep\" from route where type_route_id=?" << QStringList{"id"};
        QTest::newRow("list in order, digits in names")
            << "values(:id1,:id2,:entry,:good,:bad,:dt1,:id3,:state,:dt2)"
            << "values(?,?,?,?,?,?,?,?,?)"
            << QStringList{"id1", "id2", "entry", "good", "bad", "dt1", "id3", "state", "dt2"};
        QTest::newRow("name used twice") << "a=:x or b=:x_1 or c=:x" << "a=? or b=? or c=?"
                                         << QStringList{"x", "x_1", "x"};
        QTest::newRow("colon inside a literal") << "WHERE t = '10:30' AND n = :n"
                                                << "WHERE t = '10:30' AND n = ?" << QStringList{"n"};
        QTest::newRow("doubled quote inside a literal") << "WHERE s = 'it''s :no' AND n=:n"
                                                        << "WHERE s = 'it''s :no' AND n=?" << QStringList{"n"};
        QTest::newRow("colon before a digit or a blank") << "SELECT ':' , 1 :2, : x" << "SELECT ':' , 1 :2, : x"
                                                         << QStringList{};
        QTest::newRow("unclosed quote") << "WHERE a = 'x :y" << "WHERE a = 'x :y" << QStringList{};
    }
    void positional()
    {
        QFETCH(QString, statement);
        QFETCH(QString, text);
        QFETCH(QStringList, names);
        const PositionalStatement p = toPositional(statement);
        QCOMPARE(p.text, text);
        QCOMPARE(p.names, names);
    }

    void driverTags_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("text");
        QTest::newRow("MariaDB") << "[ma-3.1.15][10.11.19-MariaDB-0+deb12u1]Data too long for column 's' at row 1"
                                 << "Data too long for column 's' at row 1";
        QTest::newRow("SQL Server") << "[Microsoft][ODBC Driver 17 for SQL Server][SQL Server]Invalid object name 'x'."
                                    << "Invalid object name 'x'.";
        QTest::newRow("driver only") << "[ma-3.1.15]Server has gone away" << "Server has gone away";
        QTest::newRow("brackets inside kept") << "Поле [name] слишком длинное" << "Поле [name] слишком длинное";
        QTest::newRow("unclosed tag kept") << "[unclosed" << "[unclosed";
        QTest::newRow("empty") << "" << "";
    }
    void driverTags()
    {
        QFETCH(QString, message);
        QFETCH(QString, text);
        QCOMPARE(withoutDriverTags(message), text);
    }

    // The server's text comes first; the driver's only when the server said nothing.
    void serverMessageFallsBackToDriver()
    {
        QCOMPARE(serverMessage(QSqlError("QODBC: Unable to execute statement", "[ma-3.1.15][10.11]Ошибка",
                                         QSqlError::StatementError)),
                 QStringLiteral("Ошибка"));
        QCOMPARE(serverMessage(QSqlError("QODBC: Unable to connect", "", QSqlError::ConnectionError)),
                 QStringLiteral("QODBC: Unable to connect"));
    }
};

QTEST_GUILESS_MAIN(TstDbText)
#include "tst_dbtext.moc"
