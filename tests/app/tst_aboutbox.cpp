// The about box: memory lines, links, refresh on every show and activation,
// placement, and a screenshot.

#include "app/About.h"
#include "iconcheck.h"
#include "protocol/encodings.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace app;

namespace {
// The lines as the box writes them, in the locale it shows figures in.
QString total(quint64 bytes) { return totalMemoryLine(bytes, protocol::displayLocale()); }
QString available(quint64 bytes) { return availableMemoryLine(bytes, protocol::displayLocale()); }

QLabel *labelNamed(const QWidget &box, const char *name)
{
    auto *l = box.findChild<QLabel *>(QString::fromLatin1(name));
    if (!l)
        qFatal("no label %s", name);
    return l;
}
} // namespace

class TestAboutBox : public QObject
{
    Q_OBJECT
private slots:
    void memoryLines_data()
    {
        QTest::addColumn<quint64>("bytes");
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("number"); // the figure both lines show
        const QLocale ru(QLocale::Russian);
        const QLocale en(QLocale::English, QLocale::UnitedStates);
        const QString g = ru.groupSeparator();
        QTest::newRow("2 GiB, Russian groups") << quint64(2147483648ull) << ru << "2" + g + "097" + g + "152";
        QTest::newRow("2 GiB, English groups") << quint64(2147483648ull) << en << "2,097,152";
        QTest::newRow("nothing") << quint64(0) << en << "0";
        QTest::newRow("511 bytes round to 0") << quint64(511) << en << "0";
        QTest::newRow("512 bytes round to 1") << quint64(512) << en << "1";
        QTest::newRow("1535 bytes round down") << quint64(1535) << en << "1";
        QTest::newRow("1536 bytes round up") << quint64(1536) << en << "2";
        QTest::newRow("no group below 1000") << quint64(999 * 1024) << en << "999";
        QTest::newRow("largest figure") << quint64(~0ull) << en << "18,014,398,509,481,984";
        // The C locale leaves groups out by default; the box always shows them.
        QTest::newRow("C locale groups") << quint64(2147483648ull) << QLocale::c() << "2,097,152";
    }
    void memoryLines()
    {
        QFETCH(quint64, bytes);
        QFETCH(QLocale, locale);
        QFETCH(QString, number);
        QCOMPARE(totalMemoryLine(bytes, locale), "Всего физической памяти: " + number + " KB");
        QCOMPARE(availableMemoryLine(bytes, locale), "Доступно физической памяти: " + number + " KB");
    }

#ifndef Q_OS_WIN
    void meminfo_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("known");
        QTest::addColumn<quint64>("total");
        QTest::addColumn<quint64>("available");
        QTest::newRow("usual") << QByteArray("MemTotal:       16318480 kB\nMemFree:         1022164 kB\n"
                                             "MemAvailable:    9876544 kB\nBuffers:          512000 kB\n")
                               << true << quint64(16318480) * 1024 << quint64(9876544) * 1024;
        QTest::newRow("old kernel, no MemAvailable")
            << QByteArray("MemTotal: 2048 kB\nMemFree: 1000 kB\nCached: 500 kB\n") << true << quint64(2048 * 1024)
            << quint64(1000 * 1024);
        QTest::newRow("available above total") << QByteArray("MemAvailable: 4096 kB\nMemTotal: 2048 kB\n") << true
                                               << quint64(2048 * 1024) << quint64(2048 * 1024);
        QTest::newRow("no MemTotal") << QByteArray("MemFree: 1000 kB\n") << false << quint64(0) << quint64(0);
        QTest::newRow("empty") << QByteArray() << false << quint64(0) << quint64(0);
    }
    void meminfo()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, known);
        const auto m = memoryFromMeminfo(text);
        QCOMPARE(m.has_value(), known);
        if (known) {
            QTEST(m->totalBytes, "total");
            QTEST(m->availableBytes, "available");
        }
    }
