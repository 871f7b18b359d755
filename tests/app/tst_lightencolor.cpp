// lightenColor: each channel raised by value × percent div 100, held to
// 0..255, alpha untouched.

#include "app/lightencolor.h"

#include <QTest>

class TestLightenColor : public QObject
{
    Q_OBJECT
private slots:
    void channels_data()
    {
        QTest::addColumn<quint32>("argb");
        QTest::addColumn<int>("percent");
        QTest::addColumn<quint32>("expected");
        // 240 + 1440 div 100 = 254: the usual button face.
        QTest::newRow("button face") << 0xFFF0F0F0u << 6 << 0xFFFEFEFEu;
        // 99 + 5, 16 + 0 (96 div 100 truncates), 0 stays 0.
        QTest::newRow("truncating division") << 0xFF631000u << 6 << 0xFF681000u;
        // 250 + 15 = 265 is held at 255; the other channels go their own way.
        QTest::newRow("held at 255") << 0xFFFAF000u << 6 << 0xFFFFFE00u;
        QTest::newRow("channels apart") << 0xFF0A6432u << 10 << 0xFF0B6E37u;
        QTest::newRow("alpha kept") << 0x80F0F0F0u << 6 << 0x80FEFEFEu;
        // A negative percent darkens: 240 − 14; −200 % would go below 0.
        QTest::newRow("darker") << 0xFFF0F0F0u << -6 << 0xFFE2E2E2u;
        QTest::newRow("held at 0") << 0xFFF0F0F0u << -200 << 0xFF000000u;
    }
    void channels()
    {
        QFETCH(quint32, argb);
        QFETCH(int, percent);
        QFETCH(quint32, expected);
        QCOMPARE(QString::number(app::lightenColor(argb, percent), 16), QString::number(expected, 16));
    }
};

QTEST_GUILESS_MAIN(TestLightenColor)
#include "tst_lightencolor.moc"
