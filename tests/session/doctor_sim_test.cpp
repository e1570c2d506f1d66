// The doctor against the simulated box and its faults, on virtual time: the stage it finds,
// what it sends (the presence test and the module probe, nothing else) and how long it takes.
#include <gtest/gtest.h>

#include "doctor/doctor_run.h"
#include "sim/box.h"
#include "sim/in_memory_port.h"

namespace tvx::session {
namespace {

// Presence test 1000 ms, five module probes of 3000 ms, each followed by up to 1000 ms of
// listening for a late answer when it timed out, the short listen after the answer, and the
// 2 ms before each of the six bytes sent.
constexpr std::uint64_t kLongestMs = 1000 + 1000 + 5 * (3000 + 1000) + kStrayListenMs + 6 * 2;

struct FaultCase {
    const char* name;
    std::vector<sim::Fault> faults;
    DoctorStage stage;
    std::vector<std::string> absent;
};

class DoctorOnTheSimulator : public ::testing::TestWithParam<FaultCase> {};

TEST_P(DoctorOnTheSimulator, FindsTheStageSendsOnlyTheProbesAndKeepsToTheTimeOuts) {
    link::VirtualClock clock;
    sim::Scenario scenario = sim::vehicleScenario("petrol-car");
    scenario.faults = GetParam().faults;
    sim::Box box(scenario);
    sim::InMemoryPort port(box, clock);
    link::LineRing ring;
    const DoctorObservations seen = examineConnection(port, clock, DoctorTarget{{}, 0}, {}, &ring);
    const Finding finding = diagnose(seen);

    EXPECT_EQ(finding.stage, GetParam().stage) << doctorStageName(finding.stage);
    EXPECT_EQ(finding.absentModules, GetParam().absent);
    EXPECT_LE(clock.nowMs(), kLongestMs);
    EXPECT_FALSE(port.isOpen()) << "the doctor leaves the port closed";
    // Nothing but the presence test (1; made again once when another byte answered it) and
    // the probes of modules 1..5 (40..44) went out.
    std::vector<std::uint8_t> sent;
    for (const link::LineEvent& event : ring.snapshot()) {
        if (event.kind == link::LineEvent::Kind::Sent) {
            sent.push_back(event.byte);
        }
    }
    const std::vector<std::uint8_t> probes{1, 40, 41, 42, 43, 44};
    const std::vector<std::uint8_t> presence = seen.presence == PresenceResult::WrongByte
                                                   ? std::vector<std::uint8_t>{1, 1}
                                                   : std::vector<std::uint8_t>{1};
    EXPECT_EQ(sent, seen.probeRun ? probes : presence);
    for (const auto& request : box.requests()) {
        EXPECT_EQ(request.size(), 1u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, DoctorOnTheSimulator,
    ::testing::Values(
        FaultCase{"NoFault", {}, DoctorStage::AllGood, {}},
        FaultCase{"SilentBox", {sim::Fault::silentBox()}, DoctorStage::BoxSilent, {}},
        FaultCase{"Garbage", {sim::Fault::garbage(6, -1)}, DoctorStage::NotTheBox, {}},
        FaultCase{"GarbageOfOneByte", {sim::Fault::garbage(1, -1)}, DoctorStage::NotTheBox, {}},
        FaultCase{"WrongEcho", {sim::Fault::wrongEcho(-1)}, DoctorStage::NotTheBox, {}},
        FaultCase{"LineClosed", {sim::Fault::lineClosed()}, DoctorStage::LineLost, {}},
        FaultCase{
            "SilentModules",
            {sim::Fault::silentModule(1), sim::Fault::silentModule(2), sim::Fault::silentModule(3),
             sim::Fault::silentModule(4), sim::Fault::silentModule(5)},
            DoctorStage::NoModule,
            {"PCM", "TCM", "ABS", "AirBag", "Cluster"}},
        FaultCase{
            "OneSilentModule", {sim::Fault::silentModule(3)}, DoctorStage::ModulesAbsent, {"ABS"}},
        FaultCase{"SilentClusterAndAirBag",
                  {sim::Fault::silentModule(4), sim::Fault::silentModule(5)},
                  DoctorStage::ModulesAbsent,
                  {"AirBag", "Cluster"}}),
    [](const ::testing::TestParamInfo<FaultCase>& info) { return std::string(info.param.name); });

// A vehicle without ABS: its absence is normal when the vehicle's source says so.
TEST(DoctorOnTheSimulator, AModuleTheVehicleLacksIsNormal) {
    link::VirtualClock clock;
    sim::Scenario scenario = sim::vehicleScenario("diesel-van");
    scenario.modules[3].protocol = 0;
    sim::Box box(scenario);
    sim::InMemoryPort port(box, clock);
    DoctorObservations seen = examineConnection(port, clock, DoctorTarget{{}, 0}, {});
    EXPECT_EQ(diagnose(seen).stage, DoctorStage::ModulesAbsent) << "nobody said it is normal";
    seen.expected = ModuleExpectation{{false, true, true, false, true, true}, "the van"};
    const Finding finding = diagnose(seen);
    EXPECT_EQ(finding.stage, DoctorStage::AllGood);
    EXPECT_TRUE(finding.absenceExpected);
    EXPECT_EQ(finding.absentModules, std::vector<std::string>{"ABS"});
    EXPECT_EQ(seen.protocols[1], 2) << "the van's protocol as reported";
}

TEST(DoctorOnTheSimulator, NamesThePortByItsComNumber) {
    link::VirtualClock clock;
    sim::Box box(sim::vehicleScenario("petrol-car"));
    sim::InMemoryPort port(box, clock);
    const DoctorObservations seen = examineConnection(port, clock, DoctorTarget{{}, 2}, {});
    EXPECT_EQ(seen.port, "COM3 (simulator)");
    const DoctorObservations byName =
        examineConnection(port, clock, DoctorTarget{std::string("my-box"), 0}, {});
    EXPECT_EQ(byName.port, "my-box");
}

}  // namespace
}  // namespace tvx::session
