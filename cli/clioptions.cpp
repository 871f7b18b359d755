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
        "Programming station for the Tarvik 504 meter: runs the conversation with one meter.\n"
        "The schedule options run after the first polling cycle (write, verify, then read); the run ends\n"
        "when they are done and --cycles/--seconds have passed. --write-settings runs after the first\n"
        "cycle too, and is done when the values written have been read anew. --read-journal runs after\n"
        "the first cycle and prints the journal's list: a header line of captions, then one row a line,\n"
        "cells separated by TAB.\n"
        "Exit codes: 0 ok, 1 bad options, 2 port not opened, 3 meter never answered, 4 port lost,\n"
        "5 a schedule or settings write or a schedule or journal read failed or was refused, 6 a schedule\n"
        "or settings file cannot be read, is damaged or is refused (nothing sent) or the CSV, .xls or\n"
        "report file cannot be written, 7 the schedule read back differs from the one written.\n"
        "Database mode: with the file SettingSql.tarvik in the working directory the run works for the\n"
        "factory database as the window does: the workstation and operator are identified first, a\n"
        "settings write is checked and recorded there (no operation-log file), and the tasks the\n"
        "database mode disables may not be ticked in a template. Exit codes there: 8 the workstation,\n"
        "operator or installation is not in the database, 9 the database refused the meter (nothing\n"
        "was sent), 10 the record failed and was rolled back, 11 the database could not be reached or\n"
        "a statement outside a record failed (nothing was recorded)."));
    // Our own help option: Qt's would also list --help-all, which means
    // nothing here.
    const QCommandLineOption help({"h", "help"}, "Show this help and exit.");
    p.addOption(help);
    p.addVersionOption();
    p.addOptions({
        {"port", "Serial port: a device path (/dev/ttyUSB0), COMn on Windows, or \"sim\" for the built-in "
                 "simulated meter (default).", "port", "sim"},
        {"baud", "Speed in bit/s: 4800, 9600, 19200, 38400, 57600, 115200 (default 4800).", "bps", "4800"},
        {"mode", "Line mode: rs485 (default) or modbus.", "mode", "rs485"},
        {"parity", "MODBUS parity: none (default), even, odd.", "parity", "none"},
        {"address", "Meter address 0..255 (default 0).", "n", "0"},
        {"timeout", "Reply time-out in ms, 200..30000 (default 500).", "ms", "500"},
        {"cycles", "Polling cycles of 61 requests to run (default 1; 0 = until --seconds).", "n", "1"},
        {"seconds", "Stop after this many seconds.", "s"},
        {"master", "Trace every frame sent and received."},
        {"report", "After the run print the page \"О счетчике\": title TAB value(s), one row a line."},
        {"quiet", "Do not print protocol lines."},
        {"find-address", "Poll at --address; when that times out, search the addresses 1..255, 0 for the "
                         "meter and print \"Адрес\", TAB, the address that answered (exit 3 when none did)."},
        {"read-schedule", "Read the meter's tariff schedule and save it as this *.tsc file.", "file"},
        {"write-schedule", "Write the tariff schedule of this *.tsc file into the meter.", "file"},
        {"verify", "With --write-schedule: read the schedule back and compare it with what was written."},
        {"write-plc-address", "After the first polling cycle write the RF-PLC group G and address A (0..255 "
                              "each, two values).", "G A"},
        {"write-route", "After the first polling cycle write RF-PLC route R (0..3) via repeater address P "
                        "(0..255) with number N (0..16777215).", "R P N"},
        {"delete-route", "After the first polling cycle delete RF-PLC route R (0..3).", "R"},
        {"read-indicator", "After the first polling cycle (and the writes) read the indicator and print "
                           "\"Маска индикации\", TAB, the mask and \"Подсветка\", TAB, the backlight word (decimal)."},
        {"write-indicator", "After the first polling cycle write the display MASK (bits 0..12 screens, bit 15 "
                            "backlight by power: WORD is then sent as 0) and the backlight WORD (3 bits a group, "
                            "bit 30 cover mode, bit 31 key press only); decimal or 0x hex.", "MASK WORD"},
        {"write-settings", "Write the settings template of this JSON file into the meter as one batch, after the "
                           "first polling cycle; the run goes on until the values have been read anew.", "file"},
        {"serial", "With --write-settings: the serial number 0..16777215 to write when the meter has none. In "
                   "database mode it is scanned in after the first polling cycle, as the barcode scanner would "
                   "(with \"Параметры связи\" ticked its last two digits become the new address).", "n"},
        {"fix-db", "Database mode: record the connected meter without writing (\"Зафиксировать в Б&Д\"), after "
                   "the first polling cycle."},
        {"no-clock-sync", "Database mode: do not set the PC clock from the database server (test runs)."},
        {"password", "Access password for writes, up to 6 characters (default empty).", "text"},
        {"read-journal", "After the first polling cycle read a journal: month, day, onoff, settings, quality or "
                         "profile; print its captions and rows (TAB-separated). A read cut off prints the rows read "
                         "and exits 5.", "name"},
        {"day", "With --read-journal profile (required there): the day YYYY-MM-DD whose records are read.", "date"},
        {"csv", "With --read-journal: write the table to this CSV file (UTF-8, comma-separated) instead of "
                "printing it.", "file"},
        {"xls", "With --read-journal: export the table to this .xls workbook (title, captions, rows; numbers as "
                "numbers) instead of printing it. Can go with --csv.", "file"},
        {"report-txt", "After the run write the short text report of the page \"О счетчике\" to this file "
                       "(Windows-1251, CR LF).", "file"},
        {"scanner", "With --scan: the barcode scanner's port (a device path, or COMn on Windows).", "port"},
        {"scan", "Open the --scanner port as the station does (9600 8N1, no handshake, one 0x00 byte sent), print "
                 "the number of the next code it sends (ended by CR; 0 for a text that is no number) and exit; "
                 "exit 2 when the port cannot be opened, 3 when no code comes within --wait-ms. Nothing else "
                 "runs."},
        {"wait-ms", "With --scan: how long to wait for a code, 1..3600000 ms (default 30000).", "ms"},
        {"sim-address", "Address of the built-in meter (default: --address).", "n"},
        {"sim-silent", "The built-in meter answers nothing."},
        {"sim-busy", "The built-in meter answers \"memory busy\" to the next n requests.", "n"},
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
