#pragma once
// Serving the simulated meter on a new pseudo-terminal (POSIX systems only;
// the implementation lives in ptyserver_unix.cpp). A client opens the slave
// path as if it were a serial port; its bytes arrive through received(), and
// write() puts the meter's bytes where the client reads them.
//
// The server keeps the slave side open itself, in raw mode, so the terminal
// settings survive between client sessions and the master never reads EIO
// when a client closes the port.

#include <QByteArray>
#include <QObject>
#include <QString>

class QSocketNotifier;

namespace sim {

class PtyServer : public QObject
{
    Q_OBJECT
public:
    explicit PtyServer(QObject *parent = nullptr);
    ~PtyServer() override;

    // Creates the pseudo-terminal; on failure returns false with *error set.
    bool open(QString *error);
    // The device path a client opens, e.g. /dev/pts/5.
    QString slavePath() const { return m_slavePath; }
    void write(const QByteArray &bytes);
    // Closes both sides: a client that has the slave open finds its port gone.
    void close();

signals:
    void received(const QByteArray &bytes);

private:
    void readMaster();
    void flushPending();

    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
    QSocketNotifier *m_readNotifier = nullptr;
    QSocketNotifier *m_writeNotifier = nullptr;
    QByteArray m_pending;
};

// The application quits on SIGTERM, SIGINT or SIGHUP.
void quitOnTerminationSignals();
// The application quits when standard input reaches its end (the parent
// that started the program has gone or closed the pipe).
void quitOnStdinEof();

} // namespace sim
