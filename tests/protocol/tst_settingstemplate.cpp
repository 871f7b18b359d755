// Settings templates: the page's values to JSON and back, defaults for
// missing keys, refusals that name the key and change nothing, the file
// functions.

#include "protocol/settingstemplate.h"
#include "../support/testfiles.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

using protocol::SettingsValues;

namespace {

using testsupport::writeFile;

// Every control a template stores, as the page names them.
const QStringList kStoredKeys = {
    "CheckTime", "CheckShedule", "CheckAddr", "CheckIntegra", "CheckPassword", "CheckResetTariff", "CheckPult",
    "CheckPeriodProfile", "CheckQuality", "CheckSeal", "CheckSensor", "CheckTelemetry", "CheckBoxClock",
    "SpinNewAddr", "ComboNewBaud", "ComboModeW", "ComboParityW", "SpinDay", "SpinHour", "EditPassW", "SpinIntegra",
    "ComboModeDdm", "SpinPult", "SpinBreaker", "ComboProfile", "SpinMin", "ComboSec", "CheckAccountKind",
    "CheckJtvf", "SpinSensor", "EditSensor", "EditSensorCalibr"};

// A page on which every stored control differs from its default, and the
// pickers and serial number are set.
SettingsValues nonDefault()
{
    SettingsValues v;
    v.CheckTime = v.CheckShedule = v.CheckAddr = v.CheckIntegra = v.CheckPassword = v.CheckResetTariff = true;
    v.CheckPult = v.CheckPeriodProfile = v.CheckQuality = v.CheckSeal = v.CheckSensor = v.CheckTelemetry = true;
    v.CheckBoxClock = true;
    v.DatePicker = QDate(2026, 3, 14);
    v.TimePicker = QTime(9, 26, 53);
    v.datePickerEdited = v.timePickerEdited = true;
    v.SpinEdit_Number = 123456;
    v.SpinNewAddr = 56;
    v.ComboNewBaud = 5;
    v.ComboModeW = 1;
    v.ComboParityW = 2;
    v.SpinDay = 25;
    v.SpinHour = 7;
    v.EditPassW = QStringLiteral("пароль");
    v.SpinIntegra = 60;
    v.ComboModeDdm = 3;
    v.SpinPult = 16777215;
    v.SpinBreaker = 0;
    v.ComboProfile = 0;
    v.SpinMin = 1440;
    v.ComboSec = 2;
    v.CheckAccountKind = v.CheckJtvf = true;
    v.SpinSensor = 3;
    v.EditSensor = QStringLiteral("12,5");
    v.EditSensorCalibr = QStringLiteral("-1000");
    return v;
}

void compareStored(const SettingsValues &a, const SettingsValues &b)
{
    QCOMPARE(a.CheckTime, b.CheckTime);
    QCOMPARE(a.CheckShedule, b.CheckShedule);
    QCOMPARE(a.CheckAddr, b.CheckAddr);
    QCOMPARE(a.CheckIntegra, b.CheckIntegra);
    QCOMPARE(a.CheckPassword, b.CheckPassword);
    QCOMPARE(a.CheckResetTariff, b.CheckResetTariff);
    QCOMPARE(a.CheckPult, b.CheckPult);
    QCOMPARE(a.CheckPeriodProfile, b.CheckPeriodProfile);
    QCOMPARE(a.CheckQuality, b.CheckQuality);
    QCOMPARE(a.CheckSeal, b.CheckSeal);
    QCOMPARE(a.CheckSensor, b.CheckSensor);
    QCOMPARE(a.CheckTelemetry, b.CheckTelemetry);
    QCOMPARE(a.CheckBoxClock, b.CheckBoxClock);
    QCOMPARE(a.SpinNewAddr, b.SpinNewAddr);
    QCOMPARE(a.ComboNewBaud, b.ComboNewBaud);
    QCOMPARE(a.ComboModeW, b.ComboModeW);
    QCOMPARE(a.ComboParityW, b.ComboParityW);
    QCOMPARE(a.SpinDay, b.SpinDay);
    QCOMPARE(a.SpinHour, b.SpinHour);
    QCOMPARE(a.EditPassW, b.EditPassW);
    QCOMPARE(a.SpinIntegra, b.SpinIntegra);
    QCOMPARE(a.ComboModeDdm, b.ComboModeDdm);
    QCOMPARE(a.SpinPult, b.SpinPult);
    QCOMPARE(a.SpinBreaker, b.SpinBreaker);
    QCOMPARE(a.ComboProfile, b.ComboProfile);
    QCOMPARE(a.SpinMin, b.SpinMin);
    QCOMPARE(a.ComboSec, b.ComboSec);
    QCOMPARE(a.CheckAccountKind, b.CheckAccountKind);
    QCOMPARE(a.CheckJtvf, b.CheckJtvf);
    QCOMPARE(a.SpinSensor, b.SpinSensor);
    QCOMPARE(a.EditSensor, b.EditSensor);
    QCOMPARE(a.EditSensorCalibr, b.EditSensorCalibr);
}

void compareKept(const SettingsValues &a, const SettingsValues &b)
{
    QCOMPARE(a.DatePicker, b.DatePicker);
    QCOMPARE(a.TimePicker, b.TimePicker);
    QCOMPARE(a.datePickerEdited, b.datePickerEdited);
    QCOMPARE(a.timePickerEdited, b.timePickerEdited);
    QCOMPARE(a.SpinEdit_Number, b.SpinEdit_Number);
}

} // namespace

