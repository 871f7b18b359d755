// Decoding bytes into cell writes (see the header for the layout).
#include "cellwrites.h"

#include <cmath>
#include <cstring>

namespace xlstest {

namespace {

class Input
{
public:
    explicit Input(const QByteArray &b) : m_b(b) {}
    bool atEnd() const { return m_pos >= m_b.size(); }
    qsizetype left() const { return m_b.size() - m_pos; }
    quint8 u8() { return m_pos < m_b.size() ? quint8(m_b[m_pos++]) : (m_pos++, 0); }
    quint16 u16()
    {
        const quint8 lo = u8();
        return quint16(lo | u8() << 8);
    }

private:
    const QByteArray &m_b;
    qsizetype m_pos = 0;
};

QString text(Input &in, int length)
{
    QString units;
    while (units.size() < length && in.left() >= 2)
        units.append(QChar(in.u16()));
    if (units.isEmpty())
        units = QStringLiteral("Ж");
    QString out;
    out.reserve(length);
    while (out.size() < length)
        out.append(units.left(length - out.size()));
    return out;
}

QString wellFormedText(QString s)
{
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate())
            ++i;
        else if (s[i].isSurrogate())
            s[i] = QChar(0xFFFD);
    }
    return s;
}

} // namespace

QList<CellWrite> cellWritesFromBytes(const QByteArray &bytes, bool wellFormed)
{
    QList<CellWrite> out;
    QList<QString> texts;
    Input in(bytes);
    while (!in.atEnd()) {
        const quint8 kind = in.u8();
        CellWrite w{in.u16() + ((kind >> 2) & 3) - 1, in.u8() + ((kind >> 4) & 3) - 1, 0.0};
        switch (kind & 3) {
        case 0: {
            QString t = text(in, kind & 0x80 ? in.u16() : in.u8());
            if (wellFormed)
                t = wellFormedText(t);
            texts.append(t);
            w.value = t;
            break;
        }
        case 1: {
            const quint64 bits = quint64(in.u16()) | quint64(in.u16()) << 16 | quint64(in.u16()) << 32
                | quint64(in.u16()) << 48;
            double v;
            std::memcpy(&v, &bits, sizeof v);
            w.value = v;
            break;
        }
        case 2: {
            const qint16 n = qint16(in.u16());
            w.value = n / double(1 << (in.u8() & 15));
            break;
        }
        default: {
            const quint8 pick = in.u8();
            w.value = texts.isEmpty() ? QString() : texts[pick % texts.size()];
            break;
        }
        }
        out.append(w);
    }
    return out;
}

bool acceptable(const CellWrite &w)
{
    if (w.row < 1 || w.row > 65536 || w.column < 1 || w.column > 256)
        return false;
    if (const QString *t = std::get_if<QString>(&w.value))
        return t->size() <= 32767;
    return std::isfinite(std::get<double>(w.value));
}

} // namespace xlstest
