#include <gtest/gtest.h>

#include <functional>

#include "event_log.h"
#include "session/live_focus.h"
#include "session_fixture.h"

namespace tvx::session {
namespace {

using testing::Bench;
using testing::parameterReads;

struct Watched {
    const char* vehicle;
    bool diesel;
    int model;
    State poll;
};
constexpr Watched kKa{"petrol-car", false, 0, State::PetrolKaPoll};
constexpr Watched kFiesta{"petrol-car", false, 1, State::PetrolCommonPoll};
constexpr Watched kMondeo{"diesel-van", true, 7, State::DieselFullPoll};
constexpr Watched kCmax{"diesel-van", true, 2, State::DieselCmaxPoll};

struct FastBench : Bench {
    explicit FastBench(const Watched& page) : Bench(page.vehicle), page(page) {
        session.addListener(events);
        startToModuleMenu(page.diesel, page.model);
        enterPage();
    }
    void enterPage() {
        session.selectModule(Module::Pcm);
        session.live();
        steps(2);  // dispatch by model, then layout
        EXPECT_EQ(session.state(), page.poll);
    }
    // One pass: the identifiers asked for and the gauges written.
    std::pair<std::vector<std::uint16_t>, std::vector<std::string>> pass() {
        const std::size_t before = box.requests().size();
        view.clearLogs();
        session.step();
        std::vector<std::string> gauges;
        for (const auto& [gauge, text] : view.gaugeLog) {
            gauges.push_back(gauge);
        }
        return {parameterReads(requestsSince(before)), gauges};
    }

