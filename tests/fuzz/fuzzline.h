#pragma once
// A serial line for the fuzzer: always opens, swallows whatever is written,
// and hands the receive side exactly the chunk the input chose.

#include "link/serialline.h"

#include <utility>

namespace fuzz {

class FuzzLine final : public meterlink::SerialLine
{
    Q_OBJECT
public:
    using SerialLine::SerialLine;

    // The chunk arrives: readyRead, and readAll() returns it.
    void deliver(const QByteArray &chunk)
    {
        m_rx += chunk;
        emit readyRead();
    }

    void setPortName(const QString &name) override { m_name = name; }
    QString portName() const override { return m_name; }
    bool open(QString *) override { return m_open = true; }
    bool close(QString *) override
    {
        m_open = false;
        return true;
    }
    bool isOpen() const override { return m_open; }
    bool setBaudRate(int bitsPerSecond) override
    {
        m_baud = bitsPerSecond;
        return true;
    }
    int baudRate() const override { return m_baud; }
    bool setParity(meterlink::Parity parity) override
    {
        m_parity = parity;
        return true;
    }
    meterlink::Parity parity() const override { return m_parity; }
    bool setStopBits(meterlink::StopBits stopBits) override
    {
        m_stopBits = stopBits;
        return true;
    }
    meterlink::StopBits stopBits() const override { return m_stopBits; }
    bool setRts(bool) override { return true; }
    bool write(const QByteArray &) override { return m_open; }
    QByteArray readAll() override { return std::exchange(m_rx, {}); }

private:
    QString m_name = QStringLiteral("fuzz");
    bool m_open = false;
    int m_baud = 4800;
    meterlink::Parity m_parity = meterlink::Parity::None;
    meterlink::StopBits m_stopBits = meterlink::StopBits::One;
    QByteArray m_rx;
};

} // namespace fuzz
