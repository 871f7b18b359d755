#pragma once
// Tells when an open serial device is hung up under the program: a
// pseudo-terminal whose other side has closed, a USB converter pulled out.
// On POSIX systems such a device reads as end of file: QSerialPort reports
// no error, its read notifier fires without end, and only the next write
// fails. The watch tells at once. One implementation per platform (on
// Windows QSerialPort reports a removed device itself).

#include <QObject>
#include <QSerialPort>

class QSocketNotifier;

namespace meterlink {

class HangupWatch final : public QObject
{
    Q_OBJECT
public:
    // Watches the port as it is open now.
    explicit HangupWatch(QSerialPort &port, QObject *parent = nullptr);
    ~HangupWatch() override;

signals:
    // Emitted once.
    void hungUp();

private:
    int m_fd = -1;
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace meterlink
