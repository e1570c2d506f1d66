#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "session/live_pages.h"
#include "trend/reading.h"

namespace tvx::trend {

// A recording of one live-data page: every reading in the order it was read, with its
// time in ms from the recording's start and the number of its polling cycle (0, 1, 2 ...).
// A line lost while recording is a cycle in which every value failed.
struct LiveRecording {
    const session::LivePage* page = nullptr;
    std::vector<Reading> readings;
    // The values recorded in fast mode (the page's names); empty: every value of the page.
    std::vector<Gauge> gauges;

    std::uint64_t durationMs() const { return readings.empty() ? 0 : readings.back().timeMs; }
};

// One polling cycle of a recording: readings [first, end), the time of its first reading.
struct CycleSpan {
    std::size_t first = 0;
    std::size_t end = 0;
    std::uint64_t timeMs = 0;
};

// The cycles of a recording, in order.
std::vector<CycleSpan> cyclesOf(const LiveRecording& recording);

// Whether a read of the page writes the gauge.
bool pageShows(const session::LivePage& page, Gauge gauge);

// Every gauge the page writes, in the order of its columns.
std::vector<Gauge> pageGauges(const session::LivePage& page);

}  // namespace tvx::trend
