#include <gtest/gtest.h>

#include "trend/sample_rate.h"

namespace tvx::trend {
namespace {

struct RateCase {
    const char* name;
    unsigned everyMs;    // one reading every ...
    unsigned count;      // ... so many
    unsigned failEvery;  // every n-th read fails (0: none)
    double expected;
};

class SampleRateTest : public ::testing::TestWithParam<RateCase> {};

TEST_P(SampleRateTest, CountsGoodReadingsPerSecond) {
    const RateCase& c = GetParam();
    SampleRate rate;
    for (unsigned i = 0; i < c.count; ++i) {
        rate.reading(Gauge::rpmd, 1000 + std::uint64_t{i} * c.everyMs,
                     c.failEvery != 0 && i % c.failEvery == c.failEvery - 1);
    }
    ASSERT_TRUE(rate.perSecond(Gauge::rpmd).has_value());
    EXPECT_NEAR(*rate.perSecond(Gauge::rpmd), c.expected, 0.05 * c.expected);
}

INSTANTIATE_TEST_SUITE_P(Paces, SampleRateTest,
                         ::testing::Values(RateCase{"WholePage", 350, 40, 0, 1000.0 / 350},
                                           RateCase{"OneValue", 20, 400, 0, 50.0},
                                           RateCase{"EveryOtherFails", 20, 400, 2, 25.0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SampleRate, FollowsTheLastSecondsWhenThePaceChanges) {
    SampleRate rate;
    std::uint64_t t = 0;
    for (int i = 0; i < 20; ++i, t += 350) {
        rate.reading(Gauge::rpmd, t, false);
    }
    for (int i = 0; i < 200; ++i, t += 20) {
        rate.reading(Gauge::rpmd, t, false);
    }
    ASSERT_TRUE(rate.perSecond(Gauge::rpmd));
    EXPECT_NEAR(*rate.perSecond(Gauge::rpmd), 50.0, 1.0);
}

TEST(SampleRate, NeedsTwoReadingsOfTheValue) {
    SampleRate rate;
    EXPECT_FALSE(rate.perSecond(Gauge::rpmd));
    rate.reading(Gauge::rpmd, 10, false);
    rate.reading(Gauge::mapd, 30, false);
    EXPECT_FALSE(rate.perSecond(Gauge::rpmd));
    rate.reading(Gauge::rpmd, 20, true);
    EXPECT_FALSE(rate.perSecond(Gauge::rpmd)) << "a failed read is no sample";
    rate.reading(Gauge::rpmd, 510, false);
    EXPECT_DOUBLE_EQ(*rate.perSecond(Gauge::rpmd), 2.0);
    rate.clear();
    EXPECT_FALSE(rate.perSecond(Gauge::rpmd));
}

}  // namespace
}  // namespace tvx::trend
