#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "link/clock.h"
#include "link/keep_going.h"
#include "link/requests.h"
#include "session/live_focus.h"
#include "session/live_pages.h"

namespace tvx::session {

// One field a read fills: a gauge with its text and engineering value. A switch-state read
// fills three (`cppd`, `bppd`, `klimad`, value 1 for " ON"), every other read one.
struct LiveShown {
    Gauge gauge{};
    std::string text;
    double value = 0.0;
};

// One read of a live page, done.
struct LiveValue {
    const LiveRead* read = nullptr;
    std::uint16_t identifier = 0;  // the parameter asked of the module
    bool failed = false;           // the reply was not good: the gauges keep their text
    std::uint64_t timeMs = 0;      // on the poll's clock, when the reply was in
    std::span<const LiveShown> shown;
};

using OnLiveValue = std::function<void(const LiveValue& value)>;

// Where a pass stopped: `next` is the read to go on with, 0 once the page was read through
// (then `complete`).
struct LivePoll {
    std::size_t next = 0;
    bool complete = false;
};

// Polls a live page as the tester does on every tick, from read `from` on: in demo mode a
// pass begins with the page's demo pause; each read follows the page's pause before each
// value. keepGoing is asked after every read; when it says no the pass stops there and
// can be taken up again from `next`. A failed read is reported as failed (in demo mode no
// read fails). Only the reads of `focus` go out; the others are skipped with their pauses.
LivePoll pollLivePage(const LivePage& page, link::Requests& requests, link::Clock& clock,
                      std::size_t from, const OnLiveValue& onValue, const KeepGoing& keepGoing = {},
                      const LiveFocus& focus = {});

}  // namespace tvx::session