class TestSettingsTemplate : public QObject
{
    Q_OBJECT

private slots:
    void storesEveryControlByNameAndType();
    void roundTripOfANonDefaultPage();
    void missingKeysTakeThePageDefaults();
    void sensorTextsWithPointOrComma_data();
    void sensorTextsWithPointOrComma();
    void refusalsNameTheKey_data();
    void refusalsNameTheKey();
    void refusalMessageGivesTheRange();
    void fileRoundTripAndReplace();
    void unreadableFilesAreRefused();
};

void TestSettingsTemplate::storesEveryControlByNameAndType()
{
    const QJsonObject o = QJsonDocument::fromJson(protocol::settingsTemplateJson(nonDefault())).object();
    QStringList keys = o.keys();
    QStringList expected = kStoredKeys;
    keys.sort();
    expected.sort();
    QCOMPARE(keys, expected); // no pickers, no SpinEdit_Number
    QCOMPARE(o.value("CheckShedule"), QJsonValue(true));
    QCOMPARE(o.value("SpinDay"), QJsonValue(25));
    QCOMPARE(o.value("ComboNewBaud"), QJsonValue(5));
    QCOMPARE(o.value("EditPassW"), QJsonValue(QStringLiteral("пароль")));
    QCOMPARE(o.value("EditSensor"), QJsonValue(QStringLiteral("12,5")));
    // The exported table holds the same controls, each with one field.
    QCOMPARE(protocol::settingsControls().size(), std::size_t(kStoredKeys.size()));
    for (const auto &c : protocol::settingsControls())
        QCOMPARE((c.box != nullptr) + (c.number != nullptr) + (c.text != nullptr), 1);
}

void TestSettingsTemplate::roundTripOfANonDefaultPage()
{
    const SettingsValues page = nonDefault();
    const auto back = protocol::applySettingsTemplate(protocol::settingsTemplateJson(page), SettingsValues{}, nullptr);
    QVERIFY(back);
    compareStored(*back, page);
    // The pickers and serial number come from the page loaded into, not the template.
    compareKept(*back, SettingsValues{});
}

void TestSettingsTemplate::missingKeysTakeThePageDefaults()
{
    const SettingsValues current = nonDefault();
    QString error;
    const auto v = protocol::applySettingsTemplate(R"({"SpinDay": 25, "CheckShedule": true})", current, &error);
    QVERIFY2(v, qPrintable(error));
    SettingsValues expected; // every box unticked, the page's defaults
    expected.SpinDay = 25;
    expected.CheckShedule = true;
    compareStored(*v, expected);
    QCOMPARE(v->SpinNewAddr, 1);
    QCOMPARE(v->SpinBreaker, 65535);
    QCOMPARE(v->ComboProfile, 11);
    QCOMPARE(v->SpinMin, 72);
    compareKept(*v, current);

    const auto empty = protocol::applySettingsTemplate("{}", current, &error);
    QVERIFY(empty);
    QVERIFY(!empty->anyTaskTicked());
    compareStored(*empty, SettingsValues{});
}

void TestSettingsTemplate::sensorTextsWithPointOrComma_data()
{
    QTest::addColumn<QString>("reading");
    QTest::addColumn<QString>("calibration");
    QTest::newRow("comma") << "12,5" << "1000";
    QTest::newRow("point") << "12.5" << "1000";
    QTest::newRow("whole") << "7" << "-3";
    QTest::newRow("leading point") << ".25" << "+3";
    QTest::newRow("both empty") << "" << "";
}

void TestSettingsTemplate::sensorTextsWithPointOrComma()
{
    QFETCH(QString, reading);
    QFETCH(QString, calibration);
    const QJsonObject o{{"EditSensor", reading}, {"EditSensorCalibr", calibration}};
    QString error;
    const auto v = protocol::applySettingsTemplate(QJsonDocument(o).toJson(), SettingsValues{}, &error);
    QVERIFY2(v, qPrintable(error));
    QCOMPARE(v->EditSensor, reading);
    QCOMPARE(v->EditSensorCalibr, calibration);
}

