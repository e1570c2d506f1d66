#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>

#include "trend/chart_model.h"

namespace tvx::trend {
namespace {

constexpr std::uint32_t kRed = 0x0000FF;
constexpr std::uint32_t kYellow = 0x00FFFF;
constexpr Gauge kPage[] = {Gauge::rpmd, Gauge::lmdd, Gauge::mapd, Gauge::batd, Gauge::frpd,
                           Gauge::chdd, Gauge::iatd, Gauge::VSSd, Gauge::appd};

Reading good(Gauge gauge, std::uint64_t timeMs, double value, std::string text = "") {
    Reading reading;
    reading.gauge = gauge;
    reading.timeMs = timeMs;
    reading.value = value;
    reading.text = text.empty() ? std::to_string(static_cast<int>(value)) : std::move(text);
    return reading;
}

Reading failed(Gauge gauge, std::uint64_t timeMs) {
    Reading reading;
    reading.gauge = gauge;
    reading.timeMs = timeMs;
    reading.failed = true;
    reading.value = std::numeric_limits<double>::quiet_NaN();
    return reading;
}

class Chart : public ::testing::Test {
protected:
    void SetUp() override { model.startPage(kPage, false); }

    // One reading of every gauge of the page each `stepMs`, from `fromMs` to `toMs`.
    void poll(std::uint64_t fromMs, std::uint64_t toMs, std::uint64_t stepMs = 500) {
        for (std::uint64_t t = fromMs; t <= toMs; t += stepMs) {
            for (std::size_t i = 0; i < std::size(kPage); ++i) {
                model.add(good(kPage[i], t + i, 800.0 + static_cast<double>(t % 3000) / 10));
            }
        }
    }

