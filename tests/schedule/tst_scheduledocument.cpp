// The whole schedule as new, load and save see it: zones, holidays,
// transfers and the limit coefficient together.

#include "schedule/scheduledocument.h"
#include "schedule/zoneentry.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace schedule;

namespace {

ZoneRecord zone(const char *time, quint8 tariff, quint8 dayMask, quint16 monthMask)
{
    ZoneRecord z;
    z.startTime = QString::fromLatin1(time);
    z.tariff = z.limitTariff = tariff;
    z.dayMask = dayMask;
    z.monthMask = monthMask;
    return z;
}

// Two zones, three holidays, one transfer, coefficient 7.
void fill(ScheduleDocument &doc)
{
    doc.model().replaceCommitted({zone("00:00", 1, 0x1F, 0x0FFF), zone("07:30", 2, 0x1F, 0x0FFF)});
    doc.holidays().clear();
    doc.holidays().insert(1, 1);
    doc.holidays().insert(3, 8);
    doc.holidays().insert(5, 9);
    doc.transfers().insert(QDate(2030, 3, 7), 8);
    doc.setLimitCoefficient(7);
}

} // namespace

class TestScheduleDocument : public QObject
{
    Q_OBJECT
private slots:
    void startsWithTheDefaultHolidays()
    {
        ScheduleDocument doc;
        QCOMPARE(doc.holidays().size(), 12);
        QCOMPARE(doc.transfers().size(), 0);
        QCOMPARE(doc.limitCoefficient(), 1);
        QVERIFY(doc.model().workingZones().isEmpty());
    }

    void saveAndLoadGiveTheSameSchedule()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("year.tsc");
        ScheduleDocument doc;
        fill(doc);
        QString error;
        QVERIFY2(doc.saveFile(path, &error), qPrintable(error));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.size(), 121); // 103 + 9 * 2

        ScheduleDocument other;
        QSignalSpy holidays(&other, &ScheduleDocument::holidaysChanged);
        int skipped = -1;
        QVERIFY2(other.loadFile(path, &error, &skipped), qPrintable(error));
        QCOMPARE(skipped, 0);
        QCOMPARE(holidays.size(), 1);
        QCOMPARE(other.model().committedZones(), doc.model().committedZones());
        QCOMPARE(other.model().workingZones(), doc.model().committedZones());
        QVERIFY(!other.model().changesPending());
        QCOMPARE(other.holidays().rows(), doc.holidays().rows());
        QCOMPARE(other.transfers().rows(), doc.transfers().rows());
        QCOMPARE(other.limitCoefficient(), 7);
    }

    void damagedFileChangesNothing()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("bad.tsc");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(102, '\0'));
        file.close();
        ScheduleDocument doc;
        fill(doc);
        const auto before = doc.exportData();
        QString error;
        QVERIFY(!doc.loadFile(path, &error));
        QVERIFY(error.startsWith(QStringLiteral("Файл тарифного расписания поврежден")));
        QCOMPARE(doc.exportData(), before);
    }

    void impossibleTimesAreSkippedAndCounted()
    {
        ScheduleDocument doc;
        fill(doc);
        ScheduleFileData data = doc.exportData();
        QByteArray bad = data.zoneEntries.first();
        bad[1] = char(0x24); // hour 24
        data.zoneEntries.append(bad);
        ScheduleDocument other;
        QCOMPARE(other.importData(data), 1);
        QCOMPARE(other.model().workingZones().size(), 2);
        QCOMPARE(skippedZonesMessage(1), QStringLiteral("Пропущено записей расписания с неверным временем: 1"));
        QVERIFY(skippedZonesMessage(0).isEmpty());
    }

    // "&Новое": no zones, the default holidays, no transfers; the coefficient stays.
    void newSchedule()
    {
        ScheduleDocument doc;
        fill(doc);
        doc.newSchedule();
        QVERIFY(doc.model().workingZones().isEmpty());
        QVERIFY(doc.model().committedZones().isEmpty());
        QCOMPARE(doc.holidays().GetHolidayBlock(),
                 QByteArray::fromHex("010102010301040105010701230208030105090512060411") + QByteArray(8, '\0'));
        QCOMPARE(doc.transfers().size(), 0);
        QCOMPARE(doc.limitCoefficient(), 7);
    }

    // Exporting commits pending edits first (SaveZones).
    void exportCommits()
    {
        ScheduleDocument doc;
        QVERIFY(doc.model().InsertTZone(zone("06:00", 3, 0, 0)));
        QVERIFY(doc.model().changesPending());
        const auto data = doc.exportData();
        QVERIFY(!doc.model().changesPending());
        QCOMPARE(data.zoneEntries.size(), 1);
        QCOMPARE(data.zoneEntries.first(), QByteArray::fromHex("22060000010100"));
    }
};

QTEST_GUILESS_MAIN(TestScheduleDocument)
#include "tst_scheduledocument.moc"
