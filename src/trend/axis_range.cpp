#include "trend/axis_range.h"

#include <algorithm>
#include <cmath>

namespace tvx::trend {
namespace {

struct FitRow {
    Gauge gauge;
    AxisFit fit;
};

// Spans in the units the gauges show. Values whose scale depends on the request a car
// answers (manifold pressure, barometer, throttle) take a tenth of their size.
constexpr FitRow kFits[] = {
    {Gauge::rpmd, {400, false}},  {Gauge::advd, {10, false}},    {Gauge::lmdd, {0.2, false}},
    {Gauge::vssd, {20, true}},    {Gauge::VSSd, {20, true}},     {Gauge::ectd, {10, false}},
    {Gauge::chdd, {10, false}},   {Gauge::iatd, {10, false}},    {Gauge::Batd, {1, false}},
    {Gauge::batd, {1, false}},    {Gauge::hegoupd, {1, true}},   {Gauge::hegodownd, {1, true}},
    {Gauge::loadd, {20, true}},   {Gauge::appd, {20, true}},     {Gauge::app1d, {1, true}},
    {Gauge::app2d, {1, true}},    {Gauge::app3d, {1, true}},     {Gauge::frpd, {50, false}},
    {Gauge::mafd, {5, true}},     {Gauge::egrdd, {20, true}},    {Gauge::egrpd, {2, true}},
    {Gauge::torkd, {50, true}},   {Gauge::ftsd, {10, false}},    {Gauge::betd, {10, false}},
    {Gauge::mfdd, {1, true}},     {Gauge::dtcd, {5, true}},      {Gauge::cppd, {1, true}},
    {Gauge::bppd, {1, true}},     {Gauge::klimad, {1, true}},    {Gauge::flid, {20, true}},
    {Gauge::vvtind, {10, false}}, {Gauge::vvtoutd, {10, false}},
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

AxisFit axisFit(Gauge gauge) {
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
