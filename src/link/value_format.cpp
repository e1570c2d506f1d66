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
    if (!std::isfinite(value)) {
        value = 0.0;
    }
    // Halves round away from zero, as a gauge reader expects; adding 0.0 turns a rounded
    // -0 into 0 so no "-0" is ever shown.
    const double scale = std::pow(10.0, decimals);
    const double rounded = std::round(value * scale) / scale + 0.0;
    char text[64];
    std::snprintf(text, sizeof text, "%*.*f", width < 0 ? 0 : width, decimals, rounded);
    return text;
}

}  // namespace tvx::link
