// The day-transfer list: insertion in date order, the picker's clamp to
// today, TransferBlock both ways, the meter's transfer replies and the
// 16-row limit. Dates are values: no locale is involved anywhere.

#include "schedule/transfers.h"

#include <QLocale>
#include <QTest>

using namespace schedule;

Q_DECLARE_METATYPE(QList<schedule::Transfer>)

namespace {

const QByteArray kEmptySlots(60, '\0');

TransferList fullList()
{
    TransferList list;
    for (int day = 1; day <= 16; ++day)
        list.insert(QDate(2030, 1, day), 1);
    return list;
}

} // namespace

class TestTransfers : public QObject
{
    Q_OBJECT
private slots:
    void dayTypeNames()
    {
        QCOMPARE(transferDayTypeNames().size(), 8);
        QCOMPARE(transferDayTypeName(1), QStringLiteral("понедельник"));
        QCOMPARE(transferDayTypeName(7), QStringLiteral("воскресенье"));
        QCOMPARE(transferDayTypeName(8), QStringLiteral("праздник"));
        QCOMPARE(transferDayTypeName(9), QString());
    }

    void clamp_data()
    {
        QTest::addColumn<QDate>("picked");
        QTest::addColumn<QDate>("shown");
        const QDate today(2026, 12, 10);
        QTest::newRow("yesterday becomes today") << today.addDays(-1) << today;
        QTest::newRow("last year becomes today") << QDate(2025, 12, 31) << today;
        QTest::newRow("today stays") << today << today;
        QTest::newRow("tomorrow stays") << today.addDays(1) << today.addDays(1);
    }
    void clamp()
    {
        QFETCH(QDate, picked);
        QFETCH(QDate, shown);
        QCOMPARE(clampToToday(picked, QDate(2026, 12, 10)), shown);
    }

    // After every earlier row; an equal date goes before the existing one.
    void insertOrder()
    {
        TransferList list;
        QCOMPARE(list.insert(QDate(2030, 3, 7), 8), 0);
        QCOMPARE(list.insert(QDate(2031, 1, 1), 1), 1);
        QCOMPARE(list.insert(QDate(2029, 5, 1), 6), 0);
        QCOMPARE(list.insert(QDate(2030, 3, 7), 2), 1);
        QCOMPARE(list.rows(), (QList<Transfer>{{QDate(2029, 5, 1), 6},
                                               {QDate(2030, 3, 7), 2},
                                               {QDate(2030, 3, 7), 8},
                                               {QDate(2031, 1, 1), 1}}));
    }

    void insertRefused_data()
    {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<int>("dayType");
        QTest::newRow("1999") << QDate(1999, 12, 31) << 1;
        QTest::newRow("2100") << QDate(2100, 1, 1) << 1;
        QTest::newRow("no date") << QDate() << 1;
        QTest::newRow("day type 0") << QDate(2030, 1, 1) << 0;
        QTest::newRow("day type 9") << QDate(2030, 1, 1) << 9;
    }
    void insertRefused()
    {
        QFETCH(QDate, date);
        QFETCH(int, dayType);
        TransferList list;
        QCOMPARE(list.insert(date, dayType), -1);
        QCOMPARE(list.size(), 0);
    }

    void removeRows()
    {
        TransferList list;
        list.insert(QDate(2030, 1, 1), 1);
        list.insert(QDate(2030, 1, 2), 2);
        list.insert(QDate(2030, 1, 3), 3);
        list.removeRows({2, 0, 0});
        QCOMPARE(list.rows(), (QList<Transfer>{{QDate(2030, 1, 2), 2}}));
    }

