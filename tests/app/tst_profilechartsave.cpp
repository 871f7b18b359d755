// ChartProfile's "Сохранить": the dialog, then the chart as shown on white
// into a BMP file of the view's size; nothing when the dialog is cancelled
// or the load profile is not the sub-page shown; a warning when the file
// cannot be written.

#include "app/profilechart.h"

#include <QAction>
#include <QApplication>
#include <QBarSet>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using app::ChartProfile;

namespace {

const QColor kActiveBar(0, 64, 128);

struct Message
{
    QMessageBox::Icon icon;
    QString caption;
    QString text;
};

// A chart of a few records, 600 x 300 and shown, whose dialog answers
// `answer` and whose messages are recorded.
struct ChartFixture
{
    ChartProfile chart;
    QString answer;
    QStringList asked; // filter and default suffix of each dialog
    QList<Message> messages;

    ChartFixture()
    {
        QList<journals::ProfilePoint> points;
        for (int i = 0; i < 4; ++i)
            points.append({QDateTime(QDate(2009, 11, 5), QTime(i, 0)), {1.5, 0.5, 0.25}});
        chart.showPoints(points);
        chart.resize(600, 300);
        chart.setSaveHooks({[this](const QString &filter, const QString &suffix) {
                                asked << filter << suffix;
                                return answer;
                            },
                            [this](QMessageBox::Icon i, const QString &c, const QString &t) {
                                messages.append({i, c, t});
                            },
                            {}});
    }
    void save() { chart.saveAction()->trigger(); }
};

bool hasColour(const QImage &image, const QColor &colour)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == colour)
                return true;
    return false;
}

} // namespace

class TestProfileChartSave : public QObject
{
    Q_OBJECT
private slots:
    void savesTheChartAsBmp()
    {
        QTemporaryDir dir;
        ChartFixture f;
        f.answer = dir.filePath("profile.bmp");
        f.chart.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.chart));
        QVERIFY(f.chart.saveAction()->isEnabled());
        f.save();
        QCOMPARE(f.asked, QStringList({"Bitmaps (*.bmp)", "bmp"}));
        QVERIFY(f.messages.isEmpty());

        QFile file(f.answer);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.read(2), QByteArray("BM"));
        file.close();
        const QImage image(f.answer, "BMP");
        QCOMPARE(image.size(), QSize(600, 300));
        for (const QPoint corner : {QPoint(0, 0), QPoint(599, 0), QPoint(0, 299), QPoint(599, 299)})
            QCOMPARE(image.pixelColor(corner), QColor(Qt::white));
        QVERIFY(hasColour(image, kActiveBar));
    }

    // The dialog is shown in every case; nothing is written after it.
    void writesNothing_data()
    {
        QTest::addColumn<bool>("answered");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<bool>("profileShown"); // the owner's word
        QTest::newRow("cancelled") << false << true << true;
        QTest::newRow("chart not visible") << true << false << true;
        QTest::newRow("another sub-page") << true << true << false;
    }
    void writesNothing()
    {
        QFETCH(bool, answered);
        QFETCH(bool, shown);
        QFETCH(bool, profileShown);
        QTemporaryDir dir;
        ChartFixture f;
        f.answer = answered ? dir.filePath("profile.bmp") : QString();
        if (!profileShown) {
            app::ChartSaveHooks hooks;
            hooks.saveFileName = [&f](const QString &, const QString &) { return f.answer; };
            hooks.profileShown = [] { return false; };
            f.chart.setSaveHooks(hooks);
        }
        if (shown) {
            f.chart.show();
            QVERIFY(QTest::qWaitForWindowExposed(&f.chart));
        }
        f.save();
        QVERIFY(f.messages.isEmpty());
        QVERIFY(QDir(dir.path()).isEmpty());
    }

    void unwritableFileWarns()
    {
        QTemporaryDir dir;
        QFile plain(dir.filePath("plain"));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        ChartFixture f;
        f.answer = dir.filePath("plain/profile.bmp");
        f.chart.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.chart));
        f.save();
        QCOMPARE(f.messages.size(), 1);
        QCOMPARE(f.messages[0].icon, QMessageBox::Warning);
        QCOMPARE(f.messages[0].caption, QStringLiteral("Ошибка"));
        QVERIFY2(f.messages[0].text.contains(f.answer), qPrintable(f.messages[0].text));
        QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList({"plain"}));
    }
};

QTEST_MAIN(TestProfileChartSave)
#include "tst_profilechartsave.moc"
