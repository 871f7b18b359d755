#pragma once
// An accepted reply as the decoders see it: [code][L][payload][CRC], the
// address byte of MODBUS mode already removed. The payload view is bounded
// by both the length byte and the bytes actually received, so a decoder can
// never read past what came over the line.

#include <QByteArray>
#include <QByteArrayView>

namespace protocol {

class Reply
{
public:
    explicit Reply(QByteArray bytes) : m_bytes(std::move(bytes)) {}

    quint8 code() const { return m_bytes.isEmpty() ? 0 : static_cast<quint8>(m_bytes[0]); }
    quint8 length() const { return m_bytes.size() < 2 ? 0 : static_cast<quint8>(m_bytes[1]); }

    // Payload bytes: L - 2 announced, cut to what is present.
    QByteArrayView payload() const
    {
        const qsizetype announced = qMax(0, int(length()) - 2);
        const qsizetype present = qMax<qsizetype>(0, m_bytes.size() - 2);
        return QByteArrayView(m_bytes).sliced(qMin<qsizetype>(2, m_bytes.size()), qMin(announced, present));
    }
    // True when the payload holds at least n bytes.
    bool has(int n) const { return payload().size() >= n; }
    // Payload byte i; only call after has(i + 1).
    quint8 p(int i) const { return static_cast<quint8>(payload()[i]); }

    const QByteArray &bytes() const { return m_bytes; }

private:
    QByteArray m_bytes;
};

} // namespace protocol
