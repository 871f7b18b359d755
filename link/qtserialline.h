#pragma once
// The serial line on a real port, through QSerialPort. Lives on the thread
// that creates it, so received bytes reach the link on that thread.

#include "serialline.h"

#include <QSerialPort>
#include <memory>

namespace meterlink {

class HangupWatch;

class QtSerialLine final : public SerialLine
{
    Q_OBJECT
public:
    explicit QtSerialLine(QObject *parent = nullptr);
    ~QtSerialLine() override;

    void setPortName(const QString &name) override;
    QString portName() const override { return m_name; }
    bool open(QString *error) override;
    bool close(QString *error) override;
    bool isOpen() const override { return m_port.isOpen(); }
    bool setBaudRate(int bitsPerSecond) override;
    int baudRate() const override { return m_baud; }
    bool setParity(Parity parity) override;
    Parity parity() const override { return m_parity; }
    bool setStopBits(StopBits stopBits) override;
    StopBits stopBits() const override { return m_stopBits; }
    bool setRts(bool on) override;
    bool write(const QByteArray &bytes) override;
    QByteArray readAll() override;

    // The name shown in messages: COM3 on Windows, the device path elsewhere.
    QString displayName() const;
    // The meter's line raises RTS when opened; a line that keeps both DTR
    // and RTS inactive (the barcode scanner's) is asked not to. Only while closed.
    void setRtsOnOpen(bool on) { m_rtsOnOpen = on; }

private:
    bool applySettings();
    // The operator's text for a failed open, from the port's and the system's error.
    QString openErrorText() const;
    template<typename Apply> bool applyIfOpen(Apply apply);
    void onError(QSerialPort::SerialPortError error);
    void watchForHangup();

    QSerialPort m_port;
    std::unique_ptr<HangupWatch> m_hangup; // while open
    QString m_name; // as given: QSerialPort shortens /dev/ paths
    int m_baud = 4800;
    Parity m_parity = Parity::None;
    StopBits m_stopBits = StopBits::One;
    bool m_rtsOnOpen = true;
};

} // namespace meterlink
