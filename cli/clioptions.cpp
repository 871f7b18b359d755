#include "clioptions.h"

#include "link/speeds.h"
#include "protocol/accesspassword.h"
#include "protocol/cp1251.h"

#include <QCommandLineParser>
#include <QTextStream>

namespace cli {

namespace {

bool intOption(const QCommandLineParser &p, const QString &name, int lo, int hi, int *out, QString *error)
{
    if (!p.isSet(name))
        return true;
    bool ok = false;
    const int v = p.value(name).toInt(&ok, 0);
    if (!ok || v < lo || v > hi) {
        *error = QStringLiteral("Неверное значение --%1: %2 (допустимо %3..%4)").arg(name, p.value(name)).arg(lo).arg(hi);
        return false;
    }
    *out = v;
    return true;
}

// --read-journal NAME [--day YYYY-MM-DD] [--csv FILE], on its own: a journal
// conversation holds the queue until its last record.
bool journalOptions(const QCommandLineParser &p, Options &o, QString *error)
{
    if (p.isSet("read-journal")) {
        o.readJournal = journals::journalFromName(p.value("read-journal"));
        if (!o.readJournal) {
            *error = QStringLiteral("Неверный журнал: %1 (month, day, onoff, settings, quality, profile)")
                         .arg(p.value("read-journal"));
            return false;
        }
    }
    const bool profile = o.readJournal == journals::Journal::Profile;
    if (p.isSet("day")) {
        if (!profile) {
            *error = QStringLiteral("--day только с --read-journal profile");
            return false;
        }
        o.journalDay = QDate::fromString(p.value("day"), Qt::ISODate);
        if (!o.journalDay.isValid()) {
            *error = QStringLiteral("Неверная дата --day: %1 (ГГГГ-ММ-ДД)").arg(p.value("day"));
            return false;
        }
    } else if (profile) {
        *error = QStringLiteral("--read-journal profile требует --day");
        return false;
    }
    o.csvPath = p.value("csv");
    o.xlsPath = p.value("xls");
    if ((!o.csvPath.isEmpty() || !o.xlsPath.isEmpty()) && !o.readJournal) {
        *error = QStringLiteral("--csv и --xls требуют --read-journal");
        return false;
    }
    if (o.readJournal && (o.findAddress || !o.readSchedule.isEmpty() || !o.writeSchedule.isEmpty()
                          || !o.writeSettings.isEmpty() || o.meterVerbs.any())) {
        *error = QStringLiteral("--read-journal не сочетается с --find-address, --read-schedule, --write-schedule, "
                                "--write-settings и командами RFPLC и индикатора");
        return false;
    }
    return true;
}

// --scanner DEVICE --scan [--wait-ms N], on its own: it talks to no meter.
bool scanOptions(const QCommandLineParser &p, Options &o, QString *error)
{
    o.scanner = p.value("scanner");
    o.scan = p.isSet("scan");
    if (!intOption(p, "wait-ms", 1, 3600000, &o.scanWaitMs, error))
        return false;
    if (!o.scan) {
        if (!o.scanner.isEmpty() || p.isSet("wait-ms")) {
            *error = QStringLiteral("--scanner и --wait-ms только с --scan");
            return false;
        }
        return true;
    }
    if (o.scanner.isEmpty()) {
        *error = QStringLiteral("--scan требует --scanner");
        return false;
    }
    const QStringList alone{"find-address", "read-schedule", "write-schedule", "write-settings", "read-journal",
                            "fix-db", "report", "report-txt", "serial", "seconds", "cycles"};
    for (const QString &name : alone)
        if (p.isSet(name)) {
            *error = QStringLiteral("--scan не сочетается с --%1").arg(name);
            return false;
        }
    if (o.meterVerbs.any()) {
        *error = QStringLiteral("--scan не сочетается с командами RFPLC и индикатора");
        return false;
    }
    return true;
}

} // namespace

std::optional<Options> parseOptions(const QStringList &arguments, QString *error)
{
    // The verbs with several values first; the parser takes one value an option.
    QStringList args = arguments;
    MeterVerbOptions meterVerbs;
    if (!takeMeterVerbs(args, &meterVerbs, error))
        return std::nullopt;
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Станция программирования счетчика Tarvik 504: связь с одним счетчиком.\n"
        "Команды расписания выполняются после первого цикла опроса (запись, сверка, затем чтение);\n"
        "работа заканчивается, когда они выполнены и истекли --cycles/--seconds. --write-settings тоже\n"
        "выполняется после первого цикла и заканчивается, когда записанные значения прочитаны заново.\n"
        "--read-journal выполняется после первого цикла и выводит список журнала: строку заголовков,\n"
        "затем по строке на запись, ячейки разделены TAB.\n"
        "Коды завершения: 0 успешно, 1 неверные ключи, 2 порт не открыт, 3 счетчик не ответил,\n"
        "4 порт потерян, 5 запись расписания или установок, чтение расписания или журнала не удались\n"
        "или отклонены, 6 файл расписания или установок не читается, поврежден или отклонен (ничего\n"
        "не отправлено) либо не записывается файл CSV, .xls или отчета, 7 прочитанное расписание\n"
        "отличается от записанного.\n"
        "Режим базы данных: если в рабочей папке есть файл SettingSql.tarvik, программа работает\n"
        "с заводской базой данных, как окно: сначала определяются рабочее место и оператор, запись\n"
        "установок проверяется и фиксируется в базе (без файла журнала операций), а задачи,\n"
        "отключенные в этом режиме, нельзя отмечать в шаблоне. Коды завершения в этом режиме:\n"
        "8 рабочего места, оператора или установки нет в базе, 9 база отклонила счетчик (ничего\n"
        "не отправлено), 10 фиксация не удалась и отменена, 11 база недоступна или запрос вне\n"
        "фиксации не удался (ничего не зафиксировано)."));
    // Our own help option: Qt's would also list --help-all, which means
    // nothing here.
    const QCommandLineOption help({"h", "help"}, QStringLiteral("Показать эту справку и выйти."));
    p.addOption(help);
    p.addVersionOption();
    p.addOptions({
        {"port", QStringLiteral("Последовательный порт: путь устройства (/dev/ttyUSB0), COMn в Windows или "
                                "\"sim\" — встроенный имитатор счетчика (по умолчанию)."),
         QStringLiteral("порт"), "sim"},
        {"baud", QStringLiteral("Скорость, бит/с: 4800, 9600, 19200, 38400, 57600, 115200 (по умолчанию 4800)."),
         QStringLiteral("бит/с"), "4800"},
        {"mode", QStringLiteral("Режим линии: rs485 (по умолчанию) или modbus."), QStringLiteral("режим"), "rs485"},
        {"parity", QStringLiteral("Четность MODBUS: none (по умолчанию), even, odd."), QStringLiteral("четность"), "none"},
        {"address", QStringLiteral("Адрес счетчика 0..255 (по умолчанию 0)."), "N", "0"},
        {"timeout", QStringLiteral("Таймаут ответа, мс, 200..30000 (по умолчанию 500)."), QStringLiteral("мс"), "500"},
        {"cycles", QStringLiteral("Сколько циклов опроса по 61 запросу пройти (по умолчанию 1; 0 — до --seconds)."),
         "N", "1"},
        {"seconds", QStringLiteral("Остановиться через столько секунд."), QStringLiteral("с")},
        {"master", QStringLiteral("Выводить каждый отправленный и принятый кадр.")},
        {"report", QStringLiteral("После работы вывести страницу \"О счетчике\": название TAB значение(я), "
                                  "по строке на пункт.")},
        {"quiet", QStringLiteral("Не выводить строки протокола.")},
        {"find-address", QStringLiteral("Опросить по --address; если ответа нет, перебрать адреса 1..255, 0 и "
                                        "вывести \"Адрес\", TAB, ответивший адрес (код 3, если не ответил никто).")},
        {"read-schedule", QStringLiteral("Прочитать тарифное расписание счетчика и сохранить в этот файл *.tsc."),
         QStringLiteral("файл")},
        {"write-schedule", QStringLiteral("Записать в счетчик тарифное расписание из этого файла *.tsc."),
         QStringLiteral("файл")},
        {"verify", QStringLiteral("С --write-schedule: прочитать расписание обратно и сравнить с записанным.")},
        {"write-plc-address", QStringLiteral("После первого цикла опроса записать группу G и адрес A RF-PLC "
                                             "(0..255 каждый, два значения)."),
         "G A"},
        {"write-route", QStringLiteral("После первого цикла опроса записать маршрут RF-PLC R (0..3) через "
                                       "ретранслятор с адресом P (0..255) и номером N (0..16777215)."),
         "R P N"},
        {"delete-route", QStringLiteral("После первого цикла опроса удалить маршрут RF-PLC R (0..3)."), "R"},
        {"read-indicator", QStringLiteral("После первого цикла опроса (и записей) прочитать индикатор и вывести "
                                          "\"Маска индикации\", TAB, маску и \"Подсветка\", TAB, слово подсветки "
                                          "(десятичные).")},
        {"write-indicator", QStringLiteral("После первого цикла опроса записать МАСКУ индикации (биты 0..12 — "
                                           "экраны, бит 15 — подсветка по питанию: СЛОВО тогда отправляется как 0) "
                                           "и СЛОВО подсветки (по 3 бита на группу, бит 30 — режим крышки, бит 31 — "
                                           "только по нажатию кнопки); десятичные или шестнадцатеричные с 0x."),
         QStringLiteral("МАСКА СЛОВО")},
        {"write-settings", QStringLiteral("После первого цикла опроса записать в счетчик шаблон установок из этого "
                                          "файла JSON одним пакетом; работа идет, пока значения не прочитаны заново."),
         QStringLiteral("файл")},
        {"serial", QStringLiteral("С --write-settings: заводской номер 0..16777215, записываемый, если у счетчика "
                                  "его нет. В режиме базы данных он вводится после первого цикла опроса, как со "
                                  "сканера штрихкодов (при отмеченных \"Параметры связи\" две его последние цифры "
                                  "становятся новым адресом)."),
         "N"},
        {"fix-db", QStringLiteral("Режим базы данных: зафиксировать подключенный счетчик без записи "
                                  "(\"Зафиксировать в Б&Д\") после первого цикла опроса.")},
        {"no-clock-sync", QStringLiteral("Режим базы данных: не устанавливать часы ПК по серверу базы "
                                         "(пробные запуски).")},
        {"password", QStringLiteral("Пароль доступа для записи, до 6 символов (по умолчанию пустой)."),
         QStringLiteral("текст")},
        {"read-journal", QStringLiteral("После первого цикла опроса прочитать журнал: month, day, onoff, settings, "
                                        "quality или profile; вывести его заголовки и строки (через TAB). При "
                                        "прерванном чтении выводятся прочитанные строки, код завершения 5."),
         QStringLiteral("журнал")},
        {"day", QStringLiteral("С --read-journal profile (там обязателен): день ГГГГ-ММ-ДД, записи которого "
                               "читаются."),
         QStringLiteral("дата")},
        {"csv", QStringLiteral("С --read-journal: записать таблицу в этот файл CSV (UTF-8, через запятую) вместо "
                               "вывода."),
         QStringLiteral("файл")},
        {"xls", QStringLiteral("С --read-journal: выгрузить таблицу в эту книгу .xls (заголовок, названия "
                               "столбцов, строки; числа как числа) вместо вывода. Можно вместе с --csv."),
         QStringLiteral("файл")},
        {"report-txt", QStringLiteral("После работы записать краткий текстовый отчет страницы \"О счетчике\" в "
                                      "этот файл (Windows-1251, CR LF)."),
         QStringLiteral("файл")},
        {"scanner", QStringLiteral("С --scan: порт сканера штрихкодов (путь устройства или COMn в Windows)."),
         QStringLiteral("порт")},
        {"scan", QStringLiteral("Открыть порт --scanner, как это делает станция (9600 8N1, без управления потоком, "
                                "отправляется один байт 0x00), вывести номер следующего присланного кода "
                                "(завершается CR; 0 для текста, который не является числом) и выйти; код 2, если "
                                "порт не открыт, 3, если код не пришел за --wait-ms. Больше ничего не "
                                "выполняется.")},
        {"wait-ms", QStringLiteral("С --scan: сколько ждать код, 1..3600000 мс (по умолчанию 30000)."),
         QStringLiteral("мс")},
        {"sim-address", QStringLiteral("Адрес встроенного имитатора (по умолчанию --address)."), "N"},
        {"sim-silent", QStringLiteral("Встроенный имитатор ничего не отвечает.")},
        {"sim-busy", QStringLiteral("Встроенный имитатор отвечает \"Память занята\" на N следующих запросов."),
         "N"},
    });
    if (!p.parse(args)) {
        *error = p.errorText();
        return std::nullopt;
    }
    if (p.isSet("help") || p.isSet("version")) {
        QTextStream(stdout) << (p.isSet("help") ? p.helpText()
                                                : QStringLiteral("tarvik-cli 1.2\n"));
        error->clear();
        return std::nullopt;
    }

    Options o;
    o.port = p.value("port");
    if (o.port.compare("sim", Qt::CaseInsensitive) == 0)
        o.port = QStringLiteral("sim");
    bool ok = false;
    const auto index = meterlink::indexForSpeed(p.value("baud").toInt(&ok));
    if (!ok || !index) {
        *error = QStringLiteral("Неверная скорость: %1").arg(p.value("baud"));
        return std::nullopt;
    }
    o.speedIndex = *index;
    const QString mode = p.value("mode").toLower();
    if (mode != "rs485" && mode != "rs-485" && mode != "modbus") {
        *error = QStringLiteral("Неверный режим линии: %1").arg(p.value("mode"));
        return std::nullopt;
    }
    o.lineMode = mode == "modbus" ? 1 : 0;
    const QStringList parities{"none", "even", "odd"};
    o.parityIndex = int(parities.indexOf(p.value("parity").toLower()));
    if (o.parityIndex < 0) {
        *error = QStringLiteral("Неверный паритет: %1").arg(p.value("parity"));
        return std::nullopt;
    }
    if (!intOption(p, "address", 0, 255, &o.address, error) || !intOption(p, "timeout", 200, 30000, &o.timeoutMs, error)
        || !intOption(p, "cycles", 0, 1000000, &o.cycles, error)
        || !intOption(p, "sim-address", 0, 255, &o.simAddress, error)
        || !intOption(p, "sim-busy", 0, 1000000, &o.simBusy, error)
        || !intOption(p, "serial", 0, 16777215, &o.serial, error))
        return std::nullopt;
    if (p.isSet("seconds")) {
        o.seconds = p.value("seconds").toDouble(&ok);
        if (!ok || o.seconds <= 0) {
            *error = QStringLiteral("Неверное значение --seconds: %1").arg(p.value("seconds"));
            return std::nullopt;
        }
    }
    if (o.cycles == 0 && o.seconds <= 0) {
        *error = QStringLiteral("--cycles 0 требует --seconds");
        return std::nullopt;
    }
    o.master = p.isSet("master");
    o.report = p.isSet("report");
    o.quiet = p.isSet("quiet");
    o.findAddress = p.isSet("find-address");
    o.simSilent = p.isSet("sim-silent");
    o.readSchedule = p.value("read-schedule");
    o.writeSchedule = p.value("write-schedule");
    o.verify = p.isSet("verify");
    o.meterVerbs = meterVerbs;
    for (const char *verb : {"write-plc-address", "write-route", "delete-route", "write-indicator"})
        if (p.isSet(verb)) { // only "--verb=value" gets here
            *error = QStringLiteral("--%1: значения пишутся через пробел").arg(QLatin1String(verb));
            return std::nullopt;
        }
    if (meterVerbs.any() && (o.findAddress || !o.readSchedule.isEmpty() || !o.writeSchedule.isEmpty())) {
        *error = QStringLiteral("--write-plc-address, --write-route, --delete-route, --read-indicator и "
                                "--write-indicator не сочетаются с --find-address, --read-schedule и --write-schedule");
        return std::nullopt;
    }
    if (o.verify && o.writeSchedule.isEmpty()) {
        *error = QStringLiteral("--verify требует --write-schedule");
        return std::nullopt;
    }
    o.fixDb = p.isSet("fix-db");
    o.noClockSync = p.isSet("no-clock-sync");
    if (o.fixDb && (o.findAddress || p.isSet("write-settings"))) {
        *error = QStringLiteral("--fix-db не сочетается с --find-address и --write-settings");
        return std::nullopt;
    }
    o.reportTxt = p.value("report-txt");
    o.writeSettings = p.value("write-settings");
    o.password = p.value("password");
    if (o.password.size() > protocol::AccessPassword::kMaxLength || !protocol::fitsCp1251(o.password)) {
        *error = QStringLiteral("Неверное значение --password: не более 6 символов, каждый из которых есть в "
                                "кодировке Windows-1251");
        return std::nullopt;
    }
    if (!o.writeSettings.isEmpty() && (o.findAddress || !o.readSchedule.isEmpty() || !o.writeSchedule.isEmpty())) {
        *error = QStringLiteral("--write-settings не сочетается с --find-address, --read-schedule и --write-schedule");
        return std::nullopt;
    }
    if (!journalOptions(p, o, error) || !scanOptions(p, o, error))
        return std::nullopt;
    if (o.findAddress && (!o.readSchedule.isEmpty() || !o.writeSchedule.isEmpty())) {
        *error = QStringLiteral("--find-address не сочетается с --read-schedule и --write-schedule");
        return std::nullopt;
    }
    return o;
}

} // namespace cli
