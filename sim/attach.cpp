#include "attach.h"

#include "simulatedmeter.h"

#include "link/memoryline.h"

#include <QPointer>

namespace sim {

void attach(meterlink::MemoryLine &line, SimulatedMeter &meter)
{
    QPointer<SimulatedMeter> target(&meter);
    line.setPeer([target](const QByteArray &bytes) {
        if (target)
            target->receive(bytes);
    });
    QObject::connect(&meter, &SimulatedMeter::send, &line, &meterlink::MemoryLine::sendFromPeer);
}

} // namespace sim
