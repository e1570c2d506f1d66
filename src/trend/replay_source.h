#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "session/live_pages.h"
#include "trend/live_recording.h"

namespace tvx::trend {

// A recording as a replay reads it: a cycle at a time, by its number, so that a replay holds
// no more than the cycle it shows whatever the recording's length.
class ReplaySource {
public:
    virtual ~ReplaySource() = default;
    virtual const session::LivePage* page() const = 0;
    // The values recorded in fast mode (the page's names); empty: every value of the page.
    virtual const std::vector<Gauge>& gauges() const = 0;
    virtual std::uint32_t cycles() const = 0;
    // The time of the last reading.
    virtual std::uint64_t durationMs() const = 0;
    // The first cycle with a reading at or after the time; cycles() when there is none.
    virtual std::uint32_t cycleFrom(std::uint64_t timeMs) = 0;
    // The readings of a cycle (below cycles()) in order. False with error() set when it can no
    // longer be read (a file cut or replaced while it is replayed).
    virtual bool read(std::uint32_t cycle, std::vector<Reading>& readings) = 0;
    virtual const std::string& error() const = 0;
};

// A recording held whole (one just made, or built by a test).
class HeldRecording final : public ReplaySource {
public:
    explicit HeldRecording(const LiveRecording& recording);

    const session::LivePage* page() const override { return m_recording.page; }
    const std::vector<Gauge>& gauges() const override { return m_recording.gauges; }
    std::uint32_t cycles() const override;
    std::uint64_t durationMs() const override { return m_recording.durationMs(); }
    std::uint32_t cycleFrom(std::uint64_t timeMs) override;
    bool read(std::uint32_t cycle, std::vector<Reading>& readings) override;
    const std::string& error() const override { return m_error; }

private:
    const LiveRecording& m_recording;
    std::vector<CycleSpan> m_cycles;
    std::string m_error;  // stays empty
};

}  // namespace tvx::trend
