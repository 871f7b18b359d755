#include "simulatedmeter.h"

#include "encoding.h"

#include "link/crc.h"
#include "link/speeds.h"

#include <QTimeZone>
#include <cmath>
#include <optional>

namespace sim {

namespace {

// Function codes the meter knows, with the payload sizes it takes (bit n set:
// n payload bytes allowed). 0 means unknown: 0x32, 0x33, 0x34 and 0x57 are
// factory functions this meter does not offer on the bus.
quint32 allowedPayloadSizes(quint8 code)
{
    constexpr quint32 none = 1u << 0;
    auto sizes = [](std::initializer_list<int> list) {
        quint32 mask = 0;
        for (int n : list)
            mask |= 1u << n;
        return mask;
    };
    switch (code) {
    case 0x00: case 0x01: case 0x04: case 0x06: case 0x0A: case 0x11: case 0x16: case 0x18:
    case 0x1E: case 0x22: case 0x24: case 0x25: case 0x2B: case 0x2E: case 0x4C: case 0x4D:
    case 0x4E: case 0x50: case 0x5C: case 0x60:
        return none;
    case 0x07: case 0x0F: case 0x1F: case 0x20: case 0x26: case 0x28: case 0x4F: case 0x51:
        return sizes({1});
    case 0x08: return sizes({0, 1});
    case 0x02: case 0x61: return sizes({3});
    case 0x03: case 0x0B: case 0x19: case 0x1C: case 0x23: return sizes({2});
    case 0x05: return sizes({5});
    case 0x09: return sizes({0, 8});
    case 0x14: case 0x15: case 0x2F: return sizes({6});
    case 0x17: case 0x5F: return sizes({4});
    case 0x1D: return sizes({4, 6});
    case 0x21: return sizes({1, 5});
    case 0x27: return sizes({0, 3});
    case 0x29: return sizes({0, 5});
    case 0x5D: return sizes({1, 3});
    default: return 0;
    }
}

bool isWrite(quint8 code)
{
    switch (code) {
    case 0x02: case 0x03: case 0x05: case 0x07: case 0x09: case 0x0B: case 0x14: case 0x15:
    case 0x17: case 0x19: case 0x1D: case 0x1F: case 0x21: case 0x23: case 0x24: case 0x27:
    case 0x29: case 0x2F: case 0x4F: case 0x51: case 0x5F: case 0x61:
        return true;
    default:
        return false;
    }
}

// Writes that need the password entry first: all but the entry itself and
// the route write 0x21, which the station sends on its own, without a
// password entry in front of it.
bool needsAccess(quint8 code) { return isWrite(code) && code != 0x14 && code != 0x21; }

quint8 byteAt(QByteArrayView bytes, qsizetype i) { return static_cast<quint8>(bytes[i]); }

QByteArray body(quint8 code, const QByteArray &payload = {})
{
    QByteArray out;
    out.append(static_cast<char>(code));
    out.append(static_cast<char>(payload.size() + 2));
    out.append(payload);
    return out;
}

QByteArray errorBody(quint8 code, quint8 error)
{
    QByteArray out;
    out.append(static_cast<char>(code | 0x80));
    out.append(char(3));
    out.append(static_cast<char>(error));
    return out;
}

// Date and time fields of a meter time, in a zone without DST so that
// stepping through them never skips or repeats an hour.
QDateTime fieldsAt(qint64 msSince2000)
{
    return QDateTime(QDate(2000, 1, 1), QTime(0, 0), QTimeZone::utc()).addMSecs(msSince2000);
}

qint64 msOfFields(const QDate &date, const QTime &time)
{
    return QDateTime(QDate(2000, 1, 1), QTime(0, 0), QTimeZone::utc())
        .msecsTo(QDateTime(date, time, QTimeZone::utc()));
}

quint32 secondsOf(qint64 ms) { return static_cast<quint32>(qMax<qint64>(0, ms / 1000)); }

qint64 currentMeterMs(qint64 atRef, qint64 elapsedAtRef, qint64 elapsed) { return atRef + (elapsed - elapsedAtRef); }

} // namespace

const QByteArray &SimulatedMeter::servicePassword()
{
    static const QByteArray password(6, char(0xA5));
    return password;
}

SimulatedMeter::SimulatedMeter(meterlink::Clock &clock, QObject *parent) : QObject(parent), m_clock(clock)
{
    m_elapsedAtRef = m_livedElapsedMs = m_clock.elapsedMs();
    m_meterMsAtRef = m_livedMeterMs = msSince2000(m_clock.now());

    // A meter that has been in service for a while.
    Registers &cur = m_state.current;
    cur.activeKwh = {4521.375, 1873.5, 312.25, 0, 0, 0, 0, 0};
    cur.reactiveInductiveKvarh = 1402.125;
    cur.reactiveCapacitiveKvarh = 28.5;
    cur.peakW = 4870;
    cur.peakTime = secondsOf(m_meterMsAtRef) - 12 * 86400 + 3600;
    Registers &set = m_state.settlement;
    set.activeKwh = {4398.0, 1830.25, 305.0, 0, 0, 0, 0, 0};
    set.reactiveInductiveKvarh = 1364.75;
    set.reactiveCapacitiveKvarh = 27.75;
    set.peakW = 5120;
    set.peakTime = secondsOf(m_meterMsAtRef) - 40 * 86400;
    m_state.sensors[0] = {1000, 123456, 120000};
    m_state.routes[0] = {true, 12, 4660};
    m_journals.anchor(m_state, meterSeconds());
}

void SimulatedMeter::setLineMode(meterlink::LineMode mode)
{
    m_mode = mode;
    m_framePhase = false;
    m_buffer.clear();
    ++m_rxGeneration;
}

void SimulatedMeter::setSpeedIndex(int index)
{
    if (meterlink::speedForIndex(index))
        m_speedIndex = index;
}

int SimulatedMeter::lineTimeMs(qsizetype byteCount) const
{
    const int baud = meterlink::speedForIndex(m_speedIndex).value_or(4800);
    return static_cast<int>((byteCount * 11 * 1000 + baud - 1) / baud);
}

// ---------------------------------------------------------------- receiving

void SimulatedMeter::receive(const QByteArray &bytesFromPc)
{
    if (m_faults.vanishAfterReplies == 0 && !bytesFromPc.isEmpty()) {
        m_faults.vanishAfterReplies = -1;
        emit vanished();
        return;
    }
    if (m_faults.silentAfterReplies == 0) {
        m_faults.silent = true;
        m_faults.silentAfterReplies = -1;
    }
    if (bytesFromPc.isEmpty() || m_faults.silent)
        return;
    if (m_mode == meterlink::LineMode::Rs485)
        receiveRs485(bytesFromPc);
    else
        receiveModbus(bytesFromPc);
}

// Rs-485: idle until a chunk starts with our address (parity is not visible
// here, so the address byte is told by position only); echo it, then collect
// the frame by its length byte. A frame that takes longer than kFramePhaseMs
// is abandoned.
void SimulatedMeter::receiveRs485(const QByteArray &bytes)
{
    if (!m_framePhase) {
        if (byteAt(bytes, 0) != m_address)
            return;
        emitChunk(QByteArray(1, static_cast<char>(m_address)));
        m_framePhase = true;
        m_buffer = bytes.mid(1);
        const quint64 generation = ++m_rxGeneration;
        m_clock.callLater(kFramePhaseMs, this, [this, generation] {
            if (generation == m_rxGeneration && m_framePhase) {
                m_framePhase = false;
                m_buffer.clear();
            }
        });
    } else {
        m_buffer.append(bytes);
    }
    if (m_buffer.size() < 2)
        return;
    const int length = byteAt(m_buffer, 1);
    if (m_buffer.size() < length + 2)
        return;
    const QByteArray frame = m_buffer.left(length + 2);
    m_requestLineBytes = frame.size() + 2; // the address byte and its echo before it
    m_framePhase = false;
    m_buffer.clear();
    ++m_rxGeneration;

    const quint8 code = byteAt(frame, 0);
    if (length < 2) // no room for a CRC
        transmit(errorBody(code, WrongLength), {});
    else if (!meterlink::checkCrc(frame))
        transmit(errorBody(code, BadCrc), {});
    else
        processFrame(code, QByteArrayView(frame).sliced(2, length - 2));
}

// MODBUS: [addr][code][L][payload][CRC over all]. Frames for another address
// or with a bad CRC are dropped without a word, and so is a partial frame
// after kModbusGapMs of silence.
void SimulatedMeter::receiveModbus(const QByteArray &bytes)
{
    m_buffer.append(bytes);
    const quint64 generation = ++m_rxGeneration;
    m_clock.callLater(kModbusGapMs, this, [this, generation] {
        if (generation == m_rxGeneration)
            m_buffer.clear();
    });
    while (m_buffer.size() > 2) {
        const int length = byteAt(m_buffer, 2);
        if (m_buffer.size() < length + 3)
            return;
        const QByteArray frame = m_buffer.left(length + 3);
        if (length < 2 || !meterlink::checkCrc(frame) || byteAt(frame, 0) != m_address) {
            m_buffer.clear();
            return;
        }
        m_buffer.remove(0, frame.size());
        m_requestLineBytes = frame.size();
        processFrame(byteAt(frame, 1), QByteArrayView(frame).sliced(3, length - 2));
    }
}

void SimulatedMeter::processFrame(quint8 code, QByteArrayView payload)
{
    refresh();
    const qint64 now = m_clock.elapsedMs();
    if (m_access && now - m_lastRequestMs > m_accessTimeoutMs)
        m_access = false;
    m_lastRequestMs = now;

    Answer a;
    const bool faultsDue = replyFaultsDue();
    if (faultsDue && m_faults.busyCount > 0) {
        --m_faults.busyCount;
        a.body = errorBody(code, Busy);
    } else if (faultsDue && m_faults.errors.contains(code)) {
        a.body = errorBody(code, m_faults.errors.value(code));
    } else {
        a = answer(code, payload);
    }
    transmit(a.body, std::move(a.afterSent));
}

SimulatedMeter::Answer SimulatedMeter::answer(quint8 code, QByteArrayView payload)
{
    const quint32 sizes = allowedPayloadSizes(code);
    if (sizes == 0)
        return {errorBody(code, UnknownFunction), {}};
    if (payload.size() > 31 || !(sizes & (1u << payload.size())))
        return {errorBody(code, WrongLength), {}};
    if (needsAccess(code) && !m_access)
        return {errorBody(code, NoAccess), {}};
    if (!isWrite(code))
        return answerRead(code, payload);
    const quint32 before = meterSeconds();
    Answer a = answerWrite(code, payload);
    if (a.body == body(code))
        journalWrite(code, payload, before);
    return a;
}

// An acknowledged write leaves its record in the settings journal.
void SimulatedMeter::journalWrite(quint8 code, QByteArrayView payload, quint32 timeBefore)
{
    auto record = settingsJournalRecord(code, payload, timeBefore, scheduleChecksum());
    if (!record)
        return;
    record->time = meterSeconds();
    m_state.settingsJournal.append(*record);
}

// ------------------------------------------------------------------- reads

SimulatedMeter::Answer SimulatedMeter::answerRead(quint8 code, QByteArrayView p)
{
    const MeterState &s = m_state;
    QByteArray out;
    switch (code) {
    case 0x00:
        out.append(static_cast<char>(toBcd8(s.versionMinor)));
        out.append(static_cast<char>(toBcd8(s.versionMajor)));
        out.append(static_cast<char>(toBcd8(s.typeCode % 100)));
        out.append(static_cast<char>(toBcd8(s.typeCode / 100 % 100)));
        out.append(static_cast<char>(toBcd8(s.typeCode / 10000 % 100)));
        break;
    case 0x01:
        putU24(out, s.serial);
        break;
    case 0x04: {
        const quint8 status = (s.dstAuto ? 0x80 : 0x00) | (s.clockFaults & 0x70) | ((currentTariff() - 1) & 7);
        out.append(static_cast<char>(status));
        putU32(out, meterSeconds());
        break;
    }
    case 0x06:
        out.append(static_cast<char>(s.limitCoefficient));
        break;
    case 0x08:
        if (p.isEmpty()) {
            putU16(out, scheduleChecksum());
        } else {
            const int slot = byteAt(p, 0);
            out.append(static_cast<char>(slot));
            if (auto it = s.zones.find(slot); it != s.zones.end())
                out.append(it->second);
        }
        break;
    case 0x0A:
        out.append(static_cast<char>(s.plcGroup));
        out.append(static_cast<char>(s.plcAddress));
        break;
    case 0x0F: {
        bool ok = false;
        out = reading(byteAt(p, 0), &ok);
        if (!ok)
            return {errorBody(code, BadData), {}};
        break;
    }
    case 0x11:
        putU32(out, s.workingSeconds);
        putU16(out, s.corrections);
        break;
    case 0x16:
        putU24(out, s.pult);
        out.append(static_cast<char>(s.loadMode));
        break;
    case 0x18:
        putU16(out, s.powerLimitW);
        break;
    case 0x1C: {
        const int sensor = byteAt(p, 0);
        const int kind = byteAt(p, 1);
        if (sensor > 2 || kind > 2)
            return {errorBody(code, BadData), {}};
        const DiscreteSensor &d = s.sensors[sensor];
        out.append(static_cast<char>(sensor));
        out.append(static_cast<char>(kind));
        if (kind == 0)
            putU16(out, d.calibration);
        else
            putU32(out, kind == 1 ? d.count : d.settlementCount);
        break;
    }
    case 0x1E:
        out.append(static_cast<char>(s.integrationMinus1));
        break;
    case 0x20: {
        const int route = byteAt(p, 0);
        if (route > 3)
            return {errorBody(code, BadData), {}};
        out.append(static_cast<char>(route));
        if (s.routes[route].present) {
            out.append(static_cast<char>(s.routes[route].repeater));
            putU24(out, s.routes[route].number);
        }
        break;
    }
    case 0x22:
        out.append(static_cast<char>(toBcd8(s.settlementHour)));
        out.append(static_cast<char>(toBcd8(s.settlementDay)));
        break;
    case 0x25:
        putMeterFloat(out, jitter(s.battery, 0.005));
        break;
    case 0x26: {
        const int slot = byteAt(p, 0);
        if (slot > 15)
            return {errorBody(code, BadData), {}};
        out.append(static_cast<char>(slot));
        if (s.holidays[slot].day != 0) {
            out.append(static_cast<char>(s.holidays[slot].day));
            out.append(static_cast<char>(s.holidays[slot].month));
        }
        break;
    }
    case 0x28: {
        const int slot = byteAt(p, 0);
        if (slot > 15)
            return {errorBody(code, BadData), {}};
        out.append(static_cast<char>(slot));
        const TransferSlot &t = s.transfers[slot];
        if (t.day != 0) {
            out.append(static_cast<char>(t.day));
            out.append(static_cast<char>(t.month));
            out.append(static_cast<char>(t.year));
            out.append(static_cast<char>(t.dayType));
        }
        break;
    }
    case 0x2B:
        putU32(out, s.current.peakTime);
        putU24(out, s.current.peakW);
        putU32(out, s.settlement.peakTime);
        putU24(out, s.settlement.peakW);
        break;
    case 0x2E:
        putU16(out, s.displayMask);
        putU32(out, s.backlight);
        break;
    case 0x4C:
        putU16(out, s.digitalId);
        break;
    case 0x4D: {
        const int t = s.temperature + int(std::lround(jitter(0, 1.0)));
        out.append(static_cast<char>(static_cast<qint8>(qBound(-128, t, 127))));
        break;
    }
    case 0x4E:
        out.append(static_cast<char>(s.telemetry));
        break;
    case 0x50:
        out.append(static_cast<char>(s.profilePeriodCode));
        break;
    case 0x5C:
        out.append(static_cast<char>(s.status));
        break;
    case 0x5D:
        return answerJournal(p);
    case 0x60:
        putU16(out, s.poorQualityThreshold);
        out.append(static_cast<char>(s.poorQualityFlags));
        break;
    default:
        return {errorBody(code, UnknownFunction), {}};
    }
    return {body(code, out), {}};
}

// 5D j: the header of journal j; 5D j lo hi: the record at that index, or
// an empty slot; an index beyond the store is bad data.
SimulatedMeter::Answer SimulatedMeter::answerJournal(QByteArrayView p)
{
    constexpr quint8 code = 0x5D;
    const int journal = byteAt(p, 0);
    if (journal >= Journals::kCount)
        return {errorBody(code, BadData), {}};
    const quint32 now = meterSeconds();
    m_journals.follow(m_state, now);
    QByteArray out;
    out.append(static_cast<char>(journal));
    if (p.size() == 1) {
        const JournalHeader h = m_journals.header(journal, m_state, now);
        putU16(out, h.slotCount);
        putU16(out, h.held);
        putU16(out, h.newest);
        return {body(code, out), {}};
    }
    const int index = int(getU16(p, 1));
    if (index >= m_journals.header(journal, m_state, now).slotCount)
        return {errorBody(code, BadData), {}};
    putU16(out, index);
    if (auto payload = m_journals.record(journal, index, m_state, now))
        out.append(*payload);
    return {body(code, out), {}};
}

QList<JournalRecord> SimulatedMeter::journalRecords(int journal)
{
    refresh();
    m_journals.follow(m_state, meterSeconds());
    return m_journals.records(journal, m_state, meterSeconds());
}

QList<JournalRecord> SimulatedMeter::profileDay(const QDate &day)
{
    refresh();
    m_journals.follow(m_state, meterSeconds());
    return m_journals.profileDay(day, meterSeconds());
}

JournalHeader SimulatedMeter::journalHeader(int journal)
{
    refresh();
    m_journals.follow(m_state, meterSeconds());
    return m_journals.header(journal, m_state, meterSeconds());
}

void SimulatedMeter::setProfileShape(const LoadProfileShape &shape)
{
    refresh();
    m_journals.setProfileShape(shape, m_state, meterSeconds());
}

// Value selectors of 0x0F: 00..07 tariffs now, 08..0F at settlement, 10 all
// tariffs; 40/48 active, 42/4A reactive inductive, 45/4D reactive capacitive
// (now / at settlement); 80..85 P kW, Q kvar, U V, I A, f Hz, cos phi; 88 S kVA.
QByteArray SimulatedMeter::reading(quint8 selector, bool *ok)
{
    const MeterState &s = m_state;
    auto sum = [](const Registers &r) {
        double total = 0;
        for (double v : r.activeKwh)
            total += v;
        return total;
    };
    double value = 0;
    *ok = true;
    if (selector < 0x08) {
        value = s.current.activeKwh[selector];
    } else if (selector < 0x10) {
        value = s.settlement.activeKwh[selector - 8];
    } else {
        switch (selector) {
        case 0x10: case 0x40: value = sum(s.current); break;
        case 0x48: value = sum(s.settlement); break;
        case 0x42: value = s.current.reactiveInductiveKvarh; break;
        case 0x4A: value = s.settlement.reactiveInductiveKvarh; break;
        case 0x45: value = s.current.reactiveCapacitiveKvarh; break;
        case 0x4D: value = s.settlement.reactiveCapacitiveKvarh; break;
        case 0x80: case 0x81: case 0x82: case 0x83: case 0x84: case 0x85: case 0x88: {
            const double u = jitter(s.voltage, 0.8);
            const double f = jitter(s.frequency, 0.03);
            const double cosPhi = qBound(0.05, jitter(s.cosPhi, 0.004), 1.0);
            const double p = qMax(0.0, jitter(s.loadPowerW, s.loadPowerW * 0.01)) / 1000.0;
            const double apparent = p / cosPhi;
            const double q = std::sqrt(qMax(0.0, apparent * apparent - p * p));
            switch (selector) {
            case 0x80: value = p; break;
            case 0x81: value = q; break;
            case 0x82: value = u; break;
            case 0x83: value = apparent * 1000.0 / u; break;
            case 0x84: value = f; break;
            case 0x85: value = cosPhi; break;
            default: value = apparent; break;
            }
            break;
        }
        default:
            *ok = false;
            return {};
        }
    }
    QByteArray out;
    out.append(static_cast<char>(selector));
    out.append(char(0));
    putMeterFloat(out, value);
    return out;
}

// ------------------------------------------------------------------ writes

SimulatedMeter::Answer SimulatedMeter::answerWrite(quint8 code, QByteArrayView p)
{
    MeterState &s = m_state;
    const Answer ack{body(code), {}};
    const Answer badData{errorBody(code, BadData), {}};
    switch (code) {
    case 0x02:
        s.serial = getU24(p, 0);
        return ack;
    case 0x03: {
        // X: speed index 0..5 in the low nibble; 0x40 / 0x50 / 0x70 above it
        // select MODBUS with no / even / odd parity, nothing there Rs-485.
        const quint8 newAddress = byteAt(p, 0);
        const int x = byteAt(p, 1);
        const int speed = x & 0x0F;
        std::optional<meterlink::ModbusParity> parity;
        switch (x & 0xF0) {
        case 0x00: break;
        case 0x40: parity = meterlink::ModbusParity::None; break;
        case 0x50: parity = meterlink::ModbusParity::Even; break;
        case 0x70: parity = meterlink::ModbusParity::Odd; break;
        default: return badData;
        }
        if (!meterlink::speedForIndex(speed))
            return badData;
        // Acknowledged with the old address and mode; the switch follows.
        return {body(code), [this, newAddress, speed, parity] {
                    m_address = newAddress;
                    m_speedIndex = speed;
                    if (parity)
                        m_parity = *parity;
                    setLineMode(parity ? meterlink::LineMode::Modbus : meterlink::LineMode::Rs485);
                    emit communicationChanged(m_address, m_speedIndex, m_mode, m_parity);
                }};
    }
    case 0x05: {
        const quint8 flags = byteAt(p, 0);
        if (flags & 0x7F)
            return badData;
        m_meterMsAtRef = m_livedMeterMs = qint64(getU32(p, 1)) * 1000;
        m_elapsedAtRef = m_livedElapsedMs;
        s.dstAuto = flags & 0x80;
        s.clockFaults &= ~0x40; // date and time are set now
        return ack;
    }
    case 0x07:
        if (byteAt(p, 0) == 0)
            return badData;
        s.limitCoefficient = byteAt(p, 0);
        return ack;
    case 0x09: {
        if (p.isEmpty()) {
            s.zones.clear();
            return ack;
        }
        QByteArray entry = p.sliced(1, 7).toByteArray();
        if (m_faults.alterStoredZones)
            entry[3] = static_cast<char>(entry[3] ^ 0x01);
        const int hour = fromBcd8(byteAt(entry, 1));
        const int minute = fromBcd8(byteAt(entry, 2));
        if (hour < 0 || hour > 23 || minute < 0 || minute > 59)
            return badData;
        s.zones[byteAt(p, 0)] = entry;
        return ack;
    }
    case 0x0B:
        s.plcGroup = byteAt(p, 0);
        s.plcAddress = byteAt(p, 1);
        return ack;
    case 0x14:
        // A wrong password is refused as "memory protected" (5) and also
        // withdraws any access granted before; a write without a password
        // gets "no write access" (6).
        m_access = p == QByteArrayView(s.password) || p == QByteArrayView(servicePassword());
        return m_access ? ack : Answer{errorBody(code, Protected), {}};
    case 0x15:
        s.password = p.toByteArray();
        return ack;
    case 0x17:
        if (byteAt(p, 3) > 3)
            return badData;
        s.pult = getU24(p, 0);
        s.loadMode = byteAt(p, 3);
        return ack;
    case 0x19:
        s.powerLimitW = static_cast<quint16>(getU16(p, 0));
        return ack;
    case 0x1D: {
        // S 00 C C (calibration) or S 01|02 V V V V (count now / at settlement).
        const int sensor = byteAt(p, 0);
        const int kind = byteAt(p, 1);
        if (sensor > 2 || (p.size() == 4) != (kind == 0) || kind > 2)
            return badData;
        DiscreteSensor &d = s.sensors[sensor];
        if (kind == 0)
            d.calibration = static_cast<quint16>(getU16(p, 2));
        else
            (kind == 1 ? d.count : d.settlementCount) = getU32(p, 2);
        return ack;
    }
    case 0x1F:
        if (byteAt(p, 0) > 59)
            return badData;
        s.integrationMinus1 = byteAt(p, 0);
        return ack;
    case 0x21: {
        const int route = byteAt(p, 0);
        if (route > 3)
            return badData;
        if (p.size() == 1)
            s.routes[route] = Route{};
        else
            s.routes[route] = Route{true, byteAt(p, 1), getU24(p, 2)};
        return ack;
    }
    case 0x23: {
        // Hour first, then day, both bcd8.
        const int hour = fromBcd8(byteAt(p, 0));
        const int day = fromBcd8(byteAt(p, 1));
        if (hour < 0 || hour > 23 || day < 1 || day > 31)
            return badData;
        s.settlementHour = static_cast<quint8>(hour);
        s.settlementDay = static_cast<quint8>(day);
        return ack;
    }
    case 0x24:
        // Readings at the settlement date are reset to zero.
        s.settlement = Registers{};
        for (DiscreteSensor &d : s.sensors)
            d.settlementCount = 0;
        return ack;
    case 0x27: {
        if (p.isEmpty()) {
            s.holidays.fill({});
            return ack;
        }
        const int slot = byteAt(p, 0);
        const int day = fromBcd8(byteAt(p, 1));
        const int month = fromBcd8(byteAt(p, 2));
        if (slot > 15 || day < 1 || day > 31 || month < 1 || month > 12)
            return badData;
        s.holidays[slot] = {byteAt(p, 1), byteAt(p, 2)};
        return ack;
    }
    case 0x29: {
        if (p.isEmpty()) {
            s.transfers.fill({});
            return ack;
        }
        const int slot = byteAt(p, 0);
        const int day = fromBcd8(byteAt(p, 1));
        const int month = fromBcd8(byteAt(p, 2));
        const int year = fromBcd8(byteAt(p, 3));
        const int type = byteAt(p, 4);
        if (slot > 15 || day < 1 || day > 31 || month < 1 || month > 12 || year < 0 || type < 1 || type > 8)
            return badData;
        s.transfers[slot] = {byteAt(p, 1), byteAt(p, 2), byteAt(p, 3), byteAt(p, 4)};
        return ack;
    }
    case 0x2F:
        s.displayMask = static_cast<quint16>(getU16(p, 0));
        s.backlight = getU32(p, 2);
        return ack;
    case 0x4F:
        if (byteAt(p, 0) > 1)
            return badData;
        s.telemetry = byteAt(p, 0);
        return ack;
    case 0x51:
        if (byteAt(p, 0) > 12)
            return badData;
        s.profilePeriodCode = byteAt(p, 0);
        return ack;
    case 0x5F:
        if (getU32(p, 0) != 0xFFFFFFFFu)
            return badData;
        s.status &= ~0x02;
        return ack;
    case 0x61: {
        // Low 16 bits: threshold in units of 20 s (13 bits used); bit 16
        // Account-Kind, bit 17 JTVF.
        const quint32 q = getU24(p, 0);
        if ((q & 0xFFFF) > 0x1FFF || (q >> 16) > 3)
            return badData;
        s.poorQualityThreshold = static_cast<quint16>(q & 0xFFFF);
        s.poorQualityFlags = static_cast<quint8>(q >> 16);
        return ack;
    }
    default:
        return {errorBody(code, UnknownFunction), {}};
    }
}

// ------------------------------------------------------------ transmitting

void SimulatedMeter::countReply()
{
    ++m_repliesSent;
    if (m_faults.silentAfterReplies > 0 && --m_faults.silentAfterReplies == 0) {
        m_faults.silent = true;
        m_faults.silentAfterReplies = -1;
    }
    if (m_faults.vanishAfterReplies > 0)
        --m_faults.vanishAfterReplies;
}

void SimulatedMeter::emitChunk(const QByteArray &chunk) { emit send(chunk); }

// Frames the answer for the line mode in force, applies the reply faults and
// puts it out, now or later on the Clock. afterSent runs once the last chunk
// has been handed to send().
void SimulatedMeter::transmit(QByteArray answerBody, std::function<void()> afterSent)
{
    QByteArray frame;
    if (m_mode == meterlink::LineMode::Modbus)
        frame.append(static_cast<char>(m_address));
    frame.append(answerBody);
    meterlink::appendCrc(frame);
    const bool faultsDue = replyFaultsDue();
    countReply();

    if (faultsDue && (m_faults.corruptEvery || m_faults.corruptNext)) {
        m_faults.corruptNext = false;
        const qsizetype at = qBound<qsizetype>(
            0, m_faults.corruptOffset < 0 ? frame.size() + m_faults.corruptOffset : m_faults.corruptOffset,
            frame.size() - 1);
        frame[at] = static_cast<char>(~static_cast<quint8>(frame[at]));
    }

    const int parts = faultsDue ? qBound(1, m_faults.splitParts, int(frame.size())) : 1;
    QList<QByteArray> chunks;
    for (int i = 0; i < parts; ++i) {
        const qsizetype from = frame.size() * i / parts;
        const qsizetype to = frame.size() * (i + 1) / parts;
        chunks.append(frame.mid(from, to - from));
    }
    const int gap = qMax(0, m_faults.splitGapMs);
    const bool stray = faultsDue && m_faults.strayByte;
    const char strayValue = static_cast<char>(m_faults.strayValue);
    const int strayDelay = qMax(0, m_faults.strayDelayMs);
    // A stray byte in the reply's own write goes with its last chunk.
    const bool strayLater = stray && !m_faults.strayInReply;
    if (stray && !strayLater)
        chunks.last().append(strayValue);

    auto at = [this](int delay, std::function<void()> fn) {
        if (delay <= 0)
            fn();
        else
            m_clock.callLater(delay, this, std::move(fn));
    };
    int t = faultsDue ? qMax(0, m_faults.replyDelayMs) : 0;
    if (m_lineTimeEmulated) // the request still on its way, then the first chunk's own bytes
        t += lineTimeMs(m_requestLineBytes + chunks.first().size());
    for (int i = 0; i < chunks.size(); ++i) {
        const bool last = i == chunks.size() - 1;
        const QByteArray chunk = chunks[i];
        at(t, [this, chunk, last, afterSent, strayLater, strayValue, strayDelay] {
            emitChunk(chunk);
            if (!last)
                return;
            if (afterSent)
                afterSent();
            if (strayLater) {
                m_clock.callLater(lineTimeMs(chunk.size()) + strayDelay, this,
                                  [this, strayValue] { emitChunk(QByteArray(1, strayValue)); });
            }
        });
        t += lineTimeMs(chunk.size()) + gap;
    }
}

// ---------------------------------------------------------- living values

QDateTime SimulatedMeter::meterTime() const
{
    return dateTimeFromMsSince2000(currentMeterMs(m_meterMsAtRef, m_elapsedAtRef, m_clock.elapsedMs()));
}

quint32 SimulatedMeter::meterSeconds() const
{
    return secondsOf(currentMeterMs(m_meterMsAtRef, m_elapsedAtRef, m_clock.elapsedMs()));
}

void SimulatedMeter::setMeterTime(const QDateTime &localTime)
{
    refresh();
    m_meterMsAtRef = m_livedMeterMs = msSince2000(localTime);
    m_elapsedAtRef = m_livedElapsedMs;
    m_journals.anchor(m_state, meterSeconds());
}

int SimulatedMeter::currentTariff() const
{
    return tariffAt(currentMeterMs(m_meterMsAtRef, m_elapsedAtRef, m_clock.elapsedMs()));
}

void SimulatedMeter::refresh()
{
    const qint64 elapsed = m_clock.elapsedMs();
    if (elapsed <= m_livedElapsedMs)
        return;
    advanceTo(currentMeterMs(m_meterMsAtRef, m_elapsedAtRef, elapsed), elapsed);
}

// Brings working time, energy registers and peaks up to the given moment in
// steps of at most a minute, each booked to the tariff in force at its start;
// reaching the settlement day and hour copies the readings.
void SimulatedMeter::advanceTo(qint64 meterMs, qint64 elapsedMs)
{
    const qint64 dt = elapsedMs - m_livedElapsedMs;
    m_workingMsRemainder += double(dt);
    const auto wholeSeconds = static_cast<quint32>(m_workingMsRemainder / 1000.0);
    m_state.workingSeconds += wholeSeconds;
    m_workingMsRemainder -= wholeSeconds * 1000.0;

    const double powerKw = qMax(0.0, m_state.loadPowerW) / 1000.0;
    const double cosPhi = qBound(0.05, m_state.cosPhi, 1.0);
    const double tanPhi = std::sqrt(1.0 - cosPhi * cosPhi) / cosPhi;
    qint64 t = m_livedMeterMs;
    const qint64 end = t + dt;
    while (t < end) {
        // Steps end on whole minutes (zones start on them) and at the
        // settlement moment of the month the step ends in.
        qint64 step = qMin<qint64>(60000 - ((t % 60000) + 60000) % 60000, end - t);
        bool settles = false;
        const QDate endDate = fieldsAt(t + step).date();
        const QDate day(endDate.year(), endDate.month(), m_state.settlementDay);
        if (day.isValid()) {
            const qint64 moment = msOfFields(day, QTime(m_state.settlementHour, 0));
            if (t < moment && moment <= t + step) {
                step = moment - t;
                settles = true;
            }
        }
        const double kwh = powerKw * double(step) / 3.6e6;
        Registers &cur = m_state.current;
        cur.activeKwh[tariffAt(t) - 1] += kwh;
        cur.reactiveInductiveKvarh += kwh * tanPhi;
        cur.reactiveCapacitiveKvarh += kwh * tanPhi * 0.02;
        if (m_state.loadPowerW > cur.peakW) {
            cur.peakW = static_cast<quint32>(m_state.loadPowerW);
            cur.peakTime = secondsOf(t + step);
        }
        if (settles)
            settle();
        t += step;
    }
    m_livedMeterMs = meterMs;
    m_livedElapsedMs = elapsedMs;
}

void SimulatedMeter::settle()
{
    m_state.settlement = m_state.current;
    m_state.current.peakW = 0;
    m_state.current.peakTime = 0;
    for (DiscreteSensor &d : m_state.sensors)
        d.settlementCount = d.count;
}

// Day type 1..7 Monday..Sunday, 8 holiday; a transfer gives its date the day
// type it names.
int SimulatedMeter::dayTypeOf(const QDate &date) const
{
    for (const TransferSlot &t : m_state.transfers) {
        if (t.day != 0 && fromBcd8(t.day) == date.day() && fromBcd8(t.month) == date.month()
            && 2000 + fromBcd8(t.year) == date.year() && t.dayType >= 1 && t.dayType <= 8)
            return t.dayType;
    }
    for (const HolidaySlot &h : m_state.holidays) {
        if (h.day != 0 && fromBcd8(h.day) == date.day() && fromBcd8(h.month) == date.month())
            return 8;
    }
    return date.dayOfWeek();
}

// With zones for the day: the tariff of the latest zone started by now, or,
// before the first one, of the day's last zone (it runs on over midnight).
// Without a schedule: tariff 1 from 07:00 to 23:00, tariff 2 at night.
int SimulatedMeter::tariffAt(qint64 meterMs) const
{
    const QDateTime f = fieldsAt(meterMs);
    const int minutes = f.time().hour() * 60 + f.time().minute();
    if (!m_state.zones.empty()) {
        const int dayBit = 1 << (dayTypeOf(f.date()) - 1);
        const int monthBit = 1 << (f.date().month() - 1);
        int started = -1, startedAt = -1, last = -1, lastAt = -1;
        for (const auto &[slot, e] : m_state.zones) {
            const int monthMask = byteAt(e, 5) | byteAt(e, 6) << 8;
            if (!(byteAt(e, 4) & dayBit) || !(monthMask & monthBit))
                continue;
            const int start = fromBcd8(byteAt(e, 1)) * 60 + fromBcd8(byteAt(e, 2));
            const int tariff = (byteAt(e, 0) & 7) + 1;
            if (start <= minutes && start > startedAt) {
                startedAt = start;
                started = tariff;
            }
            if (start > lastAt) {
                lastAt = start;
                last = tariff;
            }
        }
        if (started > 0)
            return started;
        if (last > 0)
            return last;
    }
    return minutes >= 7 * 60 && minutes < 23 * 60 ? 1 : 2;
}

double SimulatedMeter::jitter(double value, double amplitude)
{
    return value + amplitude * (2.0 * m_random.generateDouble() - 1.0);
}

// The meter's own checksum of its schedule (the reply to 08 02): CRC-16/MODBUS
// over, in this order, every occupied zone slot in slot order as its slot
// number and 7 entry bytes, the 16 holiday slots (day, month), the 16
// transfer slots (day, month, year, day type) and the limit coefficient.
quint16 SimulatedMeter::scheduleChecksum() const
{
    QByteArray all;
    for (const auto &[slot, entry] : m_state.zones) {
        all.append(static_cast<char>(slot));
        all.append(entry);
    }
    for (const HolidaySlot &h : m_state.holidays) {
        all.append(static_cast<char>(h.day));
        all.append(static_cast<char>(h.month));
    }
    for (const TransferSlot &t : m_state.transfers) {
        all.append(static_cast<char>(t.day));
        all.append(static_cast<char>(t.month));
        all.append(static_cast<char>(t.year));
        all.append(static_cast<char>(t.dayType));
    }
    all.append(static_cast<char>(m_state.limitCoefficient));
    return meterlink::crc16(all);
}

} // namespace sim
