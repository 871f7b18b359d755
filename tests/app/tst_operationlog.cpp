// Operation log: the Windows-1251 codec, the entries as they land on disk,
// databaseMode, keeping an existing log, and listing the lines of one meter.

#include "protocol/cp1251.h"
#include "app/operationlog.h"

#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using app::OperationLog;

namespace {

const QLocale russian(QLocale::Russian, QLocale::Russia);
const QDateTime afternoon(QDate(2024, 3, 5), QTime(14, 7, 9));

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

} // namespace

class TestOperationLog : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    // A log in a fresh folder, stamped at `now` with Russian date forms.
    std::unique_ptr<OperationLog> makeLog(bool databaseMode = false, QDateTime now = afternoon)
    {
        QDir(m_dir.path()).remove(OperationLog::kFileName);
        auto log = std::make_unique<OperationLog>(m_dir.path(), databaseMode);
        log->setLocale(russian);
        log->setNowProvider([now] { return now; });
        return log;
    }

private slots:
    void init() { QVERIFY(m_dir.isValid()); }

    // ---- Windows-1251 ----

    void cp1251Known_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("Номер") << "Номер" << QByteArray::fromHex("CDEEECE5F0");
        QTest::newRow("А Я а я") << "АЯая" << QByteArray::fromHex("C0DFE0FF");
        QTest::newRow("Ё ё №") << "Ёё№" << QByteArray::fromHex("A8B8B9");
        QTest::newRow("signs") << "€–—«»°" << QByteArray::fromHex("889697ABBBB0");
        QTest::newRow("Ukrainian and Serbian") << "ЇіЂџ" << QByteArray::fromHex("AFB3809F");
        QTest::newRow("ascii") << "001234[05.03] Ok\t~" << QByteArray("001234[05.03] Ok\t~");
    }
    void cp1251Known()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(protocol::toCp1251(text), bytes);
        QCOMPARE(protocol::fromCp1251(bytes), text);
    }

    // Every byte of the page decodes to its own character and back.
    void cp1251EveryByteRoundTrips()
    {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            if (b != 0x98)
                all.append(char(b));
        const QString text = protocol::fromCp1251(all);
        QCOMPARE(text.size(), all.size());
        QCOMPARE(QSet<QChar>(text.begin(), text.end()).size(), all.size());
        QVERIFY(!text.contains(QChar(0xFFFD)));
        QCOMPARE(protocol::toCp1251(text), all);
    }

    void cp1251Unmapped_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("latin with umlaut") << "Zä" << QByteArray("Z?");
        QTest::newRow("cjk") << "中" << QByteArray("?");
        QTest::newRow("astral plane is one character") << QString::fromUtf8("a\xF0\x9F\x98\x80" "b") << QByteArray("a?b");
        QTest::newRow("lone surrogate") << QString(QChar(0xD800)) << QByteArray("?");
        QTest::newRow("Greek") << "Ωя" << QByteArray("?\xFF");
    }
    void cp1251Unmapped()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(protocol::toCp1251(text), bytes);
    }

    void cp1251UnusedByte() { QCOMPARE(protocol::fromCp1251("\x98"), QString(QChar(0xFFFD))); }

    // ---- writing ----

    void entryOnDisk_data()
    {
        QTest::addColumn<quint32>("serial");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("1234") << 1234u << afternoon << QByteArray("001234[05.03.2024 14:07:09] Ok\r\n");
        QTest::newRow("no serial yet") << 0u << afternoon << QByteArray("000000[05.03.2024 14:07:09] Ok\r\n");
        QTest::newRow("six digits") << 999999u << afternoon << QByteArray("999999[05.03.2024 14:07:09] Ok\r\n");
        QTest::newRow("seven digits in full") << 1234567u << afternoon
                                              << QByteArray("1234567[05.03.2024 14:07:09] Ok\r\n");
        QTest::newRow("midnight without time") << 1234u << QDateTime(QDate(2024, 3, 5), QTime(0, 0))
                                               << QByteArray("001234[05.03.2024] Ok\r\n");
        QTest::newRow("one second past midnight") << 1234u << QDateTime(QDate(2024, 3, 5), QTime(0, 0, 1))
                                                  << QByteArray("001234[05.03.2024 00:00:01] Ok\r\n");
    }
    void entryOnDisk()
    {
        QFETCH(quint32, serial);
        QFETCH(QDateTime, now);
        QFETCH(QByteArray, bytes);
        auto log = makeLog(false, now);
        log->operationLogLine(QStringLiteral("Ok"), serial);
        QCOMPARE(readAll(log->logFilePath()), bytes);
    }

    // Left to its default under the tests' LC_ALL=C.UTF-8, the log writes
    // Russian date forms, not "5 Mar 2024".
    void russianFormsOnALocalelessSystem()
    {
        if (QLocale::system().language() != QLocale::C)
            QSKIP("the test environment sets LC_ALL=C.UTF-8; this run has another locale");
        QDir(m_dir.path()).remove(OperationLog::kFileName);
        OperationLog log(m_dir.path());
        log.setNowProvider([] { return afternoon; });
        log.operationLogLine(QStringLiteral("Ok"), 1234);
        QCOMPARE(readAll(log.logFilePath()), QByteArray("001234[05.03.2024 14:07:09] Ok\r\n"));
    }

    void serialFromProvider()
    {
        auto log = makeLog();
        quint32 serial = 42;
        log->setSerialProvider([&] { return serial; });
        log->operationLogLine(QStringLiteral("a"));
        serial = 43;
        log->operationLogLine(QStringLiteral("b"));
        QCOMPARE(readAll(log->logFilePath()),
                 QByteArray("000042[05.03.2024 14:07:09] a\r\n000043[05.03.2024 14:07:09] b\r\n"));
    }

    void cyrillicInCp1251()
    {
        auto log = makeLog();
        log->operationLogLine(QStringLiteral("Номер 012345 записан"), 12345);
        const QByteArray raw = readAll(log->logFilePath());
        QVERIFY(raw.contains(QByteArray::fromHex("CDEEECE5F0"))); // "Номер"
        QVERIFY(!raw.contains(QByteArray("\xD0\x9D")));          // not UTF-8
        QCOMPARE(log->ShowLogForSerial(12345),
                 QStringList{QStringLiteral("[05.03.2024 14:07:09] Номер 012345 записан")});
    }

    void databaseModeWritesNothing()
    {
        auto log = makeLog(true);
        log->operationLogLine(QStringLiteral("Ok"), 1234);
        log->operationLogLine(QStringLiteral("Ok"));
        QVERIFY(!QFile::exists(log->logFilePath()));

        const QByteArray before("001234[01.01.2024] old\r\n");
        writeAll(log->logFilePath(), before);
        log->operationLogLine(QStringLiteral("Ok"), 1234);
        QCOMPARE(readAll(log->logFilePath()), before);
    }

    // The log of an earlier run stays byte for byte; entries follow it.
    void existingLogExtended_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        const QByteArray entries("000777[05.03.2024 14:07:09] one\r\n000777[05.03.2024 14:07:09] two\r\n");
        const QByteArray old = QByteArray("000777[01.01.2024 10:00:00] ") + QByteArray::fromHex("CDEEECE5F0")
                               + "\r\n001234[02.01.2024] \xC0\xFF\r\n";
        QTest::newRow("ended by CR LF") << old << old + entries;
        QTest::newRow("empty file") << QByteArray() << entries;
        QTest::newRow("ended by LF") << QByteArray("x\n") << QByteArray("x\n") + entries;
        // A last line without a line end is ended before the entry.
        QTest::newRow("no line end") << QByteArray("x") << QByteArray("x\r\n") + entries;
    }
    void existingLogExtended()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        auto log = makeLog();
        writeAll(log->logFilePath(), before);
        log->operationLogLine(QStringLiteral("one"), 777);
        log->operationLogLine(QStringLiteral("two"), 777);
        QCOMPARE(readAll(log->logFilePath()), after);
    }

    // The path is fixed when the log is made; a later change of the working
    // directory does not move it.
    void pathFixedAtStart()
    {
        QTemporaryDir other;
        const QString saved = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_dir.path()));
        QDir(m_dir.path()).remove(OperationLog::kFileName);
        OperationLog log;
        QVERIFY(QDir::setCurrent(other.path()));
        log.operationLogLine(QStringLiteral("Ok"), 1);
        QDir::setCurrent(saved);
        QCOMPARE(log.logFilePath(), QDir(m_dir.path()).filePath(QStringLiteral("Setting_Tarvik_504.log")));
        QVERIFY(QFile::exists(log.logFilePath()));
        QVERIFY(!QFile::exists(QDir(other.path()).filePath(OperationLog::kFileName)));
    }

    // A log that cannot be written or read: nothing happens, nothing is listed.
    void failuresAreSilent()
    {
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("blocked/") + OperationLog::kFileName));
        OperationLog blocked(QDir(m_dir.path()).filePath(QStringLiteral("blocked")));
        blocked.operationLogLine(QStringLiteral("Ok"), 1);
        QVERIFY(QFileInfo(blocked.logFilePath()).isDir());
        QVERIFY(blocked.ShowLogForSerial(1).isEmpty());

        OperationLog missing(QDir(m_dir.path()).filePath(QStringLiteral("no/such/folder")));
        missing.operationLogLine(QStringLiteral("Ok"), 1);
        QVERIFY(!QFile::exists(missing.logFilePath()));
        QVERIFY(missing.ShowLogForSerial(1).isEmpty());
    }

    // ---- listing ----

    void listsOneSerial_data()
    {
        QTest::addColumn<qint64>("filter");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("1234") << qint64(1234)
                              << QStringList{"[a] one", "[c] two", "", "[e] три", "[g] last"};
        QTest::newRow("99") << qint64(99) << QStringList{"[b] other"};
        QTest::newRow("0") << qint64(0) << QStringList{"[f] zero"};
        // Seven digits never equal the first six characters of a line...
        QTest::newRow("seven digits") << qint64(1234567) << QStringList{};
        // ...but such a line's first six do match a six-digit filter.
        QTest::newRow("first six of a long serial") << qint64(123456) << QStringList{"7[d] seven"};
        QTest::newRow("none") << qint64(5) << QStringList{};
        QTest::newRow("negative") << qint64(-5) << QStringList{};
    }
    void listsOneSerial()
    {
        QFETCH(qint64, filter);
        QFETCH(QStringList, lines);
        auto log = makeLog();
        writeAll(log->logFilePath(),
                 QByteArray("001234[a] one\r\n"
                            "000099[b] other\r\n"
                            "001234[c] two\n"          // LF only
                            "1234567[d] seven\r\n"
                            "001234\r\n"               // nothing after the serial
                            "00123\r\n"                // shorter than six
                            "001234[e] \xF2\xF0\xE8\r" // CR only, "три"
                            "000000[f] zero\r\n"
                            "\r\n"
                            "001234[g] last"));        // no line end
        QCOMPARE(log->ShowLogForSerial(filter), lines);
    }

    void listsWhatWasWritten()
    {
        auto log = makeLog();
        for (int i = 0; i < 5; ++i) {
            log->operationLogLine(QStringLiteral("запись %1").arg(i), 1234);
            log->operationLogLine(QStringLiteral("чужой %1").arg(i), 4321);
        }
        QStringList expected;
        for (int i = 0; i < 5; ++i)
            expected << QStringLiteral("[05.03.2024 14:07:09] запись %1").arg(i);
        QCOMPARE(log->ShowLogForSerial(1234), expected);
        QCOMPARE(log->ShowLogForSerial(1234, 2), expected.mid(0, 2));

        QStringList streamed;
        const qint64 count = log->forEachLogLine(4321, [&](const QString &line) {
            streamed << line;
            return streamed.size() < 3;
        });
        QCOMPARE(count, 3);
        QCOMPARE(streamed.size(), 3);
        QVERIFY(streamed.last().endsWith(QStringLiteral("чужой 2")));
    }

    void absentLogListsNothing()
    {
        auto log = makeLog();
        QVERIFY(log->ShowLogForSerial(0).isEmpty());
        QCOMPARE(log->forEachLogLine(0, [](const QString &) { return true; }), 0);
    }

    // The reader takes the file in 1 MiB blocks: a matching line placed so
    // that the block boundary falls at every interesting spot of it.
    void blockBoundary_data()
    {
        QTest::addColumn<int>("shift"); // bytes of the line before the boundary
        for (int shift : {0, 1, 3, 5, 6, 7, 13, 14, 15})
            QTest::newRow(qPrintable(QString::number(shift))) << shift;
    }
    void blockBoundary()
    {
        QFETCH(int, shift);
        const qsizetype boundary = qsizetype(1) << 20;
        const QByteArray hit("001234[x] hit\r\n"); // CR at 13, LF at 14
        // Lines of serial 99, 64 bytes each, the last one 64..127 bytes long.
        QByteArray data;
        int fillers = 0;
        while (data.size() < boundary - shift) {
            const qsizetype left = boundary - shift - data.size();
            const qsizetype len = left >= 128 ? 64 : left;
            data += "000099" + QByteArray(len - 8, 'f') + "\r\n";
            ++fillers;
        }
        QCOMPARE(data.size(), boundary - shift);
        data += hit + "001234[y] next\r\n";
        auto log = makeLog();
        writeAll(log->logFilePath(), data);
        QCOMPARE(log->ShowLogForSerial(1234), (QStringList{"[x] hit", "[y] next"}));
        QCOMPARE(log->ShowLogForSerial(99).size(), fillers);
    }
};

QTEST_GUILESS_MAIN(TestOperationLog)
#include "tst_operationlog.moc"
