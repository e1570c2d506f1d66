#include "trend/axis_range.h"

#include <algorithm>
#include <cmath>

namespace tvx::trend {
namespace {

struct UsualRange {
    std::string_view gauge;
    double low;
    double high;
};

// Ranges in the units the gauges show. Values whose scale depends on the request a car
// answers (the manifold pressure, the barometer, the throttle) have none.
constexpr UsualRange kUsualRanges[] = {
    {"rpmd", 0, 4000}, {"advd", -10, 40},  {"lmdd", 0.6, 1.4}, {"vssd", 0, 120},
    {"VSSd", 0, 120},  {"ectd", -20, 120}, {"chdd", -20, 120}, {"iatd", -20, 60},
    {"Batd", 10, 16},  {"batd", 10, 16},   {"hegoupd", 0, 1},  {"hegodownd", 0, 1},
    {"loadd", 0, 100}, {"appd", 0, 100},   {"app1d", 0, 5},    {"app2d", 0, 5},
    {"app3d", 0, 5},   {"frpd", 0, 1000},  {"mafd", 0, 50},    {"egrdd", 0, 100},
    {"torkd", 0, 300}, {"ftsd", -20, 80},  {"betd", -20, 60},  {"dtcd", 0, 5},
    {"cppd", 0, 1},    {"bppd", 0, 1},     {"klimad", 0, 1},   {"flid", 0, 100},
};

// 1, 2 or 5 times a power of ten, the least not below `rough`.
double niceStep(double rough) {
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (const double factor : {1.0, 2.0, 5.0, 10.0}) {
        if (factor * power >= rough * (1 - 1e-9)) {
            return factor * power;
        }
    }
    return 10 * power;
}

}  // namespace

std::optional<std::pair<double, double>> usualRange(std::string_view gauge) {
    for (const UsualRange& row : kUsualRanges) {
        if (row.gauge == gauge) {
            return std::pair(row.low, row.high);
        }
    }
    return std::nullopt;
}

AxisRange axisFor(std::optional<std::pair<double, double>> usual,
                  std::optional<std::pair<double, double>> data) {
    if (!usual && !data) {
        return {};
    }
    double low = usual ? usual->first : data->first;
    double high = usual ? usual->second : data->second;
    if (data) {
        low = std::min(low, data->first);
        high = std::max(high, data->second);
    }
    if (high - low < 1e-9) {
        const double half = std::max(std::abs(high) * 0.05, 0.5);
        low -= half;
        high += half;
    }
    const double step = niceStep((high - low) / 5);
    return {std::floor(low / step + 1e-9) * step, std::ceil(high / step - 1e-9) * step, step};
}

}  // namespace tvx::trend
