// The help and usage errors of tarvik-cli and tarvik-sim speak Russian: their
// own texts and Qt's words of the command-line parser, also under the C
// locale and an English one.

#include "../support/clirun.h"

#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

testsupport::CliRun run(const QString &program, const QStringList &arguments, const QString &locale)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), locale);
    environment.insert(QStringLiteral("LANG"), locale);
    environment.insert(QStringLiteral("LANGUAGE"), locale);
    QTemporaryDir workingDir; // tarvik-cli may leave its operation log there
    return testsupport::runProgram(program, workingDir.path(), arguments, 60000, environment);
}

// Two English words side by side ("Serial port", "parity: none", "Displays
// help"): a text left untranslated. Option names (after a hyphen), value
// words (rs485, modbus, none, even, odd, listed with commas or between
// Russian words) and capitals (MODBUS, CR LF) do not count.
const QRegularExpression kEnglishSentence(QStringLiteral("(?<![-A-Za-z0-9_.])[A-Za-z][a-z]{2,}:? \\(?[a-z]{2,}"));

const QString kCli = QStringLiteral(TARVIK_CLI_PATH);
const QString kSim = QStringLiteral(TARVIK_SIM_PATH);

} // namespace

class TestCliHelp : public QObject
{
    Q_OBJECT

private slots:
    void helpIsRussian_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QStringList>("russian");
        QTest::addColumn<QStringList>("english");
        const QStringList qtEnglish{"Usage:", "Options:", "[options]", "Displays version information."};
        const QStringList cliRussian{"Использование: " + kCli + " [параметры]", "Показать эту справку и выйти.",
                                     "Коды завершения: 0 успешно, 1 неверные ключи",
                                     "--port <порт>", "Последовательный порт: путь устройства",
                                     "\"О счетчике\"", "--write-indicator <МАСКА СЛОВО>", "Параметры:"};
        const QStringList cliEnglish = qtEnglish + QStringList{"Show this help and exit.", "Exit codes",
                                                               "Serial port", "Database mode"};
        const QStringList simRussian{"Использование: " + kSim + " [параметры]", "Имитатор счетчика Tarvik 504",
                                     "\"PTY <путь>\"", "--device <путь>",
                                     "Работать на этом последовательном порту",
                                     "--profile-gap <ГГГГ-ММ-ДД>", "Параметры:"};
        const QStringList simEnglish = qtEnglish + QStringList{"Displays help on commandline options.",
                                                               "Simulated Tarvik 504 meter", "pseudo-terminal",
                                                               "Answer nothing."};
        for (const char *locale : {"C", "en_US.UTF-8"}) {
            QTest::addRow("tarvik-cli, %s", locale) << kCli << locale << cliRussian << cliEnglish;
            QTest::addRow("tarvik-sim, %s", locale) << kSim << locale << simRussian << simEnglish;
        }
    }

    void helpIsRussian()
    {
        QFETCH(QString, program);
        QFETCH(QString, locale);
        QFETCH(QStringList, russian);
        QFETCH(QStringList, english);
        const auto r = run(program, {"--help"}, locale);
        QCOMPARE(r.exitCode, 0);
        for (const QString &text : russian)
            QVERIFY2(r.out.contains(text), qPrintable(text + "\n" + r.out));
        for (const QString &text : english)
            QVERIFY2(!r.out.contains(text), qPrintable(text));
        const auto sentence = kEnglishSentence.match(r.out);
        QVERIFY2(!sentence.hasMatch(), qPrintable(sentence.captured()));
    }

    // Exit codes: tarvik-cli 1 for any bad option; tarvik-sim 1 for one it
    // does not know (the parser's), 2 for a bad value.
    void badOptionIsRussian_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("tarvik-cli, unknown option")
            << kCli << QStringList{"--no-such-option"} << 1 << "Неизвестный параметр «no-such-option».";
        QTest::newRow("tarvik-cli, value missing")
            << kCli << QStringList{"--port"} << 1 << "Отсутствует значение после «--port».";
        QTest::newRow("tarvik-sim, unknown option")
            << kSim << QStringList{"--no-such-option"} << 1 << "tarvik-sim: Неизвестный параметр «no-such-option».";
        QTest::newRow("tarvik-sim, speed not the meter's")
            << kSim << QStringList{"--baud", "1200"} << 2 << "tarvik-sim: --baud: такой скорости у счетчика нет: 1200";
        QTest::newRow("tarvik-sim, number out of range")
            << kSim << QStringList{"--address", "256"} << 2 << "tarvik-sim: --address: ожидается число 0..255, получено \"256\"";
        QTest::newRow("tarvik-sim, bad clock time")
            << kSim << QStringList{"--time", "1999-12-31T23:00:00"} << 2 << "tarvik-sim: --time: ожидается ГГГГ-ММ-ДДTчч:мм:сс";
        QTest::newRow("tarvik-sim, load profile not full, newest elsewhere")
            << kSim << QStringList{"--profile-slots", "10", "--profile-records", "4", "--profile-newest", "7"} << 2
            << "tarvik-sim: профиль нагрузки: в неполной памяти индекс последней записи равен числу записей - 1";
        QTest::newRow("tarvik-sim, bad fault entry")
            << kSim << QStringList{"--error", "zz"} << 2 << "tarvik-sim: --error: ожидается F:E";
    }

    void badOptionIsRussian()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        const auto r = run(program, arguments, QStringLiteral("C"));
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        const auto sentence = kEnglishSentence.match(r.err);
        QVERIFY2(!sentence.hasMatch(), qPrintable(sentence.captured()));
        QCOMPARE(r.out, QString()); // nothing served, nothing run
    }
};

QTEST_GUILESS_MAIN(TestCliHelp)
#include "tst_clihelp.moc"
