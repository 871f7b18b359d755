#include "accesspassword.h"

#include "cp1251.h"
#include "encodings.h"

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
    return request(0x14, payload(m_text));
}

} // namespace protocol
