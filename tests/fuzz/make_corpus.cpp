// Writes the seed corpora of the fuzz targets (see README.md here):
//
//   fuzz_make_corpus <dir>    # dir/fuzz_reply/*, dir/fuzz_oplog/*
//
// fuzz_reply seeds are real replies of the simulated meter to the polling
// requests and to other reads of the catalogue, in both line modes, with the
// meter's faults (error replies, busy, split and corrupted replies, stray
// bytes, silence) and short polling conversations, and the reads and write
// acknowledgements of the RF-PLC and indicator pages, and journal reads begun
// by the journal reader. Each seed is played
// through the fuzz target's own harness once, and the maker stops if a seed
// does not reach what it was made for (a reply accepted, a line in the
// protocol view or the operation log, values taken by a page's engine, journal rows). fuzz_oplog seeds are operation-log files written by the
// station's own writer (Windows-1251, CR LF).

#include "replyharness.h"
#include "replyscript.h"

#include "app/operationlog.h"
#include "app/station.h"
#include "link/linemode.h"
#include "link/pollcycle.h"
#include "link/virtualclock.h"
#include "sim/simulatedmeter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

using meterlink::LineMode;

constexpr int kNextTransmissionMs = 50; // TimerCommand after a handled reply
constexpr int kPastTimeoutMs = 600;     // the default time-out is 500 ms

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

// A simulated meter on its own virtual clock: a request goes in as the
// station puts it on the line, the chunks the meter sends come out.
class MeterTap
{
public:
    MeterTap(LineMode mode, quint8 address) : m_mode(mode), m_address(address)
    {
        m_meter.setAddress(address);
        m_meter.setLineMode(mode);
        QObject::connect(&m_meter, &sim::SimulatedMeter::send, [this](const QByteArray &b) { m_sent << b; });
    }
    sim::Faults &faults() { return m_meter.faults(); }
    sim::MeterState &state() { return m_meter.state(); }

    QList<QByteArray> answer(const QByteArray &request)
    {
        m_sent.clear();
        const QByteArray frame = meterlink::frameRequest(int(m_mode), m_address, request);
        if (m_mode == LineMode::Rs485) {
            m_meter.receive(QByteArray(1, char(m_address)));
            m_clock.advance(5);
        }
        m_meter.receive(frame);
        m_clock.advance(1000);
        return m_sent;
    }

private:
    meterlink::VirtualClock m_clock;
    sim::SimulatedMeter m_meter{m_clock};
    LineMode m_mode;
    quint8 m_address;
    QList<QByteArray> m_sent;
};

// What a seed must bring about when played.
struct Expect
{
    int accepted = 0;          // replies the dispatcher accepted, at least
    QString protocolText = {}; // a protocol-view line containing this
    QString logText = {};      // an operation-log line equal to this
    bool pageValues = false;   // the RF-PLC or indicator engine took values from a reply
    bool journalRows = false;  // the journal reader added rows
};

struct Seed
{
    QString name;
    fuzz::ReplyScript script;
    Expect expect;
};

fuzz::ReplyScript script(LineMode mode, quint8 address, const QByteArray &request, int pollIndex = -1)
{
    fuzz::ReplyScript s;
    s.lineMode = int(mode);
    s.address = address;
    if (pollIndex >= 0)
        s.pollIndex = pollIndex;
    else
        s.request = request;
    return s;
}

void addChunks(fuzz::ReplyScript &s, const QList<QByteArray> &chunks)
{
    for (const QByteArray &c : chunks)
        s.events.append({c, 0});
}

void addWait(fuzz::ReplyScript &s, int ms) { s.events.append({{}, ms}); }

QString modeName(LineMode mode) { return mode == LineMode::Rs485 ? QStringLiteral("rs485") : QStringLiteral("modbus"); }

quint8 addressFor(LineMode mode) { return mode == LineMode::Rs485 ? 5 : 17; }

