// Putting frames on the line and assembling replies, in both line modes.

#include "link/crc.h"
#include "link/memoryline.h"
#include "link/transceiver.h"
#include "link/virtualclock.h"

#include <QSignalSpy>
#include <QTest>

using namespace meterlink;

namespace {

struct Bench
{
    VirtualClock clock;
    MemoryLine line{clock};
    Transceiver tx{clock};
    QByteArrayList replies;
    QStringList traces;
    quint8 address = 5;

    explicit Bench(int mode)
    {
        line.setBaudRate(115200);
        QString error;
        line.open(&error);
        tx.setLine(&line);
        tx.setLineMode(mode);
        tx.setAddressSource([this] { return address; });
        QObject::connect(&tx, &Transceiver::replyComplete, [this](const QByteArray &r) { replies << r; });
        QObject::connect(&tx, &Transceiver::traceLine, [this](const QString &t) { traces << t; });
    }
    void send(const QByteArray &request)
    {
        tx.setCurrentRequest(request);
        tx.clearReplyBuffer();
        tx.transmitRequest();
        clock.advance(5);
    }
    void peer(const QByteArray &bytes)
    {
        line.sendFromPeer(bytes);
        clock.advance(5);
    }
};

// A line that still hands out bytes after it has been closed, as a driver
// may have them buffered: only the handler's own check keeps them out.
class BufferedLine final : public SerialLine
{
public:
    QByteArray pending;
    QList<QByteArray> written;
    bool opened = true;
    Parity currentParity = Parity::Mark;

    void setPortName(const QString &) override {}
    QString portName() const override { return QStringLiteral("stub"); }
    bool open(QString *) override { return opened = true; }
    bool close(QString *) override
    {
        opened = false;
        return true;
    }
    bool isOpen() const override { return opened; }
    bool setBaudRate(int) override { return true; }
    int baudRate() const override { return 4800; }
    bool setParity(Parity p) override
    {
        currentParity = p;
        return true;
    }
    Parity parity() const override { return currentParity; }
    bool setStopBits(StopBits) override { return true; }
    StopBits stopBits() const override { return StopBits::One; }
    bool setRts(bool) override { return true; }
    bool write(const QByteArray &bytes) override
    {
        written << bytes;
        return true;
    }
    QByteArray readAll() override { return std::exchange(pending, {}); }
};

} // namespace

class TestTransceiver : public QObject
{
    Q_OBJECT
private slots:
    void rs485AddressThenFrame()
    {
        Bench b(0);
        b.send(QByteArray::fromHex("00028071"));
        auto writes = b.line.takeWrites();
        QCOMPARE(writes.size(), 1);
        QCOMPARE(writes[0].bytes, QByteArray::fromHex("05"));
        QCOMPARE(writes[0].parity, Parity::Mark);
        QCOMPARE(writes[0].stopBits, StopBits::One);

        b.peer(QByteArray::fromHex("07")); // a stray byte: still the address phase
        QVERIFY(b.line.takeWrites().isEmpty());
        QCOMPARE(b.line.parity(), Parity::Mark);

        b.peer(QByteArray::fromHex("05AA")); // address back; the rest of the chunk is dropped
        writes = b.line.takeWrites();
        QCOMPARE(writes.size(), 1);
        QCOMPARE(writes[0].bytes, QByteArray::fromHex("00028071"));
        QCOMPARE(writes[0].parity, Parity::Space);
        QVERIFY(b.tx.replyBuffer().isEmpty());
        QVERIFY(b.replies.isEmpty());
    }

    void rs485AssemblyByLength_data()
    {
        QTest::addColumn<QByteArrayList>("chunks");
        QTest::addColumn<int>("completeAfter");
        QTest::newRow("one chunk") << QByteArrayList{QByteArray::fromHex("4C0434120011")} << 0;
        QTest::newRow("split in three") << QByteArrayList{QByteArray::fromHex("4C"), QByteArray::fromHex("0434"),
                                                          QByteArray::fromHex("120011")} << 2;
        QTest::newRow("length byte alone") << QByteArrayList{QByteArray::fromHex("4C04"), QByteArray::fromHex("3412"),
                                                             QByteArray::fromHex("0011")} << 2;
        QTest::newRow("merged with the next reply") << QByteArrayList{QByteArray::fromHex("4C04341200114C0434")} << 0;
    }
    void rs485AssemblyByLength()
    {
        QFETCH(QByteArrayList, chunks);
        QFETCH(int, completeAfter);
        Bench b(0);
        b.send(QByteArray::fromHex("4C02B4B1"));
        b.peer(QByteArray::fromHex("05"));
        for (int i = 0; i < chunks.size(); ++i) {
            b.peer(chunks[i]);
            QCOMPARE(b.replies.size(), i >= completeAfter ? 1 : 0);
        }
        QCOMPARE(b.replies[0].left(6), QByteArray::fromHex("4C0434120011"));
    }

