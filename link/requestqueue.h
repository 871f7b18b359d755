#pragma once
// Commands: the frames waiting to go to the meter, head first. Every change
// runs the change rule before the changing call returns; emptying an empty
// queue is no change.

#include <QByteArray>
#include <QList>
#include <functional>

namespace meterlink {

class RequestQueue
{
public:
    void setChangeRule(std::function<void()> rule) { m_rule = std::move(rule); }

    void append(const QByteArray &frame)
    {
        m_frames.append(frame);
        changed();
    }
    void dequeueHead()
    {
        if (m_frames.isEmpty())
            return;
        m_frames.removeFirst();
        changed();
    }
    void clear()
    {
        if (m_frames.isEmpty())
            return;
        m_frames.clear();
        changed();
    }
    bool isEmpty() const { return m_frames.isEmpty(); }
    qsizetype size() const { return m_frames.size(); }
    QByteArray head() const { return m_frames.isEmpty() ? QByteArray() : m_frames.first(); }

private:
    void changed()
    {
        if (m_rule)
            m_rule();
    }

    QList<QByteArray> m_frames;
    std::function<void()> m_rule;
};

} // namespace meterlink
