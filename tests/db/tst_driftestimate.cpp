// The clock-drift estimate shown in EditDelta and the success flag read
// back from it, without a server.

#include "db/driftestimate.h"

#include <QTest>

using namespace productiondb;

namespace {

const QLocale russian(QLocale::Russian, QLocale::Russia);
const QLocale english(QLocale::English, QLocale::UnitedStates);

QDateTime at(int day, int hour, int minute = 0, int second = 0)
{
    return QDateTime(QDate(2026, 12, day), QTime(hour, minute, second));
}

} // namespace

class TstDriftEstimate : public QObject
{
    Q_OBJECT

private slots:
    // A clock gaining at most 1 s a day or losing at most 3 s a day passes;
    // no estimate passes. The text is read in the locale it was shown in.
    void success_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("editDelta");
        QTest::addColumn<bool>("success");
        QTest::newRow("1,00") << russian << "1,00" << true;
        QTest::newRow("1,01") << russian << "1,01" << false;
        QTest::newRow("-3,00") << russian << "-3,00" << true;
        QTest::newRow("-3,01") << russian << "-3,01" << false;
        QTest::newRow("0,50") << russian << "0,50" << true;
        QTest::newRow("empty") << russian << "" << true;
        QTest::newRow("not a number") << russian << "нет" << true;
        QTest::newRow("1.00 en") << english << "1.00" << true;
        QTest::newRow("1.01 en") << english << "1.01" << false;
        QTest::newRow("-3.00 en") << english << "-3.00" << true;
        QTest::newRow("-3.01 en") << english << "-3.01" << false;
        QTest::newRow("empty en") << english << "" << true;
    }
    void success()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, editDelta);
        QFETCH(bool, success);
        QCOMPARE(driftSuccess(editDelta, locale), success);
    }

    // Fixed notation with two decimals after rounding to five significant
    // digits, in the locale's own decimal separator.
    void format_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("2.5") << russian << 2.5 << "2,50";
        QTest::newRow("-0.5") << russian << -0.5 << "-0,50";
        QTest::newRow("1/3") << russian << 1.0 / 3.0 << "0,33";
        QTest::newRow("1234.567: five digits") << russian << 1234.567 << "1234,60";
        QTest::newRow("12345.678: five digits") << russian << 12345.678 << "12346,00";
        QTest::newRow("-0.004") << russian << -0.004 << "0,00";
        QTest::newRow("2.5 en") << english << 2.5 << "2.50";
        QTest::newRow("1234.567 en: no grouping") << english << 1234.567 << "1234.60";
    }
    void format()
    {
        QFETCH(QLocale, locale);
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(formatDrift(value, locale), text);
    }

    // rate = (m - now) / (now - lastProgrammed) x 86400 s/day, the mean of
    // the connection's estimates shown.
    void estimatesAveraged()
    {
        DriftEstimate drift(russian);
        drift.setLastProgrammed(at(1, 10));
        // 10 days since, the meter 25 s ahead: 25 / 864000 x 86400 = 2.5.
        QCOMPARE(drift.ApplyDriftEstimate(at(11, 10, 0, 25), at(11, 10)), QStringLiteral("2,50"));
        // 20 days since, 70 s behind: -70 / 1728000 x 86400 = -3.5; mean
        // (2.5 - 3.5) / 2 = -0.5.
        QCOMPARE(drift.ApplyDriftEstimate(at(21, 9, 58, 50), at(21, 10)), QStringLiteral("-0,50"));
        QCOMPARE(drift.driftCount(), 2);
        QCOMPARE(drift.driftSum(), -1.0);
        QVERIFY(!driftSuccess(QStringLiteral("-3,50"), russian)); // -3.5 alone would have failed
        QVERIFY(driftSuccess(QStringLiteral("-0,50"), russian));

        // resetReadings starts again without a last programming.
        drift.reset();
        QCOMPARE(drift.ApplyDriftEstimate(at(11, 10, 0, 25), at(11, 10)), QString());
        QCOMPARE(drift.driftCount(), 0);
        QCOMPARE(drift.driftSum(), 0.0);
        // 3 days since, 1 s ahead: 1 / 259200 x 86400 = 0.333...
        drift.setLastProgrammed(at(1, 0));
        QCOMPARE(drift.ApplyDriftEstimate(at(4, 0, 0, 1), at(4, 0)), QStringLiteral("0,33"));
    }

    // No estimate without an earlier record, nor within half a day of it:
    // EditDelta stays empty and nothing is counted.
    void noEstimate_data()
    {
        QTest::addColumn<QDateTime>("lastProgrammed");
        QTest::addColumn<QDateTime>("now");
        QTest::newRow("never programmed") << QDateTime() << at(11, 10);
        QTest::newRow("11:59:59 since") << at(10, 10) << at(10, 21, 59, 59);
        QTest::newRow("exactly 12 hours since") << at(10, 10) << at(10, 22);
        QTest::newRow("programmed later than now") << at(12, 10) << at(11, 10);
    }
    void noEstimate()
    {
        QFETCH(QDateTime, lastProgrammed);
        QFETCH(QDateTime, now);
        DriftEstimate drift(russian);
        drift.setLastProgrammed(lastProgrammed);
        QCOMPARE(drift.ApplyDriftEstimate(now.addSecs(3600), now), QString());
        QCOMPARE(drift.driftCount(), 0);
        QCOMPARE(drift.driftSum(), 0.0);
    }

    // The text shown is the text judged: a mean of 1.004 shows "1,00" and
    // passes, 1.006 shows "1,01" and fails.
    void shownTextJudged()
    {
        for (const auto &[value, passes] : {std::pair{1.004, true}, std::pair{1.006, false}}) {
            const QString shown = formatDrift(value, russian);
            QCOMPARE(driftSuccess(shown, russian), passes);
        }
    }
};

QTEST_GUILESS_MAIN(TstDriftEstimate)
#include "tst_driftestimate.moc"
