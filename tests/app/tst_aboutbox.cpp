// The about box: memory lines, links, refresh on every show.

#include "app/About.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace app;

class TestAboutBox : public QObject
{
    Q_OBJECT
private slots:
    void memoryLines_data()
    {
        QTest::addColumn<quint64>("bytes");
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("total");
        QTest::addColumn<QString>("available");
        const QLocale ru(QLocale::Russian);
        const QLocale en(QLocale::English, QLocale::UnitedStates);
        const QString g = ru.groupSeparator();
        QTest::newRow("2 GiB, Russian") << quint64(2147483648ull) << ru
                                        << "Всего физической памяти: 2" + g + "097" + g + "152 KB"
                                        << "Доступно физической памяти: 2" + g + "097" + g + "152 KB";
        QTest::newRow("2 GiB, English") << quint64(2147483648ull) << en << "Всего физической памяти: 2,097,152 KB"
                                        << "Доступно физической памяти: 2,097,152 KB";
        QTest::newRow("511 bytes") << quint64(511) << en << "Всего физической памяти: 0 KB"
                                   << "Доступно физической памяти: 0 KB";
        QTest::newRow("512 bytes round up") << quint64(512) << en << "Всего физической памяти: 1 KB"
                                            << "Доступно физической памяти: 1 KB";
    }
    void memoryLines()
    {
        QFETCH(quint64, bytes);
        QFETCH(QLocale, locale);
        QFETCH(QString, total);
        QFETCH(QString, available);
        QCOMPARE(totalMemoryLine(bytes, locale), total);
        QCOMPARE(availableMemoryLine(bytes, locale), available);
    }

    void thisMachinesMemory()
    {
        const auto m = physicalMemory();
        QVERIFY(m);
        QVERIFY(m->totalBytes > 0);
        QVERIFY(m->availableBytes <= m->totalBytes);
    }

    void layoutAndLinks()
    {
        TAboutBox box;
        QList<QUrl> opened;
        box.openUrl = [&](const QUrl &u) { opened << u; };
        QCOMPARE(box.windowTitle(), QStringLiteral("О программе"));
        QCOMPARE(box.size(), QSize(394, 281));
        QStringList texts;
        for (auto *l : box.findChildren<QLabel *>())
            texts << l->text();
        for (const char *t : {"8-и тарифный однофазный эл. счетчик", "Программирование Tarvik 504", "Версия 1.2",
                              "Web-страница:", "E-mail:", "Телефоны:"})
            QVERIFY2(texts.contains(QString::fromUtf8(t)), t);
        auto *web = box.findChild<QLabel *>("LabelWeb");
        auto *mail = box.findChild<QLabel *>("LabelMail");
        QTest::mouseClick(web, Qt::LeftButton);
        QTest::mouseClick(mail, Qt::LeftButton);
        QCOMPARE(opened, QList<QUrl>({QUrl("http://" + web->text()), QUrl("mailto:" + mail->text())}));
        QVERIFY(box.findChild<QPushButton *>("ButtonOk")->isDefault());
    }

    void refreshedOnEveryShow()
    {
        TAboutBox box;
        quint64 total = 2147483648ull;
        box.memoryStatus = [&] { return std::optional<MemoryStatus>({total, 100}); };
        auto *label = box.findChild<QLabel *>("LabelTotalMemory");
        box.show();
        const QString first = label->text();
        QVERIFY(first.endsWith(" KB"));
        box.hide();
        total = 1024 * 1024;
        box.show();
        QCOMPARE(label->text(), totalMemoryLine(total));
        QVERIFY(label->text() != first);
        QCOMPARE(box.findChild<QLabel *>("LabelAvailMemory")->text(), QStringLiteral("Доступно физической памяти: 0 KB"));
        QDir().mkpath(QStringLiteral(TARVIK_SCREENSHOT_DIR));
        QVERIFY(box.grab().save(QStringLiteral(TARVIK_SCREENSHOT_DIR "/AboutBox.png")));
    }
};

QTEST_MAIN(TestAboutBox)
#include "tst_aboutbox.moc"
