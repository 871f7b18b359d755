#include "barcodescanner.h"

namespace app {

BarcodeScanner::BarcodeScanner(QObject *parent) : QObject(parent)
{
    m_line.setBaudRate(kBaudRate);
    m_line.setParity(meterlink::Parity::None);
    m_line.setStopBits(meterlink::StopBits::One);
    m_line.setRtsOnOpen(false);
    connect(&m_line, &meterlink::SerialLine::readyRead, this, &BarcodeScanner::readArrived);
    // A scanner pulled out: its port is closed, so no error repeats; the
    // switch or a port choice opens it again.
    connect(&m_line, &meterlink::SerialLine::lost, this, [this] { m_line.close(nullptr); });
}

bool BarcodeScanner::open(QString *error) { return m_line.open(error); }

bool BarcodeScanner::close(QString *error)
{
    if (!m_line.isOpen())
        return true;
    return m_line.close(error);
}

void BarcodeScanner::readArrived()
{
    const QByteArray bytes = m_line.readAll();
    if (bytes.isEmpty())
        return;
    if (const auto number = m_buffer.append(bytes))
        emit scanned(*number);
}

} // namespace app
