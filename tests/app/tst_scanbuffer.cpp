// The barcode scanner's text gathered into codes: arrivals in pieces, the
// CR LF ending, several codes at once, the number's range, and a scanner
// that never ends its text.

#include "app/scanbuffer.h"

#include <QTest>

using app::ScanBuffer;

namespace {

using Chunks = QList<QByteArray>;

QList<int> feed(ScanBuffer &buffer, const Chunks &chunks)
{
    QList<int> numbers;
    for (const QByteArray &chunk : chunks)
        if (const auto number = buffer.append(chunk))
            numbers << *number;
    return numbers;
}

} // namespace

class TestScanBuffer : public QObject
{
    Q_OBJECT
private slots:
    void codes_data()
    {
        QTest::addColumn<Chunks>("chunks");
        QTest::addColumn<QList<int>>("numbers");
        QTest::addColumn<QByteArray>("left");

        QTest::newRow("CR LF at once") << Chunks{"123456\r\n"} << QList<int>{123456} << QByteArray("\n");
        QTest::newRow("LF alone later, removed with the next code")
            << Chunks{"123456\r", "\n", "654321\r"} << QList<int>{123456, 654321} << QByteArray();
        QTest::newRow("split over arrivals") << Chunks{"12", "34", "5", "6\r"} << QList<int>{123456} << QByteArray();
        QTest::newRow("no CR yet") << Chunks{"123", "456"} << QList<int>{} << QByteArray("123456");
        QTest::newRow("two codes in one arrival") << Chunks{"111111\r222222\r"} << QList<int>{0} << QByteArray();
        QTest::newRow("the next code begun after the CR")
            << Chunks{"123456\r78", "9012\r"} << QList<int>{123456, 789012} << QByteArray();
        QTest::newRow("surrounding spaces and controls")
            << Chunks{QByteArray(" \t\0\n 123456 \x1f\r", 14)} << QList<int>{123456} << QByteArray();
        QTest::newRow("largest serial") << Chunks{"16777215\r"} << QList<int>{16777215} << QByteArray();
        QTest::newRow("beyond three bytes") << Chunks{"16777216\r"} << QList<int>{16777215} << QByteArray();
        QTest::newRow("largest 32-bit") << Chunks{"2147483647\r"} << QList<int>{16777215} << QByteArray();
        QTest::newRow("no 32-bit integer") << Chunks{"2147483648\r"} << QList<int>{0} << QByteArray();
        QTest::newRow("longer code") << Chunks{"123456789012\r"} << QList<int>{0} << QByteArray();
        QTest::newRow("letters") << Chunks{"12A456\r"} << QList<int>{0} << QByteArray();
        QTest::newRow("sign") << Chunks{"+123\r"} << QList<int>{0} << QByteArray();
        QTest::newRow("minus") << Chunks{"-123\r"} << QList<int>{0} << QByteArray();
        QTest::newRow("hex") << Chunks{"0x1F\r"} << QList<int>{0} << QByteArray();
        QTest::newRow("space inside") << Chunks{"123 456\r"} << QList<int>{0} << QByteArray();
        QTest::newRow("empty code") << Chunks{"\r"} << QList<int>{0} << QByteArray();
        QTest::newRow("leading zeros") << Chunks{"000042\r"} << QList<int>{42} << QByteArray();
        QTest::newRow("Cyrillic byte") << Chunks{"12\xc0\r"} << QList<int>{0} << QByteArray();
    }
    void codes()
    {
        QFETCH(Chunks, chunks);
        QFETCH(QList<int>, numbers);
        QFETCH(QByteArray, left);
        ScanBuffer buffer;
        QCOMPARE(feed(buffer, chunks), numbers);
        QCOMPARE(buffer.pending(), left);
    }

    // A scanner that never sends a CR: the buffer stays bounded, and the
    // code after the text's CR is read as usual.
    void neverEnded_data()
    {
        QTest::addColumn<QByteArray>("filler");
        QTest::addColumn<bool>("readAsCut");
        QTest::addColumn<int>("cutNumber");
        QTest::newRow("digits") << QByteArray("1234567890") << true << 0;
        QTest::newRow("line feeds only") << QByteArray("\n\n\n\n") << false << 123456;
    }
    void neverEnded()
    {
        QFETCH(QByteArray, filler);
        QFETCH(bool, readAsCut);
        QFETCH(int, cutNumber);
        ScanBuffer buffer;
        const QByteArray chunk = filler.repeated(4096 / filler.size());
        for (qsizetype fed = 0; fed < 10 * 1024 * 1024; fed += chunk.size()) {
            QVERIFY(!buffer.append(chunk));
            QVERIFY(buffer.pending().size() <= ScanBuffer::kCapacity);
        }
        QCOMPARE(buffer.isCut(), readAsCut);
        // The code typed after the rubbish belongs to the same text.
        QCOMPARE(feed(buffer, {"123456\r"}), QList<int>{cutNumber});
        QCOMPARE(feed(buffer, {"654321\r"}), QList<int>{654321});
    }

    // One arrival far beyond the bound, its CR at the end.
    void oneHugeArrival()
    {
        ScanBuffer buffer;
        QByteArray huge(10 * 1024 * 1024, '7');
        huge += "\r123";
        QCOMPARE(feed(buffer, {huge}), QList<int>{0});
        QCOMPARE(buffer.pending(), QByteArray("123"));
        QCOMPARE(feed(buffer, {"456\r"}), QList<int>{123456});
    }

    // Keeping the newest characters must not make a number of a text that
    // was none: "5", 300 spaces, "123" is no number, nor is what is left of it.
    void cutTextIsNoNumber()
    {
        ScanBuffer buffer;
        QCOMPARE(feed(buffer, {"5", QByteArray(300, ' '), "123\r"}), QList<int>{0});
        QCOMPARE(feed(buffer, {QByteArray(300, ' '), "123\r"}), QList<int>{123});
    }
};

QTEST_APPLESS_MAIN(TestScanBuffer)
#include "tst_scanbuffer.moc"
