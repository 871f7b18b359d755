#include "meterverbs.h"

#include "clioptions.h"

#include "app/station.h"
#include "protocol/functioncatalogue.h"

namespace cli {

MeterVerbs::MeterVerbs(app::Station &station, const MeterVerbOptions &options, QObject *parent)
    : QObject(parent), m_station(station), m_readIndicator(options.readIndicator)
{
    addSteps(options);
    connect(&station.dispatcher(), &protocol::ReplyDispatcher::replyAccepted, this, &MeterVerbs::onReplyAccepted);
    connect(&station.connection(), &meterlink::MeterConnection::pollRequested, this, &MeterVerbs::onPollRequested);
}

void MeterVerbs::addSteps(const MeterVerbOptions &o)
{
    protocol::RfPlc &rf = m_station.rfPlc();
    protocol::Indicator &indicator = m_station.indicator();
    if (o.plcGroup >= 0)
        m_steps << Step{[&rf, o] {
                            auto c = rf.controls();
                            c.group = o.plcGroup;
                            c.address = o.plcAddress;
                            rf.setControls(c);
                            return rf.writeAddress();
                        },
                        0x0B, true};
    if (o.route >= 0)
        m_steps << Step{[&rf, o] {
                            auto c = rf.controls();
                            c.route = o.route;
                            c.repeater = o.routeRepeater;
                            c.number = o.routeNumber;
                            rf.setControls(c);
                            return rf.writeRoute();
                        },
                        0x21, true};
    if (o.deleteRoute >= 0)
        m_steps << Step{[&rf, o] {
                            auto c = rf.controls();
                            c.route = o.deleteRoute;
                            rf.setControls(c);
                            return rf.deleteRoute();
                        },
                        0x21, true};
    if (o.indicatorMask >= 0)
        m_steps << Step{[&indicator, o] {
                            // Taken in as a read would show them; bit 15 sends word 0.
                            auto s = indicator.settings();
                            protocol::applyIndicatorWords(s, quint16(o.indicatorMask), o.indicatorWord);
                            indicator.setSettings(s);
                            return indicator.write();
                        },
                        0x2F, false};
    if (o.readIndicator)
        m_steps << Step{[&indicator] { return indicator.read(); }, 0x2E, false};
}

void MeterVerbs::start()
{
    // Not from inside the link's queue change: the poll request goes in first.
    if (m_phase == Phase::Idle)
        QMetaObject::invokeMethod(this, &MeterVerbs::next, Qt::QueuedConnection);
}

void MeterVerbs::next()
{
    if (m_phase == Phase::Done)
        return;
    if (m_index >= m_steps.size()) {
        if (!m_reread) {
            finish(ExitOk);
            return;
        }
        m_phase = Phase::Rereading;
        m_cycleStarts = 0;
        m_addressReread = false;
        return;
    }
    const Step &step = m_steps[m_index];
    m_phase = Phase::Awaiting;
    if (!step.queue())
        finish(ExitBatchFailed, QStringLiteral("Операция \"%1\" не выполнена: нет связи со счетчиком.")
                                    .arg(protocol::functionName(step.lastCode)));
}

void MeterVerbs::onReplyAccepted(quint8 code)
{
    if (m_phase == Phase::Rereading) {
        noteReread(code);
        return;
    }
    if (m_phase != Phase::Awaiting || code != m_steps[m_index].lastCode)
        return;
    m_reread = m_reread || m_steps[m_index].rfPlcWrite;
    ++m_index;
    m_phase = Phase::Between;
    QMetaObject::invokeMethod(this, &MeterVerbs::next, Qt::QueuedConnection);
}

// Polling reads the group and address (0x0A), then the four routes (0x20).
void MeterVerbs::noteReread(quint8 code)
{
    if (code == 0x0A) {
        m_routesReread = 0;
        m_addressReread = true;
    } else if (code == 0x20 && m_addressReread && ++m_routesReread == protocol::RfPlc::kRoutes) {
        // After the dispatcher has decoded this reply.
        QMetaObject::invokeMethod(this, [this] { finish(ExitOk); }, Qt::QueuedConnection);
    }
}

void MeterVerbs::onPollRequested(int n)
{
    if (m_phase == Phase::Awaiting) {
        // The queue ran empty before the last reply: it was dropped.
        finish(ExitBatchFailed, QStringLiteral("Операция \"%1\" не выполнена. Описание смотрите в протоколе.")
                                    .arg(protocol::functionName(m_steps[m_index].lastCode)));
    } else if (m_phase == Phase::Rereading && n == 0 && ++m_cycleStarts == 2) {
        finish(ExitOk); // a whole cycle has passed without those replies
    }
}

QStringList MeterVerbs::resultLines() const
{
    const protocol::Indicator &indicator = m_station.indicator();
    if (!m_readIndicator || !indicator.hasRead())
        return {};
    return {QStringLiteral("Маска индикации\t%1").arg(indicator.readMask()),
            QStringLiteral("Подсветка\t%1").arg(indicator.readWord())};
}

void MeterVerbs::finish(int exitCode, const QString &message)
{
    if (m_phase == Phase::Done)
        return;
    m_phase = Phase::Done;
    emit finished(exitCode, message);
}

} // namespace cli
