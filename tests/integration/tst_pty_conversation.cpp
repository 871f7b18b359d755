// The real QSerialPort line against the simulator program on a
// pseudo-terminal, in both line modes. The only tests that take real time.

#include "link/connection.h"
#include "link/qtclock.h"
#include "link/qtserialline.h"
#include "protocol/dispatcher.h"
#include "simprocess.h"

#include <QTest>

using namespace meterlink;

namespace {

struct Station
{
    QtSerialLine line;
    MeterConnection connection{QtClock::instance()};
    protocol::ReplyDispatcher dispatcher{connection};
    QList<int> accepted;
    QStringList protocol;

    Station(const QString &path, int mode, int address)
    {
        connection.setLine(&line);
        connection.setPortName(path);
        connection.setSpeedIndex(5);
        connection.setLineMode(mode);
        connection.setAddress(address);
        connection.setTimeoutMs(300);
        connection.setMasterMode(true);
        connection.setReplyHandler([this](const QByteArray &r) { dispatcher.dispatch(r); });
        QObject::connect(&dispatcher, &protocol::ReplyDispatcher::replyAccepted,
                         [this](quint8 code) { accepted << code; });
        QObject::connect(&connection, &MeterConnection::protocolLine, [this](const QString &l) { protocol << l; });
    }
    ~Station() { connection.disconnectLink(); }
    int count(const QString &suffix) const
    {
        return int(std::count_if(protocol.begin(), protocol.end(), [&](const QString &l) { return l.endsWith(suffix); }));
    }
};

} // namespace

class TestPtyConversation : public QObject
{
    Q_OBJECT
private slots:
    void firstRequestsAnswered_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<int>("address");
        QTest::newRow("Rs-485") << QStringLiteral("rs485") << 5;
        QTest::newRow("MODBUS") << QStringLiteral("modbus") << 7;
    }
    void firstRequestsAnswered()
    {
        QFETCH(QString, mode);
        QFETCH(int, address);
        testsupport::SimProcess sim({"--mode", mode, "--address", QString::number(address), "--baud", "115200"});
        QVERIFY2(!sim.path().isEmpty(), qPrintable(sim.errors()));
        Station s(sim.path(), mode == "modbus" ? 1 : 0, address);
        s.connection.connectLink();
        QVERIFY(s.connection.isConnected());
        QTRY_VERIFY_WITH_TIMEOUT(s.accepted.size() >= 5, 10000);
        QCOMPARE(s.accepted.mid(0, 5), QList<int>({0x00, 0x4C, 0x01, 0x00, 0x04}));
        QCOMPARE(s.count(QStringLiteral(" Timeout.")), 0);
        // the first frame on the line is the version request
        const QString first = mode == "modbus" ? QStringLiteral(" Send 07 00 02 ") : QStringLiteral(" Send 00 02 80 71 ");
        const auto it = std::find_if(s.protocol.begin(), s.protocol.end(),
                                     [](const QString &l) { return l.contains(QLatin1String(" Send ")) && l.size() > 20; });
        QVERIFY(it != s.protocol.end());
        QVERIFY2(it->contains(first), qPrintable(*it));
    }

    void silentMeterTimesOut()
    {
        testsupport::SimProcess sim({"--silent", "--baud", "115200"});
        QVERIFY(!sim.path().isEmpty());
        Station s(sim.path(), 0, 0);
        s.connection.connectLink();
        QTRY_VERIFY_WITH_TIMEOUT(s.count(QStringLiteral(" Timeout.")) >= 2, 10000);
        QVERIFY(s.accepted.isEmpty());
        QVERIFY(s.connection.findAddressEnabled());
    }

    void busyMeterIsAskedAgain()
    {
        testsupport::SimProcess sim({"--busy", "3", "--baud", "115200"});
        QVERIFY(!sim.path().isEmpty());
        Station s(sim.path(), 0, 0);
        s.connection.connectLink();
        QTRY_VERIFY_WITH_TIMEOUT(s.accepted.size() >= 2, 10000);
        QCOMPARE(s.count(QStringLiteral("Ошибка: Память занята (чтение версии ПО)")), 3);
        QCOMPARE(s.accepted.first(), 0x00);
        QCOMPARE(s.count(QStringLiteral(" Timeout.")), 0);
    }

    void missingDeviceReportsOpenError()
    {
        Station s(QStringLiteral("/dev/tarvik-no-such-port"), 0, 0);
        QString error;
        QVERIFY(!s.line.open(&error));
        QCOMPARE(error, QStringLiteral("Specified device not found (/dev/tarvik-no-such-port)."));
    }
};

QTEST_GUILESS_MAIN(TestPtyConversation)
#include "tst_pty_conversation.moc"
