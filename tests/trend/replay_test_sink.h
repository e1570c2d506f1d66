#pragma once

#include <cstdint>
#include <vector>

#include "trend/replay_engine.h"

namespace tvx::trend {

// What reached the sink, in order.
struct Sink final : ReplaySink {
    void replayStarted(const session::LivePage& page) override {
        started.push_back(&page);
        readings.clear();
    }
    void replayReading(const Reading& reading) override { readings.push_back(reading); }
    void replayMoved(std::uint64_t positionMs) override { position = positionMs; }

    std::vector<std::uint64_t> times() const {
        std::vector<std::uint64_t> t;
        for (const Reading& r : readings) {
            t.push_back(r.timeMs);
        }
        return t;
    }

    std::vector<const session::LivePage*> started;
    std::vector<Reading> readings;
    std::uint64_t position = 0;
};

}  // namespace tvx::trend
