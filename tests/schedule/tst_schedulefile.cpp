// The *.tsc file: its exact bytes, save and load through the real file
// system, damaged files refused whole, failed saves leaving the old file.

#include "schedule/holidays.h"
#include "schedule/limitcoefficient.h"
#include "schedule/schedulefile.h"
#include "schedule/transfers.h"
#include "schedule/zoneentry.h"
#include "../support/testfiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace schedule;

namespace {

using testsupport::writeFile;
using testsupport::readFile;

const QByteArray kCrLf = QByteArray::fromHex("0D0A");
const QByteArray kZone1 = QByteArray::fromHex("4207300C0DFF0F"); // day mask 0D: "ПН", "СР", "ЧТ"
const QByteArray kZone2 = QByteArray::fromHex("772359FF800008");

// Default holidays, one transfer (7 March 2030, "праздник"), coefficient 5
// and the two zones above, item by item with the separators.
QByteArray twoZoneFile()
{
    return QByteArray::fromHex("0101020103010401050107012302080301050905120604110000000000000000") + kCrLf
        + QByteArray::fromHex("07033008") + QByteArray(60, '\0') + kCrLf
        + QByteArray::fromHex("05") + kCrLf
        + kZone1 + kCrLf
        + kZone2 + kCrLf;
}

ScheduleFileData twoZoneData()
{
    HolidayList holidays;
    holidays.setDefaults();
    TransferList transfers;
    transfers.insert(QDate(2030, 3, 7), 8);
    return {holidays.GetHolidayBlock(), transfers.GetTransferBlock(), 5, {kZone1, kZone2}};
}

} // namespace

class TestScheduleFile : public QObject
{
    Q_OBJECT
private slots:
    void twoZonesAre121Bytes()
    {
        const QByteArray bytes = tscBytes(twoZoneData());
        QCOMPARE(bytes.size(), 121);
        QCOMPARE(bytes, twoZoneFile());
    }

    void noZonesAre103Bytes()
    {
        ScheduleFileData data = twoZoneData();
        data.zoneEntries.clear();
        QCOMPARE(tscBytes(data), twoZoneFile().left(103));
        const std::optional<ScheduleFileData> back = parseTsc(twoZoneFile().left(103));
        QVERIFY(back);
        QCOMPARE(*back, data);
    }

