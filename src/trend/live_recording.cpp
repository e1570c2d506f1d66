#include "trend/live_recording.h"

#include <algorithm>

#include "session/live_focus.h"
#include "trend/live_columns.h"

namespace tvx::trend {

std::vector<CycleSpan> cyclesOf(const LiveRecording& recording) {
    std::vector<CycleSpan> cycles;
    const std::vector<Reading>& readings = recording.readings;
    for (std::size_t i = 0; i < readings.size(); ++i) {
        if (i == 0 || readings[i].cycle != readings[i - 1].cycle) {
            if (!cycles.empty()) {
                cycles.back().end = i;
            }
            cycles.push_back({i, readings.size(), readings[i].timeMs});
        }
    }
    return cycles;
}

bool pageShows(const session::LivePage& page, Gauge gauge) {
    for (const session::LiveRead& read : page.reads) {
        const auto filled = session::gaugesOfRead(read);
        if (std::find(filled.begin(), filled.end(), gauge) != filled.end()) {
            return true;
        }
    }
    return false;
}

std::vector<Gauge> pageGauges(const session::LivePage& page) {
    std::vector<Gauge> gauges;
    for (const LiveColumn& column : liveColumns(page)) {
        gauges.push_back(column.gauge);
    }
    return gauges;
}

}  // namespace tvx::trend
