// tarvik-sim: a simulated Tarvik 504 meter served on a new pseudo-terminal
// (the default, on POSIX systems) or on a real serial device.
//
// The first line on standard output names what is served, then the program
// keeps serving until SIGTERM / SIGINT (or, with --exit-on-eof, until its
// standard input ends; with --vanish-after, until the port vanishes):
//   PTY /dev/pts/5
//   DEVICE /dev/ttyUSB0

#include "loadschedule.h"
#include "simulatedmeter.h"

#include "app/qttranslations.h"
#include "link/qtclock.h"
#include "link/speeds.h"
#include "schedule/schedulefile.h"

#ifdef Q_OS_UNIX
#include "ptyserver.h"
#endif

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSerialPort>

#include <cstdio>
#include <cstdlib>
#include <functional>

namespace {

[[noreturn]] void die(const QString &text)
{
    std::fprintf(stderr, "tarvik-sim: %s\n", qPrintable(text));
    std::exit(2);
}

int intOption(const QCommandLineParser &parser, const QString &name, int min, int max, int base = 10)
{
    bool ok = false;
    const int value = parser.value(name).toInt(&ok, base);
    if (!ok || value < min || value > max)
        die(QStringLiteral("--%1: ожидается число %2..%3, получено \"%4\"").arg(name).arg(min).arg(max).arg(parser.value(name)));
    return value;
}

QString hex(const QByteArray &bytes) { return QString::fromLatin1(bytes.toHex(' ').toUpper()); }

QSerialPort::Parity portParity(meterlink::LineMode mode, meterlink::ModbusParity parity)
{
    // Rs-485 mode sends the address with Mark and the frame with Space
    // parity; the port is set to Space and, with parity checking off, takes
    // both.
    if (mode == meterlink::LineMode::Rs485)
        return QSerialPort::SpaceParity;
    switch (parity) {
    case meterlink::ModbusParity::Even: return QSerialPort::EvenParity;
    case meterlink::ModbusParity::Odd: return QSerialPort::OddParity;
    case meterlink::ModbusParity::None: break;
    }
    return QSerialPort::NoParity;
}

void applyLine(QSerialPort &port, int baud, meterlink::LineMode mode, meterlink::ModbusParity parity)
{
    port.setBaudRate(baud);
    port.setDataBits(QSerialPort::Data8);
    port.setParity(portParity(mode, parity));
    const bool twoStops = mode == meterlink::LineMode::Modbus && parity == meterlink::ModbusParity::None;
    port.setStopBits(twoStops ? QSerialPort::TwoStop : QSerialPort::OneStop);
    port.setFlowControl(QSerialPort::NoFlowControl);
}

QDate dateOption(const QString &name, const QString &text)
{
    const QDate date = QDate::fromString(text, Qt::ISODate);
    if (!date.isValid() || date.year() < 2000 || date.year() > 2099)
        die(QStringLiteral("--%1: ожидается дата ГГГГ-ММ-ДД в 2000..2099, получено \"%2\"").arg(name, text));
    return date;
}

// The meter clock and the shape of the load-profile store; the month and
// day journals are drawn from the registers as they are once the other
// options have been applied.
void applyJournalOptions(const QCommandLineParser &parser, sim::SimulatedMeter &meter)
{
    QDateTime start = meter.meterTime();
    if (parser.isSet(QStringLiteral("time"))) {
        start = QDateTime::fromString(parser.value(QStringLiteral("time")), Qt::ISODate);
        if (!start.isValid() || start.date().year() < 2000 || start.date().year() > 2099)
            die(QStringLiteral("--time: ожидается ГГГГ-ММ-ДДTчч:мм:сс в 2000..2099"));
    }
    if (parser.isSet(QStringLiteral("profile-period"))) {
        const int code = sim::profilePeriodCode(intOption(parser, QStringLiteral("profile-period"), 1, 60));
        if (code < 0)
            die(QStringLiteral("--profile-period: допустимо 1, 2, 3, 4, 5, 6, 10, 12, 15, 20, 30, 60"));
        meter.state().profilePeriodCode = static_cast<quint8>(code);
    }
    meter.setMeterTime(start);

    sim::LoadProfileShape shape;
    if (parser.isSet(QStringLiteral("profile-slots")))
        shape.slotCount = intOption(parser, QStringLiteral("profile-slots"), 1, 65535);
    shape.held = parser.isSet(QStringLiteral("profile-records"))
                     ? intOption(parser, QStringLiteral("profile-records"), 0, shape.slotCount)
                     : shape.slotCount;
    shape.newest = shape.held < shape.slotCount ? qMax(0, shape.held - 1) : shape.slotCount / 2;
    if (parser.isSet(QStringLiteral("profile-newest")))
        shape.newest = intOption(parser, QStringLiteral("profile-newest"), 0, shape.slotCount - 1);
    for (const QString &day : parser.values(QStringLiteral("profile-gap")))
        shape.gapDays.append(dateOption(QStringLiteral("profile-gap"), day));
    const QString problem = sim::LoadProfile::checkShape(shape);
    if (!problem.isEmpty())
        die(QStringLiteral("профиль нагрузки: %1").arg(problem));
    meter.setProfileShape(shape);
}

// --list-journal / --list-profile-day: what the meter holds, then quit.
bool listJournals(const QCommandLineParser &parser, sim::SimulatedMeter &meter)
{
    QList<sim::JournalRecord> records;
    if (parser.isSet(QStringLiteral("list-journal")))
        records = meter.journalRecords(intOption(parser, QStringLiteral("list-journal"), 0, 5));
    else if (parser.isSet(QStringLiteral("list-profile-day")))
        records = meter.profileDay(dateOption(QStringLiteral("list-profile-day"), parser.value(QStringLiteral("list-profile-day"))));
    else
        return false;
    for (const sim::JournalRecord &r : records)
        std::printf("%d %s\n", r.index, qPrintable(hex(r.payload)));
    std::fflush(stdout);
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tarvik-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.2"));
    // Before the options: Qt's words of the help and its option errors.
    app::installQtTranslations(app);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Имитатор счетчика Tarvik 504. Работает на новом псевдотерминале (первая строка вывода\n"
        "\"PTY <путь>\") или, с --device, на последовательном порту (первая строка \"DEVICE <путь>\")."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QList<QCommandLineOption> options = {
        {QStringLiteral("device"), QStringLiteral("Работать на этом последовательном порту вместо псевдотерминала."), QStringLiteral("путь")},
        {QStringLiteral("baud"), QStringLiteral("Скорость, бит/с: 4800, 9600, 19200, 38400, 57600 или 115200 (по умолчанию 4800)."), QStringLiteral("бит/с"), QStringLiteral("4800")},
        {QStringLiteral("address"), QStringLiteral("Адрес на шине 0..255 (по умолчанию 0)."), QStringLiteral("N"), QStringLiteral("0")},
        {QStringLiteral("mode"), QStringLiteral("Режим линии: rs485 или modbus (по умолчанию rs485)."), QStringLiteral("режим"), QStringLiteral("rs485")},
        {QStringLiteral("parity"), QStringLiteral("Четность MODBUS: none, even или odd (по умолчанию none)."), QStringLiteral("четность"), QStringLiteral("none")},
        {QStringLiteral("serial"), QStringLiteral("Заводской номер 0..16777215 (0 — еще не записан)."), QStringLiteral("N")},
        {QStringLiteral("password"), QStringLiteral("Пароль доступа, до 6 символов (по умолчанию пустой)."), QStringLiteral("текст")},
        {QStringLiteral("power"), QStringLiteral("Нагрузка, Вт, по которой растут регистры энергии (по умолчанию 1500)."), QStringLiteral("Вт")},
        {QStringLiteral("seed"), QStringLiteral("Начальное значение генератора разброса мгновенных значений."), QStringLiteral("N")},
        {QStringLiteral("silent"), QStringLiteral("Ничего не отвечать.")},
        {QStringLiteral("silent-after"), QStringLiteral("Замолчать после N ответов."), QStringLiteral("N")},
        {QStringLiteral("vanish-after"), QStringLiteral("После N ответов закрыть порт при следующем запросе и выйти "
                                                        "(псевдотерминал клиента пропадает)."), QStringLiteral("N")},
        {QStringLiteral("faults-after"), QStringLiteral("Применять --error, --busy, --corrupt..., --split, --stray и --delay "
                                                        "только начиная с ответа N (по умолчанию 0)."), QStringLiteral("N")},
        {QStringLiteral("error"), QStringLiteral("Отвечать на функцию F (hex) кодом ошибки E; можно повторять."), QStringLiteral("F:E")},
        {QStringLiteral("busy"), QStringLiteral("Отвечать на N следующих запросов \"Память занята\" (9)."), QStringLiteral("N")},
        {QStringLiteral("corrupt"), QStringLiteral("Инвертировать один байт (последний) каждого ответа.")},
        {QStringLiteral("corrupt-once"), QStringLiteral("Инвертировать один байт (последний) только первого ответа.")},
        {QStringLiteral("corrupt-offset"), QStringLiteral("Какой байт инвертирует --corrupt...: 0 — первый, -1 — последний (по умолчанию)."), QStringLiteral("K")},
        {QStringLiteral("split"), QStringLiteral("Отправлять каждый ответ тремя частями с паузой 5 мс.")},
        {QStringLiteral("stray"), QStringLiteral("Отправлять лишний байт FF через 20 мс после каждого ответа.")},
        {QStringLiteral("stray-merged"), QStringLiteral("С --stray: лишний байт уходит в одной записи с ответом.")},
        {QStringLiteral("delay"), QStringLiteral("Ждать столько мс перед каждым ответом."), QStringLiteral("мс")},
        {QStringLiteral("line-time"), QStringLiteral("Отвечать в темпе настоящей линии: ответ ждет, сколько запрос и он сам шли бы по линии на заданной скорости (псевдотерминал передает байты сразу).")},
        {QStringLiteral("schedule"), QStringLiteral("Начать с тарифным расписанием из этого файла *.tsc."), QStringLiteral("файл")},
        {QStringLiteral("alter-zones"), QStringLiteral("Сохранять каждую записанную зону с инвертированным битом 0 лимита мощности.")},
        {QStringLiteral("time"), QStringLiteral("Запустить часы счетчика с этого местного времени (ГГГГ-ММ-ДДTчч:мм:сс; по умолчанию часы ПК)."), QStringLiteral("время")},
        {QStringLiteral("profile-period"), QStringLiteral("Период профиля нагрузки, мин: 1, 2, 3, 4, 5, 6, 10, 12, 15, 20, 30 или 60 (по умолчанию 30)."), QStringLiteral("мин")},
        {QStringLiteral("profile-slots"), QStringLiteral("Размер памяти профиля нагрузки A, 1..65535 (по умолчанию 1488)."), QStringLiteral("N")},
        {QStringLiteral("profile-records"), QStringLiteral("Число записей профиля нагрузки B, 0..A (по умолчанию A: память заполнена)."), QStringLiteral("N")},
        {QStringLiteral("profile-newest"), QStringLiteral("Индекс C последней записи профиля нагрузки (по умолчанию B - 1, при заполненной памяти A / 2; при неполной должен быть B - 1)."), QStringLiteral("N")},
        {QStringLiteral("profile-gap"), QStringLiteral("День без записей профиля нагрузки (счетчик был выключен); можно повторять."), QStringLiteral("ГГГГ-ММ-ДД")},
        {QStringLiteral("list-journal"), QStringLiteral("Вывести записи журнала J (0..5) строками \"индекс данные-hex\" и выйти."), QStringLiteral("J")},
        {QStringLiteral("list-profile-day"), QStringLiteral("Вывести записи профиля нагрузки за этот день строками \"индекс данные-hex\" и выйти."), QStringLiteral("ГГГГ-ММ-ДД")},
        {QStringLiteral("exit-on-eof"), QStringLiteral("Завершиться по концу стандартного ввода.")},
        {QStringLiteral("verbose"), QStringLiteral("Выводить принятые и отправленные байты в стандартный поток ошибок.")},
    };
    parser.addOptions(options);
    parser.process(app);

    meterlink::QtClock &clock = meterlink::QtClock::instance();
    sim::SimulatedMeter meter(clock);

    const int baud = intOption(parser, QStringLiteral("baud"), 1, 1000000);
    const auto speedIndex = meterlink::indexForSpeed(baud);
    if (!speedIndex)
        die(QStringLiteral("--baud: такой скорости у счетчика нет: %1").arg(baud));
    meter.setSpeedIndex(*speedIndex);
    meter.setAddress(static_cast<quint8>(intOption(parser, QStringLiteral("address"), 0, 255)));

    const QString mode = parser.value(QStringLiteral("mode")).toLower();
    if (mode == QLatin1String("modbus"))
        meter.setLineMode(meterlink::LineMode::Modbus);
    else if (mode != QLatin1String("rs485"))
        die(QStringLiteral("--mode: допустимо rs485 или modbus"));
    const QString parity = parser.value(QStringLiteral("parity")).toLower();
    if (parity == QLatin1String("even"))
        meter.setModbusParity(meterlink::ModbusParity::Even);
    else if (parity == QLatin1String("odd"))
        meter.setModbusParity(meterlink::ModbusParity::Odd);
    else if (parity != QLatin1String("none"))
        die(QStringLiteral("--parity: допустимо none, even или odd"));

    if (parser.isSet(QStringLiteral("serial")))
        meter.state().serial = static_cast<quint32>(intOption(parser, QStringLiteral("serial"), 0, 0xFFFFFF));
    if (parser.isSet(QStringLiteral("password"))) {
        QByteArray password = parser.value(QStringLiteral("password")).toLatin1().left(6);
        password.append(QByteArray(6 - password.size(), '\0'));
        meter.state().password = password;
    }
    if (parser.isSet(QStringLiteral("power")))
        meter.state().loadPowerW = intOption(parser, QStringLiteral("power"), 0, 100000);
    if (parser.isSet(QStringLiteral("schedule"))) {
        QString error;
        const auto data = schedule::loadTscFile(parser.value(QStringLiteral("schedule")), &error);
        if (!data)
            die(QStringLiteral("--schedule: %1").arg(error));
        sim::loadSchedule(meter.state(), *data);
    }
    if (parser.isSet(QStringLiteral("seed")))
        meter.setSeed(static_cast<quint32>(intOption(parser, QStringLiteral("seed"), 0, 0x7FFFFFFF)));

    applyJournalOptions(parser, meter);
    if (listJournals(parser, meter))
        return 0;

    sim::Faults &faults = meter.faults();
    faults.silent = parser.isSet(QStringLiteral("silent"));
    if (parser.isSet(QStringLiteral("silent-after")))
        faults.silentAfterReplies = intOption(parser, QStringLiteral("silent-after"), 0, 1 << 30);
    if (parser.isSet(QStringLiteral("vanish-after")))
        faults.vanishAfterReplies = intOption(parser, QStringLiteral("vanish-after"), 0, 1 << 30);
    if (parser.isSet(QStringLiteral("faults-after")))
        faults.faultsAfterReplies = intOption(parser, QStringLiteral("faults-after"), 0, 1 << 30);
    for (const QString &entry : parser.values(QStringLiteral("error"))) {
        const QStringList parts = entry.split(QLatin1Char(':'));
        bool okF = false, okE = false;
        const int f = parts.value(0).toInt(&okF, 16);
        const int e = parts.value(1).toInt(&okE, 0);
        if (parts.size() != 2 || !okF || !okE || f < 0 || f > 0x7F || e < 0 || e > 255)
            die(QStringLiteral("--error: ожидается F:E, где F — шестнадцатеричный код функции, получено \"%1\"").arg(entry));
        faults.errors.insert(static_cast<quint8>(f), static_cast<quint8>(e));
    }
    if (parser.isSet(QStringLiteral("busy")))
        faults.busyCount = intOption(parser, QStringLiteral("busy"), 0, 1 << 30);
    faults.corruptEvery = parser.isSet(QStringLiteral("corrupt"));
    faults.corruptNext = parser.isSet(QStringLiteral("corrupt-once"));
    if (parser.isSet(QStringLiteral("corrupt-offset")))
        faults.corruptOffset = intOption(parser, QStringLiteral("corrupt-offset"), -255, 255);
    if (parser.isSet(QStringLiteral("split")))
        faults.splitParts = 3;
    faults.strayByte = parser.isSet(QStringLiteral("stray"));
    faults.strayInReply = parser.isSet(QStringLiteral("stray-merged"));
    if (parser.isSet(QStringLiteral("delay")))
        faults.replyDelayMs = intOption(parser, QStringLiteral("delay"), 0, 600000);
    faults.alterStoredZones = parser.isSet(QStringLiteral("alter-zones"));
    meter.setLineTimeEmulated(parser.isSet(QStringLiteral("line-time")));

    const bool verbose = parser.isSet(QStringLiteral("verbose"));
    auto trace = [verbose, &clock](const char *what, const QByteArray &bytes) {
        if (verbose)
            std::fprintf(stderr, "%9lld %s %s\n", static_cast<long long>(clock.elapsedMs()), what, qPrintable(hex(bytes)));
    };
    QObject::connect(&meter, &sim::SimulatedMeter::communicationChanged, &app,
                     [](int address, int speed, meterlink::LineMode lineMode, meterlink::ModbusParity modbusParity) {
                         std::fprintf(stderr, "tarvik-sim: now address %d, %d bit/s, %s%s\n", address,
                                      meterlink::speedForIndex(speed).value_or(0),
                                      lineMode == meterlink::LineMode::Modbus ? "MODBUS" : "Rs-485",
                                      lineMode != meterlink::LineMode::Modbus ? ""
                                      : modbusParity == meterlink::ModbusParity::Even ? " even parity"
                                      : modbusParity == meterlink::ModbusParity::Odd  ? " odd parity"
                                                                                 : " no parity");
                     });

    QSerialPort port;
#ifdef Q_OS_UNIX
    sim::PtyServer pty;
    sim::quitOnTerminationSignals();
    if (parser.isSet(QStringLiteral("exit-on-eof")))
        sim::quitOnStdinEof();
#endif

    if (parser.isSet(QStringLiteral("device"))) {
        port.setPortName(parser.value(QStringLiteral("device")));
        applyLine(port, baud, meter.lineMode(), meter.modbusParity());
        if (!port.open(QIODevice::ReadWrite))
            die(QStringLiteral("не удается открыть %1: %2").arg(port.portName(), port.errorString()));
        applyLine(port, baud, meter.lineMode(), meter.modbusParity());
        QObject::connect(&port, &QSerialPort::readyRead, &meter, [&] {
            const QByteArray bytes = port.readAll();
            trace("RX", bytes);
            meter.receive(bytes);
        });
        QObject::connect(&meter, &sim::SimulatedMeter::send, &port, [&](const QByteArray &bytes) {
            trace("TX", bytes);
            port.write(bytes);
        });
        // The acknowledgement of 0x03 leaves at the old speed; switch once it is out.
        QObject::connect(&meter, &sim::SimulatedMeter::communicationChanged, &port,
                         [&](int, int speed, meterlink::LineMode lineMode, meterlink::ModbusParity modbusParity) {
                             port.flush();
                             const int drainMs = 16 * 11 * 1000 / port.baudRate() + 10;
                             clock.callLater(drainMs, &port, [&port, speed, lineMode, modbusParity] {
                                 applyLine(port, meterlink::speedForIndex(speed).value_or(4800), lineMode, modbusParity);
                             });
                         });
        std::printf("DEVICE %s\n", qPrintable(parser.value(QStringLiteral("device"))));
    } else {
#ifdef Q_OS_UNIX
        QString error;
        if (!pty.open(&error))
            die(QStringLiteral("не удается создать псевдотерминал: %1").arg(error));
        QObject::connect(&pty, &sim::PtyServer::received, &meter, [&](const QByteArray &bytes) {
            trace("RX", bytes);
            meter.receive(bytes);
        });
        QObject::connect(&meter, &sim::SimulatedMeter::send, &pty, [&](const QByteArray &bytes) {
            trace("TX", bytes);
            pty.write(bytes);
        });
        std::printf("PTY %s\n", qPrintable(pty.slavePath()));
#else
        die(QStringLiteral("псевдотерминалы здесь недоступны; укажите --device"));
#endif
    }
    // The port goes away under the client: closed, and the program ends.
    QObject::connect(&meter, &sim::SimulatedMeter::vanished, &app, [&] {
        std::fprintf(stderr, "tarvik-sim: порт закрыт (--vanish-after)\n");
        port.close();
#ifdef Q_OS_UNIX
        pty.close();
#endif
        QCoreApplication::exit(0);
    });
    std::fflush(stdout);
    return app.exec();
}
