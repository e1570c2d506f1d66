#include <gtest/gtest.h>

#include <map>

#include "session_fixture.h"

namespace tvx::session {
namespace {

using testing::Bench;
using Bytes = std::vector<std::uint8_t>;

TEST(VehicleChoice, TheLastListClickedWinsAndClearsTheOtherList) {
    Bench bench;
    bench.startToVehicleLists();
    ASSERT_EQ(bench.session.SessionState, 7);
    EXPECT_FALSE(bench.view.enabled("OK", true));
    bench.session.selectDiesel(3);
    EXPECT_TRUE(bench.session.DieselSelected);
    EXPECT_TRUE(bench.view.enabled("OK"));
    bench.session.selectPetrol(2);
    EXPECT_FALSE(bench.session.DieselSelected);
    EXPECT_EQ(bench.view.selection("DG1"), -1);
    EXPECT_EQ(bench.view.selection("PG1"), 2);
    bench.session.selectDiesel(5);
    EXPECT_TRUE(bench.session.DieselSelected);
    EXPECT_EQ(bench.view.selection("PG1"), -1);
    EXPECT_EQ(bench.session.dieselSelection(), 5);
}

TEST(VehicleChoice, BackAtThePlugPromptClearsBothLists) {
    Bench bench;
    bench.startToVehicleLists();
    bench.session.selectPetrol(4);
    bench.session.ok();
    bench.settle();
    ASSERT_EQ(bench.session.SessionState, 12);
    EXPECT_EQ(bench.view.lines[0], " CONNECT KESTRON 7340 TO");
    bench.session.back();
    EXPECT_EQ(bench.view.selection("PG1"), -1);
    EXPECT_EQ(bench.view.selection("DG1"), -1);
    bench.settle();
    EXPECT_EQ(bench.session.SessionState, 7);
    EXPECT_FALSE(bench.view.enabled("OK", true));
}

// Both lists cleared means no vehicle: a demonstration that follows must not show the
// page (or offer the injector unit) of the vehicle chosen before.
TEST(VehicleChoice, BackAtThePlugPromptForgetsTheVehicle) {
    Bench bench;
    bench.startToVehicleLists();
    bench.session.selectDiesel(4);  // FOCUS 1.8 TDCI: diesel page, injector unit
    bench.session.ok();
    bench.settle();
    ASSERT_EQ(bench.session.SessionState, 12);
    bench.session.back();
    bench.settle();
    ASSERT_EQ(bench.session.SessionState, 7);
    bench.session.demo();
    bench.settle();
    ASSERT_EQ(bench.session.SessionState, 15);
    EXPECT_FALSE(bench.view.enabled("ICU", true));
    bench.session.selectModule(Module::Pcm);
    bench.view.clearLogs();
    bench.session.live();
    bench.settle();
    EXPECT_FALSE(bench.view.panel("Frame71"));
    EXPECT_FALSE(bench.view.panel("Frame61"));
    EXPECT_TRUE(bench.view.gaugeLog.empty());
}

TEST(Connect, ASilentBoxAsksToTurnTheKeyOn) {
    Bench bench;
    bench.box.addFault(testing::fault(sim::FaultKind::SilentBox));
    bench.startToModuleMenu(false, 0);
    EXPECT_EQ(bench.session.SessionState, 11);
    EXPECT_EQ(bench.view.screen(),
              "   CONNECTION FAILED    | ********************** |  PLEASE TURN KEY ON    |" +
                  std::string(24, ' '));
    EXPECT_EQ(bench.view.colour, kRed);
    EXPECT_TRUE(bench.view.enabled("BACK"));
    EXPECT_TRUE(bench.view.enabled("DEMO"));
    bench.session.back();
    bench.settle();
    EXPECT_EQ(bench.session.SessionState, 12);
}

TEST(Connect, ASilentCarShowsConnectionFailure) {
    Bench bench;
    for (int module = sim::kPcm; module <= sim::kCluster; ++module) {
        bench.box.addFault(testing::fault(sim::FaultKind::SilentModule, module));
    }
    bench.startToModuleMenu(false, 0, '2');
    EXPECT_EQ(bench.session.SessionState, 17);
    EXPECT_EQ(bench.view.lines[0], "    BAGLANTI HATASI     ");
    EXPECT_EQ(bench.view.colour, kRed);
}

TEST(Connect, AModuleMenuOffersOnlyTheModulesThatAnswered) {
    sim::Scenario car = sim::vehicleScenario("petrol-car");
    car.modules[sim::kTcm].protocol = 0;
    car.modules[sim::kAirBag].protocol = 0;
    Bench bench(car);
    bench.startToModuleMenu(false, 1);
    ASSERT_EQ(bench.session.SessionState, 15);
    EXPECT_EQ(bench.view.lines[0], "     SELECT THE ECU     ");
    const std::map<std::string, bool> expected = {{"pcm", true}, {"tcm", false}, {"abs", true},
                                                  {"ab", false}, {"cp", true},   {"ICU", false}};
    for (const auto& [button, enabled] : expected) {
        EXPECT_EQ(bench.view.enabled(button, !enabled), enabled) << button;
        EXPECT_TRUE(bench.view.visible(button)) << button;
    }
    for (const char* function : {"live", "rdtc", "cdtc", "read_inj", "prog_inj"}) {
        EXPECT_TRUE(bench.view.visible(function)) << function;
        EXPECT_FALSE(bench.view.enabled(function, true)) << function;
    }
    EXPECT_TRUE(bench.view.panel("Frame131"));
    EXPECT_EQ(bench.view.buttonDown, "sahte");
}

struct IcuCase {
    bool diesel;
    int model;
    bool icu;
};

class IcuButton : public ::testing::TestWithParam<IcuCase> {};

TEST_P(IcuButton, IsEnabledOnlyForDieselModelsFourToSeven) {
    Bench bench(GetParam().diesel ? "diesel-van" : "petrol-car");
    bench.startToModuleMenu(GetParam().diesel, GetParam().model);
    ASSERT_EQ(bench.session.SessionState, 15);
    EXPECT_EQ(bench.view.enabled("ICU"), GetParam().icu);
}

INSTANTIATE_TEST_SUITE_P(Models, IcuButton,
                         ::testing::Values(IcuCase{true, 0, false}, IcuCase{true, 3, false},
                                           IcuCase{true, 4, true}, IcuCase{true, 5, true},
                                           IcuCase{true, 6, true}, IcuCase{true, 7, true},
                                           IcuCase{false, 4, false}, IcuCase{false, 7, false}));

struct OpeningCase {
    const char* vehicle;
    Module module;
    int protocolOverride;  // 0: the vehicle's own
    Bytes bytes;
    const char* line;
    bool live, dtc, readInjector;
};

class ModuleButton : public ::testing::TestWithParam<OpeningCase> {};

TEST_P(ModuleButton, SendsItsOpeningBytesAndOffersItsFunctions) {
    const OpeningCase& c = GetParam();
    sim::Scenario scenario = sim::vehicleScenario(c.vehicle);
    if (c.protocolOverride != 0) {
        scenario.modules[static_cast<int>(c.module) + 1].protocol =
            static_cast<std::uint8_t>(c.protocolOverride);
    }
    Bench bench(scenario);
    bench.startToModuleMenu(scenario.diesel, 4);
    ASSERT_EQ(bench.session.SessionState, 15);
    const std::size_t before = bench.box.requests().size();
    bench.view.lines[3] = "fourth line stays";
    bench.session.selectModule(c.module);
    EXPECT_EQ(bench.session.SessionState, 15);
    const auto sent = bench.requestsSince(before);
    if (c.bytes.empty()) {
        EXPECT_TRUE(sent.empty());
    } else {
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_EQ(sent[0], c.bytes);
    }
    EXPECT_EQ(bench.view.lines[2], c.line);
    EXPECT_EQ(bench.view.lines[0], std::string(25, ' '));
    EXPECT_EQ(bench.view.lines[3], "fourth line stays");
    EXPECT_EQ(bench.view.enabled("live", !c.live), c.live);
    EXPECT_EQ(bench.view.enabled("rdtc", !c.dtc), c.dtc);
    EXPECT_EQ(bench.view.enabled("cdtc", !c.dtc), c.dtc);
    EXPECT_EQ(bench.view.enabled("read_inj", !c.readInjector), c.readInjector);
    EXPECT_FALSE(bench.view.enabled("prog_inj", true));
}

INSTANTIATE_TEST_SUITE_P(
    Modules, ModuleButton,
    ::testing::Values(
        OpeningCase{"petrol-car",
                    Module::Pcm,
                    0,
                    {0x14, 0x10},
                    "  PCM                    ",
                    true,
                    true,
                    false},
        OpeningCase{"diesel-van",
                    Module::Pcm,
                    0,
                    {0x1E, 0x07, 0xE0},
                    "  PCM                    ",
                    true,
                    true,
                    false},
        OpeningCase{"petrol-car",
                    Module::Tcm,
                    0,
                    {0x14, 0x10},
                    "  TCM                    ",
                    false,
                    true,
                    false},
        OpeningCase{"diesel-van",
                    Module::Tcm,
                    0,
                    {0x1E, 0x07, 0xE1},
                    "  TCM                    ",
                    false,
                    true,
                    false},
        OpeningCase{"petrol-car",
                    Module::Abs,
                    0,
                    {0x0A, 0x28},
                    "  ABS                    ",
                    false,
                    true,
                    false},
        OpeningCase{"diesel-van",
                    Module::Abs,
                    0,
                    {0x1E, 0x07, 0x60},
                    "  ABS                    ",
                    false,
                    true,
                    false},
        OpeningCase{"petrol-car",
                    Module::AirBag,
                    0,
                    {0x0A, 0x58},
                    "  AIRBAG                 ",
                    false,
                    true,
                    false},
        OpeningCase{"diesel-van",
                    Module::AirBag,
                    0,
                    {0x1E, 0x07, 0x37},
                    "  AIRBAG                 ",
                    false,
                    true,
                    false},
        OpeningCase{"petrol-car",
                    Module::Cluster,
                    0,
                    {0x14, 0x60},
                    "  CLUSTER                ",
                    true,
                    true,
                    false},
        OpeningCase{"diesel-van",
                    Module::Cluster,
                    0,
                    {0x1E, 0x07, 0x20},
                    "  CLUSTER                ",
                    true,
                    true,
                    false},
        OpeningCase{"petrol-car",
                    Module::Cluster,
                    3,
                    {0x0A, 0x60},
                    "  CLUSTER                ",
                    true,
                    true,
                    false},
        OpeningCase{
            "diesel-van", Module::Icu, 0, {}, "  ICU                    ", false, false, true}));

TEST(ModuleButtonFailure, NoReplyWithinTheTimeOutShowsConnectionFailure) {
    Bench bench;
    bench.startToModuleMenu(false, 0);
    bench.box.addFault(testing::fault(sim::FaultKind::SilentModule, sim::kAbs));
    bench.session.selectModule(Module::Abs);
    EXPECT_EQ(bench.session.SessionState, 16);
    bench.settle();
    EXPECT_EQ(bench.view.lines[0], "   CONNECTION FAILURE   ");
}

// A late byte of an earlier exchange waiting in the port is not the module's answer: the
// port is emptied before a module's opening bytes are sent.
class StaleByteBeforeOpening : public ::testing::TestWithParam<Module> {};

TEST_P(StaleByteBeforeOpening, IsNotTakenAsTheModulesAnswer) {
    Bench bench;
    bench.startToModuleMenu(false, 0);
    ASSERT_EQ(bench.session.SessionState, 15);
    bench.box.addFault(testing::fault(sim::FaultKind::SilentBox));
    bench.port.stale = {0x10};
    bench.session.selectModule(GetParam());
    EXPECT_EQ(bench.session.SessionState, 16);
    EXPECT_TRUE(bench.port.stale.empty());
}

INSTANTIATE_TEST_SUITE_P(Modules, StaleByteBeforeOpening,
                         ::testing::Values(Module::Pcm, Module::Tcm, Module::Abs, Module::AirBag,
                                           Module::Cluster));

TEST(ModuleButtonFailure, DemoModeSendsNothing) {
    Bench bench;
    bench.box.addFault(testing::fault(sim::FaultKind::SilentBox));
    bench.startToModuleMenu(false, 0);
    ASSERT_EQ(bench.session.SessionState, 11);
    bench.session.demo();
    bench.settle();
    ASSERT_EQ(bench.session.SessionState, 15);
    const std::size_t before = bench.box.requests().size();
    for (Module module : {Module::Pcm, Module::Tcm, Module::Abs, Module::AirBag, Module::Cluster}) {
        bench.session.selectModule(module);
        EXPECT_EQ(bench.session.SessionState, 15);
        EXPECT_TRUE(bench.view.enabled("rdtc"));
    }
    EXPECT_EQ(bench.box.requests().size(), before);
}

TEST(Commands, WithNoModuleDownLiveAndTroubleCodesChangeNothing) {
    Bench bench;
    bench.startToModuleMenu(false, 0);
    const std::string screen = bench.view.screen();
    for (auto command : {&Session::live, &Session::readDtc, &Session::clearDtc}) {
        (bench.session.*command)();
        EXPECT_EQ(bench.session.SessionState, 15);
        EXPECT_EQ(bench.view.screen(), screen);
    }
    bench.session.selectModule(Module::Icu);
    for (auto command : {&Session::live, &Session::readDtc, &Session::clearDtc}) {
        (bench.session.*command)();
        EXPECT_EQ(bench.session.SessionState, 15);
    }
}

struct Step {
    int before;
    int after;
};

class BackTable : public ::testing::TestWithParam<Step> {};

TEST_P(BackTable, StepsBack) {
    Bench bench;
    bench.session.SessionState = static_cast<std::int16_t>(GetParam().before);
    bench.session.back();
    EXPECT_EQ(bench.session.SessionState, GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(States, BackTable,
                         ::testing::Values(Step{2, 0}, Step{7, 0}, Step{152, 0}, Step{11, 13},
                                           Step{15, 13}, Step{17, 13}, Step{29, 13}, Step{51, 13},
                                           Step{54, 13}, Step{56, 13}, Step{58, 13}, Step{60, 13},
                                           Step{71, 13}, Step{74, 13}, Step{76, 13}, Step{78, 13},
                                           Step{80, 13}, Step{121, 13}, Step{12, 6}, Step{143, 14},
                                           Step{146, 14}, Step{149, 14}, Step{151, 14},
                                           Step{154, 14}, Step{157, 14}));

class OkTable : public ::testing::TestWithParam<Step> {};

TEST_P(OkTable, MovesOn) {
    Bench bench;
    bench.session.SessionState = static_cast<std::int16_t>(GetParam().before);
    bench.session.ok();
    EXPECT_EQ(bench.session.SessionState, GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(States, OkTable,
                         ::testing::Values(Step{2, 3}, Step{5, 6}, Step{7, 13}, Step{12, 8},
                                           Step{143, 144}, Step{146, 147}, Step{149, 150},
                                           Step{151, 152}, Step{154, 155}, Step{157, 158},
                                           Step{160, 14}));

TEST(OkAndBack, ChangeNothingInAnyOtherState) {
    const std::set<int> okStates = {2, 5, 7, 12, 143, 146, 149, 151, 154, 157, 160};
    const std::set<int> backStates = {2,  7,  152, 11, 15,  17, 29,  51,  54,  56,  58,  60, 71,
                                      74, 76, 78,  80, 121, 12, 143, 146, 149, 151, 154, 157};
    Bench bench;
    for (int state = 0; state <= 161; ++state) {
        if (okStates.count(state) == 0) {
            bench.session.SessionState = static_cast<std::int16_t>(state);
            bench.view.listSelection.clear();
            bench.session.ok();
            EXPECT_EQ(bench.session.SessionState, state) << "OK in " << state;
            EXPECT_TRUE(bench.view.listSelection.empty());
        }
        if (backStates.count(state) == 0) {
            bench.session.SessionState = static_cast<std::int16_t>(state);
            bench.session.back();
            EXPECT_EQ(bench.session.SessionState, state) << "BACK in " << state;
        }
    }
}

TEST(Commands, EveryStateOutsideTheTablesWaits) {
    Bench bench;
    for (int state :
         {5, 7, 9, 11, 12, 15, 17, 22, 23, 24, 25, 26, 27, 143, 146, 149, 151, 154, 157, 160}) {
        bench.session.SessionState = static_cast<std::int16_t>(state);
        EXPECT_TRUE(bench.session.isWaiting()) << state;
        bench.session.step();
        EXPECT_EQ(bench.session.SessionState, state);
    }
    for (int state : {0, 1, 3, 4, 6, 8, 10, 13, 14, 16, 51, 76, 100, 109, 110, 121, 144, 152}) {
        bench.session.SessionState = static_cast<std::int16_t>(state);
        EXPECT_FALSE(bench.session.isWaiting()) << state;
    }
}

}  // namespace
}  // namespace tvx::session
