#include "trend/live_recording.h"

#include "trend/live_columns.h"

namespace tvx::trend {
namespace {

// The three fields a switch-state read fills.
constexpr std::string_view kSwitchFields[] = {"cppd", "bppd", "klimad"};

}  // namespace

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

std::string_view pageGauge(const session::LivePage& page, std::string_view gauge) {
    for (const session::LiveRead& read : page.reads) {
        if (read.kind == session::LiveRead::Kind::SwitchStates) {
            for (const std::string_view field : kSwitchFields) {
                if (field == gauge) {
                    return field;
                }
            }
        } else if (read.gauge == gauge) {
            return read.gauge;
        }
    }
    return {};
}

std::vector<std::string_view> pageGauges(const session::LivePage& page) {
    std::vector<std::string_view> gauges;
    for (const LiveColumn& column : liveColumns(page)) {
        gauges.push_back(pageGauge(page, column.gauge));
    }
    return gauges;
}

}  // namespace tvx::trend
