// A USB serial adapter's latency timer: the doctor's warning with its fix, and what a timer
// does to the line, on the simulated adapter that holds the box's replies in bursts.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <tuple>

#include "doctor/doctor_run.h"
#include "doctor/latency_advice.h"
#include "event_log.h"
#include "session_fixture.h"

namespace tvx::session {
namespace {

using ::testing::HasSubstr;

struct AdviceCase {
    const char* name;
    std::optional<unsigned> timerMs;
    const char* port;
    AdapterSystem system;
    std::vector<std::string> english;  // empty: no warning
    std::vector<std::string> turkish;
};

class LatencyAdviceTest : public ::testing::TestWithParam<AdviceCase> {};

TEST_P(LatencyAdviceTest, WarnsAboveTwoMillisecondsWithTheExactFix) {
    const AdviceCase& c = GetParam();
    const std::optional<LatencyAdvice> advice = latencyAdvice(c.timerMs, c.port, c.system);
    ASSERT_EQ(advice.has_value(), !c.english.empty());
    for (const std::string& part : c.english) {
        EXPECT_THAT(advice->text('1'), HasSubstr(part));
    }
    for (const std::string& part : c.turkish) {
        EXPECT_THAT(advice->text('2'), HasSubstr(part));
    }
}

const std::string kEcho = "echo 1 | sudo tee /sys/bus/usb-serial/devices/ttyUSB0/latency_timer";

INSTANTIATE_TEST_SUITE_P(
    Timers, LatencyAdviceTest,
    ::testing::Values(
        AdviceCase{"Unknown", std::nullopt, "/dev/ttyUSB0", AdapterSystem::Linux, {}, {}},
        AdviceCase{"OneMs", 1u, "/dev/ttyUSB0", AdapterSystem::Linux, {}, {}},
        AdviceCase{"TwoMs", 2u, "/dev/ttyUSB0", AdapterSystem::Linux, {}, {}},
        AdviceCase{
            "ThreeMs", 3u, "/dev/ttyUSB0", AdapterSystem::Linux, {"3 ms", kEcho}, {"3 ms", kEcho}},
        AdviceCase{"LinuxDefault",
                   16u,
                   "/dev/ttyUSB0",
                   AdapterSystem::Linux,
                   {"16 ms", "/lib/udev/rules.d/60-tarvolinex-latency.rules",
                    "ATTR{latency_timer}=\"1\"", kEcho},
                   {"16 ms", "udev kuralını", kEcho}},
        AdviceCase{"ByComNumber",
                   16u,
                   "COM1 (/dev/ttyUSB3)",
                   AdapterSystem::Linux,
                   {"/sys/bus/usb-serial/devices/ttyUSB3/latency_timer"},
                   {"/sys/bus/usb-serial/devices/ttyUSB3/latency_timer"}},
        AdviceCase{"Windows",
                   16u,
                   "COM3",
                   AdapterSystem::Windows,
                   {"Device Manager > Ports (COM & LPT) > the adapter on COM3 > Properties > Port "
                    "Settings > Advanced... > Latency Timer (msec): 1"},
                   {"Aygıt Yöneticisi > Bağlantı Noktaları (COM ve LPT) > COM3"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LatencyAdvice, TheRuleIsTheOneThePackageInstalls) {
    std::ifstream rules(std::filesystem::path(TVX_PACKAGING_DIR) / "60-tarvolinex-latency.rules");
    ASSERT_TRUE(rules) << "packaging/60-tarvolinex-latency.rules";
    std::string line;
    std::string rule;
    while (std::getline(rules, line)) {
        if (!line.empty() && line[0] != '#') {
            rule = line;
        }
    }
    EXPECT_EQ(rule, kLatencyUdevRule);
}

// The doctor on the simulated adapter: the timer it reports and the warning, whatever the stage.
struct DoctorCase {
    const char* name;
    std::vector<sim::Fault> faults;
    std::optional<unsigned> timerMs;
    DoctorStage stage;
};

class DoctorLatencyTest : public ::testing::TestWithParam<DoctorCase> {};

TEST_P(DoctorLatencyTest, ReportsTheTimerAndWarnsWhenItIsHigh) {
    const DoctorCase& c = GetParam();
    link::VirtualClock clock;
    sim::Scenario scenario = sim::vehicleScenario("petrol-car");
    scenario.faults = c.faults;
    sim::Box box(scenario);
    sim::InMemoryPort port(box, clock);
    const DoctorObservations seen = examineConnection(port, clock, DoctorTarget{{}, 0}, {});
    EXPECT_EQ(seen.latencyTimerMs, c.timerMs);
    const Finding finding = diagnose(seen);
    EXPECT_EQ(finding.stage, c.stage);
    ASSERT_EQ(finding.latency.has_value(), c.timerMs && *c.timerMs > 2);
    if (finding.latency) {
        EXPECT_THAT(finding.latency->english,
                    HasSubstr("holds received bytes for " + std::to_string(*c.timerMs) + " ms"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Adapters, DoctorLatencyTest,
    ::testing::Values(DoctorCase{"Direct", {}, std::nullopt, DoctorStage::AllGood},
                      DoctorCase{"Default", {sim::Fault::burstHold()}, 16u, DoctorStage::AllGood},
                      DoctorCase{"Tuned", {sim::Fault::burstHold(1)}, 1u, DoctorStage::AllGood},
                      DoctorCase{"SilentBoxToo",
                                 {sim::Fault::burstHold(8), sim::Fault::silentBox()},
                                 8u,
                                 DoctorStage::BoxSilent}),
    [](const auto& info) { return std::string(info.param.name); });

// The live page through an adapter that holds replies for 16 ms: every value comes in on a
// tick of the timer, and a pass takes longer than through a direct line; the same reads go out.
TEST(BurstHold, RepliesComeOnTheTimersTicksAndThePassSlowsDown) {
    auto pass = [](bool held) {
        testing::Bench bench("petrol-car");
        testing::EventLog events;
        bench.session.addListener(events);
        bench.startToModuleMenu(false, 0);
        bench.session.selectModule(Module::Pcm);
        bench.session.live();
        bench.steps(2);
        if (held) {
            bench.box.addFault(sim::Fault::burstHold(16));
        }
        events.readings.clear();
        const std::size_t before = bench.box.requests().size();
        const std::uint64_t start = bench.clock.nowMs();
        bench.session.step();
        return std::tuple(bench.clock.nowMs() - start, events.readings,
                          bench.requestsSince(before));
    };
    const auto [directMs, direct, directRequests] = pass(false);
    const auto [heldMs, held, heldRequests] = pass(true);
    EXPECT_EQ(heldRequests, directRequests);
    ASSERT_EQ(held.size(), direct.size());
    for (const LiveReading& reading : held) {
        EXPECT_FALSE(reading.failed) << reading.gauge;
        EXPECT_EQ(reading.timeMs % 16, 0u) << reading.gauge;
    }
    EXPECT_GT(heldMs, directMs);
}

}  // namespace
}  // namespace tvx::session
