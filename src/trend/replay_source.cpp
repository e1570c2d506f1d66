#include "trend/replay_source.h"

#include <algorithm>

namespace tvx::trend {

HeldRecording::HeldRecording(const LiveRecording& recording)
    : m_recording(recording), m_cycles(cyclesOf(recording)) {}

std::uint32_t HeldRecording::cycles() const {
    return static_cast<std::uint32_t>(m_cycles.size());
}

std::uint32_t HeldRecording::cycleFrom(std::uint64_t timeMs) {
    // A cycle's readings are in time order: its last one is the latest.
    const auto found = std::partition_point(
        m_cycles.begin(), m_cycles.end(),
        [&](const CycleSpan& c) { return m_recording.readings[c.end - 1].timeMs < timeMs; });
    return static_cast<std::uint32_t>(found - m_cycles.begin());
}

bool HeldRecording::read(std::uint32_t cycle, std::vector<Reading>& readings) {
    const CycleSpan& span = m_cycles.at(cycle);
    readings.assign(m_recording.readings.begin() + static_cast<std::ptrdiff_t>(span.first),
                    m_recording.readings.begin() + static_cast<std::ptrdiff_t>(span.end));
    return true;
}

}  // namespace tvx::trend
