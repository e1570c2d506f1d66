#include <gtest/gtest.h>

#include <algorithm>

#include "link/trouble_code_form.h"
#include "link/windows_serial_port.h"
#include "scripted_port.h"
#include "sim_fixture.h"

namespace {

using tvx::sim::Fault;
using tvx::sim::FaultKind;
using tvx::test::SimulatedVehicle;

constexpr std::uint16_t kEngineSpeed = 0x000C;

TEST(Exchange, GoodParameterReadFillsRecordAndPausesBeforeEveryByte) {
    SimulatedVehicle car("petrol-car");
    const auto before = car.clock.nowMs();
    car.requests.ReadParameter(kEngineSpeed, 1);
    EXPECT_EQ(car.link.ReplyFailed, 0);
    EXPECT_EQ(car.requests.PidRecord[0], 0x62);
    EXPECT_EQ(car.requests.PidRecord[1], 0x00);
    EXPECT_EQ(car.requests.PidRecord[2], 0x0C);
    // Three bytes sent, 2 ms before each; the simulated reply itself takes no time.
    EXPECT_EQ(car.clock.nowMs() - before, 6u);
    EXPECT_EQ(car.box.requests().back(), (std::vector<std::uint8_t>{22, 0x00, 0x0C}));
}

TEST(Exchange, SilentBoxTimesOutOnTheEcho) {
    SimulatedVehicle car("petrol-car");
    car.requests.ReadParameter(kEngineSpeed, 1);
    car.box.addFault(Fault::silentBox());
    const auto before = car.clock.nowMs();
    car.requests.ReadParameter(kEngineSpeed, 1);
    EXPECT_EQ(car.link.ReadTimedOut, 1);
    EXPECT_EQ(car.link.ReplyFailed, 1);
    EXPECT_EQ(car.requests.PidRecord, (std::array<std::uint8_t, 7>{}));
    EXPECT_EQ(car.clock.nowMs() - before, 6u + 500u);
}

TEST(Exchange, WrongEchoClearsTheRecordAndReadsNoFurther) {
    SimulatedVehicle car("petrol-car");
    car.requests.ReadParameter(kEngineSpeed, 1);
    ASSERT_EQ(car.link.ReplyFailed, 0);
    car.box.addFault(Fault::wrongEcho(1));
    car.requests.ReadParameter(kEngineSpeed, 1);
    EXPECT_EQ(car.link.ReplyFailed, 1);
    EXPECT_EQ(car.requests.PidRecord, (std::array<std::uint8_t, 7>{}));
    EXPECT_EQ(car.port.pendingBytes(), 11u);  // count and data were left unread
    // The next exchange purges them and reads a good reply again.
    car.requests.ReadParameter(kEngineSpeed, 1);
    EXPECT_EQ(car.link.ReplyFailed, 0);
    EXPECT_EQ(car.requests.PidRecord[0], 0x62);
}

TEST(Exchange, CountZeroFailsAndKeepsTheLastGoodRecord) {
    SimulatedVehicle car("petrol-car");
    car.requests.ReadParameter(kEngineSpeed, 1);
    const auto good = car.requests.PidRecord;
    car.box.addFault(Fault::countZero(1));
    car.requests.ReadParameter(kEngineSpeed, 1);
    EXPECT_EQ(car.link.ReplyFailed, 1);
    EXPECT_EQ(car.requests.PidRecord, good);
}

class CutShortTest : public testing::TestWithParam<unsigned> {};

TEST_P(CutShortTest, KeepsTheBytesThatCameAndZerosTheRest) {
    const unsigned kept = GetParam();
    SimulatedVehicle car("petrol-car");
    car.box.addFault(Fault::cutShort(kept));
    const std::array<std::uint8_t, 3> frame{22, 0x11, 0x39};
    car.link.Exchange(frame);
    EXPECT_EQ(car.link.ReplyFailed, 1);
    const auto& reply = car.link.ReplyBuffer;
    const std::array<std::uint8_t, 6> expectedStart{0x80, 0xF1, 0x10, 0x62, 0x11, 0x39};
    for (unsigned i = 1; i <= kept; ++i) {
        EXPECT_EQ(reply[i], expectedStart[i - 1]) << "byte " << i;
    }
    EXPECT_TRUE(std::all_of(reply.begin() + 1 + kept, reply.end(), [](auto b) { return b == 0; }));
}

INSTANTIATE_TEST_SUITE_P(Lengths, CutShortTest, testing::Values(0u, 1u, 4u, 6u));

TEST(Exchange, DelayWithinTheEchoTimeOutIsTolerated) {
    SimulatedVehicle car("petrol-car");
    car.box.addFault(Fault::extraDelay(450));
    car.requests.ReadParameter(kEngineSpeed, 1);
    EXPECT_EQ(car.link.ReplyFailed, 0);
}

TEST(Exchange, DelayBeyondTheEchoTimeOutFailsAndTheLateReplyIsPurgedLater) {
    SimulatedVehicle car("petrol-car");
    car.box.addFault(Fault::extraDelay(700));
    car.requests.ReadParameter(kEngineSpeed, 1);
    EXPECT_EQ(car.link.ReplyFailed, 1);
    car.clock.sleepMs(300);  // the late reply has arrived by now
    car.requests.ReadParameter(0x0005, 1);
    EXPECT_EQ(car.link.ReplyFailed, 0);
    EXPECT_EQ(car.requests.PidRecord[2], 0x05);
}

TEST(Exchange, GarbageFailsTheRead) {
    SimulatedVehicle car("petrol-car");
    car.box.addFault(Fault::garbage(6));
    car.requests.ReadParameter(kEngineSpeed, 1);
    EXPECT_EQ(car.link.ReplyFailed, 1);
}

TEST(Exchange, ClosedLineIsReportedAsLineLost) {
    SimulatedVehicle car("petrol-car");
    EXPECT_FALSE(car.link.LineLost);
    car.box.addFault(Fault::lineClosed());
    car.requests.ReadParameter(kEngineSpeed, 1);
    EXPECT_EQ(car.link.ReplyFailed, 1);
    EXPECT_TRUE(car.link.LineLost);
}

TEST(Exchange, FaultOnOneIdentifierSparesTheOthers) {
    SimulatedVehicle car("petrol-car");
    car.box.addFault(Fault::silentBox().onIdentifier(kEngineSpeed));
    car.requests.ReadParameter(0x0005, 1);
    EXPECT_EQ(car.link.ReplyFailed, 0);
    car.requests.ReadParameter(kEngineSpeed, 1);
    EXPECT_EQ(car.link.ReplyFailed, 1);
}

TEST(Exchange, UnknownIdentifierIsRefusedByTheCar) {
    SimulatedVehicle car("petrol-car");
    car.requests.ReadParameter(0x7777, 1);
    EXPECT_EQ(car.link.ReplyFailed, 1);
    EXPECT_EQ(car.link.ReplyBuffer[4], 0x7F);
}

TEST(Exchange, ReplyForAnotherIdentifierLeavesTheRecord) {
    tvx::test::ScriptedLink scripted(1);
    auto& [clock, port, link, requests] = scripted;
    port.reply({22, 10, 0x80, 0xF1, 0x10, 0x62, 0x00, 0x0C, 1, 2, 3, 4});
    requests.ReadParameter(kEngineSpeed, 1);
    const auto good = requests.PidRecord;
    port.reply({22, 10, 0x80, 0xF1, 0x10, 0x62, 0x00, 0x0D, 9, 9, 9, 9});
    requests.ReadParameter(kEngineSpeed, 1);
    EXPECT_EQ(link.ReplyFailed, 1);
    EXPECT_EQ(requests.PidRecord, good);
}

TEST(Exchange, AbsentProtocolSendsNothingAndFails) {
    tvx::test::ScriptedLink scripted;
    auto& [clock, port, link, requests] = scripted;
    link.ModuleProtocol = {0, 1, 1, 3, 0, 3};
    for (int module : {3, 4, 6}) {  // protocol 3 outside the cluster, absent, no such module
        link.ReplyFailed = 0;       // as after an earlier good read
        requests.ReadParameter(kEngineSpeed, module);
        EXPECT_EQ(link.ReplyFailed, 1) << "module " << module;
    }
    EXPECT_TRUE(port.written().empty());
}

struct CommandCase {
    int module;
    std::array<std::uint8_t, 6> protocols;
    int command;  // -1: nothing sent
};

class ParameterCommandTest : public testing::TestWithParam<CommandCase> {};

TEST_P(ParameterCommandTest, CommandByteByModuleAndProtocol) {
    const CommandCase& c = GetParam();
    const auto command = tvx::link::parameterCommand(c.module, c.protocols);
    if (c.command < 0) {
        EXPECT_FALSE(command.has_value());
    } else {
        ASSERT_TRUE(command.has_value());
        EXPECT_EQ(*command, c.command);
    }
}

constexpr std::array<std::uint8_t, 6> kAll1{0, 1, 1, 1, 1, 1};
constexpr std::array<std::uint8_t, 6> kAll2{0, 2, 2, 2, 2, 2};
constexpr std::array<std::uint8_t, 6> kAll3{0, 3, 3, 3, 3, 3};

INSTANTIATE_TEST_SUITE_P(Table, ParameterCommandTest,
                         testing::Values(CommandCase{1, kAll1, 22}, CommandCase{2, kAll1, 22},
                                         CommandCase{3, kAll1, 12}, CommandCase{4, kAll1, 12},
                                         CommandCase{5, kAll1, 22}, CommandCase{1, kAll2, 32},
                                         CommandCase{3, kAll2, 32}, CommandCase{5, kAll2, 32},
                                         CommandCase{5, kAll3, 12}, CommandCase{1, kAll3, -1},
                                         CommandCase{4, kAll3, -1}));

// The rest of an earlier exchange still on the line when the presence test begins (a
// tester killed mid-request): it is let pass and the test made once more; a box that
// never gives the answer is asked twice, no more.
struct StaleCase {
    const char* name;
    int spoiltTests;  // presence tests answered after stale bytes
    bool present;
    std::size_t presenceBytesSent;
};

class StaleBytes : public testing::TestWithParam<StaleCase> {};

TEST_P(StaleBytes, ArePassedOverBeforeTheBoxIsCalledAbsent) {
    SimulatedVehicle car("petrol-car");
    car.box.clearRequestLog();
    car.box.addFault(Fault::staleBytes(3, GetParam().spoiltTests));
    EXPECT_EQ(car.link.ProbeInterface(), GetParam().present);
    EXPECT_EQ(car.box.requests().size(), GetParam().presenceBytesSent);
    for (const auto& request : car.box.requests()) {
        EXPECT_EQ(request, std::vector<std::uint8_t>{1});
    }
    // Nothing of them is left to be read as the next reply.
    car.box.clearFaults();
    EXPECT_TRUE(car.link.ProbeModules());
    EXPECT_EQ(car.link.ModuleProtocol[1], car.box.scenario().modules[1].protocol);
}

INSTANTIATE_TEST_SUITE_P(Table, StaleBytes,
                         testing::Values(StaleCase{"Once", 1, true, 2},
                                         StaleCase{"Always", -1, false, 2}),
                         [](const auto& info) { return std::string(info.param.name); });

// A tester killed while sending a request leaves the box waiting for the rest of it; the
// next program's presence test must not become that rest (the box would answer nothing).
class CutRequest : public testing::TestWithParam<std::vector<std::uint8_t>> {};

TEST_P(CutRequest, IsGivenUpByTheBoxBeforeTheNextProgramsPresenceTest) {
    SimulatedVehicle car("petrol-car");
    car.link.SendBytes(GetParam());  // and the tester dies
    tvx::link::Link next(car.port, car.clock);
    EXPECT_TRUE(next.ProbeInterface());
}

INSTANTIATE_TEST_SUITE_P(Table, CutRequest,
                         testing::Values(std::vector<std::uint8_t>{21},  // service: count next
                                         std::vector<std::uint8_t>{22},  // parameter read
                                         std::vector<std::uint8_t>{21, 5, 0x13}));

TEST(Probe, PresenceTestAnswersAndSilentBoxDoesNot) {
    SimulatedVehicle car("petrol-car");
    EXPECT_TRUE(car.link.ProbeInterface());
    car.box.addFault(Fault::silentBox());
    const auto before = car.clock.nowMs();
    EXPECT_FALSE(car.link.ProbeInterface());
    EXPECT_EQ(car.clock.nowMs() - before, 2u + 1000u);
}

TEST(Probe, ModuleProtocolsComeFromTheBox) {
    SimulatedVehicle van("diesel-van");
    EXPECT_EQ(van.link.ModuleProtocol, (std::array<std::uint8_t, 6>{0, 2, 2, 2, 2, 2}));
}

TEST(Probe, SilentModuleBeforeTheLastStillSucceeds) {
    SimulatedVehicle car("petrol-car");
    car.box.addFault(Fault::silentModule(tvx::sim::kAbs));
    EXPECT_TRUE(car.link.ProbeModules());
    EXPECT_EQ(car.link.ModuleProtocol, (std::array<std::uint8_t, 6>{0, 1, 1, 0, 1, 1}));
}

TEST(Probe, SilentClusterFailsTheProbe) {
    SimulatedVehicle car("petrol-car");
    car.box.addFault(Fault::silentModule(tvx::sim::kCluster));
    EXPECT_FALSE(car.link.ProbeModules());
    EXPECT_EQ(car.link.ModuleProtocol[5], 0);
    EXPECT_EQ(car.link.ModuleProtocol[1], 1);
}

TEST(Probe, DemoModeSetsEveryModuleAndSendsNothing) {
    SimulatedVehicle car("diesel-van");
    const auto sent = car.box.requests().size();
    car.link.DemoMode = true;
    EXPECT_TRUE(car.link.ProbeModules());
    EXPECT_EQ(car.link.ModuleProtocol, (std::array<std::uint8_t, 6>{0, 1, 1, 1, 1, 1}));
    car.requests.ReadTroubleCodes(1);
    car.requests.ClearTroubleCodes(1);
    car.requests.ReadSwitchStates();
    car.requests.ReadVin();
    EXPECT_EQ(car.box.requests().size(), sent);
    EXPECT_EQ(car.requests.TroubleCodes, (std::array<std::uint16_t, 4>{0, 0x0100, 0x0200, 0x0300}));
    EXPECT_EQ(car.box.storedCodes(1).size(), 3u);
}

// A box whose probe answers come after the 3000 ms time-out: each late answer is set aside,
// never read as the next module's. The modules answer with protocols 1, 2, 3, 1, 2 so that
// an answer credited to a neighbour shows.
struct LateProbeCase {
    const char* name;
    int module;  // whose answers come late; 0: every module's
    std::array<std::uint8_t, 6> protocols;
    std::array<bool, 6> late;
    bool probeSucceeds;
};

void PrintTo(const LateProbeCase& c, std::ostream* os) {
    *os << c.name;
}

class LateProbe : public testing::TestWithParam<LateProbeCase> {};

TEST_P(LateProbe, NoModuleIsCreditedWithAnotherModulesAnswer) {
    const LateProbeCase& c = GetParam();
    SimulatedVehicle car("petrol-car");
    tvx::sim::Scenario scenario = car.box.scenario();
    const std::array<std::uint8_t, 6> own{0, 1, 2, 3, 1, 2};
    for (std::size_t module = 1; module <= 5; ++module) {
        scenario.modules[module].protocol = own[module];
    }
    scenario.faults = {c.module == 0 ? Fault::lateProbe() : Fault::lateProbe().forModule(c.module)};
    tvx::sim::Box box(scenario);
    tvx::sim::InMemoryPort port(box, car.clock);
    tvx::link::Link link(port, car.clock);
    link.OpenPort(0);
    EXPECT_EQ(link.ProbeModules(), c.probeSucceeds);
    EXPECT_EQ(link.ModuleProtocol, c.protocols);
    EXPECT_EQ(link.ModuleAnsweredLate, c.late);
    EXPECT_EQ(link.LateAnswers,
              static_cast<unsigned>(std::count(c.late.begin(), c.late.end(), true)));
    // What follows gets its own answer: the VIN read opens the PCM and reads on.
    tvx::link::Requests requests(link);
    link.ModuleProtocol[1] = 1;
    EXPECT_TRUE(requests.ReadVin());
}

INSTANTIATE_TEST_SUITE_P(Table, LateProbe,
                         testing::Values(LateProbeCase{"EveryModule",
                                                       0,
                                                       {0, 0, 0, 0, 0, 0},
                                                       {false, true, true, true, true, true},
                                                       false},
                                         LateProbeCase{"Pcm",
                                                       tvx::sim::kPcm,
                                                       {0, 0, 2, 3, 1, 2},
                                                       {false, true, false, false, false, false},
                                                       true},
                                         LateProbeCase{"Abs",
                                                       tvx::sim::kAbs,
                                                       {0, 1, 2, 0, 1, 2},
                                                       {false, false, false, true, false, false},
                                                       true},
                                         LateProbeCase{"Cluster",
                                                       tvx::sim::kCluster,
                                                       {0, 1, 2, 3, 1, 0},
                                                       {false, false, false, false, false, true},
                                                       false}),
                         [](const auto& info) { return std::string(info.param.name); });

// A reply later than its echo time-out is set aside before the next request goes out, so
// the next read gets its own reply even when it follows at once.
TEST(Exchange, AReplyAfterItsTimeOutIsNeverTakenForTheNextOne) {
    SimulatedVehicle car("petrol-car");
    car.box.addFault(Fault::extraDelay(700).onIdentifier(kEngineSpeed));
    car.requests.ReadParameter(kEngineSpeed, 1);
    EXPECT_EQ(car.link.ReplyFailed, 1);
    car.requests.ReadParameter(0x0005, 1);
    EXPECT_EQ(car.link.ReplyFailed, 0);
    EXPECT_EQ(car.requests.PidRecord[2], 0x05);
    EXPECT_EQ(car.link.LateAnswers, 1u);
    EXPECT_EQ(car.port.pendingBytes(), 0u);
}

// Without a time-out nothing is listened for: the wire timing is the exchange's own.
TEST(Exchange, NoTimeOutCostsNoListening) {
    SimulatedVehicle car("petrol-car");
    const auto before = car.clock.nowMs();
    car.requests.ReadParameter(kEngineSpeed, 1);
    car.requests.ReadParameter(0x0005, 1);
    EXPECT_EQ(car.clock.nowMs() - before, 2u * 3u * 2u);
    EXPECT_EQ(car.link.LateAnswers, 0u);
}

TEST(Port, IndexBeyondSevenOpensNothingAndReportsThePortHeld) {
    tvx::link::VirtualClock clock;
    tvx::sim::Box box(tvx::sim::vehicleScenario("petrol-car"));
    tvx::sim::InMemoryPort port(box, clock);
    tvx::link::Link link(port, clock);
    EXPECT_FALSE(link.OpenPort(8));
    EXPECT_TRUE(link.OpenPort(7));
    EXPECT_TRUE(link.OpenPort(8));
    EXPECT_TRUE(link.ClosePort());
    EXPECT_FALSE(link.OpenPort(12));
}

TEST(Port, WindowsComPortsFromTenOnOpenThroughTheDeviceNamespace) {
    using tvx::link::windowsDevicePath;
    EXPECT_EQ(windowsDevicePath("COM3"), "COM3");
    EXPECT_EQ(windowsDevicePath("COM12"), "\\\\.\\COM12");
    EXPECT_EQ(windowsDevicePath("com10"), "\\\\.\\com10");
    EXPECT_EQ(windowsDevicePath("\\\\.\\COM12"), "\\\\.\\COM12");
    EXPECT_EQ(windowsDevicePath("COMX"), "COMX");
}

}  // namespace