#endif

    void thisMachinesMemory()
    {
        const auto m = physicalMemory();
        QVERIFY(m);
        QVERIFY(m->totalBytes >= 64ull * 1024 * 1024); // no machine that runs this has less
        QVERIFY(m->availableBytes <= m->totalBytes);
    }

    void contents()
    {
        TAboutBox box;
        QCOMPARE(box.windowTitle(), QStringLiteral("О программе"));
        QCOMPARE(box.minimumSize(), QSize(394, 281));
        QCOMPARE(box.maximumSize(), QSize(394, 281));
        QStringList texts;
        for (auto *l : box.findChildren<QLabel *>())
            texts << l->text();
        for (const char *t : {"8-и тарифный однофазный эл. счетчик", "Программирование Tarvik 504", "Версия 1.2",
                              "Web-страница:", "E-mail:", "Телефоны:"})
            QVERIFY2(texts.contains(QString::fromUtf8(t)), t);
        QVERIFY(labelNamed(box, "ProductName")->font().bold());
        QVERIFY(labelNamed(box, "ProgramName")->font().bold());
        QVERIFY(!labelNamed(box, "Copyright")->text().isEmpty());
        QVERIFY(!labelNamed(box, "LabelPhone1")->text().isEmpty());
        QVERIFY(!labelNamed(box, "LabelPhone2")->text().isEmpty());
        const QPixmap icon = labelNamed(box, "ProgramIcon")->pixmap();
        QCOMPARE(icon.deviceIndependentSize().toSize(), QSize(32, 32));
        QVERIFY2(showsMeterIcon(icon.toImage()), "the program's meter icon, not a generic one");
        QCOMPARE(labelNamed(box, "ImageLogo")->pixmap().size(), QSize(165, 93));
        auto *ok = box.findChild<QPushButton *>("ButtonOk");
        QVERIFY(ok);
        QCOMPARE(ok->text(), QStringLiteral("OK"));
        QVERIFY(ok->isDefault());
    }

    void okCloses()
    {
        TAboutBox box;
        box.show();
        QTest::mouseClick(box.findChild<QPushButton *>("ButtonOk"), Qt::LeftButton);
        QVERIFY(!box.isVisible());
        QCOMPARE(box.result(), int(QDialog::Accepted));
    }

    void linksOpenTheirCaptions()
    {
        TAboutBox box;
        QList<QUrl> opened;
        box.openUrl = [&](const QUrl &u) { opened << u; };
        auto *web = labelNamed(box, "LabelWeb");
        auto *mail = labelNamed(box, "LabelMail");
        for (QLabel *link : {web, mail}) {
            QCOMPARE(link->palette().color(QPalette::WindowText), QColor(Qt::blue));
            QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
        }
        // The captions are the targets: a changed caption opens the new address.
        web->setText(QStringLiteral("www.other.example/page"));
        mail->setText(QStringLiteral("sales@other.example"));
        QTest::mouseClick(web, Qt::LeftButton);
        QTest::mouseClick(mail, Qt::LeftButton);
        QTest::mouseClick(web, Qt::RightButton);
        QTest::mouseClick(labelNamed(box, "LabelPhone1"), Qt::LeftButton);
        QCOMPARE(opened, QList<QUrl>({QUrl(QStringLiteral("http://www.other.example/page")),
                                      QUrl(QStringLiteral("mailto:sales@other.example"))}));
    }

    void webUrl_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QUrl>("url");
        QTest::newRow("bare host") << "www.kelmora.example" << QUrl("http://www.kelmora.example");
        QTest::newRow("with http") << "http://www.kelmora.example" << QUrl("http://www.kelmora.example");
        QTest::newRow("with https") << "https://kelmora.example/x" << QUrl("https://kelmora.example/x");
    }
    void webUrl()
    {
        QFETCH(QString, caption);
        QTEST(TAboutBox::webUrl(caption), "url");
    }

    void refreshedOnEveryShowAndActivation()
    {
        TAboutBox box;
        MemoryStatus figures{2147483648ull, 1073741824ull};
        int queries = 0;
        box.memoryStatus = [&] {
            ++queries;
            return std::optional<MemoryStatus>(figures);
        };
        QCOMPARE(queries, 0);
        auto *total = labelNamed(box, "LabelTotalMemory");
        auto *available = labelNamed(box, "LabelAvailMemory");

        box.show();
        QCOMPARE(total->text(), ::total(2147483648ull));
        QCOMPARE(available->text(), ::available(1073741824ull));
        box.hide();

        figures = {4294967296ull, 100};
        box.show();
        QCOMPARE(total->text(), ::total(4294967296ull));
        QCOMPARE(available->text(), QStringLiteral("Доступно физической памяти: 0 KB"));

        // Coming back to the box from another window queries again.
        figures = {8589934592ull, 536870912ull};
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        const int before = queries;
        box.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&box));
        QVERIFY(queries > before);
        QCOMPARE(total->text(), ::total(8589934592ull));
        QCOMPARE(available->text(), ::available(536870912ull));
    }

    // Under the tests' LC_ALL=C.UTF-8 the figures take Russian digit groups
    // (a no-break space), not the C locale's commas.
    void figuresInRussianGroupsOnALocalelessSystem()
    {
        if (QLocale::system().language() != QLocale::C)
            QSKIP("the test environment sets LC_ALL=C.UTF-8; this run has another locale");
        TAboutBox box;
        box.memoryStatus = [] { return std::optional<MemoryStatus>({2147483648ull, 1073741824ull}); };
        box.show();
        QCOMPARE(labelNamed(box, "LabelTotalMemory")->text(),
                 QStringLiteral("Всего физической памяти: 2\u00A0097\u00A0152 KB"));
        QCOMPARE(labelNamed(box, "LabelAvailMemory")->text(),
                 QStringLiteral("Доступно физической памяти: 1\u00A0048\u00A0576 KB"));
    }

    void memoryUnknown()
    {
        TAboutBox box;
        box.memoryStatus = [] { return std::optional<MemoryStatus>(); };
        box.show();
        for (const char *name : {"LabelTotalMemory", "LabelAvailMemory"}) {
            const QString text = labelNamed(box, name)->text();
            QVERIFY2(!text.contains(QLatin1String("KB")), qPrintable(text)); // no made-up figure
            QVERIFY2(text.contains(QStringLiteral("нет данных")), qPrintable(text));
        }
    }

    void centredOnParent()
    {
        QWidget owner;
        owner.setGeometry(100, 120, 900, 700);
        owner.show();
        TAboutBox box(&owner);
        box.show();
        const QPoint offset = box.frameGeometry().center() - owner.frameGeometry().center();
        QVERIFY2(offset.manhattanLength() <= 2, qPrintable(QStringLiteral("%1,%2").arg(offset.x()).arg(offset.y())));
        box.hide();
        owner.move(400, 50); // the owner moved: the next show follows it
        box.show();
        const QPoint again = box.frameGeometry().center() - owner.frameGeometry().center();
        QVERIFY(again.manhattanLength() <= 2);
    }

    void screenshot()
    {
        TAboutBox box;
        box.memoryStatus = [] { return std::optional<MemoryStatus>({8ull << 30, 3ull << 29}); };
        box.show();
        QDir().mkpath(QStringLiteral(TARVIK_SCREENSHOT_DIR));
        QVERIFY(box.grab().save(QStringLiteral(TARVIK_SCREENSHOT_DIR "/about.png")));
        // Nothing is cut off: every line fits its label, the button the box.
        for (auto *l : box.findChildren<QLabel *>()) {
            if (l->text().isEmpty())
                continue;
            const QSize need(l->fontMetrics().horizontalAdvance(l->text()), l->fontMetrics().height());
            const QRect room = l->contentsRect();
            QVERIFY2(need.width() <= room.width() && need.height() <= room.height(),
                     qPrintable(QStringLiteral("%1 needs %2x%3, has %4x%5")
                                    .arg(l->objectName())
                                    .arg(need.width())
                                    .arg(need.height())
                                    .arg(room.width())
                                    .arg(room.height())));
        }
        QVERIFY(box.rect().contains(box.findChild<QPushButton *>("ButtonOk")->geometry()));
    }
};

QTEST_MAIN(TestAboutBox)
#include "tst_aboutbox.moc"
