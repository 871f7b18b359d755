#include "addressfinder.h"

#include "link/connection.h"

namespace cli {

AddressFinder::AddressFinder(meterlink::MeterConnection &connection, QObject *parent)
    : QObject(parent), m_connection(connection)
{
    using meterlink::MeterConnection;
    connect(&connection, &MeterConnection::controlsChanged, this, &AddressFinder::onControlsChanged);
    connect(&connection, &MeterConnection::addressChanged, this, &AddressFinder::onAddressChanged);
    connect(&connection, &MeterConnection::meterAnswered, this, &AddressFinder::onMeterAnswered);
}

// The search is offered after a time-out outside a search: take it.
void AddressFinder::onControlsChanged()
{
    if (m_searching || m_done || !m_connection.findAddressEnabled())
        return;
    m_searching = true;
    m_connection.findAddress();
}

void AddressFinder::onAddressChanged()
{
    if (!m_searching || m_done || ++m_steps < kWholeRange)
        return;
    m_done = true;
    emit exhausted();
}

// The bytes of any answer have already ended the search where it stands;
// before a search, the given address was the right one.
void AddressFinder::onMeterAnswered()
{
    if (m_done)
        return;
    m_done = true;
    emit found(m_connection.address());
}

} // namespace cli
