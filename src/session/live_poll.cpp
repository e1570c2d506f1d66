#include "session/live_poll.h"

namespace tvx::session {

namespace {

void readOne(const LiveRead& read, link::Requests& requests, const ShowGauge& show) {
    link::Link& link = requests.link();
    // Demo values never fail; an earlier failure must not hide them.
    auto good = [&link] { return link.DemoMode || link.ReplyFailed == 0; };
    switch (read.kind) {
        case LiveRead::Kind::Decode:
            requests.Decode(read.decoder);
            if (good()) {
                show(read.gauge, requests.ValueText);
            }
            break;
        case LiveRead::Kind::SwitchStates:
            requests.ReadSwitchStates();
            if (good()) {
                show("cppd", std::string(clutchText(requests.StatusFlags)));
                show("bppd", std::string(brakeText(requests.StatusFlags)));
                show("klimad", std::string(aircoText(requests.StatusFlags)));
            }
            break;
        case LiveRead::Kind::Odometer:
            requests.ReadOdometer();
            if (good()) {
                show(read.gauge, requests.ValueText);
            }
            break;
    }
}

}  // namespace

bool pollLivePage(const LivePage& page, link::Requests& requests, link::Clock& clock,
                  const ShowGauge& show, const KeepGoing& keepGoing) {
    if (requests.link().DemoMode) {
        clock.sleepMs(page.demoPauseMs);
    }
    for (const LiveRead& read : page.reads) {
        if (page.pauseBeforeEachMs != 0) {
            clock.sleepMs(page.pauseBeforeEachMs);
        }
        readOne(read, requests, show);
        if (!goOn(keepGoing)) {
            return false;
        }
    }
    return true;
}

}  // namespace tvx::session
