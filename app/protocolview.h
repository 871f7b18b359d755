#pragma once
// The protocol view's feed: frame lines, time-outs and rejected replies in
// arrival order. While suspended ("Выключить" checked) lines are dropped,
// not kept for later.

#include <QObject>
#include <QString>

namespace app {

class ProtocolView : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    void protocolLine(const QString &text)
    {
        if (!m_suspended)
            emit lineAdded(text);
    }
    void setSuspended(bool on) { m_suspended = on; }
    bool suspended() const { return m_suspended; }

signals:
    void lineAdded(const QString &text);

private:
    bool m_suspended = false;
};

} // namespace app
