#include "replyharness.h"

#include "fuzzline.h"

#include "app/station.h"
#include "link/linemode.h"
#include "link/pollcycle.h"
#include "link/virtualclock.h"

#include <cstdio>
#include <cstdlib>
#include <functional>

namespace fuzz {

namespace {

// Clock steps beyond this much virtual time per input are skipped, so that
// an input full of steps cannot run thousands of exchanges.
constexpr qint64 kMaxVirtualMs = 10000;

// Makes `request`, queued by `queue`, the current request of a freshly
// connected link and lets it go out.
void startExchange(meterlink::VirtualClock &clock, meterlink::MeterConnection &c, const QByteArray &request,
                   const std::function<void()> &queue)
{
    c.connectLink();
    clock.advance(meterlink::MeterConnection::kStartDelayMs); // the start request is queued
    queue();
    while (c.queuedCount() > 1)
        c.dequeueHead();
    const QByteArray expected = meterlink::frameRequest(c.lineMode(), quint8(c.address()), request);
    if (!c.isConnected() || c.currentRequest() != expected) {
        std::fprintf(stderr, "fuzz_reply: the chosen request did not become the current one\n");
        std::abort(); // the harness no longer matches the link: fix the harness
    }
    clock.advance(meterlink::MeterConnection::kCommandIntervalMs); // TimerCommand sends it
}

} // namespace

void playReplyScript(const ReplyScript &s, const QString &workingDir,
                     const std::function<void(app::Station &)> &observe)
{
    meterlink::VirtualClock clock;
    FuzzLine line;
    app::RunModes modes;
    modes.masterMode = s.trace;
    app::Station station(clock, modes, workingDir);

    meterlink::MeterConnection &c = station.connection();
    c.setLine(&line);
    c.setPortName(QStringLiteral("fuzz"));
    c.setLineMode(s.lineMode);
    c.setParityIndex(s.parityIndex);
    c.setAddress(s.address);
    if (observe)
        observe(station);
    if (s.journal >= 0) {
        // The reader queues the header itself and keeps the read's state.
        const auto j = journals::Journal(s.journal);
        startExchange(clock, c, QByteArray::fromHex("5D03") + char(s.journal),
                      [&] { station.journals().read(j, s.profileDay()); });
    } else {
        const QByteArray request = s.request.isEmpty() ? meterlink::pollRequest(s.pollIndex) : s.request;
        startExchange(clock, c, request, [&] { c.enqueueRequest(request); });
    }

    qint64 virtualMs = 0;
    for (const ReplyEvent &e : s.events) {
        if (!e.chunk.isEmpty()) {
            line.deliver(e.chunk);
        } else if (virtualMs + e.advanceMs <= kMaxVirtualMs) {
            virtualMs += e.advanceMs;
            clock.advance(e.advanceMs);
        }
    }
    c.disconnectLink();
}

} // namespace fuzz