    Watched page;
    testing::EventLog events;
};

struct FocusCase {
    const char* name;
    Watched page;
    std::vector<Gauge> chosen;
    std::vector<std::uint16_t> identifiers;  // in the page's order, whatever the order chosen
    std::vector<std::string> written;
    std::size_t paused;  // gauges of the page not polled
};

class FastModeTest : public ::testing::TestWithParam<FocusCase> {};

TEST_P(FastModeTest, PollsOnlyTheChosenValuesInThePagesOrder) {
    const FocusCase& c = GetParam();
    FastBench bench(c.page);
    ASSERT_TRUE(bench.session.focusLive(c.chosen));
    for (int pass = 0; pass < 2; ++pass) {
        const auto [identifiers, written] = bench.pass();
        EXPECT_EQ(identifiers, c.identifiers);
        EXPECT_EQ(written, c.written);
        EXPECT_EQ(bench.session.state(), c.page.poll);
    }
    ASSERT_FALSE(bench.events.focusChanges.empty());
    const LiveFocusChange& change = bench.events.focusChanges.back();
    EXPECT_FALSE(change.whole);
    EXPECT_EQ(change.page, c.page.poll);
    EXPECT_EQ(change.paused.size(), c.paused);
    for (const Gauge gauge : c.chosen) {
        EXPECT_NE(std::find(change.polled.begin(), change.polled.end(), gauge), change.polled.end())
            << gauge;
        EXPECT_EQ(std::find(change.paused.begin(), change.paused.end(), gauge), change.paused.end())
            << gauge;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Pages, FastModeTest,
    ::testing::Values(
        FocusCase{"OneValue", kKa, {Gauge::rpmd}, {0x1165}, {"rpmd"}, 11},
        FocusCase{"ChosenOutOfOrder",
                  kKa,
                  {Gauge::lmdd, Gauge::rpmd},
                  {0x1165, 0x1158},
                  {"rpmd", "lmdd"},
                  10},
        // The petrol vehicle speed is read twice per pass: both reads stay.
        FocusCase{"ReadTwice", kFiesta, {Gauge::vssd}, {0x000D, 0x000D}, {"vssd", "vssd"}, 12},
        // One switch-state read fills all three of its fields.
        FocusCase{
            "SwitchStates", kMondeo, {Gauge::klimad}, {0x1101}, {"cppd", "bppd", "klimad"}, 17},
        FocusCase{"ThreeDiesel",
                  kMondeo,
                  {Gauge::VSSd, Gauge::rpmd, Gauge::frpd},
                  {0x000C, 0x0023, 0x1505},
                  {"rpmd", "frpd", "VSSd"},
                  17}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FastMode, KeepsThePagesPauseBeforeEachValueAndNoOther) {
    FastBench bench(kCmax);
    ASSERT_TRUE(bench.session.focusLive({Gauge::frpd, Gauge::appd}));
    const auto start = bench.clock.nowMs();
    const auto [identifiers, written] = bench.pass();
    EXPECT_EQ(identifiers, (std::vector<std::uint16_t>{0x0023, 0x1340}));
    // Two values, each after its 20 ms pause, plus the wire time of two reads.
    const auto took = bench.clock.nowMs() - start;
    FastBench whole(kCmax);
    const auto wholeStart = whole.clock.nowMs();
    whole.pass();
    EXPECT_EQ(took * 15, (whole.clock.nowMs() - wholeStart) * 2);
}

TEST(FastMode, AFailedReadIsStillReportedAsFailedAndPausedValuesAreNotReported) {
    FastBench bench(kKa);
    ASSERT_TRUE(bench.session.focusLive({Gauge::rpmd, Gauge::Batd}));
    bench.box.addFault(testing::parameterFault(sim::FaultKind::WrongEcho, 0x1165));
    bench.events.readings.clear();
    bench.pass();
    ASSERT_EQ(bench.events.readings.size(), 2u);
    EXPECT_EQ(bench.events.readings[0].gauge, Gauge::rpmd);
    EXPECT_TRUE(bench.events.readings[0].failed);
    EXPECT_EQ(bench.events.readings[1].gauge, Gauge::Batd);
    EXPECT_FALSE(bench.events.readings[1].failed);
    ASSERT_FALSE(bench.events.cycles.empty());
    EXPECT_TRUE(bench.events.cycles.back().complete);
}

TEST(FastMode, DemoModeHasItWithoutTraffic) {
    Bench bench("petrol-car");
    testing::EventLog events;
    bench.session.addListener(events);
    bench.box.addFault(testing::fault(sim::FaultKind::SilentBox));
    bench.startToModuleMenu(false, 0);
    bench.session.demo();
    bench.settle();
    bench.session.selectModule(Module::Pcm);
    bench.session.live();
    bench.steps(2);
    ASSERT_TRUE(bench.session.focusLive({Gauge::advd}));
    const std::size_t before = bench.box.requests().size();
    bench.view.clearLogs();
    bench.session.step();
    EXPECT_EQ(bench.box.requests().size(), before);
    ASSERT_EQ(bench.view.gaugeLog.size(), 1u);
    EXPECT_EQ(bench.view.gaugeLog[0].first, "advd");
}

TEST(FastMode, RefusesWhatIsNotAValueOfThePageBeingPolled) {
    FastBench bench(kKa);
    EXPECT_FALSE(bench.session.focusLive({Gauge::rpmd, Gauge::frpd}));  // a diesel gauge
    EXPECT_FALSE(bench.session.focusLive({Gauge::kmd}));                // the cluster's odometer
    EXPECT_TRUE(bench.session.liveFocus().whole());
    EXPECT_TRUE(bench.events.focusChanges.empty());
    EXPECT_EQ(bench.pass().first.size(), 12u);

    bench.session.back();
    bench.settle();
    EXPECT_FALSE(bench.session.focusLive({Gauge::rpmd}));  // no page is polled
}

// What the operator does to leave fast mode; every way polls the whole page next.
struct ResumeCase {
    const char* name;
    std::function<void(FastBench&)> act;
};

class FastModeResumeTest : public ::testing::TestWithParam<ResumeCase> {};

TEST_P(FastModeResumeTest, TheWholePageIsPolledAgain) {
    FastBench bench(kKa);
    const std::vector<std::uint16_t> whole = bench.pass().first;
    ASSERT_EQ(whole.size(), 12u);
    ASSERT_TRUE(bench.session.focusLive({Gauge::rpmd}));
    ASSERT_EQ(bench.pass().first.size(), 1u);
    GetParam().act(bench);
    EXPECT_TRUE(bench.session.liveFocus().whole());
    if (bench.session.state() != kKa.poll) {
        bench.enterPage();
    }
    EXPECT_EQ(bench.pass().first, whole);
    ASSERT_FALSE(bench.events.focusChanges.empty());
    EXPECT_TRUE(bench.events.focusChanges.back().whole);
    EXPECT_TRUE(bench.events.focusChanges.back().paused.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Ways, FastModeResumeTest,
    ::testing::Values(ResumeCase{"FastModeOff", [](FastBench& b) { b.session.focusLive({}); }},
                      ResumeCase{"Back",
                                 [](FastBench& b) {
                                     b.session.back();
                                     b.settle();
                                     b.session.ok();  // connect again
                                     b.settle();
                                 }},
                      ResumeCase{"ModuleButton",
                                 [](FastBench& b) { b.session.selectModule(Module::Pcm); }},
                      ResumeCase{"TheClusterPage",
                                 [](FastBench& b) {
                                     b.session.selectModule(Module::Cluster);
                                     b.session.live();
                                     b.steps(2);
                                     EXPECT_EQ(b.session.state(), State::ClusterPoll);
                                 }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FastMode, AChoiceMadeMidPassEndsThatPassAndTheNextBeginsAtTheTop) {
    FastBench bench(kKa);
    bench.session.requestYield();
    bench.session.step();  // one read, then the pass waits for the command
    bench.session.clearYield();
    const std::size_t cycles = bench.events.cycles.size();
    ASSERT_TRUE(bench.session.focusLive({Gauge::lmdd}));
    ASSERT_EQ(bench.events.cycles.size(), cycles + 1);
    EXPECT_FALSE(bench.events.cycles.back().complete);
    EXPECT_EQ(bench.pass().first, (std::vector<std::uint16_t>{0x1158}));
}

TEST(LiveFocus, PausedAndPolledGaugesSplitThePageInColumnOrder) {
    const LivePage& cluster = clusterPage();
    const std::vector<Gauge> chosen = {Gauge::dtcd, Gauge::kmd};
    const auto focus = LiveFocus::onGauges(cluster, chosen);
    ASSERT_TRUE(focus);
    EXPECT_EQ(focus->polledGauges(cluster), (std::vector<Gauge>{Gauge::kmd, Gauge::dtcd}));
    EXPECT_EQ(focus->pausedGauges(cluster), (std::vector<Gauge>{Gauge::flid}));
    EXPECT_EQ(LiveFocus{}.pausedGauges(cluster).size(), 0u);
    EXPECT_FALSE(LiveFocus::onGauges(cluster, std::vector<Gauge>{}));
}

}  // namespace
}  // namespace tvx::session
