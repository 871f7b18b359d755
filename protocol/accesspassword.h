#pragma once
// The access password EditPass ("Пароль для доступа : ") and the password
// entry built from it: 14 08 and six payload bytes, the characters one
// Windows-1251 byte each, then 00 bytes up to six. Writing a new password
// (0x15) makes it the access password.

#include <QByteArray>
#include <QObject>
#include <QString>

namespace protocol {

class AccessPassword : public QObject
{
    Q_OBJECT
public:
    static constexpr int kMaxLength = 6;

    using QObject::QObject;

    QString text() const { return m_text; }
    // Characters without a byte of their own in Windows-1251 are refused
    // (false, nothing changed); longer texts are cut to kMaxLength.
    bool setText(const QString &text);

    // The six payload bytes of a password text (its first six characters).
    static QByteArray payload(const QString &text);
    // 14 08 P P P P P P with this password.
    QByteArray entryRequest() const;

signals:
    void textChanged(const QString &text);

private:
    QString m_text;
};

} // namespace protocol
