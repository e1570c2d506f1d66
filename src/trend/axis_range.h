#pragma once

#include <optional>
#include <string_view>
#include <utility>

namespace tvx::trend {

// The y-axis of a charted value.
struct AxisRange {
    double low = 0.0;
    double high = 1.0;
    double step = 0.25;  // between two grid lines
};

// The range a value usually keeps to in a workshop (engine speed 0..4000 rpm, lambda
// 0.6..1.4), so an idling engine's few rpm of jitter do not fill the chart; none for a
// value whose scale differs between the cars' requests.
std::optional<std::pair<double, double>> usualRange(std::string_view gauge);

// An axis with round limits and about five steps, holding the usual range and the data.
// Without either it is 0..1; data that never changes gets a span of a tenth of its size.
AxisRange axisFor(std::optional<std::pair<double, double>> usual,
                  std::optional<std::pair<double, double>> data);

}  // namespace tvx::trend
