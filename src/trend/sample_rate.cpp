#include "trend/sample_rate.h"

namespace tvx::trend {

void SampleRate::reading(Gauge gauge, std::uint64_t timeMs, bool failed) {
    if (failed) {
        return;  // no sample of the value
    }
    std::deque<std::uint64_t>& times = m_times[gauge];
    times.push_back(timeMs);
    while (times.size() > 2 && times.back() - times.front() > kSpanMs) {
        times.pop_front();
    }
}

std::optional<double> SampleRate::perSecond(Gauge gauge) const {
    const auto it = m_times.find(gauge);
    if (it == m_times.end() || it->second.size() < 2 || it->second.back() == it->second.front()) {
        return std::nullopt;
    }
    const std::deque<std::uint64_t>& times = it->second;
    return static_cast<double>(times.size() - 1) * 1000.0 /
           static_cast<double>(times.back() - times.front());
}

}  // namespace tvx::trend
