#pragma once
// Command-line options of tarvik-cli.

#include "meterverboptions.h"

#include "journals/journal.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>

namespace cli {

enum ExitCode {
    ExitOk = 0,
    ExitUsage = 1,        // bad options
    ExitPortFailed = 2,   // the port could not be opened
    ExitNoAnswer = 3,     // the meter never answered
    ExitPortLost = 4,     // the port went away during the run
    ExitBatchFailed = 5,  // a schedule or settings write, or a schedule or journal read, failed or was refused
    ExitScheduleFile = 6, // a schedule or settings file cannot be read, is damaged or is refused; a CSV, .xls or report file cannot be written
    ExitVerifyFailed = 7, // the schedule read back differs from the one written
    // Database mode (the marker file in the working directory):
    ExitNotInDatabase = 8,  // the workstation, operator or installation is not in the database
    ExitMeterRefused = 9,   // the database check refused the meter (not registered, or its
                            // RF-PLC number taken): nothing was sent to it and nothing recorded
    ExitRecordFailed = 10,  // the record failed and was rolled back
    ExitDatabaseError = 11, // a statement outside a record failed (server unreachable): the run
                            // stopped there, nothing was recorded
};

struct Options
{
    QString port;          // device path, COMn, or "sim" for the built-in meter
    int speedIndex = 0;    // 0..5 = 4800..115200
    int lineMode = 0;      // 0 Rs-485, 1 MODBUS
    int parityIndex = 0;   // 0 none, 1 even, 2 odd
    int address = 0;
    int timeoutMs = 500;
    int cycles = 1;        // polling cycles to run (0: until --seconds)
    double seconds = 0;    // run time limit (0: none)
    bool master = false;   // trace every frame
    bool report = false;   // print the meter page after the run
    bool quiet = false;    // no protocol lines
    bool findAddress = false; // search the meter's address, print it and stop
    QString readSchedule;  // read the meter's schedule into this *.tsc file
    QString writeSchedule; // write this *.tsc file into the meter
    bool verify = false;   // after the write, read back and compare
    MeterVerbOptions meterVerbs; // --write-plc-address ... --write-indicator
    QString writeSettings; // write the settings template in this JSON file into the meter
    int serial = 0;        // SpinEdit_Number for --write-settings (written when the meter has none);
                           // in database mode scanned in after the first polling cycle
    bool fixDb = false;    // database mode: record the meter without writing ("Зафиксировать в Б&Д")
    bool noClockSync = false; // database mode: leave the PC clock alone (test runs)
    QString password;      // EditPass, the access password for writes
    std::optional<journals::Journal> readJournal; // the journal to read after the first cycle
    QDate journalDay;      // the load-profile day (--day)
    QString csvPath;       // the journal goes to this CSV file instead of stdout
    QString xlsPath;       // the journal goes to this .xls workbook instead of stdout
    QString reportTxt;     // after the run, the short text report ("Краткий отчет") goes to this file
    // The barcode scanner (--scanner DEVICE --scan): the next code's number
    // is printed; nothing else runs.
    QString scanner;       // its port: a device path, or COMn on Windows
    bool scan = false;
    int scanWaitMs = 30000; // --wait-ms: how long to wait for the code
    // Built-in meter only.
    int simAddress = -1;   // -1: the same as --address
    bool simSilent = false;
    int simBusy = 0;
};

// Parses argv; on --help/--version prints and returns nothing with an empty
// error; on a bad option returns nothing and sets *error.
std::optional<Options> parseOptions(const QStringList &arguments, QString *error);

} // namespace cli
