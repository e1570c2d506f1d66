#include "trend/axis_range.h"

#include <algorithm>
#include <cmath>

namespace tvx::trend {
namespace {

struct FitRow {
    std::string_view gauge;
    AxisFit fit;
};

// Spans in the units the gauges show. Values whose scale depends on the request a car
// answers (manifold pressure, barometer, throttle) take a tenth of their size.
constexpr FitRow kFits[] = {
    {"rpmd", {400, false}},  {"advd", {10, false}},    {"lmdd", {0.2, false}},
    {"vssd", {20, true}},    {"VSSd", {20, true}},     {"ectd", {10, false}},
    {"chdd", {10, false}},   {"iatd", {10, false}},    {"Batd", {1, false}},
    {"batd", {1, false}},    {"hegoupd", {1, true}},   {"hegodownd", {1, true}},
    {"loadd", {20, true}},   {"appd", {20, true}},     {"app1d", {1, true}},
    {"app2d", {1, true}},    {"app3d", {1, true}},     {"frpd", {50, false}},
    {"mafd", {5, true}},     {"egrdd", {20, true}},    {"egrpd", {2, true}},
    {"torkd", {50, true}},   {"ftsd", {10, false}},    {"betd", {10, false}},
    {"mfdd", {1, true}},     {"dtcd", {5, true}},      {"cppd", {1, true}},
    {"bppd", {1, true}},     {"klimad", {1, true}},    {"flid", {20, true}},
    {"vvtind", {10, false}}, {"vvtoutd", {10, false}},
};

// 1, 2 or 5 times a power of ten, the least not below `rough`.
double niceStep(double rough) {
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (const double factor : {1.0, 2.0, 5.0}) {
        if (factor * power >= rough * (1 - 1e-9)) {
            return factor * power;
        }
    }
    return 10 * power;
}

}  // namespace

AxisFit axisFit(std::string_view gauge) {
    for (const FitRow& row : kFits) {
        if (row.gauge == gauge) {
            return row.fit;
        }
    }
    return {};
}

AxisRange axisFor(const AxisFit& fit, std::optional<std::pair<double, double>> data) {
    double low = data ? data->first : 0.0;
    double high = data ? data->second : (fit.minimumSpan > 0 ? fit.minimumSpan : 1.0);
    if (fit.fromZero) {
        low = std::min(low, 0.0);
        high = std::max(high, 0.0);
    }
    const double size = std::max(std::abs(low), std::abs(high));
    const double span = fit.minimumSpan > 0 ? fit.minimumSpan : std::max(size / 10, 1.0);
    if (high - low < span) {
        const double grow = (span - (high - low)) / 2;
        // A value counted from zero is not widened below zero.
        const double below = fit.fromZero ? std::clamp(low, 0.0, grow) : grow;
        low -= below;
        high += 2 * grow - below;
    }
    const double step = niceStep((high - low) / 5);
    return {std::floor(low / step + 1e-9) * step, std::ceil(high / step - 1e-9) * step, step};
}

}  // namespace tvx::trend
