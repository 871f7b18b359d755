#pragma once
// What the link needs of a serial port. The program runs on QSerialPort
// (QtSerialLine); tests and the built-in demo run on MemoryLine.

#include <QByteArray>
#include <QObject>
#include <QString>

namespace meterlink {

enum class Parity { None, Odd, Even, Mark, Space };
enum class StopBits { One, Two };

class SerialLine : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~SerialLine() override = default;

    // Only while closed; the next open() uses it.
    virtual void setPortName(const QString &name) = 0;
    virtual QString portName() const = 0;

    // Opens exclusively with 8 data bits, no flow control, DTR off, RTS on.
    // On failure returns false and sets *error to the text the operator sees.
    virtual bool open(QString *error) = 0;
    virtual bool close(QString *error) = 0;
    virtual bool isOpen() const = 0;

    // Stored; on an open port applied at once.
    virtual bool setBaudRate(int bitsPerSecond) = 0;
    virtual int baudRate() const = 0;
    virtual bool setParity(Parity parity) = 0;
    virtual Parity parity() const = 0;
    virtual bool setStopBits(StopBits stopBits) = 0;
    virtual StopBits stopBits() const = 0;
    virtual bool setRts(bool on) = 0;

    // Direct write: returns once the bytes are handed to the device.
    virtual bool write(const QByteArray &bytes) = 0;
    // Every byte received and not yet read, without waiting.
    virtual QByteArray readAll() = 0;

signals:
    // Bytes have arrived; delivered on the thread that owns the line.
    void readyRead();
    // The device went away while open (a USB converter pulled out, say).
    void lost(const QString &reason);
};

} // namespace meterlink