void pollSeeds(QList<Seed> &out, LineMode mode)
{
    const quint8 a = addressFor(mode);
    MeterTap meter(mode, a);
    for (int n = 0; n < meterlink::kPollSteps; ++n) {
        fuzz::ReplyScript s = script(mode, a, {}, n);
        addChunks(s, meter.answer(meterlink::pollRequest(n)));
        out.append({QStringLiteral("poll-%1-%2").arg(modeName(mode)).arg(n, 2, 10, QLatin1Char('0')), s, {1}});
    }
}

// Reads of the catalogue outside the polling cycle (decoded by later pages)
// and the password entry.
void catalogueSeeds(QList<Seed> &out, LineMode mode)
{
    const quint8 a = addressFor(mode);
    const QList<QPair<QString, QByteArray>> requests = {
        {"limit-coefficient", bytes({0x06, 0x02})},
        {"schedule-record", bytes({0x08, 0x03, 0x00})},
        {"rfplc-address", bytes({0x0A, 0x02})},
        {"route", bytes({0x20, 0x03, 0x00})},
        {"holiday", bytes({0x26, 0x03, 0x00})},
        {"transfer", bytes({0x28, 0x03, 0x00})},
        {"indicator", bytes({0x2E, 0x02})},
        {"sensor", bytes({0x1C, 0x04, 0x01, 0x02})},
        {"journal-month", bytes({0x5D, 0x03, 0x00})},
        {"journal-onoff", bytes({0x5D, 0x03, 0x02})},
        {"journal-profile", bytes({0x5D, 0x03, 0x05})},
        {"password", bytes({0x14, 0x08, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5})},
    };
    MeterTap meter(mode, a);
    for (const auto &[name, request] : requests) {
        fuzz::ReplyScript s = script(mode, a, request);
        addChunks(s, meter.answer(request));
        out.append({QStringLiteral("read-%1-%2").arg(modeName(mode), name), s, {1}});
    }
}

// The replies of a schedule read from a meter that holds a schedule: a zone
// entry, a holiday, a transfer, a coefficient of 0 (shown as 1).
void scheduleSeeds(QList<Seed> &out, LineMode mode)
{
    const quint8 a = addressFor(mode);
    MeterTap meter(mode, a);
    meter.state().zones[2] = QByteArray::fromHex("20070005FFFF0F");
    meter.state().holidays[0] = {0x08, 0x03};
    meter.state().transfers[0] = {0x07, 0x03, 0x30, 0x08};
    meter.state().limitCoefficient = 0;
    const QList<QPair<QString, QByteArray>> requests = {
        {"coefficient-0", bytes({0x06, 0x02})},
        {"zone-entry", bytes({0x08, 0x03, 0x02})},
        {"holiday-present", bytes({0x26, 0x03, 0x00})},
        {"transfer-present", bytes({0x28, 0x03, 0x00})},
    };
    for (const auto &[name, request] : requests) {
        fuzz::ReplyScript s = script(mode, a, request);
        addChunks(s, meter.answer(request));
        out.append({QStringLiteral("schedule-%1-%2").arg(modeName(mode), name), s, {1}});
    }
}

