// The barcode scanner's port over a real pseudo-terminal: its line
// settings, codes arriving in pieces, several codes at once, the number's
// range, a scanner that never ends its text, and the errors of opening.
// (A pseudo-terminal has no modem lines: TIOCMGET answers "Inappropriate
// ioctl", so DTR and RTS cannot be watched here.)

#include "app/barcodescanner.h"
#include "../support/ptypair.h"

#include <QSignalSpy>
#include <QTest>

using app::BarcodeScanner;
using testsupport::PtyPair;

namespace {

using Chunks = QList<QByteArray>;

// Each chunk a separate arrival: the next is written once the scanner has
// read the one before.
bool sendArrivals(PtyPair &pty, const Chunks &chunks)
{
    for (const QByteArray &chunk : chunks) {
        if (!pty.write(chunk))
            return false;
        QTest::qWait(20); // the pseudo-terminal hands the bytes on asynchronously
        if (!QTest::qWaitFor([&] { return pty.unread() == 0; }, 5000))
            return false;
        QTest::qWait(5);
    }
    return true;
}

QList<int> numbersOf(const QSignalSpy &spy)
{
    QList<int> out;
    for (const auto &args : spy)
        out << args.at(0).toInt();
    return out;
}

} // namespace

class TestBarcodeScanner : public QObject
{
    Q_OBJECT
private slots:
    void lineSettings()
    {
        PtyPair pty;
        QVERIFY(pty.isValid());
        BarcodeScanner scanner;
        scanner.setPortName(pty.slavePath());
        QString error;
        QVERIFY2(scanner.open(&error), qPrintable(error));
        termios tio{};
        QVERIFY(pty.settings(&tio));
        QCOMPARE(cfgetispeed(&tio), speed_t(B9600));
        QCOMPARE(cfgetospeed(&tio), speed_t(B9600));
        QCOMPARE(tio.c_cflag & CSIZE, tcflag_t(CS8));
        QCOMPARE(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), tcflag_t(0));
        QCOMPARE(tio.c_iflag & (IXON | IXOFF | IXANY), tcflag_t(0));
        QCOMPARE(tio.c_iflag & (ICRNL | IGNCR | INLCR), tcflag_t(0)); // the CR reaches the scanner's text
    }

    void codes_data()
    {
        QTest::addColumn<Chunks>("chunks");
        QTest::addColumn<QList<int>>("numbers");
        QTest::newRow("CR LF, the LF alone later")
            << Chunks{"123456\r", "\n", "654321\r\n"} << QList<int>{123456, 654321};
        QTest::newRow("split over arrivals") << Chunks{"123", "45", "6\r\n"} << QList<int>{123456};
        QTest::newRow("two codes in one arrival") << Chunks{"111111\r222222\r"} << QList<int>{0};
        QTest::newRow("16777216") << Chunks{"16777216\r"} << QList<int>{16777215};
        QTest::newRow("2147483647") << Chunks{"2147483647\r"} << QList<int>{16777215};
        QTest::newRow("longer code") << Chunks{"21474836470\r"} << QList<int>{0};
        QTest::newRow("the next code begun after the CR")
            << Chunks{"123456\r78", "9012\r"} << QList<int>{123456, 789012};
    }
    void codes()
    {
        QFETCH(Chunks, chunks);
        QFETCH(QList<int>, numbers);
        PtyPair pty;
        BarcodeScanner scanner;
        scanner.setPortName(pty.slavePath());
        QVERIFY(scanner.open(nullptr));
        QSignalSpy spy(&scanner, &BarcodeScanner::scanned);
        QVERIFY(sendArrivals(pty, chunks));
        QCOMPARE(numbersOf(spy), numbers);
    }

    // Ten megabytes without a CR: what waits stays bounded all along, and
    // the code after the text's end is read.
    void neverEnded()
    {
        PtyPair pty;
        BarcodeScanner scanner;
        scanner.setPortName(pty.slavePath());
        QVERIFY(scanner.open(nullptr));
        QSignalSpy spy(&scanner, &BarcodeScanner::scanned);
        const QByteArray chunk(4096, '7');
        qsizetype left = 10 * 1024 * 1024;
        qsizetype largest = 0;
        while (left > 0) {
            left -= pty.writeSome(chunk.first(std::min(left, chunk.size())));
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            largest = std::max(largest, scanner.buffer().pending().size());
        }
        QVERIFY(QTest::qWaitFor([&] { return pty.unread() == 0; }, 10000));
        QTest::qWait(20);
        QVERIFY(largest <= app::ScanBuffer::kCapacity);
        QVERIFY(largest > 0);
        QCOMPARE(scanner.buffer().pending().size(), app::ScanBuffer::kCapacity);
        QVERIFY(spy.isEmpty());
        QVERIFY(sendArrivals(pty, {"\r\n", "123456\r\n"}));
        QCOMPARE(numbersOf(spy), (QList<int>{0, 123456}));
    }

    void openErrors()
    {
        BarcodeScanner missing;
        missing.setPortName(QStringLiteral("/dev/tarvik-no-such-scanner"));
        QString error;
        QVERIFY(!missing.open(&error));
        QCOMPARE(error, QStringLiteral("Specified device not found (/dev/tarvik-no-such-scanner)."));
        QVERIFY(!missing.isOpen());

        PtyPair pty;
        BarcodeScanner scanner;
        scanner.setPortName(pty.slavePath());
        QVERIFY(scanner.open(nullptr));
        QVERIFY(!scanner.open(&error)); // opening an open port is an error
        QVERIFY(error.startsWith(QStringLiteral("Can't open specified device")));
        QVERIFY(scanner.close(&error));
        QVERIFY(!scanner.isOpen());
        QVERIFY(scanner.close(&error)); // closing a closed one is not
    }
};

QTEST_MAIN(TestBarcodeScanner)
#include "tst_barcodescanner.moc"
