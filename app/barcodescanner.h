#pragma once
// The barcode scanner on a second serial port: 9600 bit/s, 8 data bits, no
// parity, 1 stop bit, no flow control, DTR and RTS inactive (the scanner
// needs no handshake, and nothing here writes but one wake-up byte).
// Received bytes are read when the port reports them and gathered into
// codes by a ScanBuffer; every code ended by a CR is told as its number.

#include "app/scanbuffer.h"
#include "link/qtserialline.h"

#include <QObject>

namespace app {

class BarcodeScanner : public QObject
{
    Q_OBJECT
public:
    static constexpr int kBaudRate = 9600;

    explicit BarcodeScanner(QObject *parent = nullptr);

    // The device to open (only while closed): \\.\COM2, /dev/ttyUSB1, ...
    void setPortName(const QString &device) { m_line.setPortName(device); }
    QString portName() const { return m_line.portName(); }
    // Errors come back as the texts the operator sees; the caller decides
    // whether to show them.
    bool open(QString *error);
    bool close(QString *error);
    bool isOpen() const { return m_line.isOpen(); }
    bool write(const QByteArray &bytes) { return m_line.write(bytes); }

    const ScanBuffer &buffer() const { return m_buffer; }

signals:
    // A code ended by a CR: its number, 0..16777215 (0 for text that is no number).
    void scanned(int number);

private:
    void readArrived();

    meterlink::QtSerialLine m_line;
    ScanBuffer m_buffer; // lives for the whole run, across port changes
};

} // namespace app
