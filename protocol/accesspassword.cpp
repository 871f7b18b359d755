#include "accesspassword.h"

#include "cp1251.h"

namespace protocol {

bool AccessPassword::setText(const QString &text)
{
    const QString cut = text.left(kMaxLength);
    if (!fitsCp1251(cut))
        return false;
    if (cut != m_text) {
        m_text = cut;
        emit textChanged(m_text);
    }
    return true;
}

QByteArray AccessPassword::payload(const QString &text)
{
    QByteArray bytes = toCp1251(QStringView(text).left(kMaxLength));
    bytes.resize(kMaxLength, '\0');
    return bytes;
}

QByteArray AccessPassword::entryRequest() const
{
    QByteArray out;
    out.append(char(0x14));
    out.append(char(kMaxLength + 2));
    out.append(payload(m_text));
    return out;
}

} // namespace protocol
