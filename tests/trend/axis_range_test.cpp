#include <gtest/gtest.h>

#include <cmath>

#include "trend/axis_range.h"

namespace tvx::trend {
namespace {

using Range = std::optional<std::pair<double, double>>;

struct AxisCase {
    const char* name;
    Gauge gauge;
    Range data;
    double low;
    double high;
    double step;
};

void PrintTo(const AxisCase& c, std::ostream* os) {
    *os << c.name;
}

class Axis : public ::testing::TestWithParam<AxisCase> {};

TEST_P(Axis, HasRoundLimitsAroundTheDataAndTheMinimumSpan) {
    const AxisCase& c = GetParam();
    const AxisRange axis = axisFor(axisFit(c.gauge), c.data);
    EXPECT_NEAR(axis.low, c.low, 1e-9);
    EXPECT_NEAR(axis.high, c.high, 1e-9);
    EXPECT_NEAR(axis.step, c.step, 1e-12);
    const double steps = (axis.high - axis.low) / axis.step;
    EXPECT_NEAR(steps, std::round(steps), 1e-9) << "the limits lie on grid lines";
    EXPECT_LE(std::round(steps), 6.0);
    EXPECT_GE(std::round(steps), 2.0);
    if (c.data) {
        EXPECT_LE(axis.low, c.data->first);
        EXPECT_GE(axis.high, c.data->second);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Axis,
    ::testing::Values(
        AxisCase{"idling engine: the jitter shows, not blown up", Gauge::rpmd, Range({767, 833}),
                 600, 1000, 100},
        AxisCase{"revved engine", Gauge::rpmd, Range({800, 5210}), 0, 6000, 1000},
        AxisCase{"lambda", Gauge::lmdd, Range({0.98, 1.02}), 0.9, 1.1, 0.05},
        AxisCase{"a value of no known scale", Gauge::mapd, Range({12.3, 47.9}), 10, 50, 10},
        AxisCase{"a value of no known scale that never moves", Gauge::Barod, Range({1013, 1013}),
                 950, 1100, 50},
        AxisCase{"zero that never moves", Gauge::atpsd, Range({0, 0}), -0.6, 0.6, 0.2},
        AxisCase{"a switch", Gauge::cppd, Range({1, 1}), 0, 1, 0.2},
        AxisCase{"a count from zero", Gauge::dtcd, Range({3, 3}), 0, 5, 1},
        AxisCase{"coolant below freezing", Gauge::ectd, Range({-31, 40}), -40, 40, 20},
        AxisCase{"nothing read yet", Gauge::batd, std::nullopt, 0, 1, 0.2},
        AxisCase{"nothing at all", Gauge::kmd, std::nullopt, 0, 1, 0.2}));

}  // namespace
}  // namespace tvx::trend