// The RF-PLC and indicator pages: their reads with the values present,
// absent and "По мощности", and the acknowledgements of their writes (the
// meter has taken the fixed password before each write).
void rfPlcIndicatorSeeds(QList<Seed> &out, LineMode mode)
{
    const quint8 a = addressFor(mode);
    const QString m = modeName(mode);
    MeterTap meter(mode, a);
    meter.state().routes[2] = {true, 17, 123456};
    meter.state().displayMask = 0x8003;
    meter.state().backlight = 0x87000000;
    struct Case
    {
        QString name;
        QByteArray request;
        Expect expect;
    };
    const QList<Case> cases = {
        {"rfplc-group-address", bytes({0x0A, 0x02}), {1, {}, {}, true}},
        {"route-present", bytes({0x20, 0x03, 0x02}), {1, {}, {}, true}},
        {"route-absent", bytes({0x20, 0x03, 0x01}), {1}},
        {"indicator-by-power", bytes({0x2E, 0x02}), {1, {}, {}, true}},
        {"write-plc-address", bytes({0x0B, 0x04, 0x03, 0xC8}), {1, {}, QStringLiteral("Plc-группа=3, Plc-адрес=200")}},
        {"write-route", bytes({0x21, 0x07, 0x02, 0x11, 0x40, 0xE2, 0x01}),
         {1, {}, QStringLiteral("Plc-Маршрут=2, адрес=17, номер=123456")}},
        {"delete-route", bytes({0x21, 0x03, 0x03}), {1, {}, QStringLiteral("Plc-Маршрут=3 удален")}},
        {"write-indicator", bytes({0x2F, 0x08, 0x61, 0x01, 0x00, 0x00, 0x00, 0x00}),
         {1, {}, QStringLiteral("Режим индикации=")}},
    };
    for (const Case &c : cases) {
        meter.answer(bytes({0x14, 0x08, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5}));
        fuzz::ReplyScript s = script(mode, a, c.request);
        addChunks(s, meter.answer(c.request));
        out.append({QStringLiteral("page-%1-%2").arg(m, c.name), s, c.expect});
    }
}

void faultSeeds(QList<Seed> &out, LineMode mode)
{
    const quint8 a = addressFor(mode);
    const QString m = modeName(mode);
    // Error replies that drop the queue: protected memory, unknown function,
    // wrong length, an error code without a text.
    struct ErrorCase
    {
        int code;
        int error;
        QString text;
    };
    const QList<ErrorCase> errors = {{0x01, 5, QStringLiteral("Ошибка: Память защищена")},
                                     {0x4C, 1, QStringLiteral("Ошибка: Неизвестная функция")},
                                     {0x0F, 2, QStringLiteral("Ошибка: Неверная длина запроса")},
                                     {0x04, 7, QStringLiteral("Неизвестная ошибка 7")},
                                     {0x02, 6, QStringLiteral("Ошибка: Нет доступа для записи")}};
    for (const ErrorCase &e : errors) {
        MeterTap meter(mode, a);
        meter.faults().errors.insert(quint8(e.code), quint8(e.error));
        const QByteArray request = e.code == 0x0F   ? bytes({0x0F, 0x03, 0x00})
                                   : e.code == 0x02 ? bytes({0x02, 0x05, 0x01, 0x02, 0x03})
                                                    : bytes({e.code, 0x02});
        fuzz::ReplyScript s = script(mode, a, request);
        addChunks(s, meter.answer(request));
        addWait(s, kNextTransmissionMs); // polling goes on
        out.append({QStringLiteral("error-%1-%2-%3").arg(m).arg(e.code, 2, 16, QLatin1Char('0')).arg(e.error), s,
                     {0, e.text}});
    }
    // Busy, then the same request again and its reply.
    {
        MeterTap meter(mode, a);
        meter.faults().busyCount = 2;
        const QByteArray request = bytes({0x01, 0x02});
        fuzz::ReplyScript s = script(mode, a, request);
        for (int i = 0; i < 3; ++i) {
            addChunks(s, meter.answer(request));
            addWait(s, kNextTransmissionMs);
        }
        out.append({QStringLiteral("busy-%1").arg(m), s, {1, QStringLiteral("Память занята")}});
    }
    // Split replies, each with the next polling exchange behind it.
    const QList<int> splitPolls = {3, 11, 28, 40};
    for (int n : splitPolls) {
        MeterTap meter(mode, a);
        meter.faults().splitParts = 3;
        fuzz::ReplyScript s = script(mode, a, {}, n);
        addChunks(s, meter.answer(meterlink::pollRequest(n)));
        addWait(s, kNextTransmissionMs);
        addChunks(s, meter.answer(meterlink::pollRequest(0)));
        out.append({QStringLiteral("split-%1-%2").arg(m).arg(n), s, {2}});
    }
    // A stray byte behind a reply, before the next request.
    {
        MeterTap meter(mode, a);
        meter.faults().strayByte = true;
        fuzz::ReplyScript s = script(mode, a, {}, 2);
        addChunks(s, meter.answer(meterlink::pollRequest(2)));
        addWait(s, kNextTransmissionMs);
        addChunks(s, meter.answer(meterlink::pollRequest(0)));
        out.append({QStringLiteral("stray-%1").arg(m), s, {2}});
    }
    // A corrupted reply: MODBUS never delivers it, Rs-485 rejects or misreads it.
    {
        MeterTap meter(mode, a);
        meter.faults().corruptNext = true;
        meter.faults().corruptOffset = mode == LineMode::Rs485 ? 0 : 4;
        fuzz::ReplyScript s = script(mode, a, {}, 1);
        addChunks(s, meter.answer(meterlink::pollRequest(1)));
        addWait(s, kPastTimeoutMs);
        out.append({QStringLiteral("corrupt-%1").arg(m), s,
                    {0, mode == LineMode::Rs485 ? QStringLiteral("Неверный отклик") : QStringLiteral("Timeout")}});
    }
    // A silent meter: time-outs until it counts as absent.
    {
        fuzz::ReplyScript s = script(mode, a, {}, 0);
        for (int i = 0; i < 7; ++i)
            addWait(s, kPastTimeoutMs);
        out.append({QStringLiteral("silent-%1").arg(m), s, {0, QStringLiteral("Timeout")}});
    }
}