    void rs485ReplyDispatchedOnce()
    {
        Bench b(0);
        b.send(QByteArray::fromHex("4C02B4B1"));
        b.peer(QByteArray::fromHex("05"));
        b.peer(QByteArray::fromHex("4C0434120011"));
        b.clock.advance(20);
        b.peer(QByteArray::fromHex("FF")); // stray byte before the next request
        QCOMPARE(b.replies.size(), 1);
        QCOMPARE(b.tx.replyBuffer(), QByteArray::fromHex("4C0434120011FF"));
        b.send(QByteArray::fromHex("4C02B4B1")); // the next transmission empties the buffer
        QVERIFY(b.tx.replyBuffer().isEmpty());
    }

    void modbusOneWriteWithParity_data()
    {
        QTest::addColumn<int>("parityIndex");
        QTest::addColumn<int>("parity");
        QTest::addColumn<int>("stopBits");
        QTest::newRow("нет") << 0 << int(Parity::None) << int(StopBits::Two);
        QTest::newRow("четн.") << 1 << int(Parity::Even) << int(StopBits::One);
        QTest::newRow("нечетн.") << 2 << int(Parity::Odd) << int(StopBits::One);
    }
    void modbusOneWriteWithParity()
    {
        QFETCH(int, parityIndex);
        QFETCH(int, parity);
        QFETCH(int, stopBits);
        Bench b(1);
        b.tx.setModbusParity(parityIndex);
        QSignalSpy sending(&b.tx, &Transceiver::transmitting);
        b.send(QByteArray::fromHex("054C02D4C0"));
        const auto writes = b.line.takeWrites();
        QCOMPARE(writes.size(), 1);
        QCOMPARE(writes[0].bytes, QByteArray::fromHex("054C02D4C0"));
        QCOMPARE(int(writes[0].parity), parity);
        QCOMPARE(int(writes[0].stopBits), stopBits);
        QCOMPARE(sending.size(), 1);
        QCOMPARE(sending[0][0].value<quint8>(), quint8(0x4C));
    }

    void modbusCompletion_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<bool>("delivered");
        QTest::newRow("good") << QString() << true;
        QTest::newRow("corrupted byte") << QStringLiteral("corrupt") << false;
        QTest::newRow("other address") << QStringLiteral("other") << false;
    }
    void modbusCompletion()
    {
        QFETCH(QString, fault);
        QFETCH(bool, delivered);
        Bench b(1);
        QByteArray bytes = QByteArray::fromHex("054C043412");
        if (fault == "other")
            bytes[0] = 6;
        appendCrc(bytes);
        if (fault == "corrupt")
            bytes[3] = char(bytes[3] ^ 0x10);
        b.send(QByteArray::fromHex("054C02D4C0"));
        b.peer(bytes.left(3));
        QVERIFY(b.replies.isEmpty());
        b.peer(bytes.mid(3));
        QCOMPARE(b.replies.size(), delivered ? 1 : 0);
        if (delivered)
            QCOMPARE(b.replies[0], bytes.mid(1)); // the address byte is removed
    }

    void traceOnlyInMasterMode()
    {
        Bench b(0);
        b.send(QByteArray::fromHex("4C02B4B1"));
        b.peer(QByteArray::fromHex("05"));
        QVERIFY(b.traces.isEmpty());

        Bench m(0);
        m.tx.setTraceEnabled(true);
        m.send(QByteArray::fromHex("4C02B4B1"));
        m.peer(QByteArray::fromHex("05"));
        QCOMPARE(m.traces.size(), 3);
        const QString time = QStringLiteral("10:20:30.");
        QVERIFY(m.traces[0].startsWith(time));
        QVERIFY(m.traces[0].endsWith(QStringLiteral(" Send 05")));
        QVERIFY(m.traces[1].endsWith(QStringLiteral(" Received: 05 ")));
        QVERIFY(m.traces[2].endsWith(QStringLiteral(" Send 4C 02 B4 B1 ")));
        QCOMPARE(m.traces[2].size(), 12 + 6 + 12);
    }

    void closedPortIgnoresNotification_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("Rs-485, the address comes back") << 0 << QByteArray::fromHex("05");
        QTest::newRow("MODBUS, a whole reply") << 1 << QByteArray::fromHex("054C043412299C");
    }
    void closedPortIgnoresNotification()
    {
        QFETCH(int, mode);
        QFETCH(QByteArray, bytes);
        VirtualClock clock;
        BufferedLine line;
        Transceiver tx(clock);
        tx.setLine(&line);
        tx.setLineMode(mode);
        tx.setTraceEnabled(true);
        tx.setAddressSource([] { return quint8(5); });
        tx.setCurrentRequest(QByteArray::fromHex(mode == 0 ? "4C02B4B1" : "054C02D4C0"));
        tx.transmitRequest();
        line.written.clear();
        QSignalSpy chunks(&tx, &Transceiver::chunkArrived);
        QSignalSpy replies(&tx, &Transceiver::replyComplete);
        QSignalSpy traces(&tx, &Transceiver::traceLine);
        QString e;
        line.close(&e);
        line.pending = bytes;
        emit line.readyRead();
        QCOMPARE(chunks.size(), 0);
        QCOMPARE(replies.size(), 0);
        QCOMPARE(traces.size(), 0);
        QVERIFY(line.written.isEmpty());
        QVERIFY(tx.replyBuffer().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestTransceiver)
#include "tst_transceiver.moc"
