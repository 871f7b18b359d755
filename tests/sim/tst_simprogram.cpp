// The tarvik-sim program on a pseudo-terminal, reached the way the station
// reaches a meter: through QSerialPort on the path the program prints.
// The only test here that runs on real time.

#include "link/crc.h"

#include <QProcess>
#include <QSerialPort>
#include <QTest>

class TestSimProgram : public QObject
{
    Q_OBJECT

private slots:
    void answersOnPseudoTerminal();
    void profileOptionsShapeTheStore_data();
    void profileOptionsShapeTheStore();
    void listsTheProfileDay();
    void refusesAnImpossibleStore_data();
    void refusesAnImpossibleStore();

private:
    static QByteArray readAtLeast(QSerialPort &port, int count, int timeoutMs)
    {
        QByteArray bytes = port.readAll();
        QElapsedTimer timer;
        timer.start();
        while (bytes.size() < count && timer.elapsed() < timeoutMs) {
            if (port.waitForReadyRead(100))
                bytes += port.readAll();
        }
        return bytes;
    }
};

void TestSimProgram::answersOnPseudoTerminal()
{
    QProcess program;
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(QStringLiteral(TARVIK_SIM_PROGRAM), {QStringLiteral("--exit-on-eof"), QStringLiteral("--address"), QStringLiteral("0")});
    QVERIFY2(program.waitForStarted(10000), qPrintable(program.errorString()));

    QElapsedTimer timer;
    timer.start();
    while (!program.canReadLine() && timer.elapsed() < 10000)
        program.waitForReadyRead(100);
    const QString first = QString::fromLocal8Bit(program.readLine()).trimmed();
    QVERIFY2(first.startsWith(QLatin1String("PTY /")), qPrintable(first));

    QSerialPort port;
    port.setPortName(first.mid(4));
    QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
    port.setBaudRate(4800);
    port.setDataBits(QSerialPort::Data8);
    port.setFlowControl(QSerialPort::NoFlowControl);

    // Rs-485 mode: the address byte alone, echoed; then the frame 00 02 + CRC.
    port.write(QByteArray::fromHex("00"));
    QCOMPARE(readAtLeast(port, 1, 10000).toHex(' '), QByteArray("00"));
    port.write(QByteArray::fromHex("00028071"));
    QCOMPARE(readAtLeast(port, 9, 10000).toHex(' '), QByteArray("00 07 15 02 01 04 05 85 cf"));

    // A second session on the same terminal works as the first.
    port.close();
    QVERIFY(port.open(QIODevice::ReadWrite));
    port.write(QByteArray::fromHex("00"));
    QCOMPARE(readAtLeast(port, 1, 10000).toHex(' '), QByteArray("00"));
    port.close();

    program.closeWriteChannel(); // end of input ends the program
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
}

// The store's header over the pseudo-terminal: 5D 03 05 -> 5D 09 05 A B C.
void TestSimProgram::profileOptionsShapeTheStore_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("header"); // A B C

    QTest::newRow("default: full, wrapped") << QStringList() << QByteArray("d0 05 d0 05 e8 02");
    QTest::newRow("empty") << QStringList{"--profile-slots", "100", "--profile-records", "0"} << QByteArray("64 00 00 00 00 00");
    QTest::newRow("not full") << QStringList{"--profile-slots", "100", "--profile-records", "30"} << QByteArray("64 00 1e 00 1d 00");
    QTest::newRow("full, newest last") << QStringList{"--profile-slots", "48", "--profile-newest", "47"} << QByteArray("30 00 30 00 2f 00");
    QTest::newRow("full, wrapped at 10") << QStringList{"--profile-slots", "48", "--profile-newest", "10", "--profile-gap", "2026-03-10", "--profile-period", "60"}
                                         << QByteArray("30 00 30 00 0a 00");
}

void TestSimProgram::profileOptionsShapeTheStore()
{
    QFETCH(QStringList, options);
    QFETCH(QByteArray, header);
    QProcess program;
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(QStringLiteral(TARVIK_SIM_PROGRAM), QStringList{"--exit-on-eof", "--time", "2026-03-14T12:05:00"} + options);
    QVERIFY2(program.waitForStarted(10000), qPrintable(program.errorString()));
    QElapsedTimer timer;
    timer.start();
    while (!program.canReadLine() && timer.elapsed() < 10000)
        program.waitForReadyRead(100);
    const QString first = QString::fromLocal8Bit(program.readLine()).trimmed();
    QVERIFY2(first.startsWith(QLatin1String("PTY /")), qPrintable(first));

    QSerialPort port;
    port.setPortName(first.mid(4));
    QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
    port.setBaudRate(4800);
    port.write(QByteArray::fromHex("00"));
    QCOMPARE(readAtLeast(port, 1, 10000).toHex(' '), QByteArray("00"));
    QByteArray request = QByteArray::fromHex("5D0305");
    meterlink::appendCrc(request);
    port.write(request);
    const QByteArray reply = readAtLeast(port, 11, 10000);
    QCOMPARE(reply.left(3).toHex(' '), QByteArray("5d 09 05"));
    QCOMPARE(reply.mid(3, 6).toHex(' '), header);
    port.close();
    program.closeWriteChannel();
    QVERIFY(program.waitForFinished(10000));
}

// --list-profile-day: a full store of 48 with its newest record (12:00) at
// 10 holds the day from 00:00 at slot 34 on, one record a line.
void TestSimProgram::listsTheProfileDay()
{
    QProcess program;
    program.start(QStringLiteral(TARVIK_SIM_PROGRAM), {"--time", "2026-03-14T12:05:00", "--profile-slots", "48", "--profile-newest", "10",
                                                       "--list-profile-day", "2026-03-14"});
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitCode(), 0);
    const QStringList lines = QString::fromLatin1(program.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 25);
    // 2026-03-14 00:00 is MeterSeconds 826761600 = 80 61 47 31.
    QVERIFY2(lines.first().startsWith("34 80 61 47 31 "), qPrintable(lines.first()));
    QVERIFY2(lines.last().startsWith("10 40 0A 48 31 "), qPrintable(lines.last())); // 12:00
    QCOMPARE(lines.last().split(' ').size(), 1 + 16);
}

void TestSimProgram::refusesAnImpossibleStore_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::newRow("more records than slots") << QStringList{"--profile-slots", "48", "--profile-records", "49"};
    QTest::newRow("not full, newest elsewhere") << QStringList{"--profile-slots", "48", "--profile-records", "20", "--profile-newest", "5"};
    QTest::newRow("newest beyond the store") << QStringList{"--profile-slots", "48", "--profile-newest", "48"};
    QTest::newRow("period 7") << QStringList{"--profile-period", "7"};
    QTest::newRow("gap not a date") << QStringList{"--profile-gap", "2026-02-30"};
}

void TestSimProgram::refusesAnImpossibleStore()
{
    QFETCH(QStringList, options);
    QProcess program;
    program.start(QStringLiteral(TARVIK_SIM_PROGRAM), options + QStringList{"--list-journal", "5"});
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitCode(), 2);
    QVERIFY(program.readAllStandardOutput().isEmpty());
}

QTEST_GUILESS_MAIN(TestSimProgram)
#include "tst_simprogram.moc"
