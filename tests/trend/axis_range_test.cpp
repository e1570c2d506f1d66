#include <gtest/gtest.h>

#include <cmath>

#include "trend/axis_range.h"

namespace tvx::trend {
namespace {

using Range = std::optional<std::pair<double, double>>;

struct AxisCase {
    const char* name;
    Range usual;
    Range data;
    double low;
    double high;
    double step;
};

void PrintTo(const AxisCase& c, std::ostream* os) {
    *os << c.name;
}

class Axis : public ::testing::TestWithParam<AxisCase> {};

TEST_P(Axis, HasRoundLimitsAndHoldsTheUsualRangeAndTheData) {
    const AxisCase& c = GetParam();
    const AxisRange axis = axisFor(c.usual, c.data);
    EXPECT_DOUBLE_EQ(axis.low, c.low);
    EXPECT_DOUBLE_EQ(axis.high, c.high);
    EXPECT_DOUBLE_EQ(axis.step, c.step);
    const double steps = (axis.high - axis.low) / axis.step;
    EXPECT_NEAR(steps, std::round(steps), 1e-9) << "the limits lie on grid lines";
    EXPECT_LE(std::round(steps), 6.0);
    EXPECT_GE(std::round(steps), 2.0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Axis,
    ::testing::Values(
        AxisCase{"idling engine", Range({0, 4000}), Range({790, 812}), 0, 4000, 1000},
        AxisCase{"revved past the usual", Range({0, 4000}), Range({800, 5210}), 0, 6000, 2000},
        AxisCase{"lambda", Range({0.6, 1.4}), Range({0.98, 1.02}), 0.6, 1.4, 0.2},
        AxisCase{"a value with no usual range", std::nullopt, Range({12.3, 47.9}), 10, 50, 10},
        AxisCase{"a value that never moves", std::nullopt, Range({1013, 1013}), 950, 1100, 50},
        AxisCase{"a value near zero that never moves", std::nullopt, Range({0, 0}), -0.6, 0.6, 0.2},
        AxisCase{"negative temperatures", Range({-20, 120}), Range({-31, 40}), -50, 150, 50},
        AxisCase{"nothing read yet", Range({10, 16}), std::nullopt, 10, 16, 2},
        AxisCase{"nothing at all", std::nullopt, std::nullopt, 0, 1, 0.25}));

TEST(UsualRange, KnowsTheCommonValuesAndNotThoseOfTwoScales) {
    EXPECT_TRUE(usualRange("rpmd").has_value());
    EXPECT_TRUE(usualRange("lmdd").has_value());
    EXPECT_FALSE(usualRange("Barod").has_value()) << "mbar on one request, raw on another";
    EXPECT_FALSE(usualRange("no such gauge").has_value());
}

}  // namespace
}  // namespace tvx::trend
