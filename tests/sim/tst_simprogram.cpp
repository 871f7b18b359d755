// The tarvik-sim program on a pseudo-terminal, reached the way the station
// reaches a meter: through QSerialPort on the path the program prints.
// The only test here that runs on real time.

#include <QProcess>
#include <QSerialPort>
#include <QTest>

class TestSimProgram : public QObject
{
    Q_OBJECT

private slots:
    void answersOnPseudoTerminal();

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

QTEST_GUILESS_MAIN(TestSimProgram)
#include "tst_simprogram.moc"
