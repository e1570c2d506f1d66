#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "session/live_pages.h"

namespace tvx::session {

// One column of a live-data log or recording: a gauge of the page, what it shows and in which unit.
struct LiveColumn {
    Gauge gauge{};  // the gauge the session writes
    std::string_view name;
    std::string_view unit;  // "-" for a plain number, "" for a switch state
};

// The columns of a page: every gauge its reads write, in the order first written. A gauge
// read twice in one cycle (the petrol vehicle speed) is one column showing the last value.
std::vector<LiveColumn> liveColumns(const LivePage& page);
// Those of them that show one of `gauges` (fast mode's values), in the page's order; every
// column when `gauges` is empty.
std::vector<LiveColumn> liveColumns(const LivePage& page, std::span<const Gauge> gauges);

// "engine speed [rpm]", or the name alone when the value has no unit.
std::string columnHeader(const LiveColumn& column);

}  // namespace tvx::session