void TestSettingsTemplate::refusalsNameTheKey_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("named");
    // Unknown keys, including the controls a template never stores.
    QTest::newRow("unknown key") << QByteArray(R"({"SpinDay": 2, "SpinNight": 3})") << "\"SpinNight\"";
    QTest::newRow("SpinEdit_Number") << QByteArray(R"({"SpinEdit_Number": 5})") << "\"SpinEdit_Number\"";
    QTest::newRow("DatePicker") << QByteArray(R"({"DatePicker": "2026-01-01"})") << "\"DatePicker\"";
    QTest::newRow("key case") << QByteArray(R"({"spinday": 2})") << "\"spinday\"";
    // Wrong JSON types.
    QTest::newRow("box as number") << QByteArray(R"({"CheckTime": 1})") << "\"CheckTime\"";
    QTest::newRow("box as text") << QByteArray(R"({"CheckJtvf": "true"})") << "\"CheckJtvf\"";
    QTest::newRow("spin as text") << QByteArray(R"({"SpinDay": "25"})") << "\"SpinDay\"";
    QTest::newRow("spin null") << QByteArray(R"({"SpinHour": null})") << "\"SpinHour\"";
    QTest::newRow("combo as text") << QByteArray(R"({"ComboNewBaud": "19200"})") << "\"ComboNewBaud\"";
    QTest::newRow("password as number") << QByteArray(R"({"EditPassW": 123})") << "\"EditPassW\"";
    QTest::newRow("calibration as number") << QByteArray(R"({"EditSensorCalibr": 1000})") << "\"EditSensorCalibr\"";
    // Spin ranges.
    QTest::newRow("SpinDay 0") << QByteArray(R"({"SpinDay": 0})") << "\"SpinDay\"";
    QTest::newRow("SpinDay 32") << QByteArray(R"({"SpinDay": 32})") << "\"SpinDay\"";
    QTest::newRow("SpinHour 24") << QByteArray(R"({"SpinHour": 24})") << "\"SpinHour\"";
    QTest::newRow("SpinHour 7.5") << QByteArray(R"({"SpinHour": 7.5})") << "\"SpinHour\"";
    QTest::newRow("SpinNewAddr 256") << QByteArray(R"({"SpinNewAddr": 256})") << "\"SpinNewAddr\"";
    QTest::newRow("SpinNewAddr -1") << QByteArray(R"({"SpinNewAddr": -1})") << "\"SpinNewAddr\"";
    QTest::newRow("SpinIntegra 0") << QByteArray(R"({"SpinIntegra": 0})") << "\"SpinIntegra\"";
    QTest::newRow("SpinIntegra 61") << QByteArray(R"({"SpinIntegra": 61})") << "\"SpinIntegra\"";
    QTest::newRow("SpinPult 16777216") << QByteArray(R"({"SpinPult": 16777216})") << "\"SpinPult\"";
    QTest::newRow("SpinPult 1e300") << QByteArray(R"({"SpinPult": 1e300})") << "\"SpinPult\"";
    QTest::newRow("SpinBreaker 65536") << QByteArray(R"({"SpinBreaker": 65536})") << "\"SpinBreaker\"";
    QTest::newRow("SpinMin 1441") << QByteArray(R"({"SpinMin": 1441})") << "\"SpinMin\"";
    QTest::newRow("SpinSensor 0") << QByteArray(R"({"SpinSensor": 0})") << "\"SpinSensor\"";
    QTest::newRow("SpinSensor 4") << QByteArray(R"({"SpinSensor": 4})") << "\"SpinSensor\"";
    // Combo item counts.
    QTest::newRow("ComboNewBaud 6") << QByteArray(R"({"ComboNewBaud": 6})") << "\"ComboNewBaud\"";
    QTest::newRow("ComboNewBaud -1") << QByteArray(R"({"ComboNewBaud": -1})") << "\"ComboNewBaud\"";
    QTest::newRow("ComboModeW 2") << QByteArray(R"({"ComboModeW": 2})") << "\"ComboModeW\"";
    QTest::newRow("ComboParityW 3") << QByteArray(R"({"ComboParityW": 3})") << "\"ComboParityW\"";
    QTest::newRow("ComboModeDdm 4") << QByteArray(R"({"ComboModeDdm": 4})") << "\"ComboModeDdm\"";
    QTest::newRow("ComboProfile 13") << QByteArray(R"({"ComboProfile": 13})") << "\"ComboProfile\"";
    QTest::newRow("ComboSec 3") << QByteArray(R"({"ComboSec": 3})") << "\"ComboSec\"";
    // Texts.
    QTest::newRow("password of 7") << QByteArray(R"({"EditPassW": "1234567"})") << "\"EditPassW\"";
    QTest::newRow("password without a byte") << QByteArray(R"({"EditPassW": "ab\u6f22"})") << "\"EditPassW\"";
    QTest::newRow("reading not a number") << QByteArray(R"({"EditSensor": "12 5"})") << "\"EditSensor\"";
    QTest::newRow("reading of two points") << QByteArray(R"({"EditSensor": "1.2.3"})") << "\"EditSensor\"";
    QTest::newRow("reading only a sign") << QByteArray(R"({"EditSensor": "-"})") << "\"EditSensor\"";
    QTest::newRow("calibration with point") << QByteArray(R"({"EditSensorCalibr": "10.5"})") << "\"EditSensorCalibr\"";
    QTest::newRow("calibration beyond 32 bits") << QByteArray(R"({"EditSensorCalibr": "99999999999"})")
                                                << "\"EditSensorCalibr\"";
    // Not a JSON object at all.
    QTest::newRow("array") << QByteArray("[1, 2]") << "объектом JSON";
    QTest::newRow("number") << QByteArray("42") << "объектом JSON";
    QTest::newRow("cut short") << QByteArray(R"({"SpinDay": 2)") << "объектом JSON";
    QTest::newRow("empty") << QByteArray() << "объектом JSON";
}

