#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>

#include "session/gauge.h"

namespace tvx::trend {

using session::Gauge;

// How many good readings of each value come in per second, over the last few seconds of
// the session's clock: what fast mode gains, shown beside each charted value.
class SampleRate {
public:
    static constexpr std::uint64_t kSpanMs = 3000;

    void reading(Gauge gauge, std::uint64_t timeMs, bool failed);
    // Readings per second of the gauge over the span before its last reading; nullopt
    // until two have come in.
    std::optional<double> perSecond(Gauge gauge) const;
    void clear() { m_times.clear(); }

private:
    std::map<Gauge, std::deque<std::uint64_t>> m_times;
};

}  // namespace tvx::trend