// The reply to another request: Rs-485 rejects it as a wrong reply.
void wrongReplySeed(QList<Seed> &out)
{
    MeterTap meter(LineMode::Rs485, 5);
    fuzz::ReplyScript s = script(LineMode::Rs485, 5, bytes({0x04, 0x02}));
    addChunks(s, meter.answer(bytes({0x01, 0x02})));
    out.append({QStringLiteral("wrong-rs485"), s, {0, QStringLiteral("Неверный отклик")}});
}

// Journal reads begun by the journal reader: the header and the first
// records of the month and on/off journals, the two records of the settings
// journal after two writes, and the header and
// record 0 of the load profile (the probe that starts its search).
void journalSeeds(QList<Seed> &out, LineMode mode)
{
    const quint8 a = addressFor(mode);
    const QList<QPair<QString, int>> journals = {{"month", 0}, {"onoff", 2}, {"settings", 3}, {"profile", 5}};
    for (const auto &[name, j] : journals) {
        MeterTap meter(mode, a);
        if (j == 3) { // two accepted writes leave their records in the settings journal
            meter.answer(bytes({0x14, 0x08, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5}));
            meter.answer(bytes({0x0B, 0x04, 0x03, 0xC8}));
            meter.answer(bytes({0x14, 0x08, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5}));
            meter.answer(bytes({0x21, 0x07, 0x02, 0x11, 0x40, 0xE2, 0x01}));
        }
        fuzz::ReplyScript s = script(mode, a, {});
        s.journal = j;
        addChunks(s, meter.answer(bytes({0x5D, 0x03, j})));
        const int records = j == 5 ? 1 : j == 3 ? 2 : 3;
        for (int i = 0; i < records; ++i) {
            addWait(s, kNextTransmissionMs);
            addChunks(s, meter.answer(bytes({0x5D, 0x05, j, i, 0x00})));
        }
        out.append({QStringLiteral("journal-%1-%2").arg(modeName(mode), name), s,
                     {1 + records, {}, {}, false, j != 5}});
    }
}

