#pragma once
// A pseudo-terminal pair for tests of a serial line: the program opens the
// slave by its path as it would a port; the test writes what a device
// sends into the master and reads what the program sent from it. The test
// holds the slave open too, so the pair lives while the program closes and
// opens its side, and the line's settings can be read from it.

#include <QByteArray>
#include <QString>

#include <cerrno>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace testsupport {

class PtyPair
{
public:
    PtyPair()
    {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
            return;
        const char *name = ::ptsname(m_master);
        if (!name)
            return;
        m_slavePath = QString::fromLocal8Bit(name);
        m_slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    }
    ~PtyPair()
    {
        if (m_slave >= 0)
            ::close(m_slave);
        if (m_master >= 0)
            ::close(m_master);
    }
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    bool isValid() const { return m_master >= 0 && m_slave >= 0; }
    QString slavePath() const { return m_slavePath; }

    // Writes what fits now; the number of bytes taken (the rest must wait
    // until the program has read).
    qsizetype writeSome(const QByteArray &bytes)
    {
        const ssize_t n = ::write(m_master, bytes.constData(), size_t(bytes.size()));
        return n > 0 ? qsizetype(n) : 0;
    }
    bool write(const QByteArray &bytes) { return writeSome(bytes) == bytes.size(); }

    // What the program has written so far.
    QByteArray readAll()
    {
        QByteArray out;
        char buffer[4096];
        for (;;) {
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            if (n > 0)
                out.append(buffer, n);
            else if (!(n < 0 && errno == EINTR))
                return out;
        }
    }

    // Bytes written into the master that the program has not read yet.
    int unread() const
    {
        int n = 0;
        return ::ioctl(m_slave, FIONREAD, &n) == 0 ? n : -1;
    }

    // The line settings as the program left them.
    bool settings(termios *tio) const { return ::tcgetattr(m_slave, tio) == 0; }

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
};

} // namespace testsupport