    // The block is the same whatever locale the program runs in: the rows
    // hold dates, not display text (US: month first, two-digit year).
    void blockIgnoresTheLocale_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::newRow("Russian") << QLocale(QLocale::Russian, QLocale::Russia);
        QTest::newRow("English US") << QLocale(QLocale::English, QLocale::UnitedStates);
        QTest::newRow("C") << QLocale::c();
        QTest::newRow("system") << QLocale::system(); // run once more under LC_ALL=en_US.UTF-8
    }
    void blockIgnoresTheLocale()
    {
        QFETCH(QLocale, locale);
        const QLocale saved;
        QLocale::setDefault(locale);
        TransferList list;
        list.insert(QDate(2030, 3, 7), 8);
        const QByteArray block = list.GetTransferBlock();
        QLocale::setDefault(saved);
        QCOMPARE(block, QByteArray::fromHex("07033008") + kEmptySlots);
    }

    void emptyListBlock()
    {
        QCOMPARE(TransferList().GetTransferBlock(), QByteArray(64, '\0'));
    }

    void setBlock_data()
    {
        QTest::addColumn<QByteArray>("slot");
        QTest::addColumn<QList<Transfer>>("rows");
        QTest::newRow("7 March 2030, holiday") << QByteArray::fromHex("07033008")
                                               << QList<Transfer>{{QDate(2030, 3, 7), 8}};
        QTest::newRow("1 January 2000, year byte 0") << QByteArray::fromHex("01010001")
                                                     << QList<Transfer>{{QDate(2000, 1, 1), 1}};
        QTest::newRow("31 December 2099") << QByteArray::fromHex("31129907")
                                          << QList<Transfer>{{QDate(2099, 12, 31), 7}};
        QTest::newRow("29 February 2024") << QByteArray::fromHex("29022403")
                                          << QList<Transfer>{{QDate(2024, 2, 29), 3}};
        QTest::newRow("29 February 2023 skipped") << QByteArray::fromHex("29022303") << QList<Transfer>{};
        QTest::newRow("31 April skipped") << QByteArray::fromHex("31043001") << QList<Transfer>{};
        QTest::newRow("day 00 skipped") << QByteArray::fromHex("00033008") << QList<Transfer>{};
        QTest::newRow("month 13 skipped") << QByteArray::fromHex("01133008") << QList<Transfer>{};
        QTest::newRow("year not BCD skipped") << QByteArray::fromHex("0103A008") << QList<Transfer>{};
        QTest::newRow("day type 0 skipped") << QByteArray::fromHex("07033000") << QList<Transfer>{};
        QTest::newRow("day type 9 skipped") << QByteArray::fromHex("07033009") << QList<Transfer>{};
    }
    void setBlock()
    {
        QFETCH(QByteArray, slot);
        QFETCH(QList<Transfer>, rows);
        TransferList list = fullList();
        QVERIFY(list.SetTransferBlock(slot + kEmptySlots));
        QCOMPARE(list.rows(), rows);
        QCOMPARE(list.canAdd(), true);
        if (!rows.isEmpty())
            QCOMPARE(list.GetTransferBlock(), slot + kEmptySlots);
    }

    // A skipped slot leaves no gap; slot order is kept, not date order.
    void setBlockKeepsSlotOrder()
    {
        TransferList list;
        QVERIFY(list.SetTransferBlock(QByteArray::fromHex("010130010000000002022902") + QByteArray(52, '\0')));
        QCOMPARE(list.rows(), (QList<Transfer>{{QDate(2030, 1, 1), 1}, {QDate(2029, 2, 2), 2}}));
    }

    void setBlockOfOtherLengthChangesNothing()
    {
        TransferList list;
        list.insert(QDate(2030, 3, 7), 8);
        QVERIFY(!list.SetTransferBlock(QByteArray(63, '\0')));
        QVERIFY(!list.SetTransferBlock(QByteArray(65, '\0')));
        QCOMPARE(list.rows(), (QList<Transfer>{{QDate(2030, 3, 7), 8}}));
    }

    void sixteenRowsFromEverySource()
    {
        TransferList list = fullList();
        QVERIFY(!list.canAdd());
        QCOMPARE(list.insert(QDate(2031, 1, 1), 1), -1);
        QVERIFY(!list.takeReply(7, QByteArray::fromHex("0001013101")));
        QCOMPARE(list.size(), 16);

        TransferList fromReplies;
        for (int i = 0; i < 17; ++i)
            fromReplies.takeReply(7, QByteArray::fromHex("0001013101"));
        QCOMPARE(fromReplies.size(), 16);
        QVERIFY(!fromReplies.canAdd());

        TransferList fromBlock;
        QVERIFY(fromBlock.SetTransferBlock(QByteArray::fromHex("01013101").repeated(16)));
        QCOMPARE(fromBlock.size(), 16);
        QVERIFY(!fromBlock.canAdd());
    }

    // Reply to 28: L, then slot, day, month, year - 2000, day type.
    void reply_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QList<Transfer>>("rows");
        QTest::newRow("7 March 2030, holiday") << 7 << QByteArray::fromHex("0307033008")
                                               << QList<Transfer>{{QDate(2030, 3, 7), 8}};
        QTest::newRow("1 January 2000") << 7 << QByteArray::fromHex("0001010001")
                                        << QList<Transfer>{{QDate(2000, 1, 1), 1}};
        QTest::newRow("30 February") << 7 << QByteArray::fromHex("0030023001") << QList<Transfer>{};
        QTest::newRow("day type 9") << 7 << QByteArray::fromHex("0007033009") << QList<Transfer>{};
        QTest::newRow("L = 3, empty slot") << 3 << QByteArray::fromHex("00") << QList<Transfer>{};
        QTest::newRow("L = 8") << 8 << QByteArray::fromHex("030703300800") << QList<Transfer>{};
        QTest::newRow("L = 7 but payload cut short") << 7 << QByteArray::fromHex("00070330") << QList<Transfer>{};
    }
    void reply()
    {
        QFETCH(int, length);
        QFETCH(QByteArray, payload);
        QFETCH(QList<Transfer>, rows);
        TransferList list;
        QCOMPARE(list.takeReply(quint8(length), payload), !rows.isEmpty());
        QCOMPARE(list.rows(), rows);
    }
};

QTEST_GUILESS_MAIN(TestTransfers)
#include "tst_transfers.moc"
