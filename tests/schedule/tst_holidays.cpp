// The holiday list: the operator's insertion rule, the 16-row limit from
// every source, HolidayBlock both ways and the meter's holiday replies.

#include "schedule/holidays.h"

#include <QTest>

using namespace schedule;

namespace {

// 1, 2, 3, 4, 5 and 7 January, 23 February, 8 March, 1 and 9 May, 12 June,
// 4 November, then eight empty bytes.
const QByteArray kDefaultBlock = QByteArray::fromHex("0101020103010401050107012302080301050905120604110000000000000000");

HolidayList listOf(const QList<Holiday> &rows)
{
    HolidayList list;
    for (const Holiday &h : rows)
        list.insert(h.month, h.day);
    return list;
}

// Sixteen different holidays: the 1st..16th of January.
HolidayList fullList()
{
    HolidayList list;
    for (int day = 1; day <= 16; ++day)
        list.insert(1, day);
    return list;
}

} // namespace

Q_DECLARE_METATYPE(QList<schedule::Holiday>)

class TestHolidays : public QObject
{
    Q_OBJECT
private slots:
    void monthNames()
    {
        QCOMPARE(holidayMonthNames().size(), 12);
        QCOMPARE(holidayMonthName(1), QStringLiteral("январь"));
        QCOMPARE(holidayMonthName(3), QStringLiteral("март"));
        QCOMPARE(holidayMonthName(12), QStringLiteral("декабрь"));
        QCOMPARE(holidayMonthName(0), QString());
        QCOMPARE(holidayMonthName(13), QString());
    }

    // Rows stay ordered by month, then day; a date already there goes in
    // again, before the existing row.
    void insertOrder_data()
    {
        QTest::addColumn<QList<Holiday>>("added");
        QTest::addColumn<QList<Holiday>>("rows");
        QTest::addColumn<int>("lastIndex");
        QTest::newRow("8 March, 1 January, 8 March") << QList<Holiday>{{3, 8}, {1, 1}, {3, 8}}
                                                     << QList<Holiday>{{1, 1}, {3, 8}, {3, 8}} << 1;
        QTest::newRow("same month, earlier day first") << QList<Holiday>{{5, 9}, {5, 1}}
                                                       << QList<Holiday>{{5, 1}, {5, 9}} << 0;
        QTest::newRow("later month appended") << QList<Holiday>{{2, 23}, {1, 31}, {11, 4}}
                                              << QList<Holiday>{{1, 31}, {2, 23}, {11, 4}} << 2;
        QTest::newRow("day 9 before day 12 of the same month") << QList<Holiday>{{6, 12}, {6, 9}}
                                                               << QList<Holiday>{{6, 9}, {6, 12}} << 0;
    }
    void insertOrder()
    {
        QFETCH(QList<Holiday>, added);
        QFETCH(QList<Holiday>, rows);
        QFETCH(int, lastIndex);
        HolidayList list = listOf(added.mid(0, added.size() - 1));
        QCOMPARE(list.insert(added.last().month, added.last().day), lastIndex);
        QCOMPARE(list.rows(), rows);
    }

    void insertRefusesNoDate()
    {
        HolidayList list;
        QCOMPARE(list.insert(0, 1), -1);
        QCOMPARE(list.insert(13, 1), -1);
        QCOMPARE(list.insert(1, 0), -1);
        QCOMPARE(list.insert(1, 32), -1);
        QCOMPARE(list.size(), 0);
    }

    void removeRows()
    {
        HolidayList list = listOf({{1, 1}, {2, 23}, {3, 8}, {5, 1}});
        list.removeRows({0, 2, 9, -1});
        QCOMPARE(list.rows(), (QList<Holiday>{{2, 23}, {5, 1}}));
    }

    // Whatever the source, a 17th row is refused and "Добавить" is off.
    void sixteenRowsFromTheOperator()
    {
        HolidayList list = fullList();
        QCOMPARE(list.size(), 16);
        QVERIFY(!list.canAdd());
        QCOMPARE(list.insert(12, 31), -1);
        QCOMPARE(list.size(), 16);
        list.removeRows({3});
        QVERIFY(list.canAdd());
    }
    void sixteenRowsFromReplies()
    {
        HolidayList list;
        for (int i = 0; i < 16; ++i)
            QVERIFY(list.takeReply(5, QByteArray::fromHex("001201")));
        QVERIFY(!list.canAdd());
        QVERIFY(!list.takeReply(5, QByteArray::fromHex("100301")));
        QCOMPARE(list.size(), 16);
    }
    void sixteenRowsFromABlock()
    {
        HolidayList list;
        QVERIFY(list.SetHolidayBlock(QByteArray::fromHex("0101").repeated(16)));
        QCOMPARE(list.size(), 16);
        QVERIFY(!list.canAdd());
    }

