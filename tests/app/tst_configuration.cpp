// Restoring and saving the configuration; the run modes.

#include "app/configuration.h"
#include "app/runmodes.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace app;

class TestConfiguration : public QObject
{
    Q_OBJECT
private slots:
    void restore_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QVariant>("restored");
        QTest::newRow("timeout below range") << "Timeout" << QVariant(50) << "timeout" << QVariant(200);
        QTest::newRow("timeout above range") << "Timeout" << QVariant(99999) << "timeout" << QVariant(30000);
        QTest::newRow("timeout in range") << "Timeout" << QVariant(3000) << "timeout" << QVariant(3000);
        QTest::newRow("address above range") << "Address" << QVariant(300) << "address" << QVariant(255);
        QTest::newRow("address negative") << "Address" << QVariant(-4) << "address" << QVariant(0);
        QTest::newRow("BaudRate as read") << "BaudRate" << QVariant(3) << "baud" << QVariant(3);
        QTest::newRow("Baudrate as written") << "Baudrate" << QVariant(5) << "baud" << QVariant(5);
        QTest::newRow("baud index out of list") << "BaudRate" << QVariant(9) << "baud" << QVariant(0);
        QTest::newRow("mode out of list") << "Mode" << QVariant(7) << "mode" << QVariant(0);
        QTest::newRow("mode MODBUS") << "mode" << QVariant(1) << "mode" << QVariant(1);
        QTest::newRow("parity") << "Parity" << QVariant(2) << "parity" << QVariant(2);
        QTest::newRow("parity out of list") << "Parity" << QVariant(3) << "parity" << QVariant(0);
        QTest::newRow("not a number keeps default") << "Timeout" << QVariant("abc") << "timeout" << QVariant(500);
        QTest::newRow("scan") << "Scan" << QVariant(1) << "scan" << QVariant(true);
        QTest::newRow("scanner port") << "Scaner" << QVariant(4) << "scaner" << QVariant(4);
        QTest::newRow("scanner port by name") << "ScanerName" << QVariant("/dev/ttyUSB1") << "scanerName"
                                              << QVariant("/dev/ttyUSB1");
        QTest::newRow("scanner name in another case") << "scanername" << QVariant("/dev/pts/7") << "scanerName"
                                                      << QVariant("/dev/pts/7");
    }
    void restore()
    {
        QFETCH(QString, name);
        QFETCH(QVariant, stored);
        QFETCH(QString, field);
        QFETCH(QVariant, restored);
        QTemporaryDir dir;
        QSettings s(dir.filePath("c.ini"), QSettings::IniFormat);
        s.setValue(name, stored);
        const Configuration c = restoreConfiguration(s);
        const QVariant got = field == "timeout" ? QVariant(c.timeoutMs)
                             : field == "address" ? QVariant(c.address)
                             : field == "baud"    ? QVariant(c.baudIndex)
                             : field == "mode"    ? QVariant(c.modeIndex)
                             : field == "parity"  ? QVariant(c.parityIndex)
                             : field == "scan"    ? QVariant(c.scan)
                             : field == "scanerName" ? QVariant(c.scanerName)
                                                  : QVariant(c.scaner);
        QCOMPARE(got, restored);
    }

    void defaultsWhenEmpty()
    {
        QTemporaryDir dir;
        QSettings s(dir.filePath("c.ini"), QSettings::IniFormat);
        const Configuration c = restoreConfiguration(s);
        QCOMPARE(c.address, 0);
        QCOMPARE(c.port, 1);
        QCOMPARE(c.scaner, 2);
        QCOMPARE(c.baudIndex, 0);
        QCOMPARE(c.timeoutMs, 500);
        QCOMPARE(c.parityIndex, 0);
        QCOMPARE(c.modeIndex, 0);
        QCOMPARE(c.scan, false);
    }

    void saveWritesOneSpelling()
    {
        QTemporaryDir dir;
        QSettings s(dir.filePath("c.ini"), QSettings::IniFormat);
        s.setValue("BaudRate", 1);
        Configuration c;
        c.baudIndex = 4;
        c.address = 17;
        c.portName = "/dev/ttyUSB0";
        c.scanerName = "/dev/ttyUSB1";
        s.setValue("scanername", "/dev/ttyS0");
        saveConfiguration(s, c);
        QVERIFY(!s.contains("scanername"));
        QVERIFY(!s.contains("BaudRate"));
        QCOMPARE(s.value("Baudrate").toInt(), 4);
        QCOMPARE(restoreConfiguration(s).baudIndex, 4);
        QCOMPARE(restoreConfiguration(s).address, 17);
        QCOMPARE(restoreConfiguration(s).portName, QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(restoreConfiguration(s).scanerName, QStringLiteral("/dev/ttyUSB1"));
        QVERIFY(!s.contains("Master")); // never written
    }

    void addressNotWrittenWithoutPort()
    {
        QTemporaryDir dir;
        QSettings s(dir.filePath("c.ini"), QSettings::IniFormat);
        Configuration c;
        c.port = 0;
        c.address = 9;
        saveConfiguration(s, c);
        QVERIFY(!s.contains("Address"));
    }

    void runModes_data()
    {
        QTest::addColumn<QVariant>("master"); // invalid: no value
        QTest::addColumn<bool>("marker");
        QTest::addColumn<bool>("masterMode");
        QTest::addColumn<bool>("databaseMode");
        QTest::newRow("nothing") << QVariant() << false << false << false;
        QTest::newRow("Master empty string") << QVariant(QString("")) << false << true << false;
        QTest::newRow("master number, any case") << QVariant(0) << false << true << false;
        QTest::newRow("marker file alone") << QVariant() << true << true << true;
    }
    void runModes()
    {
        QFETCH(QVariant, master);
        QFETCH(bool, marker);
        QFETCH(bool, masterMode);
        QFETCH(bool, databaseMode);
        QTemporaryDir dir;
        QSettings s(dir.filePath("c.ini"), QSettings::IniFormat);
        if (master.isValid())
            s.setValue(QTest::currentDataTag() == QByteArray("master number, any case") ? "master" : "Master", master);
        if (marker) {
            QFile f(dir.filePath("SettingSql.tarvik"));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        const RunModes m = determineRunModes(s, QDir(dir.path()));
        QCOMPARE(m.masterMode, masterMode);
        QCOMPARE(m.databaseMode, databaseMode);
    }
};

QTEST_GUILESS_MAIN(TestConfiguration)
#include "tst_configuration.moc"