// A stretch of the polling cycle as the station runs it after connecting:
// the start request 00 02, then requests 0, 1, 2, ... of the cycle.
void conversationSeeds(QList<Seed> &out, LineMode mode)
{
    const quint8 a = addressFor(mode);
    MeterTap meter(mode, a);
    fuzz::ReplyScript s = script(mode, a, {}, 2);
    s.trace = true;
    addChunks(s, meter.answer(meterlink::pollRequest(2)));
    for (int n = 0; n < 12; ++n) {
        addWait(s, kNextTransmissionMs);
        addChunks(s, meter.answer(meterlink::pollRequest(n)));
    }
    out.append({QStringLiteral("cycle-%1").arg(modeName(mode)), s, {13}});
}

// Plays the seed through the fuzz target's harness; false if it misses its aim.
bool reaches(const Seed &seed, const QString &workingDir)
{
    int accepted = 0;
    int pageValues = 0;
    int journalRows = 0;
    QStringList lines;
    QStringList logged;
    fuzz::playReplyScript(seed.script, workingDir, [&](app::Station &station) {
        QObject::connect(&station.dispatcher(), &protocol::ReplyDispatcher::replyAccepted, [&] { ++accepted; });
        QObject::connect(&station.protocolView(), &app::ProtocolView::lineAdded,
                         [&](const QString &l) { lines << l; });
        QObject::connect(&station.dispatcher(), &protocol::ReplyDispatcher::operationLogged,
                         [&](const QString &l) { logged << l; });
        QObject::connect(&station.rfPlc(), &protocol::RfPlc::readingsChanged, [&] { ++pageValues; });
        QObject::connect(&station.indicator(), &protocol::Indicator::settingsRead, [&] { ++pageValues; });
        QObject::connect(&station.journals(), &journals::JournalReader::rowsChanged, [&](journals::Journal j) {
            journalRows += int(station.journals().rows(j).size());
        });
    });
    const bool lineSeen = seed.expect.protocolText.isEmpty()
                          || std::any_of(lines.cbegin(), lines.cend(),
                                         [&](const QString &l) { return l.contains(seed.expect.protocolText); });
    const bool logSeen = seed.expect.logText.isEmpty() || logged.contains(seed.expect.logText);
    if (accepted >= seed.expect.accepted && lineSeen && logSeen && (!seed.expect.pageValues || pageValues > 0)
        && (!seed.expect.journalRows || journalRows > 0))
        return true;
    std::fprintf(stderr, "seed %s: %d accepted (want %d), %d page values, %d journal rows, log: %s, protocol:\n  %s\n",
                 qPrintable(seed.name), accepted, seed.expect.accepted, pageValues, journalRows,
                 qPrintable(logged.join(QStringLiteral(" | "))), qPrintable(lines.join(QStringLiteral("\n  "))));
    return false;
}

// ---------------------------------------------------------------- operation log

QByteArray oplogInput(qint32 filter, int maxLines, const QByteArray &file)
{
    QByteArray out;
    for (int i = 0; i < 4; ++i)
        out.append(char(quint32(filter) >> (8 * i)));
    out.append(char(maxLines < 0 ? 255 : maxLines));
    return out + file;
}

// A log written by the station's own writer: several meters, Russian texts,
// one entry at midnight (no time part), a serial of seven digits.
QByteArray writtenLog(const QString &dir)
{
    app::OperationLog log(dir);
    log.setLocale(QLocale(QLocale::Russian, QLocale::Russia));
    QDateTime at(QDate(2026, 3, 14), QTime(10, 20, 30));
    log.setNowProvider([&] { return at; });
    const QList<QPair<quint32, QString>> entries = {
        {0, QStringLiteral("Запись пароля")},
        {1234, QStringLiteral("Расчетный день=25 Расчетный час=7")},
        {1234, QStringLiteral("Запись времени 14.03.2026 10:20:30")},
        {765432, QStringLiteral("Лимит мощности=5000 Вт")},
        {1234, QStringLiteral("Сброс электронной пломбы")},
        {12345678, QStringLiteral("Номер счетчика=12345678")},
        {1234, QStringLiteral("Период фиксации профиля=30 мин.")},
    };
    for (int i = 0; i < entries.size(); ++i) {
        if (i == 4)
            at = QDateTime(QDate(2026, 3, 15), QTime(0, 0));
        else
            at = at.addSecs(95);
        log.operationLogLine(entries[i].second, entries[i].first);
    }
    QFile f(log.logFilePath());
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray all = f.readAll();
    f.close();
    f.remove();
    return all;
}

