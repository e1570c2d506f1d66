#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "session/session_events.h"

namespace tvx::trend {

using session::Gauge;

// One value of a live-data page as it was read: what its gauge showed, the engineering
// value and when. A failed read has no text: the gauge kept its old text, which is stale
// from then on. The chart, the gauges' stale marks, recordings and replays all take these.
struct Reading {
    std::uint64_t timeMs = 0;  // the session's clock (live), or ms from a recording's start
    Gauge gauge{};
    std::string text;    // as the gauge shows it; empty when the read failed
    double value = 0.0;  // NaN when the text is not a number
    bool failed = false;
    std::uint32_t cycle = 0;  // the pass over the page it belongs to
};

// The reading a session event tells of. A failed read's value is NaN.
Reading readingOf(const session::LiveReading& event, std::uint32_t cycle);

}  // namespace tvx::trend
