// The chart's drawing of its model, on a real (offscreen) widget.
#include <gtest/gtest.h>

#include <limits>

#include "chart/trend_chart.h"
#include "trend/chart_model.h"
#include "ui_helpers.h"

namespace tvx::ui {
namespace {

constexpr session::Gauge kPage[] = {session::Gauge::rpmd, session::Gauge::lmdd};

trend::Reading reading(session::Gauge gauge, std::uint64_t timeMs, double value,
                       bool failed = false) {
    trend::Reading r;
    r.gauge = gauge;
    r.timeMs = timeMs;
    r.failed = failed;
    r.value = failed ? std::numeric_limits<double>::quiet_NaN() : value;
    r.text = failed ? "" : std::to_string(static_cast<int>(value));
    return r;
}

class ChartDrawing : public ::testing::Test {
protected:
    void SetUp() override {
        model.startPage(kPage, false);
        model.toggle(session::Gauge::rpmd, "RPM", 0x0000FF);
        chart.resize(700, 260);
        chart.show();
        chart.setModel(&model);
    }
    void feed(std::uint64_t fromMs, std::uint64_t toMs, std::uint64_t failAt = 0) {
        for (std::uint64_t t = fromMs; t <= toMs; t += 250) {
            model.add(reading(session::Gauge::rpmd, t, 800.0 + static_cast<double>(t % 1000) / 20,
                              t == failAt));
            chart.refresh();
        }
    }

    trend::ChartModel model;
    tvx::chart::TrendChart chart;
};

TEST_F(ChartDrawing, BreaksTheLineWhereAReadFailed) {
    feed(0, 10000, 5000);
    const auto drawn = chart.drawn();
    ASSERT_EQ(drawn.size(), 1u);
    ASSERT_EQ(drawn[0].stretches.size(), 2u);
    EXPECT_LT(drawn[0].stretches[0].back().x(), 5.0);
    EXPECT_GT(drawn[0].stretches[1].front().x(), 5.0);
    EXPECT_EQ(drawn[0].caption, "RPM");
    EXPECT_EQ(drawn[0].colour, QColor(255, 0, 0));
}

TEST_F(ChartDrawing, ALoneReadingBetweenTwoFailuresIsADash) {
    model.add(reading(session::Gauge::rpmd, 1000, 0, true));
    model.add(reading(session::Gauge::rpmd, 1250, 812));
    model.add(reading(session::Gauge::rpmd, 1500, 0, true));
    chart.refresh();
    const auto drawn = chart.drawn();
    ASSERT_EQ(drawn[0].stretches.size(), 1u);
    const QList<QPointF>& dash = drawn[0].stretches[0];
    ASSERT_EQ(dash.size(), 2);
    // Seconds since the page's first reading (the failure at 1000 ms).
    EXPECT_LT(dash[0].x(), 0.25);
    EXPECT_GT(dash[1].x(), 0.25);
    EXPECT_LT(dash[1].x() - dash[0].x(), 0.5) << "a dash, not a line";
    EXPECT_EQ(dash[0].y(), 812);
}

// A strip chart: new readings repaint only their own piece; the window moves on a tenth of
// its width at a time, and only then is the whole plot repainted.
TEST_F(ChartDrawing, MovesOnATenthAtATimeAndRepaintsOnlyWhatGrewInBetween) {
    feed(0, 40000);
    const trend::ChartModel::View before = chart.drawnView();
    EXPECT_EQ(before.toMs - before.fromMs, 30000);
    EXPECT_GE(before.toMs, model.now());
    EXPECT_LT(before.toMs - model.now(), 3000) << "ends within a step of the newest reading";
    const std::uint64_t whole = chart.fullDrawings();
    const std::uint64_t all = chart.drawings();
    // Readings within the step drawn: each drawn, none repaints the whole plot.
    const auto room = static_cast<std::uint64_t>(before.toMs - model.now());
    std::uint64_t t = static_cast<std::uint64_t>(model.now());
    int added = 0;
    while (t + 250 <= static_cast<std::uint64_t>(before.toMs) && added < 20) {
        t += 250;
        model.add(reading(session::Gauge::rpmd, t, 801));
        chart.refresh();
        ++added;
    }
    ASSERT_GT(room, 250u);
    EXPECT_EQ(chart.drawings(), all + static_cast<std::uint64_t>(added));
    EXPECT_EQ(chart.fullDrawings(), whole);
    EXPECT_EQ(chart.drawnView().toMs, before.toMs);
    // Past the end: the window moves on by a step.
    model.add(reading(session::Gauge::rpmd, static_cast<std::uint64_t>(before.toMs) + 10, 801));
    chart.refresh();
    EXPECT_EQ(chart.fullDrawings(), whole + 1);
    EXPECT_EQ(chart.drawnView().toMs, before.toMs + 3000);
}

TEST_F(ChartDrawing, AValueTakenOffLeavesNoLineAndNoLegend) {
    feed(0, 3000);
    model.toggle(session::Gauge::lmdd, "LAMBDA", 0x00FF00);
    model.add(reading(session::Gauge::lmdd, 3100, 1));
    chart.refresh();
    EXPECT_EQ(chart.drawn().size(), 2u);
    EXPECT_EQ(chart.chart()->series().size(), 2);
    model.toggle(session::Gauge::rpmd, "RPM", 0x0000FF);
    chart.refresh();
    ASSERT_EQ(chart.drawn().size(), 1u);
    EXPECT_EQ(chart.drawn()[0].caption, "LAMBDA");
    EXPECT_EQ(chart.chart()->series().size(), 1);
    EXPECT_EQ(chart.chart()->axes(Qt::Vertical).size(), 1);
}

TEST_F(ChartDrawing, TheReplayIsMarkedAboveTheChart) {
    chart.setReplay(true);
    EXPECT_EQ(chart.chart()->title(), "REPLAY");
    chart.setReplay(false);
    EXPECT_TRUE(chart.chart()->title().isEmpty());
}

}  // namespace
}  // namespace tvx::ui