    ChartModel model;
};

TEST_F(Chart, TakesSixValuesEachInAColourOfItsOwn) {
    EXPECT_EQ(model.toggle(Gauge::rpmd, "RPM", kRed), ChartModel::Toggle::Added);
    EXPECT_EQ(model.series()[0].colour, kRed) << "the gauge's own colour first";
    EXPECT_EQ(model.toggle(Gauge::frpd, "FRP bar", kYellow), ChartModel::Toggle::Added);
    EXPECT_EQ(model.series()[1].colour, kYellow);
    for (const Gauge gauge : {Gauge::mapd, Gauge::chdd, Gauge::iatd, Gauge::batd}) {
        EXPECT_EQ(model.toggle(gauge, std::string(session::gaugeName(gauge)), kRed),
                  ChartModel::Toggle::Added)
            << gauge;
    }
    EXPECT_EQ(model.toggle(Gauge::VSSd, "VSS", kYellow), ChartModel::Toggle::Full);
    EXPECT_FALSE(model.charted(Gauge::VSSd));
    std::set<std::uint32_t> colours;
    for (const ChartedSeries& series : model.series()) {
        colours.insert(series.colour);
    }
    EXPECT_EQ(colours.size(), ChartModel::kMaxSeries) << "two lines share a colour";

    // A click on a charted gauge takes it off and frees its place and colour.
    EXPECT_EQ(model.toggle(Gauge::rpmd, "RPM", kRed), ChartModel::Toggle::Removed);
    EXPECT_FALSE(model.charted(Gauge::rpmd));
    EXPECT_EQ(model.toggle(Gauge::VSSd, "VSS", kRed), ChartModel::Toggle::Added);
    EXPECT_EQ(model.series().back().colour, kRed);
    EXPECT_EQ(model.series().back().caption, "VSS");
}

TEST_F(Chart, AValueClickedOnShowsWhatWasReadBefore) {
    poll(0, 20000);
    model.toggle(Gauge::rpmd, "RPM", kRed);
    const auto runs = model.runs(0, 700);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_GE(runs[0].size(), 30u);
}

struct WindowCase {
    TimeWindow window;
    std::int64_t ms;
};

class ChartWindow : public Chart, public ::testing::WithParamInterface<WindowCase> {};

TEST_P(ChartWindow, EndsAtTheNewestReadingAndSpansTheWindow) {
    model.setWindow(GetParam().window);
    poll(0, 900000, 1000);
    const ChartModel::View view = model.view();
    EXPECT_EQ(view.toMs, 900000 + static_cast<std::int64_t>(std::size(kPage)) - 1);
    EXPECT_EQ(view.toMs - view.fromMs, GetParam().ms);
    // Every point shown lies in view, but for the one the line comes in from.
    model.toggle(Gauge::rpmd, "RPM", kRed);
    const auto runs = model.runs(0, 700);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_GE(runs[0][1].timeMs, view.fromMs);
    EXPECT_LT(runs[0].front().timeMs, view.fromMs);
}

INSTANTIATE_TEST_SUITE_P(Windows, ChartWindow,
                         ::testing::Values(WindowCase{TimeWindow::Seconds30, 30000},
                                           WindowCase{TimeWindow::Minutes2, 120000},
                                           WindowCase{TimeWindow::Minutes10, 600000}));

TEST_F(Chart, PauseFreezesTheViewWhileReadingsGoOn) {
    model.toggle(Gauge::rpmd, "RPM", kRed);
    poll(0, 60000);
    model.pause();
    const ChartModel::View frozen = model.view();
    const auto before = model.runs(0, 700);
    poll(60500, 30 * 60000);  // half an hour more while paused
    EXPECT_TRUE(model.paused());
    EXPECT_EQ(model.view().toMs, frozen.toMs);
    EXPECT_EQ(model.view().fromMs, frozen.fromMs);
    const auto after = model.runs(0, 700);
    ASSERT_EQ(after.size(), before.size());
    ASSERT_FALSE(after.empty());
    EXPECT_EQ(after[0].front().timeMs, before[0].front().timeMs) << "the frozen view was lost";
    EXPECT_EQ(after[0].back().timeMs, 60000) << "a reading after the pause came into view";

    model.resume();
    EXPECT_FALSE(model.paused());
    EXPECT_GE(model.view().toMs, 30 * 60000);
}

TEST_F(Chart, AFailedReadBreaksOnlyItsOwnLine) {
    model.toggle(Gauge::rpmd, "RPM", kRed);
    model.toggle(Gauge::lmdd, "LAMBDA", kYellow);
    for (std::uint64_t t = 0; t <= 10000; t += 1000) {
        model.add(t == 5000 ? failed(Gauge::rpmd, t) : good(Gauge::rpmd, t, 800));
        model.add(good(Gauge::lmdd, t + 10, 1, "1.000"));
    }
    EXPECT_EQ(model.runs(0, 700).size(), 2u) << "engine speed";
    EXPECT_EQ(model.runs(1, 700).size(), 1u) << "lambda";
}

TEST_F(Chart, ALostLineBreaksEveryLine) {
    model.toggle(Gauge::rpmd, "RPM", kRed);
    model.toggle(Gauge::lmdd, "LAMBDA", kYellow);
    poll(0, 5000);
    model.lineLost(5200);
    poll(8000, 10000);
    EXPECT_EQ(model.runs(0, 700).size(), 2u);
    EXPECT_EQ(model.runs(1, 700).size(), 2u);
    const auto lost = model.valuesAt(6000);
    EXPECT_EQ(lost[0].value.state, ValueAt::State::Failed);
    EXPECT_EQ(lost[0].text, "--");
}

TEST_F(Chart, TheCursorReadsEveryChartedValueAsItsGaugeShowedIt) {
    model.toggle(Gauge::lmdd, "LAMBDA", kYellow);
    model.toggle(Gauge::rpmd, "RPM", kRed);
    model.add(good(Gauge::lmdd, 1000, 1.0061, "1.006"));
    model.add(good(Gauge::rpmd, 1010, 812, "812"));
    model.add(good(Gauge::lmdd, 2000, 0.9874, "0.987"));
    model.add(failed(Gauge::rpmd, 2010));
    model.setCursor(1500);
    const auto values = model.valuesAt(*model.cursor());
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[0].gauge, Gauge::lmdd);
    EXPECT_EQ(values[0].text, "1.006");
    EXPECT_EQ(values[1].text, "812");
    const auto later = model.valuesAt(2500);
    EXPECT_EQ(later[0].text, "0.987");
    EXPECT_EQ(later[1].text, "--");
    EXPECT_EQ(model.valuesAt(500)[0].text, "") << "nothing read yet";
}

TEST_F(Chart, TheSamePageAgainBreaksTheLinesAnotherPageStartsAfresh) {
    model.toggle(Gauge::rpmd, "RPM", kRed);
    model.toggle(Gauge::lmdd, "LAMBDA", kYellow);
    poll(0, 5000);
    model.startPage(kPage, true);
    poll(9000, 12000);
    EXPECT_EQ(model.runs(0, 700).size(), 2u) << "nothing was read between the two visits";

    constexpr Gauge kCluster[] = {Gauge::kmd, Gauge::flid, Gauge::dtcd};
    model.startPage(kCluster, false);
    EXPECT_TRUE(model.series().empty()) << "the cluster page has no engine speed";
    EXPECT_EQ(model.pointCount(), 0u);
}

// Eight hours at two cycles a second, virtual time: what is kept stops growing once the
// longest window is full, and stays within what that window needs.
TEST_F(Chart, MemoryStaysFlatOverAWorkday) {
    for (const Gauge gauge :
         {Gauge::rpmd, Gauge::lmdd, Gauge::mapd, Gauge::batd, Gauge::frpd, Gauge::chdd}) {
        model.toggle(gauge, std::string(session::gaugeName(gauge)), kRed);
    }
    std::vector<std::size_t> counts;
    for (int hour = 0; hour < 8; ++hour) {
        const std::uint64_t start = static_cast<std::uint64_t>(hour) * 3600000;
        poll(start, start + 3600000 - 500);
        if (hour == 1) {
            model.pause();  // an hour paused on the way
        }
        if (hour == 2) {
            model.resume();
        }
        counts.push_back(model.pointCount());
    }
    // Full resolution for two minutes, a bucket of a second for the rest of ten.
    const std::size_t perValue = (kKeepAllMs / 500 + 2 * (kKeepMs - kKeepAllMs) / kBucketMs) + 10;
    const std::size_t bound = perValue * std::size(kPage);
    for (std::size_t hour = 0; hour < counts.size(); ++hour) {
        // While paused, the frozen view is a copy of what was kept.
        EXPECT_LE(counts[hour], hour == 1 ? 2 * bound : bound) << "hour " << hour + 1;
    }
    EXPECT_EQ(counts.back(), counts[0]) << "the same amount at the eighth hour as at the first";
}

TEST_F(Chart, TheAxisFollowsWhatIsInView) {
    model.toggle(Gauge::rpmd, "RPM", kRed);
    model.add(good(Gauge::rpmd, 0, 800));
    model.add(good(Gauge::rpmd, 1000, 820));
    AxisRange axis = model.axis(0);
    EXPECT_GE(axis.high - axis.low, 400) << "the jitter of an idling engine does not fill it";
    EXPECT_LE(axis.low, 800);
    model.add(good(Gauge::rpmd, 2000, 5210));  // revved
    axis = model.axis(0);
    EXPECT_GE(axis.high, 5210);
    EXPECT_LE(axis.high, 6000);
    // Once the rev has left the window, the axis closes in again.
    model.add(good(Gauge::rpmd, 60000, 810));
    axis = model.axis(0);
    EXPECT_LT(axis.high, 5210);
}

}  // namespace
}  // namespace tvx::trend
