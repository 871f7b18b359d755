#include "qtserialline.h"

#include "hangupwatch.h"
#include "systemerror.h"

namespace meterlink {

namespace {

QSerialPort::Parity toQt(Parity p)
{
    switch (p) {
    case Parity::Odd: return QSerialPort::OddParity;
    case Parity::Even: return QSerialPort::EvenParity;
    case Parity::Mark: return QSerialPort::MarkParity;
    case Parity::Space: return QSerialPort::SpaceParity;
    case Parity::None: break;
    }
    return QSerialPort::NoParity;
}

QSerialPort::StopBits toQt(StopBits s) { return s == StopBits::Two ? QSerialPort::TwoStop : QSerialPort::OneStop; }

} // namespace

QtSerialLine::QtSerialLine(QObject *parent) : SerialLine(parent)
{
    connect(&m_port, &QSerialPort::readyRead, this, &SerialLine::readyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialLine::onError);
}

QtSerialLine::~QtSerialLine()
{
    m_hangup.reset();
    if (m_port.isOpen())
        m_port.close();
}

void QtSerialLine::setPortName(const QString &name)
{
    if (m_port.isOpen())
        return;
    m_name = name;
    m_port.setPortName(name);
}

QString QtSerialLine::displayName() const { return portDisplayName(m_name); }

bool QtSerialLine::open(QString *error)
{
    if (m_port.isOpen()) {
        if (error)
            *error = QStringLiteral("Can't open specified device %1").arg(displayName());
        return false;
    }
    m_port.clearError();
    resetSystemError();
    if (!m_port.open(QIODevice::ReadWrite)) {
        if (error)
            *error = openErrorText();
        m_port.clearError();
        return false;
    }
    resetSystemError();
    // A port that cannot carry the settings (no mark or space parity in the
    // driver, a speed it does not know) is no open port for the meter: it
    // would only time out.
    if (!applySettings()) {
        if (error)
            *error = openErrorText();
        m_port.close();
        m_port.clearError();
        return false;
    }
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    m_port.setDataTerminalReady(false); // refused by a pseudo-terminal; harmless
    m_port.setRequestToSend(m_rtsOnOpen);
    m_port.clearError();
    watchForHangup();
    return true;
}

QString QtSerialLine::openErrorText() const
{
    if (m_port.error() == QSerialPort::DeviceNotFoundError)
        return QStringLiteral("Specified device not found (%1).").arg(displayName());
    const SystemError sys = lastSystemError();
    return QStringLiteral("Can't open specified device %1 (Error %2, %3)")
        .arg(displayName())
        .arg(sys.code ? sys.code : int(m_port.error()))
        .arg(sys.code ? sys.text : m_port.errorString());
}

bool QtSerialLine::close(QString *error)
{
    m_hangup.reset();
    m_port.clearError();
    m_port.close();
    if (m_port.error() != QSerialPort::NoError) {
        if (error)
            *error = m_port.errorString();
        m_port.clearError();
        return false;
    }
    return true;
}

bool QtSerialLine::applySettings()
{
    // Stops at the first refusal so that its error is the one reported.
    return m_port.setBaudRate(m_baud) && m_port.setDataBits(QSerialPort::Data8)
        && m_port.setParity(toQt(m_parity)) && m_port.setStopBits(toQt(m_stopBits));
}

template<typename Apply> bool QtSerialLine::applyIfOpen(Apply apply)
{
    // Stored settings are applied by open(); on an open port they act at once.
    if (!m_port.isOpen())
        return true;
    const bool ok = apply();
    m_port.clearError();
    return ok;
}

bool QtSerialLine::setBaudRate(int bitsPerSecond)
{
    m_baud = bitsPerSecond;
    return applyIfOpen([&] { return m_port.setBaudRate(bitsPerSecond); });
}

bool QtSerialLine::setParity(Parity parity)
{
    m_parity = parity;
    return applyIfOpen([&] { return m_port.setParity(toQt(parity)); });
}

bool QtSerialLine::setStopBits(StopBits stopBits)
{
    m_stopBits = stopBits;
    return applyIfOpen([&] { return m_port.setStopBits(toQt(stopBits)); });
}

bool QtSerialLine::setRts(bool on)
{
    if (!m_port.isOpen())
        return false;
    // A pseudo-terminal answers "Inappropriate ioctl for device": not a line failure.
    const bool ok = m_port.setRequestToSend(on);
    m_port.clearError();
    return ok;
}

bool QtSerialLine::write(const QByteArray &bytes)
{
    if (!m_port.isOpen())
        return false;
    if (m_port.write(bytes) != bytes.size()) {
        m_port.clearError();
        return false;
    }
    // Hand the bytes to the device now rather than on the next event-loop turn.
    m_port.flush();
    if (m_port.bytesToWrite() > 0)
        m_port.waitForBytesWritten(100);
    const bool ok = m_port.bytesToWrite() == 0;
    m_port.clearError();
    return ok;
}

QByteArray QtSerialLine::readAll()
{
    if (!m_port.isOpen())
        return {};
    return m_port.readAll();
}

// The loss is told queued: whoever hears of it may close the port, and the
// watch with it.
void QtSerialLine::watchForHangup()
{
    m_hangup = std::make_unique<HangupWatch>(m_port);
    connect(m_hangup.get(), &HangupWatch::hungUp, this, [this] {
        if (m_port.isOpen())
            emit lost(QStringLiteral("устройство отключено"));
    }, Qt::QueuedConnection);
}

void QtSerialLine::onError(QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::ResourceError && m_port.isOpen()) {
        const QString reason = m_port.errorString();
        emit lost(reason);
    }
}

} // namespace meterlink
