#include "replyscript.h"

namespace fuzz {

namespace {

// Reads the input front to back; past the end every byte reads as 0.
class Reader
{
public:
    Reader(const uint8_t *data, size_t size) : m_data(data), m_size(size) {}
    bool atEnd() const { return m_pos >= m_size; }
    quint8 byte() { return atEnd() ? 0 : m_data[m_pos++]; }
    QByteArray bytes(size_t n)
    {
        n = std::min(n, m_size - std::min(m_pos, m_size));
        QByteArray out(reinterpret_cast<const char *>(m_data + m_pos), qsizetype(n));
        m_pos += n;
        return out;
    }

private:
    const uint8_t *m_data;
    size_t m_size;
    size_t m_pos = 0;
};

// The requests of a schedule read, whose replies fill the schedule.
QByteArray scheduleReadRequest(int kind, quint8 slot)
{
    switch (kind) {
    case 0: return QByteArray::fromHex("0602");
    case 1: return QByteArray::fromHex("0803") + QByteArray(1, char(slot));
    case 2: return QByteArray::fromHex("2603") + QByteArray(1, char(slot % 16));
    default: return QByteArray::fromHex("2803") + QByteArray(1, char(slot % 16));
    }
}

} // namespace

QDate ReplyScript::profileDay() const
{
    return QDate(2000, 1, 1).addDays(qint64(journalDay) * kDayStep);
}

ReplyScript ReplyScript::parse(const uint8_t *data, size_t size)
{
    Reader in(data, size);
    ReplyScript s;
    const quint8 setup = in.byte();
    s.lineMode = setup & 1;
    s.trace = (setup & 2) != 0;
    s.parityIndex = (setup >> 2) & 3;
    if (s.parityIndex == 3)
        s.parityIndex = 0;
    s.address = in.byte();
    const quint8 which = in.byte();
    if (which < kPollRequests) {
        s.pollIndex = which;
    } else if (which > kOwnRequest) {
        const int kind = (which - kOwnRequest - 1) % kRequestKinds;
        const quint8 slot = in.byte();
        if (kind < kJournalKind) {
            s.request = scheduleReadRequest(kind, slot);
        } else {
            s.journal = kind - kJournalKind;
            s.journalDay = slot;
        }
    } else {
        const quint8 code = in.byte();
        const int n = in.byte() % (kMaxPayload + 1);
        s.request.append(char(code));
        s.request.append(char(n + 2));
        s.request.append(in.bytes(size_t(n)));
    }
    while (!in.atEnd()) {
        const quint8 k = in.byte();
        ReplyEvent e;
        if (k == 0)
            e.advanceMs = in.byte() * kClockStepMs;
        else
            e.chunk = in.bytes(k);
        s.events.append(e);
    }
    return s;
}

QByteArray ReplyScript::serialize() const
{
    QByteArray out;
    out.append(char((lineMode & 1) | (trace ? 2 : 0) | ((parityIndex & 3) << 2)));
    out.append(char(address));
    if (journal >= 0) {
        out.append(char(kOwnRequest + 1 + kJournalKind + journal));
        out.append(char(journalDay));
    } else if (request.isEmpty()) {
        out.append(char(pollIndex));
    } else {
        out.append(char(kOwnRequest));
        out.append(request.at(0));
        out.append(char(request.size() - 2));
        out.append(request.mid(2));
    }
    for (const ReplyEvent &e : events) {
        if (e.chunk.isEmpty()) {
            out.append('\0');
            out.append(char(qBound(0, e.advanceMs / kClockStepMs, 255)));
            continue;
        }
        for (qsizetype at = 0; at < e.chunk.size(); at += 255) { // longer chunks go as several
            const QByteArray part = e.chunk.mid(at, 255);
            out.append(char(part.size()));
            out.append(part);
        }
    }
    return out;
}

} // namespace fuzz
