// tarvik-cli --scanner P --scan over a real pseudo-terminal: the wake-up
// byte, the next code printed, a wait that runs out, a port that cannot be
// opened, and the options it refuses.

#include "../support/clirun.h"
#include "../support/ptypair.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using testsupport::PtyPair;

class TestCliScan : public QObject
{
    Q_OBJECT
private slots:
    void printsTheNextCode()
    {
        PtyPair pty;
        QVERIFY(pty.isValid());
        QProcess cli;
        cli.start(QStringLiteral(TARVIK_CLI_PATH), {"--scanner", pty.slavePath(), "--scan", "--wait-ms", "20000"});
        QVERIFY(cli.waitForStarted());
        // The port is open once its wake-up byte has come.
        QByteArray sent;
        QVERIFY(QTest::qWaitFor([&] { return !(sent += pty.readAll()).isEmpty(); }, 10000));
        QCOMPARE(sent, QByteArray(1, '\0'));
        QVERIFY(pty.write("1234"));
        QTest::qWait(50);
        QVERIFY(pty.write("56\r\n"));
        QVERIFY(cli.waitForFinished(10000));
        QCOMPARE(cli.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(cli.readAllStandardOutput()), QStringLiteral("123456\n"));
    }

    void errors_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("no code in time") << QStringList{"--scanner", "PTY", "--scan", "--wait-ms", "300"} << 3
                                         << "Сканер не прислал код за 300 мс\n";
        QTest::newRow("port not opened")
            << QStringList{"--scanner", "/dev/tarvik-no-such-scanner", "--scan"} << 2
            << "Порт сканера не открыт: Specified device not found (/dev/tarvik-no-such-scanner).\n";
        QTest::newRow("no port") << QStringList{"--scan"} << 1 << "--scan требует --scanner\n";
        QTest::newRow("port without the verb") << QStringList{"--scanner", "PTY"} << 1
                                               << "--scanner и --wait-ms только с --scan\n";
        QTest::newRow("with a meter verb") << QStringList{"--scanner", "PTY", "--scan", "--find-address"} << 1
                                           << "--scan не сочетается с --find-address\n";
        QTest::newRow("wait out of range") << QStringList{"--scanner", "PTY", "--scan", "--wait-ms", "0"} << 1
                                           << "Неверное значение --wait-ms: 0 (допустимо 1..3600000)\n";
    }
    void errors()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        PtyPair pty;
        arguments.replaceInStrings(QStringLiteral("PTY"), pty.slavePath());
        QTemporaryDir dir;
        const auto run = testsupport::runCli(dir.path(), arguments, 20000);
        QCOMPARE(run.exitCode, exitCode);
        QCOMPARE(run.err, message);
        QVERIFY(run.out.isEmpty());
    }
};

QTEST_MAIN(TestCliScan)
#include "tst_cliscan.moc"
