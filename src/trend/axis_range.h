#pragma once

#include <optional>
#include <utility>

#include "session/gauge.h"

namespace tvx::trend {

using session::Gauge;

// The y-axis of a charted value.
struct AxisRange {
    double low = 0.0;
    double high = 1.0;
    double step = 0.25;  // between two grid lines
};

// How a value's axis fits its data: never narrower than `minimumSpan` (so a few rpm of
// jitter at idle do not fill the chart, while a rev still does), and from zero for counts
// and switches.
struct AxisFit {
    double minimumSpan = 0.0;  // 0: a tenth of the value's size, at least 1
    bool fromZero = false;
};

// The fit of a gauge's value, in the unit the gauge shows.
AxisFit axisFit(Gauge gauge);

// An axis with round limits and about five steps around the data. Without data it is
// 0..1 (or 0..the minimum span).
AxisRange axisFor(const AxisFit& fit, std::optional<std::pair<double, double>> data);

}  // namespace tvx::trend