QList<QPair<QString, QByteArray>> oplogSeeds(const QString &dir)
{
    const QByteArray log = writtenLog(dir);
    if (log.isEmpty() || !log.contains("\r\n"))
        return {};
    QByteArray edited = log; // edited by hand: LF-only lines, no line end at the end
    edited.replace("\r\n", "\n");
    edited += "001234[14.03.2026 11:00:00] без конца строки";
    return {
        {QStringLiteral("log-1234-all"), oplogInput(1234, -1, log)},
        {QStringLiteral("log-1234-first2"), oplogInput(1234, 2, log)},
        {QStringLiteral("log-0-all"), oplogInput(0, -1, log)},
        {QStringLiteral("log-765432-all"), oplogInput(765432, -1, log)},
        {QStringLiteral("log-12345678-all"), oplogInput(12345678, -1, log)},
        {QStringLiteral("log-edited-1234"), oplogInput(1234, -1, edited)},
        {QStringLiteral("log-empty-1234"), oplogInput(1234, -1, {})},
    };
}

bool writeSeed(const QDir &dir, const QString &name, const QByteArray &bytes)
{
    QFile f(dir.filePath(name));
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// Empties (or creates) dir/sub and returns it.
QDir freshDir(const QString &root, const QString &sub)
{
    QDir dir(QDir(root).filePath(sub));
    dir.removeRecursively();
    QDir().mkpath(dir.path());
    return dir;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_make_corpus <corpus dir>\n");
        return 1;
    }
    QTemporaryDir work;

    QList<Seed> seeds;
    for (const LineMode mode : {LineMode::Rs485, LineMode::Modbus}) {
        pollSeeds(seeds, mode);
        catalogueSeeds(seeds, mode);
        scheduleSeeds(seeds, mode);
        rfPlcIndicatorSeeds(seeds, mode);
        faultSeeds(seeds, mode);
        conversationSeeds(seeds, mode);
        journalSeeds(seeds, mode);
    }
    wrongReplySeed(seeds);

    const QDir replyDir = freshDir(QString::fromLocal8Bit(argv[1]), QStringLiteral("fuzz_reply"));
    for (const Seed &seed : seeds) {
        if (!reaches(seed, work.path()) || !writeSeed(replyDir, seed.name, seed.script.serialize()))
            return 1;
        // What is written is what is played.
        const QByteArray bytes = seed.script.serialize();
        if (fuzz::ReplyScript::parse(reinterpret_cast<const uint8_t *>(bytes.constData()), size_t(bytes.size()))
                .serialize()
            != bytes) {
            std::fprintf(stderr, "seed %s does not read back as written\n", qPrintable(seed.name));
            return 1;
        }
    }

    const auto logs = oplogSeeds(work.path());
    if (logs.isEmpty()) {
        std::fprintf(stderr, "the operation log could not be written\n");
        return 1;
    }
    const QDir oplogDir = freshDir(QString::fromLocal8Bit(argv[1]), QStringLiteral("fuzz_oplog"));
    for (const auto &[name, bytes] : logs)
        if (!writeSeed(oplogDir, name, bytes))
            return 1;

    std::printf("%lld fuzz_reply seeds, %lld fuzz_oplog seeds\n", qlonglong(seeds.size()), qlonglong(logs.size()));
    return 0;
}
