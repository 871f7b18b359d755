// The barcode scanner in the real main window, on pseudo-terminals: the
// wake-up byte at start-up, a scanned number in SpinEdit_Number with the
// new address following it, the switch, a port chosen in ComboScaner (also
// with the switch off, and one that cannot be opened), the port saved by
// name at close, and no scanner outside database mode.

#include "app/barcodescanner.h"
#include "app/main.h"
#include "../support/ptypair.h"
#include "workplace.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QTest>

using namespace app;
using app::testing::child;
using app::testing::Workplace;
using testsupport::PtyPair;

namespace {

struct ScannerWindow
{
    Workplace place;
    std::unique_ptr<TFormMain> window;

    ScannerWindow(bool databaseMode, const QString &scanner, bool scan)
    {
        if (databaseMode)
            place.markDatabaseMode();
        place.store("ScanerName", scanner);
        place.store("Scan", scan ? 1 : 0);
        window = std::make_unique<TFormMain>(place.options());
    }
    template<typename T> T *get(const char *name) const { return child<T>(*window, name); }
    int number() const { return get<QSpinBox>("SpinEdit_Number")->value(); }
    int newAddress() const { return get<QSpinBox>("SpinNewAddr")->value(); }
    // The operator types a port into ComboScaner and presses Enter.
    void typeScannerPort(const QString &path) const
    {
        QLineEdit *edit = get<QComboBox>("ComboScaner")->lineEdit();
        edit->clear();
        QTest::keyClicks(edit, path);
        QTest::keyClick(edit, Qt::Key_Return);
    }
};

// What reached the scanner's side after a while.
QByteArray sentToScanner(PtyPair &pty)
{
    QTest::qWait(100);
    return pty.readAll();
}

} // namespace

class TestScannerWindow : public QObject
{
    Q_OBJECT
private slots:
    void wakeUpByte_data()
    {
        QTest::addColumn<bool>("databaseMode");
        QTest::addColumn<bool>("scan");
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("database mode, switch on") << true << true << QByteArray(1, '\0');
        QTest::newRow("database mode, switch off") << true << false << QByteArray();
        QTest::newRow("switch on outside database mode") << false << true << QByteArray();
    }
    void wakeUpByte()
    {
        QFETCH(bool, databaseMode);
        QFETCH(bool, scan);
        QFETCH(QByteArray, sent);
        PtyPair pty;
        QVERIFY(pty.isValid());
        ScannerWindow w(databaseMode, pty.slavePath(), scan);
        QCOMPARE(sentToScanner(pty), sent);
        QCOMPARE(w.window->scanner() != nullptr, databaseMode);
        QCOMPARE(w.get<QCheckBox>("CheckScaner")->isChecked(), scan);
    }

    // In database mode with "Параметры связи" ticked the last two digits
    // become the new address.
    void scannedNumberSetsTheField()
    {
        PtyPair pty;
        ScannerWindow w(true, pty.slavePath(), true);
        QVERIFY(w.get<QCheckBox>("CheckAddr")->isChecked());
        QVERIFY(pty.write("123456\r\n"));
        QTRY_COMPARE(w.number(), 123456);
        QCOMPARE(w.newAddress(), 56);
        QVERIFY(pty.write("16777216\r"));
        QTRY_COMPARE(w.number(), 16777215);
        QCOMPARE(w.newAddress(), 15);
    }

    void switchOpensAndCloses()
    {
        PtyPair pty;
        ScannerWindow w(true, pty.slavePath(), false);
        QVERIFY(!w.window->scanner()->isOpen());
        auto *check = w.get<QCheckBox>("CheckScaner");
        check->setChecked(true);
        QVERIFY(w.window->scanner()->isOpen());
        QVERIFY(sentToScanner(pty).isEmpty()); // the wake-up byte is for start-up only
        QVERIFY(pty.write("200301\r"));
        QTRY_COMPARE(w.number(), 200301);
        check->setChecked(false);
        QVERIFY(!w.window->scanner()->isOpen());
        QVERIFY(pty.write("777777\r"));
        QTest::qWait(100);
        QCOMPARE(w.number(), 200301);
    }

    void switchFailureIsSilent()
    {
        ScannerWindow w(true, "/dev/tarvik-no-such-scanner", false);
        w.get<QCheckBox>("CheckScaner")->setChecked(true);
        QTest::qWait(150);
        QVERIFY(!w.window->scanner()->isOpen());
        QVERIFY(w.place.messages.isEmpty());
    }

    // Another port: the old one closes at once, the new one opens 100 ms
    // later even with the switch off.
    void portChoiceOpensWithSwitchOff()
    {
        PtyPair first;
        PtyPair second;
        ScannerWindow w(true, first.slavePath(), false);
        w.typeScannerPort(second.slavePath());
        QCOMPARE(w.get<QComboBox>("ComboScaner")->currentData().toString(), second.slavePath());
        QTRY_VERIFY(w.window->scanner()->isOpen());
        QCOMPARE(w.window->scanner()->portName(), second.slavePath());
        QVERIFY(!w.get<QCheckBox>("CheckScaner")->isChecked());
        QVERIFY(second.write("654321\r"));
        QTRY_COMPARE(w.number(), 654321);
        QVERIFY(w.place.messages.isEmpty());

        // Back to the first: the second is closed before the wait.
        w.typeScannerPort(first.slavePath());
        QVERIFY(!w.window->scanner()->isOpen());
        QTRY_COMPARE(w.window->scanner()->portName(), first.slavePath());
        QTRY_VERIFY(w.window->scanner()->isOpen());
    }

    void portChoiceErrorShown()
    {
        PtyPair pty;
        ScannerWindow w(true, pty.slavePath(), true);
        w.typeScannerPort("/dev/tarvik-no-such-scanner");
        QTRY_COMPARE(w.place.messages.size(), 1);
        QCOMPARE(w.place.messages[0].caption, TFormMain::kTitle);
        QCOMPARE(w.place.messages[0].text, "Specified device not found (/dev/tarvik-no-such-scanner).");
        QCOMPARE(w.place.messages[0].icon, QMessageBox::Critical);
        QVERIFY(!w.window->scanner()->isOpen());
    }

    void portSavedByName()
    {
        PtyPair pty;
        PtyPair other;
        ScannerWindow w(true, pty.slavePath(), true);
        QCOMPARE(w.get<QComboBox>("ComboScaner")->currentData().toString(), pty.slavePath());
        w.typeScannerPort(other.slavePath());
        w.get<QCheckBox>("CheckScaner")->setChecked(false);
        w.window->close();
        QSettings saved(w.place.ini(), QSettings::IniFormat);
        QCOMPARE(saved.value("ScanerName").toString(), other.slavePath());
        QCOMPARE(saved.value("Scan").toInt(), 0);
    }
};

QTEST_MAIN(TestScannerWindow)
#include "tst_scannerwindow.moc"
