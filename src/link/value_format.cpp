#include <cmath>
#include <cstdio>
#include <string>

#include "requests.h"

namespace tvx::link {

std::string FormatValue(double value, int width, int decimals) {
    if (decimals < 0) {
        decimals = 0;
    }
    if (decimals > 9) {
        decimals = 9;
    }
    if (width < 0) {
        width = 0;
    }
    if (!std::isfinite(value)) {
        value = 0.0;
    }
    // Halves round away from zero, as a gauge reader expects. A decoded value such as
    // 1005 / 1000 is held a hair below 1.005, so the scaled value is first snapped to a
    // fine grid: a true half then rounds up like every other half. Adding 0.0 turns a
    // rounded -0 into 0 so no "-0" is ever shown.
    const double scale = std::pow(10.0, decimals);
    double scaled = value * scale;
    constexpr double kGrid = 1e6;
    if (std::fabs(scaled) < 1e6) {
        scaled = std::round(scaled * kGrid) / kGrid;
    }
    const double rounded = std::round(scaled) / scale + 0.0;
    // Sized to fit: a number longer than the width is never cut.
    const int length = std::snprintf(nullptr, 0, "%*.*f", width, decimals, rounded);
    std::string text(static_cast<std::size_t>(length), ' ');
    std::snprintf(text.data(), text.size() + 1, "%*.*f", width, decimals, rounded);
    return text;
}

}  // namespace tvx::link