void TestSettingsTemplate::refusalsNameTheKey()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, named);
    const SettingsValues current = nonDefault();
    QString error;
    const auto v = protocol::applySettingsTemplate(json, current, &error);
    QVERIFY(!v);
    QVERIFY2(error.startsWith(QStringLiteral("Шаблон установок: ")), qPrintable(error));
    QVERIFY2(error.contains(named), qPrintable(error));

    // Loading the same text from a file refuses it alike.
    QTemporaryDir dir;
    const QString path = dir.filePath("t.json");
    QVERIFY(writeFile(path, json));
    QString fileError;
    QVERIFY(!protocol::loadSettingsTemplate(path, current, &fileError));
    QCOMPARE(fileError, error);
}

void TestSettingsTemplate::refusalMessageGivesTheRange()
{
    QString error;
    QVERIFY(!protocol::applySettingsTemplate(R"({"SpinDay": 40})", SettingsValues{}, &error));
    QCOMPARE(error, QStringLiteral("Шаблон установок: значение \"SpinDay\" должно быть целым числом от 1 до 31."));
    QVERIFY(!protocol::applySettingsTemplate(R"({"ComboProfile": 13})", SettingsValues{}, &error));
    QVERIFY2(error.contains(QStringLiteral("от 0 до 12")), qPrintable(error));
    QVERIFY(!protocol::applySettingsTemplate(R"({"SpinPult": -1})", SettingsValues{}, &error));
    QVERIFY2(error.contains(QStringLiteral("от 0 до 16777215")), qPrintable(error));
}

void TestSettingsTemplate::fileRoundTripAndReplace()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("page.json");
    QVERIFY(writeFile(path, QByteArray(5000, 'x'))); // an older, longer file
    QString error;
    QVERIFY2(protocol::saveSettingsTemplate(path, nonDefault(), &error), qPrintable(error));
    const auto back = protocol::loadSettingsTemplate(path, SettingsValues{}, &error);
    QVERIFY2(back, qPrintable(error));
    compareStored(*back, nonDefault());

    // A file that cannot be written leaves a message naming it.
    const QString nowhere = dir.filePath("missing/page.json");
    QVERIFY(!protocol::saveSettingsTemplate(nowhere, nonDefault(), &error));
    QVERIFY2(error.contains(nowhere), qPrintable(error));
}

void TestSettingsTemplate::unreadableFilesAreRefused()
{
    QTemporaryDir dir;
    QString error;
    const QString missing = dir.filePath("none.json");
    QVERIFY(!protocol::loadSettingsTemplate(missing, SettingsValues{}, &error));
    QVERIFY2(error.contains(missing), qPrintable(error));

    // A template padded past the size cap is refused unread, even though it is valid JSON.
    const QString large = dir.filePath("large.json");
    QVERIFY(writeFile(large, QByteArray(R"({"SpinDay": 25})") + QByteArray(protocol::kMaxSettingsTemplateBytes, ' ')));
    QVERIFY(!protocol::loadSettingsTemplate(large, SettingsValues{}, &error));
    QVERIFY2(error.contains(QStringLiteral("слишком велик")), qPrintable(error));
    QVERIFY(!protocol::loadSettingsTemplate(dir.path(), SettingsValues{}, &error));
}

QTEST_GUILESS_MAIN(TestSettingsTemplate)
#include "tst_settingstemplate.moc"
