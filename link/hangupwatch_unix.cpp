#include "hangupwatch.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace meterlink {

HangupWatch::HangupWatch(QSerialPort &port, QObject *parent) : QObject(parent)
{
    // A descriptor of its own: a second read notifier on the port's own
    // descriptor would displace QSerialPort's.
    m_fd = ::fcntl(port.handle(), F_DUPFD_CLOEXEC, 0);
    if (m_fd < 0)
        return;
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    // Readable also when bytes arrive (QSerialPort reads them): only a
    // hang-up or an error counts here.
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, 0) <= 0 || !(p.revents & (POLLHUP | POLLERR | POLLNVAL)))
            return;
        m_notifier->setEnabled(false);
        emit hungUp();
    });
}

HangupWatch::~HangupWatch()
{
    delete m_notifier;
    if (m_fd >= 0)
        ::close(m_fd);
}

} // namespace meterlink