    // "Праздники по умолчанию" replaces even a full list.
    void defaultsReplaceAFullList()
    {
        HolidayList list = fullList();
        list.setDefaults();
        QCOMPARE(list.size(), 12);
        QVERIFY(list.canAdd());
        QCOMPARE(list.GetHolidayBlock(), kDefaultBlock);
    }

    void emptyListBlock()
    {
        QCOMPARE(HolidayList().GetHolidayBlock(), QByteArray(32, '\0'));
    }

    void setBlock_data()
    {
        QTest::addColumn<QByteArray>("block");
        QTest::addColumn<QList<Holiday>>("rows");
        const QByteArray rest = QByteArray(28, '\0');
        QTest::newRow("default block") << kDefaultBlock
                                       << QList<Holiday>{{1, 1}, {1, 2}, {1, 3}, {1, 4}, {1, 5}, {1, 7},
                                                         {2, 23}, {3, 8}, {5, 1}, {5, 9}, {6, 12}, {11, 4}};
        QTest::newRow("slot order kept") << QByteArray::fromHex("0803010131120101") + QByteArray(24, '\0')
                                         << QList<Holiday>{{3, 8}, {1, 1}, {12, 31}, {1, 1}};
        QTest::newRow("day 00 skipped") << QByteArray::fromHex("00030401") + rest << QList<Holiday>{{1, 4}};
        QTest::newRow("month 13 skipped") << QByteArray::fromHex("08130401") + rest << QList<Holiday>{{1, 4}};
        QTest::newRow("month 00 skipped") << QByteArray::fromHex("08000401") + rest << QList<Holiday>{{1, 4}};
        QTest::newRow("day 32 skipped") << QByteArray::fromHex("32010401") + rest << QList<Holiday>{{1, 4}};
        QTest::newRow("day not BCD skipped") << QByteArray::fromHex("1A010401") + rest << QList<Holiday>{{1, 4}};
        QTest::newRow("month not BCD skipped") << QByteArray::fromHex("010A0401") + rest << QList<Holiday>{{1, 4}};
        QTest::newRow("all empty") << QByteArray(32, '\0') << QList<Holiday>{};
    }
    void setBlock()
    {
        QFETCH(QByteArray, block);
        QFETCH(QList<Holiday>, rows);
        HolidayList list = fullList();
        QVERIFY(list.SetHolidayBlock(block));
        QCOMPARE(list.rows(), rows);
        QCOMPARE(list.canAdd(), rows.size() < 16);
    }

    void setBlockOfOtherLengthChangesNothing_data()
    {
        QTest::addColumn<int>("length");
        QTest::newRow("31") << 31;
        QTest::newRow("33") << 33;
        QTest::newRow("0") << 0;
    }
    void setBlockOfOtherLengthChangesNothing()
    {
        QFETCH(int, length);
        HolidayList list;
        list.setDefaults();
        QVERIFY(!list.SetHolidayBlock(QByteArray::fromHex("0101").repeated(17).left(length)));
        QCOMPARE(list.GetHolidayBlock(), kDefaultBlock);
    }

    // Reply to 26: L, then slot, day, month.
    void reply_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QList<Holiday>>("rows");
        QTest::newRow("23 February") << 5 << QByteArray::fromHex("052302") << QList<Holiday>{{2, 23}};
        QTest::newRow("L = 3, empty slot") << 3 << QByteArray::fromHex("05") << QList<Holiday>{};
        QTest::newRow("L = 6") << 6 << QByteArray::fromHex("05230200") << QList<Holiday>{};
        QTest::newRow("month 13") << 5 << QByteArray::fromHex("050113") << QList<Holiday>{};
        QTest::newRow("month 00") << 5 << QByteArray::fromHex("050100") << QList<Holiday>{};
        QTest::newRow("day 00") << 5 << QByteArray::fromHex("050001") << QList<Holiday>{};
        QTest::newRow("L = 5 but payload cut short") << 5 << QByteArray::fromHex("0523") << QList<Holiday>{};
    }
    void reply()
    {
        QFETCH(int, length);
        QFETCH(QByteArray, payload);
        QFETCH(QList<Holiday>, rows);
        HolidayList list;
        QCOMPARE(list.takeReply(quint8(length), payload), !rows.isEmpty());
        QCOMPARE(list.rows(), rows);
    }

    // Replies append in arrival order; they are not sorted.
    void repliesKeepArrivalOrder()
    {
        HolidayList list;
        list.takeReply(5, QByteArray::fromHex("000803"));
        list.takeReply(5, QByteArray::fromHex("010101"));
        QCOMPARE(list.rows(), (QList<Holiday>{{3, 8}, {1, 1}}));
    }
};

QTEST_GUILESS_MAIN(TestHolidays)
#include "tst_holidays.moc"
