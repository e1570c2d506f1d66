#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "trend/trend_series.h"

namespace tvx::trend {
namespace {

constexpr double kGap = std::numeric_limits<double>::quiet_NaN();

TrendSeries seriesOf(std::initializer_list<TrendPoint> points) {
    TrendSeries series;
    for (const TrendPoint& point : points) {
        series.add(point.timeMs, point.value);
    }
    return series;
}

// The times of each run, for comparing shapes.
std::vector<std::vector<std::int64_t>> runTimes(const std::vector<std::vector<TrendPoint>>& runs) {
    std::vector<std::vector<std::int64_t>> times;
    for (const auto& run : runs) {
        times.emplace_back();
        for (const TrendPoint& point : run) {
            times.back().push_back(point.timeMs);
        }
    }
    return times;
}

struct RunsCase {
    const char* name;
    std::vector<TrendPoint> points;
    std::int64_t from;
    std::int64_t to;
    std::vector<std::vector<std::int64_t>> expected;
};

void PrintTo(const RunsCase& c, std::ostream* os) {
    *os << c.name;
}

class SeriesRuns : public ::testing::TestWithParam<RunsCase> {};

TEST_P(SeriesRuns, BreakAtEveryGapAndReachJustPastTheView) {
    const RunsCase& c = GetParam();
    TrendSeries series;
    for (const TrendPoint& point : c.points) {
        series.add(point.timeMs, point.value);
    }
    EXPECT_EQ(runTimes(series.runs(c.from, c.to, 1000)), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, SeriesRuns,
    ::testing::Values(
        RunsCase{"one unbroken line", {{0, 1}, {100, 2}, {200, 3}}, 0, 200, {{0, 100, 200}}},
        RunsCase{"a failed read breaks it",
                 {{0, 1}, {100, 2}, {150, kGap}, {200, 3}, {300, 4}},
                 0,
                 300,
                 {{0, 100}, {200, 300}}},
        RunsCase{"two failures in a row are one break",
                 {{0, 1}, {100, kGap}, {150, kGap}, {200, 3}},
                 0,
                 300,
                 {{0}, {200}}},
        RunsCase{"the points just outside the view are kept",
                 {{0, 1}, {100, 2}, {200, 3}, {300, 4}, {400, 5}},
                 150,
                 250,
                 {{100, 200, 300}}},
        RunsCase{"a line ending in a gap before the view is not seen",
                 {{0, 1}, {100, kGap}, {300, 2}},
                 200,
                 400,
                 {{300}}},
        RunsCase{"only failures: nothing to draw", {{0, kGap}, {100, kGap}}, 0, 200, {}},
        RunsCase{"nothing yet", {}, 0, 200, {}}));

TEST(SeriesRuns, ThinningToTheColumnsKeepsASpike) {
    TrendSeries series;
    for (std::int64_t t = 0; t < 10000; t += 10) {
        series.add(t, t == 5550 ? 9000.0 : 800.0);  // one reading in a thousand spikes
    }
    const auto runs = series.runs(0, 10000, 50);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_LE(runs[0].size(), 100u) << "at most two points a column";
    const auto spike = std::find_if(runs[0].begin(), runs[0].end(),
                                    [](const TrendPoint& p) { return p.value == 9000.0; });
    ASSERT_NE(spike, runs[0].end()) << "the spike was thinned away";
    EXPECT_EQ(spike->timeMs, 5550);
    EXPECT_TRUE(std::is_sorted(
        runs[0].begin(), runs[0].end(),
        [](const TrendPoint& a, const TrendPoint& b) { return a.timeMs < b.timeMs; }));
}

TEST(SeriesAdd, APointOlderThanTheLastGoesInItsPlace) {
    TrendSeries series = seriesOf({{0, 1}, {200, 3}});
    series.add(100, 2);
    ASSERT_EQ(series.size(), 3u);
    EXPECT_EQ(series.points()[1].timeMs, 100);
    EXPECT_EQ(series.points()[1].value, 2);
}

struct ValueCase {
    const char* name;
    std::int64_t at;
    ValueAt::State state;
    double value;
};

void PrintTo(const ValueCase& c, std::ostream* os) {
    *os << c.name;
}

class SeriesValueAt : public ::testing::TestWithParam<ValueCase> {};

TEST_P(SeriesValueAt, IsTheLastPointAtOrBeforeTheTime) {
    const ValueCase& c = GetParam();
    const TrendSeries series = seriesOf({{100, 10}, {200, 20}, {300, kGap}, {400, 40}});
    const ValueAt value = series.valueAt(c.at);
    EXPECT_EQ(value.state, c.state);
    if (c.state == ValueAt::State::Value) {
        EXPECT_EQ(value.value, c.value);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Times, SeriesValueAt,
    ::testing::Values(ValueCase{"before any reading", 50, ValueAt::State::None, 0},
                      ValueCase{"on a reading", 100, ValueAt::State::Value, 10},
                      ValueCase{"between two readings", 250, ValueAt::State::Value, 20},
                      ValueCase{"after a failure", 350, ValueAt::State::Failed, 0},
                      ValueCase{"after the last reading", 999, ValueAt::State::Value, 40}));

TEST(SeriesAge, DropsOldPointsThinsTheMiddleAndKeepsTheRecentAsTheyCame) {
    TrendSeries series;
    for (std::int64_t t = 0; t <= 10000; t += 100) {
        series.add(t, static_cast<double>(t % 700));
    }
    series.addGap(5050);
    series.age(2000, 8000, 1000);

    const auto& points = series.points();
    EXPECT_EQ(points.front().timeMs, 2000) << "points before fromMs are dropped";
    std::size_t recent = 0;
    for (const TrendPoint& point : points) {
        recent += point.timeMs >= 8000 ? 1 : 0;
    }
    EXPECT_EQ(recent, 21u) << "every point from 8000 on stays";
    for (std::int64_t bucket = 2; bucket < 8; ++bucket) {
        const auto count = std::count_if(points.begin(), points.end(), [&](const TrendPoint& p) {
            return !p.isGap() && p.timeMs / 1000 == bucket;
        });
        EXPECT_LE(count, 3) << "bucket " << bucket << " (a gap splits one in two)";
        EXPECT_GE(count, 1) << "bucket " << bucket;
    }
    EXPECT_TRUE(std::any_of(points.begin(), points.end(), [](const TrendPoint& p) {
        return p.isGap() && p.timeMs == 5050;
    })) << "the gap survives thinning";

    // The lowest and the highest of a thinned bucket stay.
    const auto inBucket3 = [&](double value) {
        return std::any_of(points.begin(), points.end(), [&](const TrendPoint& p) {
            return p.timeMs / 1000 == 3 && p.value == value;
        });
    };
    EXPECT_TRUE(inBucket3(0.0));    // t = 3500
    EXPECT_TRUE(inBucket3(600.0));  // t = 3400

    const std::vector<TrendPoint> once(points.begin(), points.end());
    series.age(2000, 8000, 1000);
    ASSERT_EQ(series.size(), once.size()) << "ageing again changes nothing";
}

// Ageing a little at a time, as the chart does every two seconds, ends as ageing at once.
TEST(SeriesAge, StepByStepEndsAsAllAtOnce) {
    TrendSeries stepwise;
    TrendSeries atOnce;
    for (std::int64_t t = 0; t <= 60000; t += 70) {
        const double value = static_cast<double>((t * 7919) % 1000);
        const bool gap = t % 4970 == 0 && t > 0;
        for (TrendSeries* series : {&stepwise, &atOnce}) {
            gap ? series->addGap(t) : series->add(t, value);
        }
        if (t % 2030 == 0) {
            stepwise.age(t - 50000, t - 20000, 1000);
        }
    }
    stepwise.age(10000, 40000, 1000);
    atOnce.age(10000, 40000, 1000);
    ASSERT_EQ(stepwise.size(), atOnce.size());
    for (std::size_t i = 0; i < atOnce.size(); ++i) {
        EXPECT_EQ(stepwise.points()[i].timeMs, atOnce.points()[i].timeMs) << i;
    }
    EXPECT_LT(atOnce.size(), 60000u / 70u) << "nothing was thinned";
}

TEST(SeriesRange, IsTheLowestAndHighestGoodValueInView) {
    const TrendSeries series = seriesOf({{0, 50}, {100, 5}, {200, kGap}, {300, 7}, {400, 90}});
    const auto range = series.range(100, 300);
    ASSERT_TRUE(range.has_value());
    EXPECT_EQ(range->first, 5);
    EXPECT_EQ(range->second, 7);
    EXPECT_FALSE(series.range(150, 250).has_value());
}

}  // namespace
}  // namespace tvx::trend