    // Saved and loaded through a real file: everything comes back, the
    // zone whose day mask is 0D included, and decodes to what was saved.
    void saveAndLoad()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("расписание.tsc"));
        QString error;
        QVERIFY2(saveTscFile(path, twoZoneData(), &error), qPrintable(error));
        QCOMPARE(readFile(path), twoZoneFile());

        const std::optional<ScheduleFileData> loaded = loadTscFile(path, &error);
        QVERIFY2(loaded, qPrintable(error));
        QCOMPARE(*loaded, twoZoneData());

        HolidayList holidays;
        TransferList transfers;
        QVERIFY(holidays.SetHolidayBlock(loaded->holidayBlock));
        QVERIFY(transfers.SetTransferBlock(loaded->transferBlock));
        QCOMPARE(holidays.size(), 12);
        QCOMPARE(transfers.rows(), (QList<Transfer>{{QDate(2030, 3, 7), 8}}));
        const DecodedZones zones = decodeZoneEntries(loaded->zoneEntries);
        QCOMPARE(zones.skipped, 0);
        QCOMPARE(zones.zones.size(), 2);
        QCOMPARE(zones.zones[0].dayMask, quint8(0x0D));
        QCOMPARE(zones.zones[0].startTime, QStringLiteral("07:30"));
        QCOMPARE(ZoneEntry::encode(zones.zones[0]), kZone1);
    }

    // 0D and 0A inside items are data, not line ends.
    void lineEndBytesInsideItems()
    {
        ScheduleFileData data = twoZoneData();
        data.coefficient = 0x0D;
        data.zoneEntries = {QByteArray::fromHex("0D0A0A0D0D0A0D"), QByteArray::fromHex("0A0D0D0A0A0D0A")};
        const std::optional<ScheduleFileData> back = parseTsc(tscBytes(data));
        QVERIFY(back);
        QCOMPARE(*back, data);
    }

    // A zone entry that is no time is skipped and counted; the rest load.
    void invalidZoneCounted()
    {
        QByteArray bytes = twoZoneFile();
        bytes[103 + 1] = char(0x25); // zone 0: hour 25
        const std::optional<ScheduleFileData> loaded = parseTsc(bytes);
        QVERIFY(loaded);
        const DecodedZones zones = decodeZoneEntries(loaded->zoneEntries);
        QCOMPARE(zones.skipped, 1);
        QCOMPARE(zones.zones.size(), 1);
        QCOMPARE(zones.zones[0].startTime, QStringLiteral("23:59"));
    }

    void damaged_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray good = twoZoneFile();
        auto withByte = [&](int at, char value) {
            QByteArray b = good;
            b[at] = value;
            return b;
        };
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("102 bytes") << good.left(102);
        QTest::newRow("103 + 5 bytes") << good.left(108);
        QTest::newRow("one byte past the last zone") << good + '\0';
        QTest::newRow("after holidays 0A 0D") << withByte(32, '\n');
        QTest::newRow("after holidays 0D 00") << withByte(33, '\0');
        QTest::newRow("after transfers") << withByte(98, ' ');
        QTest::newRow("after the coefficient") << withByte(102, '\r');
        QTest::newRow("after the last zone") << withByte(120, '\r');
    }
    // The reader yields nothing, so the caller changes nothing; the file
    // on disk is not touched either.
    void damaged()
    {
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("damaged.tsc"));
        QVERIFY(writeFile(path, bytes));
        QString error;
        QVERIFY(!loadTscFile(path, &error));
        QVERIFY2(error.startsWith(QStringLiteral("Файл тарифного расписания поврежден: ")), qPrintable(error));
        QCOMPARE(readFile(path), bytes);
    }

    void missingFileReported()
    {
        QTemporaryDir dir;
        QString error;
        QVERIFY(!loadTscFile(dir.filePath(QStringLiteral("нет.tsc")), &error));
        QVERIFY2(error.startsWith(QStringLiteral("Не удалось открыть файл тарифного расписания ")), qPrintable(error));
    }

    // A save that cannot complete is reported and the old file stays whole.
    // The file is written beside its final name first; a name of 250
    // characters leaves no room for that temporary name, even for root.
    void failedSaveKeepsTheOldFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QString(246, QLatin1Char('s')) + QStringLiteral(".tsc"));
        const QByteArray old = QByteArray("old contents");
        QVERIFY(writeFile(path, old));
        QString error;
        QVERIFY(!saveTscFile(path, twoZoneData(), &error));
        QVERIFY2(error.startsWith(QStringLiteral("Не удалось сохранить файл тарифного расписания ")), qPrintable(error));
        QCOMPARE(readFile(path), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 1);
    }

    void saveIntoAPathThatCannotExist()
    {
        QTemporaryDir dir;
        const QString notADir = dir.filePath(QStringLiteral("file"));
        QVERIFY(writeFile(notADir, "x"));
        QString error;
        QVERIFY(!saveTscFile(notADir + QStringLiteral("/schedule.tsc"), twoZoneData(), &error));
        QVERIFY(error.startsWith(QStringLiteral("Не удалось сохранить")));
    }

    void saveIntoAReadOnlyFolder()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("schedule.tsc"));
        QVERIFY(writeFile(path, "old"));
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
        const bool canStillWrite = writeFile(dir.filePath(QStringLiteral("probe")), "x");
        if (canStillWrite) {
            QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QSKIP("the folder stays writable for this user (root)");
        }
        QString error;
        const bool saved = saveTscFile(path, twoZoneData(), &error);
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(!saved);
        QVERIFY(error.startsWith(QStringLiteral("Не удалось сохранить")));
        QCOMPARE(readFile(path), QByteArray("old"));
    }

    void coefficientZeroShowsAsOne_data()
    {
        QTest::addColumn<int>("byte");
        QTest::addColumn<int>("shown");
        QTest::newRow("0") << 0 << 1;
        QTest::newRow("1") << 1 << 1;
        QTest::newRow("200") << 200 << 200;
        QTest::newRow("255") << 255 << 255;
    }
    void coefficientZeroShowsAsOne()
    {
        QFETCH(int, byte);
        QFETCH(int, shown);
        QCOMPARE(int(coefficientFromByte(quint8(byte))), shown);
    }
};

QTEST_GUILESS_MAIN(TestScheduleFile)
#include "tst_schedulefile.moc"
